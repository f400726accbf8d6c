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

namespace {

testenv::PrefixBuilder apiRegistry()
{
    testenv::PrefixBuilder b;
    b.keyTime(1796903249);
    b.system("Software\\Classes\\.txt").sz({}, "txtfile");
    b.system("Software\\Limits").sz(QString(254, 'm'), "x").sz(QString(255, 'n'), "y");
    b.system("Software\\Limits\\" + QString(254, 'k'));
    b.system("Software\\Limits\\" + QString(255, 'l'));
    b.system("Software\\Limits\\zz");
    b.system("Software\\Order").sz({}, "d").sz("_x", "1").sz("a", "2").sz("A b", "3").sz("ab", "4").sz("alpha", "5")
        .sz("Beta", "6");
    for (const char* sub : {"_x", "a", "A b", "ab", "alpha", "Beta"})
        b.system(QStringLiteral("Software\\Order\\") + sub);
    b.system("Software\\Types")
        .dword("dw", 0xffffffff)
        .sz("euro", QStringLiteral("\x20ac \x3a9"))
        .expand("ex", "%SystemRoot%\\b.dll")
        .multi("multi", {"one", "two"})
        .hex("nonul", 0x1, QByteArray::fromHex("6100"))
        .hex("qw", 0xb, QByteArray::fromHex("0100000000000000"))
        .dword("seven", 7)
        .sz("sz", "C:\\a.dll");
    b.system("Software\\Wow6432Node\\Types").link("\\REGISTRY\\Machine\\software\\types");
    b.system("System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts").dword("LogPixels", 0x60);
    b.user("Software\\Velmora").sz("User", "yes");
    b.userDefault("Control Panel").sz("x", "def");
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
        return {"<no key>"};
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
        return {"<no key>"};
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
    EXPECT_EQ(subkeys(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node"), QStringList{"Types"});

    HKEY k = 0;
    EXPECT_NE(RegOpenKeyExA(HKEY_DYN_DATA, "Anything", 0, KEY_READ, &k), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Missing", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(k, 0u);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Software", 0, KEY_READ, &k), ERROR_BAD_PATHNAME);
}

TEST_F(RegistryApi, EnumerationFollowsWinesOrder)
{
    EXPECT_EQ(subkeys(HKEY_LOCAL_MACHINE, "Software\\Order"), QStringList({"_x", "a", "A b", "ab", "alpha", "Beta"}));
    EXPECT_EQ(valueNames(HKEY_LOCAL_MACHINE, "Software\\Order"),
              QStringList({"", "_x", "a", "A b", "ab", "alpha", "Beta"}));
    // New names take their sorted place; a rewrite keeps the first spelling.
    engine::CreateRegistryKey(HKEY_LOCAL_MACHINE, "Software\\Order\\B");
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Order", "b", "7", REG_SZ);
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Order", "ALPHA", "8", REG_SZ);
    EXPECT_EQ(subkeys(HKEY_LOCAL_MACHINE, "Software\\Order"),
              QStringList({"_x", "a", "A b", "ab", "alpha", "B", "Beta"}));
    EXPECT_EQ(valueNames(HKEY_LOCAL_MACHINE, "Software\\Order"),
              QStringList({"", "_x", "a", "A b", "ab", "alpha", "b", "Beta"}));
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
    EXPECT_TRUE(testenv::readFile(m_dir + "/system.reg").contains("\"caf\\xe9\"=\"caf\\xe9 \\x20ac\"\n"));
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
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "Software\\New"), QStringList{"Deeper"});

