// The key handle, the value reader with its two NUL rules, and the result
// codes of the engine's registry writers, over a small hand-made prefix.
#include "engine/registryaccess.h"
#include "engine/scanwalk.h"
#include "platform/prefix.h"
#include "platform/regkey.h"
#include "platform/winreg.h"
#include "tests/support/prefixbuilder.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QVariant>

#include <utility>

using platform::RegKey;
using platform::RegNul;
using namespace Qt::StringLiterals;

namespace {

testenv::PrefixBuilder textsRegistry()
{
    testenv::PrefixBuilder b;
    b.system(u"Software\\Texts"_s)
        .sz(u"sz"_s, u"C:\\a.dll"_s)
        .sz(u"emptysz"_s, u""_s)
        .hex(u"embedded"_s, 0x1, QByteArray::fromHex("6100000062000000"))
        .hex(u"nonul"_s, 0x1, QByteArray::fromHex("61006200"))
        .hex(u"empty"_s, 0x1, QByteArray())
        .multi(u"multi"_s, {u"one"_s, u"two"_s})
        .expand(u"expand"_s, u"%SystemRoot%\\b.dll"_s)
        .dword(u"dw"_s, 0xffffffff)
        .hex(u"shortdw"_s, 0x4, QByteArray::fromHex("2a"))
        .hex(u"longdw"_s, 0x4, QByteArray::fromHex("0100000000"))
        .binary(u"bin"_s, QByteArray::fromHex("4100"));
    b.user(u"Software\\Velmora"_s);
    return b;
}

class EngineRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString dir = testenv::makeTempDir(QStringLiteral("engine-registry"));
        ASSERT_TRUE(textsRegistry().write(dir));
        const platform::PrefixError e = platform::openPrefix(dir);
        ASSERT_TRUE(e.ok) << e.message.toStdString();
    }
    void TearDown() override { platform::closePrefix(); }
};

TEST_F(EngineRegistry, KeyHandleClosesItselfAndMovesOnlyOnce)
{
    HKEY handle = 0;
    {
        RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, u"Software\\Texts"_s, KEY_READ);
        ASSERT_TRUE(key.ok());
        handle = key.handle();
        EXPECT_NE(platform::RegKeyIdentity(handle), 0u);

        RegKey moved = std::move(key);
        EXPECT_FALSE(key.ok());
        EXPECT_EQ(key.handle(), 0u);
        EXPECT_EQ(moved.handle(), handle);
        EXPECT_NE(platform::RegKeyIdentity(handle), 0u);  // still open: moved, not closed
    }
    EXPECT_EQ(platform::RegKeyIdentity(handle), 0u);

    const RegKey missing = RegKey::open(HKEY_LOCAL_MACHINE, u"Software\\Nowhere"_s, KEY_READ);
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.result(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing.handle(), 0u);

    // A key directly under HKEY_USERS lies in no registry file: not made.
    EXPECT_EQ(RegKey::create(HKEY_USERS, u"Velmora"_s, KEY_ALL_ACCESS).result(), ERROR_ACCESS_DENIED);
    DWORD how = 0;
    EXPECT_TRUE(RegKey::create(HKEY_LOCAL_MACHINE, u"Software\\Made"_s, KEY_ALL_ACCESS, &how).ok());
    EXPECT_EQ(how, REG_CREATED_NEW_KEY);

    // An empty path gives the root itself back, which is left open.
    const RegKey software = RegKey::open(HKEY_LOCAL_MACHINE, u"Software"_s, KEY_READ);
    {
        const RegKey same = RegKey::openDefault(software.handle(), u""_s);
        EXPECT_TRUE(same.ok());
        EXPECT_EQ(same.handle(), software.handle());
    }
    EXPECT_NE(platform::RegKeyIdentity(software.handle()), 0u);
}

