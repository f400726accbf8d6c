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

HKEY openKey(HKEY root, const char* path)
{
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExA(root, path, 0, KEY_READ, &key), ERROR_SUCCESS) << path;
    return key;
}

QByteArray queryRaw(HKEY key, const char* name, DWORD* type)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
        return "<missing>";
    QByteArray data(size, '\0');
    EXPECT_EQ(RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size), ERROR_SUCCESS);
    return data;
}

// `reg export` writes UTF-16: the one way to see non-ASCII text as Wine has it.
QString exportKey(const QString& prefix, const QString& key)
{
    const QString file = testenv::makeTempDir(QStringLiteral("export")) + QStringLiteral("/out.reg");
    const QString winFile = QStringLiteral("Z:") + QString(file).replace(QLatin1Char('/'), QLatin1Char('\\'));
    reg(prefix, {QStringLiteral("export"), key, winFile, QStringLiteral("/y")});
    QByteArray bytes = testenv::readFile(file);
    auto decode = QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
    return decode(bytes);
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
    // The fresh files, in a folder of their own (no server is ever started there).
    static QString freshCopy(const QString& tag)
    {
        const QString dir = testenv::makeTempDir(tag);
        for (const char* f : kFiles)
            testenv::writeFile(QDir(dir).filePath(QLatin1String(f)), s_fresh[f]);
        return dir;
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
    const QString dir = freshCopy(QStringLiteral("roundtrip"));
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
    const QString dir = freshCopy(QStringLiteral("oneblock"));
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

TEST_F(RegistryWine, WhatWineWroteReadsBackThroughOurFunctions)
{
    const QString key = QStringLiteral("HKCU\\Software\\Velmora In");
    auto add = [&](const QStringList& args) {
        ASSERT_EQ(reg(s_prefix, QStringList{QStringLiteral("add"), key} + args + QStringList{QStringLiteral("/f")}).code, 0)
            << args.join(QLatin1Char(' ')).toStdString();
    };
    add({"/v", "Plain", "/d", "C:\\windows\\notepad.exe"});
    add({"/v", "Expand", "/t", "REG_EXPAND_SZ", "/d", "%SystemRoot%\\x.dll"});
    add({"/v", "Multi", "/t", "REG_MULTI_SZ", "/d", "one\\0two"});
    add({"/v", "Num", "/t", "REG_DWORD", "/d", "42"});
    add({"/v", "Bin", "/t", "REG_BINARY", "/d", "00ff10"});
    add({"/ve", "/d", "default text"});
    add({"/v", "name with blanks", "/d", "value with blanks"});
    add({"/v", QString::fromUtf8("caf\u00e9"), "/d", QString::fromUtf8("cr\u00e8me \u03a9")});
    stopServer(s_prefix);

    ASSERT_TRUE(platform::openPrefix(s_prefix).ok);
    const HKEY k = openKey(HKEY_CURRENT_USER, "SOFTWARE\\VELMORA IN");
    struct Expect {
        const char* name;
        DWORD type;
        QByteArray data;
    };
    const Expect table[] = {
        {"Plain", REG_SZ, QByteArray("C:\\windows\\notepad.exe", 23)},
        {"Expand", REG_EXPAND_SZ, QByteArray("%SystemRoot%\\x.dll", 19)},
        {"Multi", REG_MULTI_SZ, QByteArray("one\0two\0", 9)},
        {"Num", REG_DWORD, QByteArray("\x2a\0\0\0", 4)},
        {"Bin", REG_BINARY, QByteArray("\x00\xff\x10", 3)},
        {"", REG_SZ, QByteArray("default text", 13)},
        {"name with blanks", REG_SZ, QByteArray("value with blanks", 18)},
        {"caf\xe9", REG_SZ, QByteArray("cr\xe8me ?", 8)},
    };
    for (const Expect& e : table) {
        DWORD type = 0;
        EXPECT_EQ(queryRaw(k, e.name, &type), e.data) << e.name;
        EXPECT_EQ(type, e.type) << e.name;
    }
    // Wine's order: the default value first, then by lower-cased name.
    QStringList names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumValueA(k, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names << QString::fromLatin1(name, size);
    }
    EXPECT_EQ(names, QStringList({"", "Bin", QString::fromLatin1("caf\xe9"), "Expand", "Multi", "name with blanks",
                                  "Num", "Plain"}));
    RegCloseKey(k);
    QString text;
    EXPECT_TRUE(engine::QueryRegistryValue(HKEY_CURRENT_USER, "Software\\Velmora In", "Num", text));
    EXPECT_EQ(text, "42");
    EXPECT_TRUE(engine::QueryRegistryValue(HKEY_CURRENT_USER, "Software\\Velmora In", "Plain", text));
    EXPECT_EQ(text, "C:\\windows\\notepad.exe");
    EXPECT_FALSE(engine::QueryRegistryValue(HKEY_CURRENT_USER, "Software\\Velmora In", "Expand", text));
}

TEST_F(RegistryWine, WhatWeWriteWineSees)
{
    ASSERT_EQ(reg(s_prefix, {"add", "HKCU\\Software\\Velmora Out", "/v", "ToDelete", "/d", "x", "/f"}).code, 0);
    ASSERT_EQ(reg(s_prefix, {"add", "HKLM\\Software\\Velmora Out", "/ve", "/d", "old default", "/f"}).code, 0);
    stopServer(s_prefix);

    ASSERT_TRUE(platform::openPrefix(s_prefix).ok);
    engine::SetRegistryValue(HKEY_CURRENT_USER, "Software\\Velmora Out\\Deep", "Path", "C:\\x y\\z.exe", REG_SZ);
    engine::WriteRegistryValue(HKEY_CURRENT_USER, "Software\\Velmora Out\\Deep", "Count", "42");
    engine::CreateRegistryKey(HKEY_CURRENT_USER, "Software\\Velmora Out\\Empty\\Leaf");
    engine::DeleteRegistryValue(HKEY_CURRENT_USER, "Software\\Velmora Out", "ToDelete");
    engine::SetRegistryValue(HKEY_CURRENT_USER, "Software\\Velmora Out", QString::fromUtf8("Cr\u00e8me"),
                             QString::fromUtf8("\u00e9t\u00e9"), REG_SZ);
    // The fix empties then deletes a default value.
    engine::WriteRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Velmora Out", "", "");
    engine::DeleteRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Velmora Out", "");
    engine::SetRegistryValue(HKEY_CLASSES_ROOT, ".velmoratest", "", "velmorafile", REG_SZ);
    const platform::PrefixError closed = platform::closePrefix();
    ASSERT_TRUE(closed.ok) << closed.message.toStdString();

    const ProcResult deep = reg(s_prefix, {"query", "HKCU\\Software\\Velmora Out\\Deep"});
    EXPECT_EQ(deep.code, 0);
    EXPECT_TRUE(deep.out.contains("Path    REG_SZ    C:\\x y\\z.exe")) << deep.out.toStdString();
    EXPECT_TRUE(deep.out.contains("Count    REG_DWORD    0x2a")) << deep.out.toStdString();
    EXPECT_EQ(reg(s_prefix, {"query", "HKCU\\Software\\Velmora Out\\Empty\\Leaf"}).code, 0);
    EXPECT_NE(reg(s_prefix, {"query", "HKCU\\Software\\Velmora Out", "/v", "ToDelete"}).code, 0);
    EXPECT_FALSE(reg(s_prefix, {"query", "HKLM\\Software\\Velmora Out", "/ve"}).out.contains("old default"));
    const ProcResult cls = reg(s_prefix, {"query", "HKLM\\Software\\Classes\\.velmoratest", "/ve"});
    EXPECT_TRUE(cls.out.contains("velmorafile")) << cls.out.toStdString();
    EXPECT_TRUE(exportKey(s_prefix, "HKCU\\Software\\Velmora Out").contains(QString::fromUtf8("\"Cr\u00e8me\"=\"\u00e9t\u00e9\"")));
    stopServer(s_prefix);
}

TEST_F(RegistryWine, NothingChangesWhileAServerRuns)
{
    ASSERT_EQ(runIn(s_prefix, "wineserver", {"-p"}).code, 0);
    const platform::PrefixError refused = platform::openPrefix(s_prefix);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.message.contains("wineserver -k")) << refused.message.toStdString();
    EXPECT_FALSE(platform::prefixIsOpen());
    stopServer(s_prefix);

    ASSERT_TRUE(platform::openPrefix(s_prefix).ok);
    const QByteArray before = readFile(QDir(s_prefix).filePath("user.reg"));
    engine::SetRegistryValue(HKEY_CURRENT_USER, "Software\\Velmora Late", "v", "1", REG_SZ);
    ASSERT_EQ(runIn(s_prefix, "wineserver", {"-p"}).code, 0);
    const platform::PrefixError saved = platform::flushRegistry();
    EXPECT_FALSE(saved.ok);
    EXPECT_TRUE(saved.message.contains("wineserver -k")) << saved.message.toStdString();
    EXPECT_EQ(readFile(QDir(s_prefix).filePath("user.reg")), before);
    stopServer(s_prefix);
    // Once the server is gone the same change is saved.
    ASSERT_TRUE(platform::flushRegistry().ok);
    EXPECT_TRUE(readFile(QDir(s_prefix).filePath("user.reg")).contains("[Software\\\\Velmora Late]"));
}

}  // namespace
