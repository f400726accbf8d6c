// The Windows registry functions and the engine's registry procedures over a
// small hand-made prefix: roots, Wine's order, buffer rules, handles, access,
// ANSI texts, and the procedures' edge cases.
#include "engine/registryaccess.h"
#include "platform/prefix.h"
#include "platform/winreg.h"
#include "tests/support/prefixbuilder.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

testenv::PrefixBuilder apiRegistry()
{
    testenv::PrefixBuilder b;
    b.keyTime(1796903249);
    b.system(u"Software\\Classes\\.txt"_s).sz({}, u"txtfile"_s);
    b.system(u"Software\\Limits"_s).sz(QString(254, u'm'), u"x"_s).sz(QString(255, u'n'), u"y"_s);
    b.system(u"Software\\Limits\\"_s + QString(254, u'k'));
    b.system(u"Software\\Limits\\"_s + QString(255, u'l'));
    b.system(u"Software\\Limits\\zz"_s);
    b.system(u"Software\\Order"_s).sz({}, u"d"_s).sz(u"_x"_s, u"1"_s).sz(u"a"_s, u"2"_s).sz(u"A b"_s, u"3"_s)
        .sz(u"ab"_s, u"4"_s).sz(u"alpha"_s, u"5"_s).sz(u"Beta"_s, u"6"_s);
    for (const char* sub : {"_x", "a", "A b", "ab", "alpha", "Beta"})
        b.system(QStringLiteral("Software\\Order\\") + QString::fromUtf8(sub));
    b.system(u"Software\\Types"_s)
        .dword(u"dw"_s, 0xffffffff)
        .sz(u"euro"_s, QStringLiteral("\x20ac \x3a9"))
        .expand(u"ex"_s, u"%SystemRoot%\\b.dll"_s)
        .multi(u"multi"_s, {u"one"_s, u"two"_s})
        .hex(u"nonul"_s, 0x1, QByteArray::fromHex("6100"))
        .hex(u"qw"_s, 0xb, QByteArray::fromHex("0100000000000000"))
        .dword(u"seven"_s, 7)
        .sz(u"sz"_s, u"C:\\a.dll"_s);
    b.system(u"Software\\Wow6432Node\\Types"_s).link(u"\\REGISTRY\\Machine\\software\\types"_s);
    b.system(u"System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"_s).dword(u"LogPixels"_s, 0x60);
    b.user(u"Software\\Velmora"_s).sz(u"User"_s, u"yes"_s);
    b.userDefault(u"Control Panel"_s).sz(u"x"_s, u"def"_s);
    return b;
}

class RegistryApi : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = testenv::makeTempDir(QStringLiteral("api"));
        ASSERT_TRUE(apiRegistry().write(m_dir));
        const platform::PrefixError e = platform::openPrefix(m_dir);
        ASSERT_TRUE(e.ok) << e.message.toStdString();
    }
    void TearDown() override { platform::closePrefix(); }

    QString m_dir;
};

