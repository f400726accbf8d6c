// The Rescue Center on a real Wine prefix: values planted with "wine reg
// add" are backed up and deleted as the fix does, then restored through the
// window; "wine reg export" of every touched key is then byte for byte what
// it was. Beside a running wineserver a restore changes no file at all.
#include "engine/backup.h"
#include "engine/backupstore.h"
#include "engine/registryaccess.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/rescuecenterpage.h"
#include "mainwindow/timing.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "platform/winreg.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

testenv::WinePrefix g_wine;
bool g_ready = false;

struct Planted {
    const char* root;  // "HKCU" or "HKLM"
    const char* key;   // below the root
    const char* name;  // empty: the default value
    const char* type;
    const char* data;
};

const char kUserKey[] = "Software\\Velmora Rescue\\Sub Key";
const char kMachineKey[] = "Software\\Velmora Rescue";
const char kServerKey[] = "Software\\Velmora Beside Server";

const Planted kValues[] = {
    {"HKCU", kUserKey, "Command Line", "REG_SZ", "\"C:\\Program Files\\Gone Tool\\tool.exe\" /background -x"},
    {"HKCU", kUserKey, "Expand", "REG_EXPAND_SZ", "%SystemRoot%\\system32\\gone.dll,-5"},
    {"HKCU", kUserKey, "Multi Part", "REG_MULTI_SZ", "first.dll\\0second one.dll"},
    {"HKCU", kUserKey, "Binary", "REG_BINARY", "00ff5e0d0a"},
    {"HKCU", kUserKey, "Number", "REG_DWORD", "42"},
    {"HKCU", kUserKey, "Quad", "REG_QWORD", "0x0102030405060708"},
    {"HKCU", kUserKey, "Nothing", "REG_NONE", ""},
    {"HKCU", kUserKey, "", "REG_SZ", "C:\\default\\gone.exe -s"},
    {"HKLM", kMachineKey, "Bare Name", "REG_SZ", "gone.exe"},
    {"HKLM", kMachineKey, "", "REG_EXPAND_SZ", "%ProgramFiles%\\Gone\\gone.exe"},
    {"HKLM", kServerKey, "Gone", "REG_SZ", "C:\\gone\\gone.exe"},
};

HKEY rootOf(const Planted& v)
{
    return QLatin1String(v.root) == QLatin1String("HKCU") ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

QString wineKey(const Planted& v)
{
    return QLatin1String(v.root) + QLatin1Char('\\') + QLatin1String(v.key);
}

QByteArray exported(const QString& key)
{
    const QByteArray bytes = g_wine.regExport(key);
    g_wine.waitForServer();
    return bytes;
}

class RescueCenterWine : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!testenv::wineAvailable())
            return;
        const bool booted = g_wine.boot(QStringLiteral("rescue"));
        g_wine.waitForServer();
        if (!booted)
            return;
        for (const Planted& v : kValues) {
            if (!g_wine.regAdd(wineKey(v), QLatin1String(v.name), QLatin1String(v.data), QLatin1String(v.type)).ok()) {
                ADD_FAILURE() << "wine reg add failed for " << v.name;
                return;
            }
        }
        g_wine.waitForServer();
        g_ready = true;
    }
    static void TearDownTestSuite() { g_wine.stopServer(); }

    void SetUp() override
    {
        VELMORA_REQUIRE_WINE();
        ASSERT_TRUE(g_ready) << "the Wine prefix could not be prepared";
        programDir = testenv::makeTempDir(QStringLiteral("program"));
        ASSERT_TRUE(QDir().mkpath(programDir + QStringLiteral("/Restore")));
        seams.programFolder(programDir).desktop(&desktop);
        seams.timingScale(0.01);
    }
    void TearDown() override
    {
        window.reset();
        if (platform::prefixIsOpen())
            platform::closePrefix();
    }

    // Backs up and deletes the planted values under `key` as the fix does
    // (the default value emptied, then "(Default)" deleted), in one batch,
    // into a backup named for `when`. Returns the backup's Windows path.
    QString fixValuesOf(const char* key, const QDateTime& when)
    {
        using namespace engine;
        seams.clock([when] { return when; });
        const QString backup = NewBackupFilePath();
        platform::RegistryBatch batch;
        for (const Planted& v : kValues) {
            if (QLatin1String(v.key) != QLatin1String(key))
                continue;
            const HKEY root = rootOf(v);
            ProblemRow row;
            row.MainKey = QString::number(static_cast<qint32>(root));
            row.mainkeyname = root == HKEY_CURRENT_USER ? QStringLiteral("HKEY_CURRENT_USER")
                                                        : QStringLiteral("HKEY_LOCAL_MACHINE");
            row.FullKeyPath = QLatin1String(v.key);
            row.KeyName = *v.name ? QLatin1String(v.name) : QStringLiteral("(Default)");
            row.KeyValue = QStringLiteral("C:\\gone\\gone.exe");
            const QString line = BuildBackupRecord(root, row);
            EXPECT_EQ(line.count(QLatin1Char('^')), 6) << qPrintable(line);
            EXPECT_TRUE(AppendBackupRecord(backup, line));
            if (row.KeyName == QLatin1String("(Default)")) {
                EXPECT_EQ(WriteRegistryValue(root, row.FullKeyPath, QString(), QString()), ERROR_SUCCESS);
            }
            const LONG deleted = DeleteRegistryValue(root, row.FullKeyPath, row.KeyName);
            if (*v.name) {
                EXPECT_EQ(deleted, ERROR_SUCCESS) << v.name;
            }
        }
        EXPECT_TRUE(batch.finish().ok);
        return backup;
    }

    void openWindow()
    {
        window = std::make_unique<FrmStart>();
        window->Form_Load();
        window->mnuFileRescueCenter_Click();
    }
    // The page and its list, as their names find them.
    RescueCenterPage& page() const
    {
        return *window->findChild<RescueCenterPage*>(QStringLiteral("PicRescuCenter"));
    }
    QTreeWidget* backupList() const { return window->findChild<QTreeWidget*>(QStringLiteral("lvwBackUp")); }
    void selectOnlyRow()
    {
        ASSERT_EQ(backupList()->topLevelItemCount(), 1);
        backupList()->topLevelItem(0)->setSelected(true);
    }
    QString onDisk(const QString& windowsBackup) const
    {
        return programDir + QStringLiteral("/Restore/") + windowsBackup.section(QLatin1Char('\\'), -1);
    }

    QString programDir;
    windowtest::FakeDesktop desktop;
    testenv::WindowSeamGuard seams;
    std::unique_ptr<FrmStart> window;
};

