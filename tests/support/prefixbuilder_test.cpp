// The prefix builder writes Wine's text format byte for byte, and the
// program reads back what was put in.
#include "platform/prefix.h"
#include "platform/registry.h"
#include "tests/support/prefixbuilder.h"
#include "tests/support/printto.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QFileInfo>

using namespace Qt::StringLiterals;

using testenv::Hive;
using testenv::PrefixBuilder;

TEST(PrefixBuilder, EscapesStringsAsWineDoes)
{
    EXPECT_EQ(testenv::escapeRegString(QStringLiteral("C:\\a \"b\"")), "C:\\\\a \\\"b\\\"");
    EXPECT_EQ(testenv::escapeRegString(QString::fromUtf8("caf\xc3\xa9 x")), "caf\\xe9 x");
    EXPECT_EQ(testenv::escapeRegString(QString::fromUtf8("\xc3\xa9" "a")), "\\x00e9a");
    EXPECT_EQ(testenv::escapeRegString(QString(QChar(0x65e5))), "\\x65e5");
    EXPECT_EQ(testenv::escapeRegString(QStringLiteral("\a\b\t\n\v\f\r\x1b|\x7f")), "\\a\\b\\t\\n\\v\\f\\r\\e|\x7f");
    EXPECT_EQ(testenv::escapeRegString(QStringLiteral("\x01x\x02" "5")), "\\1x\\0025");
    EXPECT_EQ(testenv::escapeRegKeyName(QStringLiteral("Key]With[Brackets \"q\"")), "Key\\]With\\[Brackets \"q\"");
}

TEST(PrefixBuilder, WritesKeysAndValuesInWineFormat)
{
    PrefixBuilder b;
    b.system(QStringLiteral("Software\\Types"))
        .sz({}, QStringLiteral("def"))
        .sz(QStringLiteral("sz"), QStringLiteral("C:\\a.dll"))
        .expand(QStringLiteral("ex"), QStringLiteral("%SystemRoot%\\b.dll"))
        .multi(QStringLiteral("multi"), {QStringLiteral("one"), QStringLiteral("two")})
        .dword(QStringLiteral("dw"), 0x2a)
        .binary(QStringLiteral("bin"), QByteArray("A\0", 2))
        .hex(QStringLiteral("qw"), 0xb, QByteArray("\x01\0\0\0\0\0\0\0", 8));
    b.keyTime(1796903249).system(QStringLiteral("Software\\Empty"));
    EXPECT_EQ(b.text(Hive::System),
              "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n"
              "\n[Software\\\\Types] 1700000000\n#time=1da1747c66d0000\n"
              "@=\"def\"\n\"sz\"=\"C:\\\\a.dll\"\n\"ex\"=str(2):\"%SystemRoot%\\\\b.dll\"\n"
              "\"multi\"=str(7):\"one\\0two\\0\"\n\"dw\"=dword:0000002a\n\"bin\"=hex:41,00\n"
              "\"qw\"=hex(b):01,00,00,00,00,00,00,00\n"
              "\n[Software\\\\Empty] 1796903249\n#time=1dd889c3bc49e80\n");
    EXPECT_EQ(b.text(Hive::User),
              "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
              "#arch=win64\n");
    EXPECT_EQ(b.text(Hive::UserDefault),
              "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\.Default\n\n#arch=win64\n");
}

TEST(PrefixBuilder, WrapsLongHexLinesAsWineDoes)
{
    PrefixBuilder b;
    b.system(QStringLiteral("K")).binary(QStringLiteral("DigitalProductId"), QByteArray(30, '\0'));
    EXPECT_TRUE(b.text(Hive::System)
                    .endsWith("\"DigitalProductId\"=hex:00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,\\\n"
                              "  00,00,00,00,00,00,00,00,00,00,00,00\n"));
}

TEST(PrefixBuilder, LinkKeys)
{
    PrefixBuilder b;
    b.system(QStringLiteral("Software\\Wow6432Node\\Types")).link(QStringLiteral("\\R"));
    EXPECT_TRUE(b.text(Hive::System)
                    .endsWith("#time=1da1747c66d0000\n#link\n\"SymbolicLinkValue\"=hex(6):5c,00,52,00\n"));
}

TEST(PrefixBuilder, OnlyTheHivesAskedForAreWritten)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("builder-hives"));
    PrefixBuilder b;
    b.user(QStringLiteral("Software"));
    ASSERT_TRUE(b.write(dir));
    EXPECT_TRUE(QFileInfo::exists(dir + u"/user.reg"_s));
    EXPECT_FALSE(QFileInfo::exists(dir + u"/system.reg"_s));
    EXPECT_FALSE(QFileInfo::exists(dir + u"/userdef.reg"_s));
    EXPECT_FALSE(QFileInfo::exists(dir + u"/dosdevices"_s));
}

TEST(PrefixBuilder, TheProgramReadsBackWhatWasPut)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("builder-read"));
    const QString odd = QString::fromUtf8("caf\xc3\xa9 \"q\" \\ \t[x]");
    PrefixBuilder b;
    b.system(QStringLiteral("Software\\Odd]Key[") + QChar(0xe9))
        .sz(odd, odd)
        .multi(QStringLiteral("m"), {QStringLiteral("a"), QStringLiteral("7")})
        .binary(QStringLiteral("long"), QByteArray(100, '\x7f'));
    b.user(QStringLiteral("Software\\Velmora")).dword(QStringLiteral("d"), 0xffffffffu);
    b.hive(Hive::UserDefault).drive(QStringLiteral("c:"), QStringLiteral("../drive_c"));
    b.file(QStringLiteral("drive_c/windows/system32/a.dll"));
    ASSERT_TRUE(b.write(dir));
    EXPECT_EQ(QFileInfo(dir + u"/dosdevices/c:"_s).symLinkTarget(), QFileInfo(dir + u"/drive_c"_s).absoluteFilePath());
    EXPECT_TRUE(QFileInfo::exists(dir + u"/dosdevices/c:/windows/system32/a.dll"_s));
    ASSERT_TRUE(platform::openPrefix(dir).ok);

    auto read = [](const QString& path, const QString& name, DWORD* type) {
        platform::registry::Key* key = nullptr;
        if (platform::registry::walk(platform::registry::registryRoot(), path.split(u'\\'), false, &key)
            != ERROR_SUCCESS)
            return QByteArray("<no key>");
        const platform::registry::Value* v = platform::registry::findValue(key, name);
        if (!v)
            return QByteArray("<no value>");
        *type = v->type;
        return v->data;
    };
    auto utf16z = [](const QString& s) {
        return QByteArray(reinterpret_cast<const char*>(s.utf16()), (s.size() + 1) * 2);
    };
    DWORD type = 0;
    const QString machine = QStringLiteral("Machine\\Software\\Odd]Key[") + QChar(0xe9);
    EXPECT_EQ(read(machine, odd, &type), utf16z(odd));
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(read(machine, QStringLiteral("m"), &type), QByteArray("a\0\0\0" "7\0\0\0\0\0", 10));
    EXPECT_EQ(type, DWORD(REG_MULTI_SZ));
    EXPECT_EQ(read(machine, QStringLiteral("long"), &type), QByteArray(100, '\x7f'));
    EXPECT_EQ(type, DWORD(REG_BINARY));
    EXPECT_EQ(read(QStringLiteral("User\\S-1-5-21-0-0-0-1000\\Software\\Velmora"), QStringLiteral("d"), &type),
              QByteArray("\xff\xff\xff\xff", 4));
    EXPECT_EQ(type, DWORD(REG_DWORD));
    platform::closePrefix();
}