    // Nothing outside the three files, no name over 255, nothing half made.
    EXPECT_EQ(RegCreateKeyExA(HKEY_USERS, "Somebody", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_ACCESS_DENIED);
    const QByteArray tooLong = "Software\\Half\\" + QByteArray(256, 'x');
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, tooLong.constData(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Half", &k), ERROR_FILE_NOT_FOUND);
    // Under HKEY_CLASSES_ROOT a key goes to HKLM\Software\Classes.
    engine::CreateRegistryKey(HKEY_CLASSES_ROOT, "velmora.file\\shell");
    EXPECT_EQ(subkeys(HKEY_LOCAL_MACHINE, "Software\\Classes\\Velmora.File"), QStringList{"shell"});
}

// The engine's procedures, case by case.
TEST_F(RegistryApi, EngineProcedures)
{
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const QString key = "Software\\Types";
    struct Write {
        QVariant value;
        DWORD type;
        QByteArray stored;
    };
    const Write writes[] = {
        {QString("  C:\\Program Files\\x.exe  "), REG_SZ, "C:\\Program Files\\x.exe"},  // trimmed, no NUL
        {QString("42"), REG_DWORD, QByteArray("\x2a\0\0\0", 4)},
        {QString("2.5"), REG_DWORD, QByteArray("\x02\0\0\0", 4)},  // half to even
        {QString("3.5"), REG_DWORD, QByteArray("\x04\0\0\0", 4)},
        {QString(" -7 "), REG_DWORD, QByteArray("\xf9\xff\xff\xff", 4)},
        {QString("1e3"), REG_DWORD, QByteArray("\xe8\x03\0\0", 4)},
        {QString(""), REG_SZ, QByteArray()},
        {QString("12abc"), REG_SZ, "12abc"},
        {QString("0x10"), REG_SZ, "0x10"},
        {QString("\t5"), REG_SZ, "\t5"},
        {QString("99999999999"), REG_SZ, "99999999999"},  // too large for a DWORD: kept as text
        {QVariant(17), REG_DWORD, QByteArray("\x11\0\0\0", 4)},
    };
    for (const Write& w : writes) {
        engine::WriteRegistryValue(lm, key, "w", w.value);
        DWORD type = 0;
        EXPECT_EQ(query(lm, "Software\\Types", "w", &type), w.stored) << w.value.toString().toStdString();
        EXPECT_EQ(type, w.type) << w.value.toString().toStdString();
    }
    // Into a missing key: nothing stored, no key made.
    engine::WriteRegistryValue(lm, "Software\\Nowhere", "w", "x");
    HKEY k = 0;
    EXPECT_EQ(RegOpenKeyA(lm, "Software\\Nowhere", &k), ERROR_FILE_NOT_FOUND);

    // SetRegistryValue makes the key and stores the NUL; SetValueEx' codes.
    engine::SetRegistryValue(lm, "Software\\Made\\Here", "v", "C:\\a b.exe", REG_SZ);
    EXPECT_EQ(query(lm, "Software\\Made\\Here", "v"), QByteArray("C:\\a b.exe", 11));
    engine::SetRegistryValue(lm, "Software\\Made\\Here", "n", 7, REG_DWORD);
    EXPECT_EQ(query(lm, "Software\\Made\\Here", "n"), QByteArray("\x07\0\0\0", 4));
    ASSERT_EQ(RegOpenKeyA(lm, "Software\\Made\\Here", &k), ERROR_SUCCESS);
    EXPECT_EQ(engine::SetValueEx(k, "b", REG_BINARY, "x"), 0);
    EXPECT_EQ(engine::SetValueEx(k, "d", REG_DWORD, "not a number"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(valueNames(lm, "Software\\Made\\Here"), QStringList({"n", "v"}));
    RegCloseKey(k);

    struct Read {
        const char* name;
        bool ok;
        QString text;
    };
    const Read reads[] = {
        {"sz", true, "C:\\a.dll"},  {"seven", true, "7"}, {"dw", true, "-1"},      {"ex", false, "untouched"},
        {"missing", false, "untouched"}, {"multi", false, "untouched"}, {"nonul", true, "a"},
    };
    for (const Read& r : reads) {
        QString out = "untouched";
        EXPECT_EQ(engine::QueryRegistryValue(lm, key, r.name, out), r.ok) << r.name;
        EXPECT_EQ(out, r.text) << r.name;
    }
    QString out;
    EXPECT_FALSE(engine::QueryRegistryValue(lm, "Software\\Nowhere", "sz", out));
    // A string stored without NUL reads back whole.
    engine::WriteRegistryValue(lm, key, "w", "C:\\x.exe");
    EXPECT_TRUE(engine::QueryRegistryValue(lm, key, "w", out));
    EXPECT_EQ(out, "C:\\x.exe");

    // Deleting what is not there changes nothing, not even the file.
    ASSERT_TRUE(platform::flushRegistry().ok);
    const QByteArray before = testenv::readFile(m_dir + "/system.reg");
    engine::DeleteRegistryValue(lm, key, "missing");
    engine::DeleteRegistryValue(lm, "Software\\Nowhere", "sz");
    ASSERT_TRUE(platform::flushRegistry().ok);
    EXPECT_EQ(testenv::readFile(m_dir + "/system.reg"), before);
    engine::DeleteRegistryValue(lm, key, "SZ");
    EXPECT_EQ(query(lm, "Software\\Types", "sz"), "<no value>");

    EXPECT_EQ(engine::GetPlatformId(), 2u);
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 12;
    EXPECT_FALSE(GetVersionExA(&info));
}

}  // namespace
