#pragma once
// The desktop seam answered by Qt Widgets: message boxes, modal windows, the
// folder dialog, the click sound and window opacity.
#include "platform/desktop.h"

#include <memory>

class QSoundEffect;

namespace mainwindow {

class QtDesktop final : public platform::Desktop {
public:
    QtDesktop();
    ~QtDesktop() override;

    int messageBox(const QString& text, int style, const QString& title) override;
    int runModal(QObject* dialog) override;
    QString browseForFolder(const QString& title) override;
    void playSound(const QString& linuxPath) override;
    void setWindowAlpha(QObject* window, int alpha) override;

private:
    std::unique_ptr<QSoundEffect> m_sound;
};

}  // namespace mainwindow
