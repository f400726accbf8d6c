// The fix through the real main window on a real Wine prefix: values planted
// with Wine's own "reg add" are found, fixed and gone for Wine's "reg query";
// their backup restores every touched key byte for byte as "reg export"
// shows it; and beside a running wineserver the fix touches nothing.
#include "engine/backup.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/rescuecenterpage.h"
#include "mainwindow/timing.h"
#include "platform/ansi.h"
#include "platform/prefix.h"
#include "platform/settings.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <QCheckBox>
#include <QDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace windowtest;

namespace {

testenv::WinePrefix g_wine;
bool g_ready = false;

const QString kMachineRun = QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kUserRun = QStringLiteral("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kAppPath = QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone app.exe");
const QString kHelp = QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\Help");

struct Planted {
    QString key;
    const char* name;  // empty: the default value
    const char* type;
    const char* data;
    bool reported;     // the scan judges it missing
};

const Planted kPlanted[] = {
    {kMachineRun, "Gone Tool", "REG_SZ", "\"C:\\Program Files\\Gone Tool\\tool.exe\" /background", true},
    {kMachineRun, "Gone Multi", "REG_MULTI_SZ", "C:\\gone\\multi.exe\\0second part", true},
    {kMachineRun, "Gone Expand", "REG_EXPAND_SZ", "%SystemRoot%\\gone\\expand.exe", false},
    {kMachineRun, "Number", "REG_DWORD", "42", false},
    {kHelp, "number.hlp", "REG_DWORD", "42", true},
    {kHelp, "binary.hlp", "REG_BINARY", "433a5c00", false},
    {kUserRun, "User Gone", "REG_SZ", "C:\\gone dir\\user app.exe -quiet", true},
    {kAppPath, "", "REG_SZ", "C:\\Program Files\\Gone App\\gone app.exe", true},
    {kAppPath, "Path", "REG_SZ", "C:\\Program Files\\Gone App", false},
    {kHelp, "gone help.hlp", "REG_SZ", "C:\\windows\\gone help", true},
};

QString exported(const QString& key)
{
    const QByteArray bytes = g_wine.regExport(key);
    g_wine.waitForServer();
    return bytes.isEmpty() ? QStringLiteral("<export of %1 failed>").arg(key) : QString::fromLatin1(bytes.toHex());
}

class FixWineTest : public FrmStartTest {
protected:
    static void SetUpTestSuite()
    {
        if (!testenv::wineAvailable() || !g_wine.boot(QStringLiteral("fixprefix")))
            return;
        g_wine.waitForServer();
        for (const Planted& p : kPlanted) {
            if (!g_wine.regAdd(p.key, QLatin1String(p.name), QLatin1String(p.data), QLatin1String(p.type)).ok()) {
                ADD_FAILURE() << "wine reg add failed for " << p.name;
                return;
            }
        }
        g_ready = g_wine.stopServer();
    }
    static void TearDownTestSuite() { g_wine.stopServer(); }

    void SetUp() override
    {
        VELMORA_REQUIRE_WINE();
        ASSERT_TRUE(g_ready) << "the Wine prefix could not be prepared";
        programDir = testenv::makeTempDir(QStringLiteral("program"));
        seams.programFolder(programDir).desktop(&desktop);
        seams.timingScale(0.01);
        // Off, so that loading the window leaves the Run key alone: each test
        // has its own program folder, which the logon entry would name.
        platform::SaveSetting(kApp, kSettingsSection, u"ResultStartup"_s, u"False"_s);
    }
    void TearDown() override
    {
        window.reset();
        if (platform::prefixIsOpen())
            platform::closePrefix();
        if (!programDir.isEmpty())
            QDir(programDir).removeRecursively();
    }

