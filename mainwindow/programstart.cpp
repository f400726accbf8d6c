#include "mainwindow/programstart.h"

#include "engine/resultsfile.h"
#include "engine/services.h"
#include "engine/trim.h"
#include "mainwindow/frmsmmarystartup.h"
#include "mainwindow/frmsplash.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/frmwaitforwine.h"
#include "mainwindow/windowstate.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "platform/winfile.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

namespace mainwindow {

namespace {
std::optional<QString> g_command;
bool g_ended = false;
int g_exitCode = 0;
bool g_loopRunning = false;
QPointer<FrmSplash> g_splash;
std::unique_ptr<FrmStart> g_main;
}  // namespace

bool openUsersPrefix()
{
    const platform::PrefixError opened = platform::openPrefix(platform::defaultPrefixPath());
    if (opened.ok)
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(opened.message));
    std::fflush(stderr);
    platform::MsgBox(opened.message, 16, FrmStart::productName());
    return false;
}

QString Command()
{
    if (g_command)
        return *g_command;
    const QStringList args = QCoreApplication::arguments();
    return args.mid(1).join(QLatin1Char(' '));
}

void setCommand(const QString& command)
{
    g_command = command;
}

void clearCommand()
{
    g_command.reset();
}

bool isLogonStart()
{
    return engine::trimBlanks(Command()) == QLatin1String("ShowError");
}

QString resultsPath()
{
    return engine::ResultsFilePath();
}

void End(int exitCode)
{
    if (!g_ended)
        g_exitCode = exitCode;
    g_ended = true;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible())
            continue;
        if (auto* d = qobject_cast<QDialog*>(w))
            d->done(QDialog::Rejected);
        w->hide();
    }
    if (g_loopRunning)
        QCoreApplication::exit(g_exitCode);
}

bool programEnded()
{
    return g_ended;
}

int programExitCode()
{
    return g_exitCode;
}

FrmStart* loadedFrmStart()
{
    return g_main.get();
}

FrmSplash* loadedFrmSplash()
{
    return g_splash.data();
}

void showFrmStart()
{
    if (!g_main) {
        if (!platform::prefixIsOpen() && !openUsersPrefix()) {
            End(1);
            return;
        }
        g_main = std::make_unique<FrmStart>();
        g_main->Form_Load();
        if (g_ended)
            return;
    }
    g_main->show();
}

void unloadFrmSplash()
{
    if (!g_splash)
        return;
    FrmSplash* splash = g_splash.data();
    g_splash.clear();
    splash->stopFade();
    splash->hide();
    // It may be unloaded from inside its own handlers.
    splash->deleteLater();
}

bool askStartupSummary()
{
    // Wine starts the program at logon while its server runs for the prefix.
    // Only the drive map is read here, so that a start with nothing to show,
    // or the summary's Exit, touches nothing.
    if (!platform::prefixIsOpen())
        platform::attachDrives(platform::defaultPrefixPath());
    // "Show this information again" was unchecked: the entry that started
    // us stays until the next ordinary start, but nothing is shown now.
    if (const std::optional<bool> on = FrmSmmaryStartup::storedOption(); on && !*on) {
        End();
        return false;
    }
    if (engine::SavedProblemCount() < 1) {
        End();
        return false;
    }
    FrmSmmaryStartup summary;
    summary.Form_Load();
    if (g_ended)
        return false;
    platform::ShowModal(&summary);
    return !g_ended;
}

bool waitForWineServer()
{
    if (platform::prefixIsOpen())
        return true;
    const QString prefix = platform::defaultPrefixPath();
    if (!platform::wineServerRunning(prefix))
        return true;
    FrmWaitForWine wait;
    wait.Form_Load(prefix);
    platform::ShowModal(&wait);
    if (g_ended)
        return false;
    // Closed, or Escape: as Cancel.
    if (!wait.serverEnded() && !wait.gaveUp()) {
        End();
        return false;
    }
    return true;
}

int runProgram()
{
    // Only End ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    if (!isLogonStart() && !openUsersPrefix())
        return 1;
    g_splash = new FrmSplash;
    g_splash->Form_Load();
    if (!g_ended && g_splash)
        g_splash->show();
    if (!g_ended) {
        g_loopRunning = true;
        QApplication::exec();
        g_loopRunning = false;
    }
    const int code = g_exitCode;
    resetProgram();
    return code;
}

void resetProgram()
{
    delete g_splash.data();
    g_splash.clear();
    // A start-up window unloaded from its own handler waits here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    g_main.reset();
    g_ended = false;
    g_exitCode = 0;
    bScanAndFixChosen = false;
}

}  // namespace mainwindow
