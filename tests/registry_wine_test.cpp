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

using namespace Qt::StringLiterals;

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
    add(u"Plain"_s, u"C:\\windows\\notepad.exe"_s);
    add(u"Expand"_s, u"%SystemRoot%\\x.dll"_s, u"REG_EXPAND_SZ"_s);
    add(u"Multi"_s, u"one\\0two"_s, u"REG_MULTI_SZ"_s);
    add(u"Num"_s, u"42"_s, u"REG_DWORD"_s);
    add(u"Bin"_s, u"00ff10"_s, u"REG_BINARY"_s);
    add(u""_s, u"default text"_s);
    add(u"name with blanks"_s, u"value with blanks"_s);
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
    EXPECT_EQ(names, QStringList({u""_s, u"Bin"_s, QString::fromLatin1("caf\xe9"), u"Expand"_s, u"Multi"_s, u"name with blanks"_s,
                                  u"Num"_s, u"Plain"_s}));
    RegCloseKey(k);
    QString text;
    EXPECT_TRUE(engine::QueryRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora In"_s, u"Num"_s, text));
    EXPECT_EQ(text, u"42"_s);
    EXPECT_TRUE(engine::QueryRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora In"_s, u"Plain"_s, text));
    EXPECT_EQ(text, u"C:\\windows\\notepad.exe"_s);
    EXPECT_FALSE(engine::QueryRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora In"_s, u"Expand"_s, text));
}

TEST_F(RegistryWine, WhatWeWriteWineSees)
{
    ASSERT_EQ(s_wine.reg({u"add"_s, u"HKCU\\Software\\Velmora Out"_s, u"/v"_s, u"ToDelete"_s, u"/d"_s, u"x"_s, u"/f"_s}).exitCode, 0);
    ASSERT_EQ(s_wine.reg({u"add"_s, u"HKLM\\Software\\Velmora Out"_s, u"/ve"_s, u"/d"_s, u"old default"_s, u"/f"_s}).exitCode, 0);
    s_wine.stopServer();

    ASSERT_TRUE(platform::openPrefix(s_wine.path()).ok);
    engine::SetRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora Out\\Deep"_s, u"Path"_s, u"C:\\x y\\z.exe"_s, REG_SZ);
    engine::WriteRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora Out\\Deep"_s, u"Count"_s, u"42"_s);
    engine::CreateRegistryKey(HKEY_CURRENT_USER, u"Software\\Velmora Out\\Empty\\Leaf"_s);
    engine::DeleteRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora Out"_s, u"ToDelete"_s);
    engine::SetRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora Out"_s, QString::fromUtf8("Cr\u00e8me"),
                             QString::fromUtf8("\u00e9t\u00e9"), REG_SZ);
    // The fix empties then deletes a default value.
    engine::WriteRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Velmora Out"_s, u""_s, u""_s);
    engine::DeleteRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Velmora Out"_s, u""_s);
    engine::SetRegistryValue(HKEY_CLASSES_ROOT, u".velmoratest"_s, u""_s, u"velmorafile"_s, REG_SZ);
    const platform::PrefixError closed = platform::closePrefix();
    ASSERT_TRUE(closed.ok) << closed.message.toStdString();

    const testenv::WineResult deep = s_wine.reg({u"query"_s, u"HKCU\\Software\\Velmora Out\\Deep"_s});
    EXPECT_EQ(deep.exitCode, 0);
    EXPECT_TRUE(deep.out.contains("Path    REG_SZ    C:\\x y\\z.exe")) << deep.out.toStdString();
    EXPECT_TRUE(deep.out.contains("Count    REG_DWORD    0x2a")) << deep.out.toStdString();
    EXPECT_EQ(s_wine.reg({u"query"_s, u"HKCU\\Software\\Velmora Out\\Empty\\Leaf"_s}).exitCode, 0);
    EXPECT_NE(s_wine.reg({u"query"_s, u"HKCU\\Software\\Velmora Out"_s, u"/v"_s, u"ToDelete"_s}).exitCode, 0);
    EXPECT_FALSE(s_wine.reg({u"query"_s, u"HKLM\\Software\\Velmora Out"_s, u"/ve"_s}).out.contains("old default"));
    const testenv::WineResult cls = s_wine.reg({u"query"_s, u"HKLM\\Software\\Classes\\.velmoratest"_s, u"/ve"_s});
    EXPECT_TRUE(cls.out.contains("velmorafile")) << cls.out.toStdString();
    EXPECT_TRUE(exportKey(s_wine, u"HKCU\\Software\\Velmora Out"_s)
                    .contains(QString::fromUtf8("\"Cr\u00e8me\"=\"\u00e9t\u00e9\"")));
    s_wine.stopServer();
}

TEST_F(RegistryWine, NothingChangesWhileAServerRuns)
{
    ASSERT_EQ(s_wine.run(u"wineserver"_s, {u"-p"_s}).exitCode, 0);
    const platform::PrefixError refused = platform::openPrefix(s_wine.path());
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.message.contains(u"wineserver -k"_s)) << refused.message.toStdString();
    EXPECT_FALSE(platform::prefixIsOpen());
    s_wine.stopServer();

    ASSERT_TRUE(platform::openPrefix(s_wine.path()).ok);
    const QByteArray before = readFile(QDir(s_wine.path()).filePath(u"user.reg"_s));
    engine::SetRegistryValue(HKEY_CURRENT_USER, u"Software\\Velmora Late"_s, u"v"_s, u"1"_s, REG_SZ);
    ASSERT_EQ(s_wine.run(u"wineserver"_s, {u"-p"_s}).exitCode, 0);
    const platform::PrefixError saved = platform::flushRegistry();
    EXPECT_FALSE(saved.ok);
    EXPECT_TRUE(saved.message.contains(u"wineserver -k"_s)) << saved.message.toStdString();
    EXPECT_EQ(readFile(QDir(s_wine.path()).filePath(u"user.reg"_s)), before);
    s_wine.stopServer();
    // Once the server is gone the same change is saved.
    ASSERT_TRUE(platform::flushRegistry().ok);
    EXPECT_TRUE(readFile(QDir(s_wine.path()).filePath(u"user.reg"_s)).contains("[Software\\\\Velmora Late]"));
}

}  // namespace