TEST_F(RescueCenterWine, RestoreThroughTheWindowGivesBackEveryKeyByteForByte)
{
    const QString keys[] = {QStringLiteral("HKCU\\") + QLatin1String(kUserKey),
                            QStringLiteral("HKLM\\") + QLatin1String(kMachineKey)};
    QByteArray before[2];
    for (int i = 0; i < 2; ++i) {
        before[i] = exported(keys[i]);
        ASSERT_GT(before[i].size(), 2) << qPrintable(keys[i]);
    }

    ASSERT_TRUE(platform::openPrefix(g_wine.path()).ok);
    const QDateTime when(QDate(2007, 3, 13), QTime(10, 15, 30));
    const QString backup = fixValuesOf(kUserKey, when);
    ASSERT_EQ(fixValuesOf(kMachineKey, when), backup) << "two fixes in one second share their backup";
    ASSERT_TRUE(platform::closePrefix().ok);
    for (int i = 0; i < 2; ++i)
        ASSERT_NE(exported(keys[i]), before[i]) << "the values were not deleted from " << qPrintable(keys[i]);

    ASSERT_TRUE(platform::openPrefix(g_wine.path()).ok);
    openWindow();
    ASSERT_EQ(backupList()->topLevelItemCount(), 1);
    EXPECT_EQ(backupList()->topLevelItem(0)->text(0), u"Tuesday, March 13, 2007  at   10:15:30"_s);
    EXPECT_EQ(backupList()->topLevelItem(0)->text(1), u"10 key(s) were removed."_s);
    selectOnlyRow();
    page().ImgRestoringClick_MouseMove();
    EXPECT_TRUE(desktop.boxes.isEmpty()) << qPrintable(desktop.boxes.value(0).text);
    ASSERT_EQ(desktop.modals.size(), 1);
    EXPECT_EQ(desktop.modals[0].name, u"FrmCreatingBackKeys"_s);
    EXPECT_FALSE(QFile::exists(onDisk(backup)));
    EXPECT_EQ(backupList()->topLevelItemCount(), 0);
    window.reset();
    ASSERT_TRUE(platform::closePrefix().ok);

    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(exported(keys[i]), before[i]) << qPrintable(keys[i]);
}

TEST_F(RescueCenterWine, BesideARunningWineserverARestoreChangesNoFile)
{
    ASSERT_TRUE(platform::openPrefix(g_wine.path()).ok);
    const QString backup = fixValuesOf(kServerKey, QDateTime(QDate(2026, 12, 10), QTime(9, 0, 0)));
    openWindow();
    selectOnlyRow();

    ASSERT_EQ(g_wine.run(QStringLiteral("wineserver"), {QStringLiteral("-p")}).exitCode, 0);
    const QStringList files = {g_wine.path() + u"/system.reg"_s, g_wine.path() + u"/user.reg"_s,
                               g_wine.path() + u"/userdef.reg"_s, onDisk(backup)};
    QList<QByteArray> before;
    for (const QString& f : files)
        before << testenv::readFile(f);
    ASSERT_FALSE(before.last().isEmpty());

    page().ImgRestoringClick_MouseMove();
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].style, 64);
    EXPECT_TRUE(desktop.boxes[0].text.contains(QLatin1String("wine"), Qt::CaseInsensitive))
        << qPrintable(desktop.boxes[0].text);
    EXPECT_TRUE(desktop.modals.isEmpty());
    for (int i = 0; i < files.size(); ++i)
        EXPECT_EQ(testenv::readFile(files[i]), before[i]) << qPrintable(files[i]);
    EXPECT_EQ(backupList()->topLevelItemCount(), 1);

    window.reset();
    ASSERT_TRUE(g_wine.stopServer());
}

}  // namespace
