// The logon entry in a real Wine prefix: after the main window's load with
// the start-up option on, Wine's own "reg query" shows it in HKLM's Run key
// as the program's quoted path through Z: and "ShowError"; after the option
// is switched off it is gone. Wine's "reg export" and "reg import" carry it
// whole.
#include "mainwindow/frmstart.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <QAction>
#include <QSettings>
#include <QStringDecoder>

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
        seams.programFolder(programDir).desktop(&desktop);
        QSettings(QSettings::IniFormat, QSettings::UserScope, kApp).clear();
    }
    void TearDown() override
    {
        if (platform::prefixIsOpen())
            platform::closePrefix();
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
    testenv::SeamGuard seams;
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
    withWindow([](FrmStart& w) { menuItem(w, "mnuFileShowScanResultsonStartup")->trigger(); });
    r = query();
    EXPECT_FALSE(r.ok()) << r.out.toStdString();
    withWindow([](FrmStart& w) { EXPECT_FALSE(menuItem(w, "mnuFileShowScanResultsonStartup")->isChecked()); });
    EXPECT_FALSE(query().ok());

    // On again from the menu.
    withWindow([](FrmStart& w) { menuItem(w, "mnuFileShowScanResultsonStartup")->trigger(); });
    r = query();
    EXPECT_TRUE(QString::fromLocal8Bit(r.out).contains(expected)) << r.out.toStdString();
    EXPECT_TRUE(desktop.boxes.isEmpty());
}

// Wine's export takes the last two bytes of a string for its NUL: an entry
// stored without one came back as "...ShowErro", an ordinary start. Exported,
// deleted and imported again, the entry still ends in ShowError.
TEST_F(LogonEntryWine, ExportAndImportKeepTheWholeEntry)
{
    withWindow();
    const QString data = QLatin1Char('"') + testenv::WinePrefix::windowsPath(programDir) + QLatin1Char('\\') + kName
        + QStringLiteral(".exe\" ShowError");
    QString escaped = data;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    const QString line = QStringLiteral("\"%1\"=\"%2\"").arg(kName, escaped);

    const QString file = testenv::makeTempDir(QStringLiteral("export")) + QStringLiteral("/run.reg");
    ASSERT_TRUE(g_wine.reg({QStringLiteral("export"), kRunKey, testenv::WinePrefix::windowsPath(file),
                            QStringLiteral("/y")})
                    .ok());
    ASSERT_TRUE(g_wine.waitForServer());
    auto decode = QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
    const QString exported = decode(testenv::readFile(file));
    EXPECT_TRUE(exported.contains(line + QStringLiteral("\r\n"))) << exported.toStdString();

    ASSERT_TRUE(g_wine.reg({QStringLiteral("delete"), kRunKey, QStringLiteral("/v"), kName, QStringLiteral("/f")})
                    .ok());
    ASSERT_TRUE(g_wine.reg({QStringLiteral("import"), testenv::WinePrefix::windowsPath(file)}).ok());
    const QString out = QString::fromLocal8Bit(query().out).remove(QLatin1Char('\r'));
    EXPECT_TRUE(out.contains(kName + QStringLiteral("    REG_SZ    ") + data + QStringLiteral("\n")))
        << out.toStdString();

    // The imported entry is the one the program writes: the next load
    // leaves the registry file as it is.
    const QByteArray before = testenv::readFile(g_wine.path() + QStringLiteral("/system.reg"));
    withWindow();
    EXPECT_EQ(testenv::readFile(g_wine.path() + QStringLiteral("/system.reg")), before);
}

}  // namespace