QByteArray query(HKEY root, const char* path, const char* name, DWORD* type = nullptr)
{
    HKEY k = 0;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return "<no key>";
    DWORD size = 0;
    QByteArray data;
    if (RegQueryValueExA(k, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size);
        if (RegQueryValueExA(k, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
            data = "<failed>";
    } else {
        data = "<no value>";
    }
    RegCloseKey(k);
    return data;
}

QStringList subkeys(HKEY root, const char* path)
{
    QStringList names;
    HKEY k = 0;
    if (RegOpenKeyExA(root, path, 0, KEY_ENUMERATE_SUB_KEYS, &k) != ERROR_SUCCESS)
        return {u"<no key>"_s};
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(k, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names << QString::fromLatin1(name, size);
    }
    RegCloseKey(k);
    return names;
}

QStringList valueNames(HKEY root, const char* path)
{
    QStringList names;
    HKEY k = 0;
    if (RegOpenKeyA(root, path, &k) != ERROR_SUCCESS)
        return {u"<no key>"_s};
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumValueA(k, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names << QString::fromLatin1(name, size);
    }
    RegCloseKey(k);
    return names;
}

TEST_F(RegistryApi, RootsCaseAndLinks)
{
    EXPECT_EQ(query(HKEY_CLASSES_ROOT, ".TXT", ""), QByteArray("txtfile", 8));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.txt", nullptr), QByteArray("txtfile", 8));
    EXPECT_EQ(query(HKEY_CURRENT_USER, "software\\velmora", "USER"), QByteArray("yes", 4));
    EXPECT_EQ(query(HKEY_USERS, "S-1-5-21-0-0-0-1000\\Software\\Velmora", "User"), QByteArray("yes", 4));
    EXPECT_EQ(query(HKEY_USERS, ".DEFAULT\\Control Panel", "x"), QByteArray("def", 4));
    EXPECT_EQ(query(HKEY_CURRENT_CONFIG, "Software\\Fonts", "LogPixels"), QByteArray("\x60\0\0\0", 4));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\Types", "sz"), QByteArray("C:\\a.dll", 9));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, "Software\\Types\\", "sz"), QByteArray("C:\\a.dll", 9));
    EXPECT_EQ(subkeys(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node"), QStringList{u"Types"_s});

    HKEY k = 0;
    EXPECT_NE(RegOpenKeyExA(HKEY_DYN_DATA, "Anything", 0, KEY_READ, &k), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Missing", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(k, 0u);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Software", 0, KEY_READ, &k), ERROR_BAD_PATHNAME);
}

TEST_F(RegistryApi, EnumerationFollowsWinesOrder)
{
    EXPECT_EQ(subkeys(HKEY_LOCAL_MACHINE, "Software\\Order"), QStringList({u"_x"_s, u"a"_s, u"A b"_s, u"ab"_s, u"alpha"_s, u"Beta"_s}));
    EXPECT_EQ(valueNames(HKEY_LOCAL_MACHINE, "Software\\Order"),
              QStringList({u""_s, u"_x"_s, u"a"_s, u"A b"_s, u"ab"_s, u"alpha"_s, u"Beta"_s}));
    // New names take their sorted place; a rewrite keeps the first spelling.
    engine::CreateRegistryKey(HKEY_LOCAL_MACHINE, u"Software\\Order\\B"_s);
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Order"_s, u"b"_s, u"7"_s, REG_SZ);
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Order"_s, u"ALPHA"_s, u"8"_s, REG_SZ);
    EXPECT_EQ(subkeys(HKEY_LOCAL_MACHINE, "Software\\Order"),
              QStringList({u"_x"_s, u"a"_s, u"A b"_s, u"ab"_s, u"alpha"_s, u"B"_s, u"Beta"_s}));
    EXPECT_EQ(valueNames(HKEY_LOCAL_MACHINE, "Software\\Order"),
              QStringList({u""_s, u"_x"_s, u"a"_s, u"A b"_s, u"ab"_s, u"alpha"_s, u"b"_s, u"Beta"_s}));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, "Software\\Order", "alpha"), QByteArray("8", 2));
}

TEST_F(RegistryApi, BufferRules)
{
    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Limits", 0, KEY_READ, &k), ERROR_SUCCESS);
    // Subkeys: a 254-character name fits 255, a 255-character one does not.
    char name[300];
    char cls[300];
    struct Step {
        DWORD index;
        DWORD size;
        LONG result;
    };
    for (const Step& s : {Step{0, 255, ERROR_SUCCESS}, Step{1, 255, ERROR_MORE_DATA}, Step{1, 256, ERROR_SUCCESS},
                          Step{2, 255, ERROR_SUCCESS}, Step{3, 255, ERROR_NO_MORE_ITEMS}}) {
        DWORD size = s.size;
        DWORD clsSize = 255;
        EXPECT_EQ(RegEnumKeyExA(k, s.index, name, &size, nullptr, cls, &clsSize, nullptr), s.result) << s.index;
        if (s.result == ERROR_SUCCESS) {
            EXPECT_EQ(std::strlen(name), size);
            EXPECT_EQ(clsSize, 0u);
        }
    }
    // Values: the same for names; data that does not fit reports its size.
    for (const Step& s : {Step{0, 255, ERROR_SUCCESS}, Step{1, 255, ERROR_MORE_DATA}, Step{1, 256, ERROR_SUCCESS},
                          Step{2, 255, ERROR_NO_MORE_ITEMS}}) {
        DWORD size = s.size;
        BYTE data[255];
        DWORD dataSize = sizeof data;
        EXPECT_EQ(RegEnumValueA(k, s.index, name, &size, nullptr, nullptr, data, &dataSize), s.result) << s.index;
    }
    RegCloseKey(k);
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Types", &k), ERROR_SUCCESS);
    BYTE small[4];
    DWORD size = sizeof small;
    DWORD type = 0;
    DWORD nameSize = 255;
    size = 4;
    EXPECT_EQ(RegEnumValueA(k, 3, name, &nameSize, nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 9u);  // "one\0two\0\0"
    size = 3;
    EXPECT_EQ(RegQueryValueExA(k, "sz", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(RegQueryValueExA(k, "missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(k);
}

TEST_F(RegistryApi, TextsCrossAsWindows1252)
{
    DWORD type = 0;
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, "Software\\Types", "euro", &type), QByteArray("\x80 ?", 4));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, "Software\\Types", "multi", &type), QByteArray("one\0two\0", 9));
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, "Software\\Types", "nonul"), QByteArray("a"));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, "Software\\Types", "qw", &type), QByteArray("\x01\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(type, REG_QWORD);
    // Written through the A functions, stored as UTF-16.
    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Types", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    const char text[] = "caf\xe9 \x80";
    ASSERT_EQ(RegSetValueExA(k, "caf\xe9", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text), ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, "Software\\Types", "CAF\xc9"), QByteArray(text, sizeof text));
    ASSERT_TRUE(platform::closePrefix().ok);
    EXPECT_TRUE(testenv::readFile(m_dir + u"/system.reg"_s).contains("\"caf\\xe9\"=\"caf\\xe9 \\x20ac\"\n"));
}

