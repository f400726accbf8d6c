// The logon entry in a real Wine prefix: after the main window's load with
// the start-up option on, Wine's own "reg query" shows it in HKLM's Run key
// as the program's quoted path through Z: and "ShowError"; after the option
// is switched off it is gone.
#include "mainwindow/frmstart.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <QAction>
#include <QSettings>

#include <gtest/gtest.h>

using namespace windowtest;

namespace {

testenv::WinePrefix g_wine;
bool g_ready = false;

const QString kRunKey = QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kName = QStringLiteral("mainwindow_logon_wine");

class LogonEntryWine : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!testenv::wineAvailable())
            return;
        g_ready = g_wine.boot() && g_wine.waitForServer();
    }
    // Each test closes the prefix it opened.
    static void TearDownTestSuite() { g_wine.stopServer(); }
    void SetUp() override
    {
        VELMORA_REQUIRE_WINE();
        ASSERT_TRUE(g_ready) << "the Wine prefix could not be prepared";
        // A blank in the program folder: the entry's quotes must hold it together.
        programDir = testenv::makeTempDir(QStringLiteral("program folder"));
        platform::setProgramFolderLinux(programDir);
        platform::setDesktop(&desktop);
        QSettings(QSettings::IniFormat, QSettings::UserScope, kApp).clear();
    }
    void TearDown() override
    {
        if (platform::prefixIsOpen())
            platform::closePrefix();
        platform::setDesktop(nullptr);
    }

    // Opens the prefix, loads a main window, lets `act` work on it, and
    // closes the prefix again so that Wine reads what was saved.
    void withWindow(const std::function<void(FrmStart&)>& act = {})
    {
        const platform::PrefixError opened = platform::openPrefix(g_wine.path());
        ASSERT_TRUE(opened.ok) << opened.message.toStdString();
        {
            FrmStart window;
            window.Form_Load();
            if (act)
                act(window);
        }
        ASSERT_TRUE(platform::closePrefix().ok);
    }

    testenv::WineResult query()
    {
        const testenv::WineResult r = g_wine.reg({QStringLiteral("query"), kRunKey, QStringLiteral("/v"), kName});
        EXPECT_TRUE(g_wine.waitForServer());
        return r;
    }

    QString programDir;
    FakeDesktop desktop;
};

TEST_F(LogonEntryWine, WineSeesTheEntryWhileTheOptionIsOnAndNotAfter)
{
    withWindow();
    testenv::WineResult r = query();
    ASSERT_TRUE(r.ok()) << r.out.toStdString();
    const QString expected = QLatin1Char('"') + testenv::WinePrefix::windowsPath(programDir) + QLatin1Char('\\')
        + kName + QStringLiteral(".exe\" ShowError");
    ASSERT_TRUE(expected.startsWith(QLatin1String("\"Z:\\")));
    const QString out = QString::fromLocal8Bit(r.out);
    EXPECT_TRUE(out.contains(kName + QStringLiteral("    REG_SZ    ") + expected)) << out.toStdString();

    // Switched off from the menu: gone at once, and not written again at
    // the next load.
    withWindow([](FrmStart& w) { w.mnuFileShowScanResultsonStartup->trigger(); });
    r = query();
    EXPECT_FALSE(r.ok()) << r.out.toStdString();
    withWindow([](FrmStart& w) { EXPECT_FALSE(w.mnuFileShowScanResultsonStartup->isChecked()); });
    EXPECT_FALSE(query().ok());

    // On again from the menu.
    withWindow([](FrmStart& w) { w.mnuFileShowScanResultsonStartup->trigger(); });
    r = query();
    EXPECT_TRUE(QString::fromLocal8Bit(r.out).contains(expected)) << r.out.toStdString();
    EXPECT_TRUE(desktop.boxes.isEmpty());
}

}  // namespace
