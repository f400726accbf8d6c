#include "platform/desktop.h"

#include <cstdio>

namespace platform {

// Nothing is shown; the window counts as closed without being accepted.
int Desktop::runModal(QObject*)
{
    return 0;
}

namespace {

// Answers without showing anything: the text goes to standard error and the
// answer is the harmless one (OK where that is the only button, else No or
// Cancel), so nothing runs that a person did not agree to.
class SilentDesktop final : public Desktop {
public:
    int messageBox(const QString& text, int style, const QString& title) override
    {
        QString shown = text;
        shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(shown));
        switch (style & 0xF) {
        case 0: return 1;  // OK
        case 1: return 2;  // OK, Cancel: Cancel
        case 2: return 3;  // Abort, Retry, Ignore: Abort
        case 3:            // Yes, No, Cancel: No
        case 4: return 7;  // Yes, No: No
        case 5: return 2;  // Retry, Cancel: Cancel
        default: return 1;
        }
    }
    QString browseForFolder(const QString&) override { return {}; }
    void playSound(const QString&) override {}
    void setWindowAlpha(QObject*, int) override {}
};

SilentDesktop g_silent;
Desktop* g_installed = nullptr;

}  // namespace

Desktop& desktop()
{
    return g_installed ? *g_installed : g_silent;
}

void setDesktop(Desktop* d)
{
    g_installed = d;
}

int MsgBox(const QString& text, int style, const QString& title)
{
    return desktop().messageBox(text, style, title);
}

int ShowModal(QObject* dialog)
{
    return desktop().runModal(dialog);
}

}  // namespace platform