TEST_F(RegistryApi, HandlesAndAccess)
{
    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Types", 0, KEY_ENUMERATE_SUB_KEYS, &k), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(k, "sz", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetValueExA(k, "sz", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(k, "sz", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(0x1234), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);

    // An empty subkey gives the same handle back (RegOpenKeyA) or a new one.
    HKEY same = 0;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, HKEY_LOCAL_MACHINE);
    HKEY again = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &again), ERROR_SUCCESS);
    EXPECT_NE(again, HKEY_LOCAL_MACHINE);
    RegCloseKey(again);

    // Handles do not outlive the prefix.
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &k), ERROR_SUCCESS);
    ASSERT_TRUE(platform::closePrefix().ok);
    EXPECT_EQ(RegQueryValueExA(k, "x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &k), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryApi, CreateKeys)
{
    HKEY k = 0;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\New\\Deeper", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(k);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\NEW\\DEEPER", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(k);
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "Software\\New"), QStringList{u"Deeper"_s});

    // Nothing outside the three files, no name over 255, nothing half made.
    EXPECT_EQ(RegCreateKeyExA(HKEY_USERS, "Somebody", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_ACCESS_DENIED);
    const QByteArray tooLong = "Software\\Half\\" + QByteArray(256, 'x');
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, tooLong.constData(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Half", &k), ERROR_FILE_NOT_FOUND);
    // Under HKEY_CLASSES_ROOT a key goes to HKLM\Software\Classes.
    engine::CreateRegistryKey(HKEY_CLASSES_ROOT, u"velmora.file\\shell"_s);
    EXPECT_EQ(subkeys(HKEY_LOCAL_MACHINE, "Software\\Classes\\Velmora.File"), QStringList{u"shell"_s});
}

// The engine's procedures, case by case.
TEST_F(RegistryApi, EngineProcedures)
{
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const QString key = u"Software\\Types"_s;
    struct Write {
        QVariant value;
        DWORD type;
        QByteArray stored;
    };
    const Write writes[] = {
        {u"  C:\\Program Files\\x.exe  "_s, REG_SZ, "C:\\Program Files\\x.exe"},  // trimmed, no NUL
        {u"42"_s, REG_DWORD, QByteArray("\x2a\0\0\0", 4)},
        {u"2.5"_s, REG_DWORD, QByteArray("\x02\0\0\0", 4)},  // half to even
        {u"3.5"_s, REG_DWORD, QByteArray("\x04\0\0\0", 4)},
        {u" -7 "_s, REG_DWORD, QByteArray("\xf9\xff\xff\xff", 4)},
        {u"1e3"_s, REG_DWORD, QByteArray("\xe8\x03\0\0", 4)},
        {u""_s, REG_SZ, QByteArray()},
        {u"12abc"_s, REG_SZ, "12abc"},
        {u"0x10"_s, REG_SZ, "0x10"},
        {u"\t5"_s, REG_SZ, "\t5"},
        {u"99999999999"_s, REG_SZ, "99999999999"},  // too large for a DWORD: kept as text
        {QVariant(17), REG_DWORD, QByteArray("\x11\0\0\0", 4)},
    };
    for (const Write& w : writes) {
        engine::WriteRegistryValue(lm, key, u"w"_s, w.value);
        DWORD type = 0;
        EXPECT_EQ(query(lm, "Software\\Types", "w", &type), w.stored) << w.value.toString().toStdString();
        EXPECT_EQ(type, w.type) << w.value.toString().toStdString();
    }
    // Into a missing key: nothing stored, no key made.
    engine::WriteRegistryValue(lm, u"Software\\Nowhere"_s, u"w"_s, u"x"_s);
    HKEY k = 0;
    EXPECT_EQ(RegOpenKeyA(lm, "Software\\Nowhere", &k), ERROR_FILE_NOT_FOUND);

    // SetRegistryValue makes the key and stores the NUL; SetValueEx' codes.
    engine::SetRegistryValue(lm, u"Software\\Made\\Here"_s, u"v"_s, u"C:\\a b.exe"_s, REG_SZ);
    EXPECT_EQ(query(lm, "Software\\Made\\Here", "v"), QByteArray("C:\\a b.exe", 11));
    engine::SetRegistryValue(lm, u"Software\\Made\\Here"_s, u"n"_s, 7, REG_DWORD);
    EXPECT_EQ(query(lm, "Software\\Made\\Here", "n"), QByteArray("\x07\0\0\0", 4));
    ASSERT_EQ(RegOpenKeyA(lm, "Software\\Made\\Here", &k), ERROR_SUCCESS);
    EXPECT_EQ(engine::SetValueEx(k, u"b"_s, REG_BINARY, u"x"_s), 0);
    EXPECT_EQ(engine::SetValueEx(k, u"d"_s, REG_DWORD, u"not a number"_s), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(valueNames(lm, "Software\\Made\\Here"), QStringList({u"n"_s, u"v"_s}));
    RegCloseKey(k);

    struct Read {
        const char* name;
        bool ok;
        QString text;
    };
    const Read reads[] = {
        {"sz", true, u"C:\\a.dll"_s},  {"seven", true, u"7"_s}, {"dw", true, u"-1"_s},      {"ex", false, u"untouched"_s},
        {"missing", false, u"untouched"_s}, {"multi", false, u"untouched"_s}, {"nonul", true, u"a"_s},
    };
    for (const Read& r : reads) {
        QString out = u"untouched"_s;
        EXPECT_EQ(engine::QueryRegistryValue(lm, key, QString::fromUtf8(r.name), out), r.ok) << r.name;
        EXPECT_EQ(out, r.text) << r.name;
    }
    QString out;
    EXPECT_FALSE(engine::QueryRegistryValue(lm, u"Software\\Nowhere"_s, u"sz"_s, out));
    // A string stored without NUL reads back whole.
    engine::WriteRegistryValue(lm, key, u"w"_s, u"C:\\x.exe"_s);
    EXPECT_TRUE(engine::QueryRegistryValue(lm, key, u"w"_s, out));
    EXPECT_EQ(out, u"C:\\x.exe"_s);

    // Deleting what is not there changes nothing, not even the file.
    ASSERT_TRUE(platform::flushRegistry().ok);
    const QByteArray before = testenv::readFile(m_dir + u"/system.reg"_s);
    engine::DeleteRegistryValue(lm, key, u"missing"_s);
    engine::DeleteRegistryValue(lm, u"Software\\Nowhere"_s, u"sz"_s);
    ASSERT_TRUE(platform::flushRegistry().ok);
    EXPECT_EQ(testenv::readFile(m_dir + u"/system.reg"_s), before);
    engine::DeleteRegistryValue(lm, key, u"SZ"_s);
    EXPECT_EQ(query(lm, "Software\\Types", "sz"), "<no value>");

    EXPECT_EQ(engine::GetPlatformId(), 2u);
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 12;
    EXPECT_FALSE(GetVersionExA(&info));
}

}  // namespace
