// The registry layer against real Wine: the files of a prefix made by
// wineboot come back byte for byte, what `wine reg add` wrote reads back
// through our functions, what we write `wine reg query` sees, and nothing is
// changed while a wineserver runs for the prefix.
#include "engine/registryaccess.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/registrytesting.h"
#include "platform/winreg.h"
#include "tests/support/testenv.h"
#include "tests/support/wineprefix.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

const char* const kFiles[] = {"system.reg", "user.reg", "userdef.reg"};

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
QString exportKey(const testenv::WinePrefix& wine, const QString& key)
{
    auto decode = QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
    return decode(wine.regExport(key));
}

class RegistryWine : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!testenv::wineAvailable())
            return;
        const bool booted = s_wine.boot();
        s_wine.stopServer();
        s_ready = booted && QFile::exists(QDir(s_wine.path()).filePath(QStringLiteral("system.reg")));
        for (const char* f : kFiles)
            s_fresh[f] = readFile(QDir(s_wine.path()).filePath(QLatin1String(f)));
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
        s_wine.stopServer();
    }
    void SetUp() override
    {
        VELMORA_REQUIRE_WINE();
        ASSERT_TRUE(s_ready) << "wineboot -i did not make a prefix";
    }
    void TearDown() override { platform::closePrefix(); }

    static inline testenv::WinePrefix s_wine;
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
    auto add = [&](const QString& name, const QString& data, const QString& type = QString()) {
        ASSERT_EQ(s_wine.regAdd(key, name, data, type).exitCode, 0) << name.toStdString();
    };
    add("Plain", "C:\\windows\\notepad.exe");
    add("Expand", "%SystemRoot%\\x.dll", "REG_EXPAND_SZ");
    add("Multi", "one\\0two", "REG_MULTI_SZ");
    add("Num", "42", "REG_DWORD");
    add("Bin", "00ff10", "REG_BINARY");
    add("", "default text");
    add("name with blanks", "value with blanks");
    add(QString::fromUtf8("caf\u00e9"), QString::fromUtf8("cr\u00e8me \u03a9"));
    s_wine.stopServer();

    ASSERT_TRUE(platform::openPrefix(s_wine.path()).ok);
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
    ASSERT_EQ(s_wine.reg({"add", "HKCU\\Software\\Velmora Out", "/v", "ToDelete", "/d", "x", "/f"}).exitCode, 0);
    ASSERT_EQ(s_wine.reg({"add", "HKLM\\Software\\Velmora Out", "/ve", "/d", "old default", "/f"}).exitCode, 0);
    s_wine.stopServer();

    ASSERT_TRUE(platform::openPrefix(s_wine.path()).ok);
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

    const testenv::WineResult deep = s_wine.reg({"query", "HKCU\\Software\\Velmora Out\\Deep"});
    EXPECT_EQ(deep.exitCode, 0);
    EXPECT_TRUE(deep.out.contains("Path    REG_SZ    C:\\x y\\z.exe")) << deep.out.toStdString();
    EXPECT_TRUE(deep.out.contains("Count    REG_DWORD    0x2a")) << deep.out.toStdString();
    EXPECT_EQ(s_wine.reg({"query", "HKCU\\Software\\Velmora Out\\Empty\\Leaf"}).exitCode, 0);
    EXPECT_NE(s_wine.reg({"query", "HKCU\\Software\\Velmora Out", "/v", "ToDelete"}).exitCode, 0);
    EXPECT_FALSE(s_wine.reg({"query", "HKLM\\Software\\Velmora Out", "/ve"}).out.contains("old default"));
    const testenv::WineResult cls = s_wine.reg({"query", "HKLM\\Software\\Classes\\.velmoratest", "/ve"});
    EXPECT_TRUE(cls.out.contains("velmorafile")) << cls.out.toStdString();
    EXPECT_TRUE(exportKey(s_wine, "HKCU\\Software\\Velmora Out").contains(QString::fromUtf8("\"Cr\u00e8me\"=\"\u00e9t\u00e9\"")));
    s_wine.stopServer();
}

TEST_F(RegistryWine, NothingChangesWhileAServerRuns)
{
    ASSERT_EQ(s_wine.run("wineserver", {"-p"}).exitCode, 0);
    const platform::PrefixError refused = platform::openPrefix(s_wine.path());
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.message.contains("wineserver -k")) << refused.message.toStdString();
    EXPECT_FALSE(platform::prefixIsOpen());
    s_wine.stopServer();

    ASSERT_TRUE(platform::openPrefix(s_wine.path()).ok);
    const QByteArray before = readFile(QDir(s_wine.path()).filePath("user.reg"));
    engine::SetRegistryValue(HKEY_CURRENT_USER, "Software\\Velmora Late", "v", "1", REG_SZ);
    ASSERT_EQ(s_wine.run("wineserver", {"-p"}).exitCode, 0);
    const platform::PrefixError saved = platform::flushRegistry();
    EXPECT_FALSE(saved.ok);
    EXPECT_TRUE(saved.message.contains("wineserver -k")) << saved.message.toStdString();
    EXPECT_EQ(readFile(QDir(s_wine.path()).filePath("user.reg")), before);
    s_wine.stopServer();
    // Once the server is gone the same change is saved.
    ASSERT_TRUE(platform::flushRegistry().ok);
    EXPECT_TRUE(readFile(QDir(s_wine.path()).filePath("user.reg")).contains("[Software\\\\Velmora Late]"));
}

}  // namespace
