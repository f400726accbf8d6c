// The registry layer against real Wine: the files of a prefix made by
// wineboot come back byte for byte, what `wine reg add` wrote reads back
// through our functions, what we write `wine reg query` sees, and nothing is
// changed while a wineserver runs for the prefix.
#include "engine/registryaccess.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/winreg.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringDecoder>

namespace {

const char* const kFiles[] = {"system.reg", "user.reg", "userdef.reg"};

struct ProcResult {
    int code = -1;
    QByteArray out;
};

ProcResult runIn(const QString& prefix, const QString& program, const QStringList& args, int timeoutMs = 120000)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(program, args);
    ProcResult r;
    if (!p.waitForStarted(30000))
        return r;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    return r;
}

// Stops the server of this prefix only (it saves the registry first).
void stopServer(const QString& prefix)
{
    runIn(prefix, QStringLiteral("wineserver"), {QStringLiteral("-k")});
    runIn(prefix, QStringLiteral("wineserver"), {QStringLiteral("-w")});
}

ProcResult reg(const QString& prefix, const QStringList& args)
{
    return runIn(prefix, QStringLiteral("wine"), QStringList{QStringLiteral("reg")} + args);
}

QByteArray readFile(const QString& path)
{
    return testenv::readFile(path);
}

QString copyPrefixFiles(const QString& from, const QString& tag)
{
    const QString dir = testenv::makeTempDir(tag);
    for (const char* f : kFiles)
        QFile::copy(QDir(from).filePath(QLatin1String(f)), QDir(dir).filePath(QLatin1String(f)));
    return dir;
}

class RegistryWine : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!testenv::wineAvailable())
            return;
        s_prefix = testenv::makeTempDir(QStringLiteral("wineprefix"));
        const ProcResult boot = runIn(s_prefix, QStringLiteral("wine"), {QStringLiteral("wineboot"), QStringLiteral("-i")}, 240000);
        stopServer(s_prefix);
        s_ready = boot.code == 0 && QFile::exists(QDir(s_prefix).filePath(QStringLiteral("system.reg")));
        for (const char* f : kFiles)
            s_fresh[f] = readFile(QDir(s_prefix).filePath(QLatin1String(f)));
    }
    static void TearDownTestSuite()
    {
        platform::closePrefix();
        if (!s_prefix.isEmpty())
            stopServer(s_prefix);
    }
    void SetUp() override
    {
        if (!testenv::wineAvailable()) {
            if (qEnvironmentVariable("CI") == QLatin1String("true"))
                FAIL() << "Wine is not installed";
            GTEST_SKIP() << "Wine is not installed";
        }
        ASSERT_TRUE(s_ready) << "wineboot -i did not make a prefix";
    }
    void TearDown() override { platform::closePrefix(); }

    static inline QString s_prefix;
    static inline bool s_ready = false;
    static inline std::map<std::string, QByteArray> s_fresh;
};

TEST_F(RegistryWine, FreshPrefixComesBackByteForByte)
{
    const QString dir = copyPrefixFiles(s_prefix, QStringLiteral("roundtrip"));
    ASSERT_TRUE(platform::openPrefix(dir).ok);
    // Unchanged: nothing is written at all.
    ASSERT_TRUE(platform::flushRegistry().ok);
    // Every key block rewritten by our writer gives Wine's own bytes.
    platform::registry::markAllKeysChanged();
    const platform::PrefixError saved = platform::flushRegistry();
    ASSERT_TRUE(saved.ok) << saved.message.toStdString();
    ASSERT_TRUE(platform::closePrefix().ok);
    for (const char* f : kFiles) {
        const QByteArray now = readFile(QDir(dir).filePath(QLatin1String(f)));
        EXPECT_EQ(now.size(), s_fresh[f].size()) << f;
        EXPECT_TRUE(now == s_fresh[f]) << f << " differs from what Wine wrote";
    }
}

TEST_F(RegistryWine, ChangeRewritesOnlyItsOwnBlock)
{
    const QString dir = copyPrefixFiles(s_prefix, QStringLiteral("oneblock"));
    ASSERT_TRUE(platform::openPrefix(dir).ok);
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"),
                             QStringLiteral("Velmora"), QStringLiteral("\"Z:\\opt\\velmora.exe\" ShowError"), REG_SZ);
    ASSERT_TRUE(platform::closePrefix().ok);
    const QList<QByteArray> before = s_fresh["system.reg"].split('\n');
    const QList<QByteArray> after = readFile(QDir(dir).filePath(QStringLiteral("system.reg"))).split('\n');
    ASSERT_EQ(after.size(), before.size() + 1);
    qsizetype at = -1;
    for (qsizetype i = 0; i < before.size() && at < 0; ++i) {
        if (before[i].startsWith("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run] "))
            at = i;
    }
    ASSERT_GE(at, 0);
    // Everything but the key's own time and its new value line is as it was.
    for (qsizetype i = 0; i < at; ++i)
        ASSERT_EQ(after[i], before[i]) << "line " << i + 1;
    EXPECT_TRUE(after[at].startsWith("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run] "));
    EXPECT_TRUE(after[at + 1].startsWith("#time="));
    EXPECT_EQ(after[at + 2], QByteArray("\"Velmora\"=\"\\\"Z:\\\\opt\\\\velmora.exe\\\" ShowError\""));
    for (qsizetype i = at + 2; i < before.size(); ++i)
        ASSERT_EQ(after[i + 1], before[i]) << "line " << i + 1;
}

}  // namespace