TEST_F(EngineRegistry, StringsEndWhereEachReaderSays)
{
    constexpr LONG kOtherType = -1;
    const struct {
        const char* name;
        const char* walkText;   // GetValueAsString: up to the first NUL
        LONG queryCode;         // QueryValueEx
        QVariant queryValue;    // only a terminating NUL dropped
    } cases[] = {
        {"sz", "C:\\a.dll", 0, u"C:\\a.dll"_s},
        {"emptysz", "", 0, u""_s},
        {"embedded", "a", 0, QString::fromLatin1("a\0b", 3)},
        {"nonul", "ab", 0, u"ab"_s},
        {"empty", "", 0, u""_s},
        {"multi", "one", kOtherType, {}},
        {"expand", "", kOtherType, {}},
        {"dw", "-1", 0, -1},
        {"shortdw", "42", 0, 42},
        {"longdw", "", ERROR_MORE_DATA, {}},
        {"bin", "", kOtherType, {}},
        {"missing", "", ERROR_FILE_NOT_FOUND, {}},
    };
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, u"Software\\Texts"_s, KEY_READ);
    ASSERT_TRUE(key.ok());
    for (const auto& c : cases) {
        EXPECT_EQ(engine::GetValueAsString(key.handle(), QString::fromLatin1(c.name)), QString::fromLatin1(c.walkText)) << c.name;
        QVariant out;
        EXPECT_EQ(engine::QueryValueEx(key.handle(), QString::fromLatin1(c.name), out), c.queryCode) << c.name;
        if (c.queryCode == 0) {
            EXPECT_EQ(out, c.queryValue) << c.name;
        }
    }

    // The reader itself: its two rules, and the types it takes.
    EXPECT_EQ(platform::readRegString(key.handle(), u"embedded"_s, RegNul::FirstNul), u"a"_s);
    EXPECT_EQ(platform::readRegString(key.handle(), u"embedded"_s, RegNul::TerminatingNul),
              QString::fromLatin1("a\0b", 3));
    EXPECT_EQ(platform::readRegString(key.handle(), u"multi"_s, RegNul::TerminatingNul, {REG_MULTI_SZ}),
              QString::fromLatin1("one\0two\0", 8));
    EXPECT_EQ(platform::readRegString(key.handle(), u"expand"_s, RegNul::FirstNul), u"%SystemRoot%\\b.dll"_s);
    EXPECT_EQ(platform::readRegString(key.handle(), u"expand"_s, RegNul::FirstNul, {REG_SZ}), std::nullopt);
    EXPECT_EQ(platform::readRegString(key.handle(), u"dw"_s, RegNul::FirstNul), std::nullopt);
    const platform::RegValue dw = platform::readRegValue(key.handle(), u"dw"_s);
    EXPECT_TRUE(dw.ok());
    EXPECT_EQ(dw.type, REG_DWORD);
    EXPECT_EQ(dw.data, QByteArray("\xff\xff\xff\xff", 4));
    EXPECT_EQ(platform::readRegValue(key.handle(), u"missing"_s).result, ERROR_FILE_NOT_FOUND);
}

TEST_F(EngineRegistry, WritersTellWhetherTheyWrote)
{
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const QString texts = u"Software\\Texts"_s;
    const struct {
        const char* what;
        LONG got;
        LONG expected;
    } cases[] = {
        {"write into an existing key", engine::WriteRegistryValue(lm, texts, u"w"_s, u"C:\\x.exe"_s), ERROR_SUCCESS},
        {"write a number", engine::WriteRegistryValue(lm, texts, u"n"_s, u"42"_s), ERROR_SUCCESS},
        {"write into a missing key", engine::WriteRegistryValue(lm, u"Software\\Nowhere"_s, u"w"_s, u"x"_s),
         ERROR_FILE_NOT_FOUND},
        {"write under an unknown root", engine::WriteRegistryValue(0, texts, u"w"_s, u"x"_s), ERROR_INVALID_HANDLE},
        {"write a value of HKEY_USERS itself", engine::WriteRegistryValue(HKEY_USERS, u""_s, u"w"_s, u"x"_s),
         ERROR_ACCESS_DENIED},
        {"set into a new key", engine::SetRegistryValue(lm, u"Software\\New\\Key"_s, u"v"_s, u"x"_s, REG_SZ), ERROR_SUCCESS},
        {"set a key that cannot be made", engine::SetRegistryValue(HKEY_USERS, u"Velmora"_s, u"v"_s, u"x"_s, REG_SZ),
         ERROR_ACCESS_DENIED},
        {"set a type it cannot write", engine::SetRegistryValue(lm, texts, u"b"_s, u"x"_s, REG_BINARY),
         ERROR_INVALID_PARAMETER},
        {"set a number that is none", engine::SetRegistryValue(lm, texts, u"d"_s, u"abc"_s, REG_DWORD),
         ERROR_INVALID_PARAMETER},
        {"create a key", engine::CreateRegistryKey(lm, u"Software\\Made\\Deep"_s), ERROR_SUCCESS},
        {"create under HKEY_USERS", engine::CreateRegistryKey(HKEY_USERS, u"Velmora"_s), ERROR_ACCESS_DENIED},
        {"delete a value", engine::DeleteRegistryValue(lm, texts, u"w"_s), ERROR_SUCCESS},
        {"delete it again", engine::DeleteRegistryValue(lm, texts, u"w"_s), ERROR_FILE_NOT_FOUND},
        {"delete a missing value", engine::DeleteRegistryValue(lm, texts, u"missing"_s), ERROR_FILE_NOT_FOUND},
        {"delete in a missing key", engine::DeleteRegistryValue(lm, u"Software\\Nowhere"_s, u"sz"_s),
         ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.what;

    QString out;
    EXPECT_TRUE(engine::QueryRegistryValue(lm, texts, u"n"_s, out));
    EXPECT_EQ(out, u"42"_s);
    EXPECT_TRUE(engine::QueryRegistryValue(lm, u"Software\\New\\Key"_s, u"v"_s, out));
    EXPECT_EQ(out, u"x"_s);
    EXPECT_FALSE(engine::QueryRegistryValue(lm, texts, u"b"_s, out));
    EXPECT_FALSE(engine::QueryRegistryValue(lm, texts, u"d"_s, out));
    EXPECT_FALSE(RegKey::open(lm, u"Software\\Nowhere"_s, KEY_READ).ok());  // a failed write makes no key
}

}  // namespace
