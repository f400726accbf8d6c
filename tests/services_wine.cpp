// Fix then restore on a real Wine prefix: after the restore, Wine's own
// "reg query" shows every value exactly as it stood before the deletion.
#include "engine/backup.h"
#include "engine/backupstore.h"
#include "engine/registryaccess.h"
#include "platform/prefix.h"
#include "tests/support/seamguard.h"
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cstdio>

namespace {

testenv::WinePrefix g_wine;
bool g_ready = false;

QString query(const QString& key)
{
    const testenv::WineResult r = g_wine.reg({QStringLiteral("query"), key});
    g_wine.waitForServer();
    return r.ok() ? QString::fromLocal8Bit(r.out).remove(QLatin1Char('\r')).trimmed() : QStringLiteral("<query failed>");
}

// "reg query" shows no QWORD data; an export shows every value's bytes.
QString exported(const QString& key)
{
    const QByteArray bytes = g_wine.regExport(key);
    g_wine.waitForServer();
    if (bytes.size() < 2)
        return QStringLiteral("<export failed>");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2)
        .remove(QLatin1Char('\r'));
}

const QString kUserKey = QStringLiteral("HKCU\\Software\\VelmoraRoundTrip");
const QString kMachineKey = QStringLiteral("HKLM\\Software\\VelmoraRoundTrip");

struct Planted {
    const char* key;   // kUserKey or kMachineKey, by root
    const char* name;  // empty: the default value
    const char* type;
    const char* data;
    const char* lookedFor;
    const char* bare;
};

const Planted kValues[] = {
    {"HKCU", "Command", "REG_SZ", "\"C:\\Program Files\\Tool\\tool.exe\" /background -x",
     "C:\\Program Files\\Tool\\tool.exe", ""},
    {"HKCU", "Expand", "REG_EXPAND_SZ", "%SystemRoot%\\system32\\gone.dll,-5", "C:\\windows\\system32\\gone.dll", ""},
    {"HKCU", "Multi", "REG_MULTI_SZ", "first.dll\\0second one.dll", "first.dll", ""},
    {"HKCU", "Binary", "REG_BINARY", "00ff5e0d0a", "x", ""},
    {"HKCU", "Number", "REG_DWORD", "42", "42", ""},
    {"HKCU", "Quad", "REG_QWORD", "0x0102030405060708", "q", ""},
    {"HKCU", "Nothing", "REG_NONE", "", "n", ""},
    {"HKCU", "", "REG_SZ", "C:\\default\\gone.exe -s", "C:\\default\\gone.exe", ""},
    {"HKLM", "Bare", "REG_SZ", "gone.exe", "C:\\windows\\system32\\gone.exe", "Yes"},
};

class WineRoundTrip : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!testenv::wineAvailable())
            return;
        const bool booted = g_wine.boot();
        g_wine.waitForServer();
        if (!booted)
            return;
        for (const Planted& v : kValues) {
            if (!g_wine.regAdd(QLatin1String(v.key) + QStringLiteral("\\Software\\VelmoraRoundTrip"),
                               QLatin1String(v.name), QLatin1String(v.data), QLatin1String(v.type))
                     .ok()) {
                ADD_FAILURE() << "wine reg add failed for " << v.name;
                return;
            }
        }
        g_wine.waitForServer();
        g_ready = true;
    }
    static void TearDownTestSuite()
    {
        if (platform::prefixIsOpen())
            platform::closePrefix();
        g_wine.stopServer();
    }
    void SetUp() override
    {
        VELMORA_REQUIRE_WINE();
        ASSERT_TRUE(g_ready) << "the Wine prefix could not be prepared";
    }
};