    void openAndScan()
    {
        const platform::PrefixError opened = platform::openPrefix(g_wine.path());
        ASSERT_TRUE(opened.ok) << opened.message.toStdString();
        reopenWindow();
        chooseOnly({1, 4, 8});  // Application Paths, Help Files, Startup Programs
        scanAndAnswer();
    }
    QByteArrayList registryFiles() const
    {
        QByteArrayList files;
        for (const char* name : {"system.reg", "user.reg", "userdef.reg"})
            files << testenv::readFile(g_wine.path() + u"/"_s + QLatin1String(name));
        return files;
    }
    QStringList backupLines() const
    {
        QStringList lines;
        const QStringList names = QDir(programDir + u"/Restore"_s).entryList(QDir::Files);
        if (names.size() != 1)
            return lines;
        for (const QByteArray& raw : testenv::readFile(programDir + u"/Restore/"_s + names[0]).split('\n')) {
            if (!raw.isEmpty())
                lines << engine::DecodeText(platform::fromAnsi(raw.chopped(raw.endsWith('\r') ? 1 : 0)));
        }
        return lines;
    }
};

// First, because it must change nothing: the fix beside a running server.
TEST_F(FixWineTest, BesideARunningWineserverTheFixTouchesNothing)
{
    openAndScan();
    ASSERT_GT(window->lvwErrors().count(), 0);
    const QByteArrayList before = registryFiles();
    ASSERT_EQ(g_wine.run(u"wineserver"_s, {u"-p"_s}).exitCode, 0);

    showErrorPage(*window)->ImgFixProblemsClick2_MouseMove();

    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_TRUE(desktop.boxes[0].text.startsWith(u"A Wine program is running on the prefix"_s))
        << desktop.boxes[0].text.toStdString();
    EXPECT_EQ(registryFiles(), before);
    EXPECT_TRUE(QDir(programDir + u"/Restore"_s).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItemCount(), window->lvwErrors().count());
    window.reset();
    platform::closePrefix();
    EXPECT_TRUE(g_wine.stopServer());
    EXPECT_EQ(registryFiles(), before);
}

TEST_F(FixWineTest, EveryRowFixedIsGoneForWineAndTheRescueCenterRestoresEveryKeyByteForByte)
{
    QStringList keys = {kMachineRun, kUserRun, kAppPath, kHelp};
    QMap<QString, QString> before;
    for (const QString& key : keys)
        before[key] = exported(key);

    openAndScan();
    QStringList found;
    for (const engine::ProblemRow& r : window->lvwErrors().rows())
        found << r.KeyName;
    QStringList expected;
    for (const Planted& p : kPlanted) {
        if (p.reported)
            expected << (*p.name ? QLatin1String(p.name) : QStringLiteral("(Default)"));
    }
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(found, expected);

    showErrorPage(*window)->ImgFixProblemsClick2_MouseMove();
    EXPECT_TRUE(desktop.boxes.isEmpty()) << desktop.boxes.value(0).text.toStdString();
    EXPECT_EQ(window->lvwErrors().count(), 0);
    EXPECT_EQ(backupLines().size(), expected.size());
    const QString backup = showErrorPage(*window)->backupFile();
    window.reset();
    ASSERT_TRUE(platform::closePrefix().ok);

    QMap<QString, QString> queried;
    for (const QString& key : keys) {
        const testenv::WineResult r = g_wine.reg({u"query"_s, key});
        g_wine.waitForServer();
        ASSERT_TRUE(r.ok()) << key.toStdString();
        queried[key] = QString::fromLocal8Bit(r.out).remove(u'\r');
    }
    for (const Planted& p : kPlanted) {
        const QString shown = queried[p.key];
        if (*p.name) {
            EXPECT_EQ(shown.contains(u"    "_s + QLatin1String(p.name) + u"    "_s), !p.reported) << p.name << "\n"
                                                                                            << qPrintable(shown);
        } else {
            // The unnamed value stays, emptied.
            EXPECT_TRUE(shown.contains(u"(Default)"_s)) << qPrintable(shown);
            EXPECT_FALSE(shown.contains(u"Gone App\\gone app.exe"_s)) << qPrintable(shown);
        }
    }

    // Back through the Rescue Center, as a user would.
    ASSERT_TRUE(platform::openPrefix(g_wine.path()).ok);
    reopenWindow();
    window->mnuFileRescueCenter_Click();
    QTreeWidget* backups = find<QTreeWidget>(u"lvwBackUp"_s);
    ASSERT_EQ(backups->topLevelItemCount(), 1);
    EXPECT_EQ(backups->topLevelItem(0)->text(1),
              QStringLiteral("%1 key(s) were removed.").arg(expected.size()));
    backups->topLevelItem(0)->setSelected(true);
    find<RescueCenterPage>(u"PicRescuCenter"_s)->ImgRestoringClick_MouseMove();
    EXPECT_TRUE(desktop.boxes.isEmpty()) << desktop.boxes.value(0).text.toStdString();
    EXPECT_EQ(backups->topLevelItemCount(), 0);
    EXPECT_TRUE(QDir(programDir + u"/Restore"_s).entryList(QDir::Files).isEmpty()) << qPrintable(backup);
    window.reset();
    ASSERT_TRUE(platform::closePrefix().ok);
    for (const QString& key : keys)
        EXPECT_EQ(exported(key), before[key]) << key.toStdString();
}

}  // namespace
