#pragma once
// Shared by the main-window tests: a small hand-made prefix with stale
// entries in several sections, a desktop that answers instead of a person,
// and a helper that answers modal windows as they open.
#include "platform/desktop.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace windowtest {

// Message boxes are recorded and answered with OK; sounds are counted.
class FakeDesktop : public platform::Desktop {
public:
    struct Box {
        QString text;
        int style;
        QString title;
    };
    QList<Box> boxes;
    QStringList sounds;

    int messageBox(const QString& text, int style, const QString& title) override
    {
        boxes.append({text, style, title});
        return 1;
    }
    QString browseForFolder(const QString&) override { return {}; }
    void playSound(const QString& linuxPath) override { sounds << linuxPath; }
    void setWindowAlpha(QObject*, int) override {}
};

// Writes a prefix under `dir` (a Linux folder): registry files in Wine's
// format with stale entries in the Active X, Application Paths, Help Files,
// Fonts, Shared Program Files and Startup Programs sections, each next to an
// entry whose file exists, a C: drive and Z: for "/". Returns false on failure.
bool writeFixturePrefix(const QString& dir);

// Problems the fixture gives, per section in the scan's order (counter texts).
extern const char* const kFixtureCounters[9];
// Total rows of a full scan.
constexpr int kFixtureProblems = 8;

// Answers every modal window that opens, until stopped: `answer` gets the
// dialog and must close it.
class ModalAnswerer : public QObject {
public:
    explicit ModalAnswerer(std::function<void(QDialog*)> answer) : m_answer(std::move(answer))
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
        m_timer.start(10);
    }
    int answered = 0;

private:
    void poll()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible() && dialog != m_last) {
            m_last = dialog;
            ++answered;
            m_answer(dialog);
            m_last = nullptr;
        }
    }
    std::function<void(QDialog*)> m_answer;
    QTimer m_timer;
    QDialog* m_last = nullptr;
};

}  // namespace windowtest