TEST_F(WineRoundTrip, RestoreGivesBackEveryValueAsItStood)
{
    using namespace engine;
    const QString userBefore = query(kUserKey);
    const QString machineBefore = query(kMachineKey);
    const QString userExport = exported(kUserKey);
    EXPECT_TRUE(userExport.contains(QLatin1String("\"Quad\"=hex(b):08,07,06,05,04,03,02,01"))) << qPrintable(userExport);
    for (const Planted& v : kValues) {
        if (*v.name) {
            ASSERT_TRUE((QLatin1String(v.key) == QLatin1String("HKCU") ? userBefore : machineBefore)
                            .contains(QLatin1String(v.name)))
                << v.name;
        }
    }
    for (const char* type : {"REG_SZ", "REG_EXPAND_SZ", "REG_MULTI_SZ", "REG_BINARY", "REG_DWORD", "REG_QWORD",
                             "REG_NONE", "/background -x"})
        EXPECT_TRUE(userBefore.contains(QLatin1String(type))) << type << "\n" << qPrintable(userBefore);
    if (qEnvironmentVariableIsSet("VELMORA_SHOW_QUERIES"))
        std::fprintf(stderr, "%s\n%s\n", qPrintable(userBefore), qPrintable(machineBefore));

    // Fix: one record per value, then the deletion the fix makes.
    const QString programDir = testenv::makeTempDir(QStringLiteral("program"));
    QDir().mkpath(programDir + QStringLiteral("/Restore"));
    ASSERT_TRUE(platform::openPrefix(g_wine.path()).ok);
    testenv::SeamGuard seams;
    seams.programFolder(programDir);
    const QString backup = NewBackupFilePath();
    for (const Planted& v : kValues) {
        const bool user = QLatin1String(v.key) == QLatin1String("HKCU");
        const HKEY root = user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        ProblemRow row;
        row.MainKey = QString::number(static_cast<qint32>(root));
        row.mainkeyname = user ? QStringLiteral("HKEY_CURRENT_USER") : QStringLiteral("HKEY_LOCAL_MACHINE");
        row.FullKeyPath = QStringLiteral("Software\\VelmoraRoundTrip");
        row.KeyName = *v.name ? QLatin1String(v.name) : QStringLiteral("(Default)");
        row.KeyValue = QLatin1String(v.lookedFor);
        row.DefaultOrNot = QLatin1String(v.bare);
        const QString line = BuildBackupRecord(root, row);
        ASSERT_EQ(line.count(QLatin1Char('^')), 6) << qPrintable(line);
        ASSERT_TRUE(AppendBackupRecord(backup, line));
        if (row.KeyName == QLatin1String("(Default)"))
            WriteRegistryValue(root, row.FullKeyPath, QString(), QString());
        DeleteRegistryValue(root, row.FullKeyPath, row.KeyName);
    }
    ASSERT_TRUE(platform::flushRegistry().ok);
    ASSERT_TRUE(platform::closePrefix().ok);

    const QString userFixed = query(kUserKey);
    const QString machineFixed = query(kMachineKey);
    for (const char* gone : {"Command", "Expand", "Multi", "Binary", "Number", "Quad", "Nothing"})
        EXPECT_FALSE(userFixed.contains(QLatin1String(gone))) << gone << "\n" << qPrintable(userFixed);
    EXPECT_FALSE(userFixed.contains(QLatin1String("gone.exe"))) << qPrintable(userFixed);
    EXPECT_FALSE(machineFixed.contains(QLatin1String("Bare"))) << qPrintable(machineFixed);

    // Restore, in a new session, as the Rescue Center would.
    ASSERT_TRUE(platform::openPrefix(g_wine.path()).ok);
    const RestoreResult result = RestoreBackupFile(backup);
    EXPECT_TRUE(result.readable);
    EXPECT_EQ(result.restored, static_cast<int>(std::size(kValues)));
    EXPECT_EQ(result.failed, 0);
    ASSERT_TRUE(platform::closePrefix().ok);

    EXPECT_EQ(query(kUserKey), userBefore);
    EXPECT_EQ(query(kMachineKey), machineBefore);
    EXPECT_EQ(exported(kUserKey), userExport);
}

}  // namespace
