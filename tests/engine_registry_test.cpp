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

namespace {

testenv::PrefixBuilder textsRegistry()
{
    testenv::PrefixBuilder b;
    b.system("Software\\Texts")
        .sz("sz", "C:\\a.dll")
        .sz("emptysz", "")
        .hex("embedded", 0x1, QByteArray::fromHex("6100000062000000"))
        .hex("nonul", 0x1, QByteArray::fromHex("61006200"))
        .hex("empty", 0x1, QByteArray())
        .multi("multi", {"one", "two"})
        .expand("expand", "%SystemRoot%\\b.dll")
        .dword("dw", 0xffffffff)
        .hex("shortdw", 0x4, QByteArray::fromHex("2a"))
        .hex("longdw", 0x4, QByteArray::fromHex("0100000000"))
        .binary("bin", QByteArray::fromHex("4100"));
    b.user("Software\\Velmora");
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
        RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, "Software\\Texts", KEY_READ);
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

    const RegKey missing = RegKey::open(HKEY_LOCAL_MACHINE, "Software\\Nowhere", KEY_READ);
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.result(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing.handle(), 0u);

    // A key directly under HKEY_USERS lies in no registry file: not made.
    EXPECT_EQ(RegKey::create(HKEY_USERS, "Velmora", KEY_ALL_ACCESS).result(), ERROR_ACCESS_DENIED);
    DWORD how = 0;
    EXPECT_TRUE(RegKey::create(HKEY_LOCAL_MACHINE, "Software\\Made", KEY_ALL_ACCESS, &how).ok());
    EXPECT_EQ(how, REG_CREATED_NEW_KEY);

    // An empty path gives the root itself back, which is left open.
    const RegKey software = RegKey::open(HKEY_LOCAL_MACHINE, "Software", KEY_READ);
    {
        const RegKey same = RegKey::openDefault(software.handle(), "");
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
        {"sz", "C:\\a.dll", 0, QString("C:\\a.dll")},
        {"emptysz", "", 0, QString("")},
        {"embedded", "a", 0, QString::fromLatin1("a\0b", 3)},
        {"nonul", "ab", 0, QString("ab")},
        {"empty", "", 0, QString("")},
        {"multi", "one", kOtherType, {}},
        {"expand", "", kOtherType, {}},
        {"dw", "-1", 0, -1},
        {"shortdw", "42", 0, 42},
        {"longdw", "", ERROR_MORE_DATA, {}},
        {"bin", "", kOtherType, {}},
        {"missing", "", ERROR_FILE_NOT_FOUND, {}},
    };
    const RegKey key = RegKey::open(HKEY_LOCAL_MACHINE, "Software\\Texts", KEY_READ);
    ASSERT_TRUE(key.ok());
    for (const auto& c : cases) {
        EXPECT_EQ(engine::GetValueAsString(key.handle(), c.name), QString::fromLatin1(c.walkText)) << c.name;
        QVariant out;
        EXPECT_EQ(engine::QueryValueEx(key.handle(), c.name, out), c.queryCode) << c.name;
        if (c.queryCode == 0) {
            EXPECT_EQ(out, c.queryValue) << c.name;
        }
    }

    // The reader itself: its two rules, and the types it takes.
    EXPECT_EQ(platform::readRegString(key.handle(), "embedded", RegNul::FirstNul), QString("a"));
    EXPECT_EQ(platform::readRegString(key.handle(), "embedded", RegNul::TerminatingNul),
              QString::fromLatin1("a\0b", 3));
    EXPECT_EQ(platform::readRegString(key.handle(), "multi", RegNul::TerminatingNul, {REG_MULTI_SZ}),
              QString::fromLatin1("one\0two\0", 8));
    EXPECT_EQ(platform::readRegString(key.handle(), "expand", RegNul::FirstNul), QString("%SystemRoot%\\b.dll"));
    EXPECT_EQ(platform::readRegString(key.handle(), "expand", RegNul::FirstNul, {REG_SZ}), std::nullopt);
    EXPECT_EQ(platform::readRegString(key.handle(), "dw", RegNul::FirstNul), std::nullopt);
    const platform::RegValue dw = platform::readRegValue(key.handle(), "dw");
    EXPECT_TRUE(dw.ok());
    EXPECT_EQ(dw.type, REG_DWORD);
    EXPECT_EQ(dw.data, QByteArray("\xff\xff\xff\xff", 4));
    EXPECT_EQ(platform::readRegValue(key.handle(), "missing").result, ERROR_FILE_NOT_FOUND);
}

TEST_F(EngineRegistry, WritersTellWhetherTheyWrote)
{
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const QString texts = "Software\\Texts";
    const struct {
        const char* what;
        LONG got;
        LONG expected;
    } cases[] = {
        {"write into an existing key", engine::WriteRegistryValue(lm, texts, "w", "C:\\x.exe"), ERROR_SUCCESS},
        {"write a number", engine::WriteRegistryValue(lm, texts, "n", "42"), ERROR_SUCCESS},
        {"write into a missing key", engine::WriteRegistryValue(lm, "Software\\Nowhere", "w", "x"),
         ERROR_FILE_NOT_FOUND},
        {"write under an unknown root", engine::WriteRegistryValue(0, texts, "w", "x"), ERROR_INVALID_HANDLE},
        {"write a value of HKEY_USERS itself", engine::WriteRegistryValue(HKEY_USERS, "", "w", "x"),
         ERROR_ACCESS_DENIED},
        {"set into a new key", engine::SetRegistryValue(lm, "Software\\New\\Key", "v", "x", REG_SZ), ERROR_SUCCESS},
        {"set a key that cannot be made", engine::SetRegistryValue(HKEY_USERS, "Velmora", "v", "x", REG_SZ),
         ERROR_ACCESS_DENIED},
        {"set a type it cannot write", engine::SetRegistryValue(lm, texts, "b", "x", REG_BINARY),
         ERROR_INVALID_PARAMETER},
        {"set a number that is none", engine::SetRegistryValue(lm, texts, "d", "abc", REG_DWORD),
         ERROR_INVALID_PARAMETER},
        {"create a key", engine::CreateRegistryKey(lm, "Software\\Made\\Deep"), ERROR_SUCCESS},
        {"create under HKEY_USERS", engine::CreateRegistryKey(HKEY_USERS, "Velmora"), ERROR_ACCESS_DENIED},
        {"delete a value", engine::DeleteRegistryValue(lm, texts, "w"), ERROR_SUCCESS},
        {"delete it again", engine::DeleteRegistryValue(lm, texts, "w"), ERROR_FILE_NOT_FOUND},
        {"delete a missing value", engine::DeleteRegistryValue(lm, texts, "missing"), ERROR_FILE_NOT_FOUND},
        {"delete in a missing key", engine::DeleteRegistryValue(lm, "Software\\Nowhere", "sz"),
         ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.what;

    QString out;
    EXPECT_TRUE(engine::QueryRegistryValue(lm, texts, "n", out));
    EXPECT_EQ(out, "42");
    EXPECT_TRUE(engine::QueryRegistryValue(lm, "Software\\New\\Key", "v", out));
    EXPECT_EQ(out, "x");
    EXPECT_FALSE(engine::QueryRegistryValue(lm, texts, "b", out));
    EXPECT_FALSE(engine::QueryRegistryValue(lm, texts, "d", out));
    EXPECT_FALSE(RegKey::open(lm, "Software\\Nowhere", KEY_READ).ok());  // a failed write makes no key
}

}  // namespace
