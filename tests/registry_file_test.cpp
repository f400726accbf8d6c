// Wine's registry files as the layer reads and writes them: every construct
// round trips, a change rewrites only its own block and puts new keys where
// Wine would, bad files are refused with their line, and a save is atomic
// and never overwrites what another program changed.
#include "engine/registryaccess.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/registrytesting.h"
#include "platform/winreg.h"
#include "tests/registry_support.h"
#include "tests/support/seamguard.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <chrono>
#include <csignal>
#include <functional>

#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kHead = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
const QByteArray kUserHead =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n";
const QByteArray kDefHead = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\.Default\n\n#arch=win64\n";
const QByteArray kTime = "] 1796903249\n#time=1dd889c3bf6fc4a\n";

QByteArray canonical()
{
    return testenv::readFile(QStringLiteral(VELMORA_TEST_DATA "/registry/canonical-system.reg"));
}

QString makePrefix(const QByteArray& system, const QByteArray& user = kUserHead, const QByteArray& userdef = kDefHead)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("prefix"));
    testenv::writeFile(dir + u"/system.reg"_s, system);
    if (!user.isNull())
        testenv::writeFile(dir + u"/user.reg"_s, user);
    if (!userdef.isNull())
        testenv::writeFile(dir + u"/userdef.reg"_s, userdef);
    return dir;
}

QByteArray file(const QString& dir, const char* name = "system.reg")
{
    return testenv::readFile(dir + u"/"_s + QString::fromUtf8(name));
}

// The raw bytes of a value, below \Registry.
QByteArray rawValue(const QStringList& path, const QString& name, DWORD* type = nullptr)
{
    platform::registry::Key* key = nullptr;
    if (platform::registry::walk(platform::registry::registryRoot(), path, false, &key) != ERROR_SUCCESS)
        return "<no key>";
    const platform::registry::Value* v = platform::registry::findValue(key, name);
    if (!v)
        return "<no value>";
    if (type)
        *type = v->type;
    return v->data;
}

QByteArray utf16z(const QString& text)
{
    QByteArray out(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return out.append(2, '\0');
}

// New blocks carry the time of the change: make it comparable.
QByteArray withoutNewTimes(QByteArray text)
{
    static const QRegularExpression stamp(QStringLiteral("\\] \\d+\\n#time=[0-9a-f]+\\n"));
    QString s = QString::fromLatin1(text);
    s.replace(stamp, QStringLiteral("] T\n"));
    return s.toLatin1();
}

class RegistryFile : public ::testing::Test {
protected:
    void TearDown() override { platform::closePrefix(); }
};

TEST_F(RegistryFile, EveryConstructComesBackAsWineWroteIt)
{
    const QString dir = makePrefix(canonical());
    ASSERT_TRUE(platform::openPrefix(dir).ok);
    platform::registry::markAllKeysChanged();
    const platform::PrefixError saved = platform::closePrefix();
    ASSERT_TRUE(saved.ok) << saved.message.toStdString();
    EXPECT_EQ(file(dir), canonical());
    EXPECT_EQ(file(dir, "user.reg"), kUserHead);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 3) << "a temporary file was left behind";
}

TEST_F(RegistryFile, EveryConstructReadsBack)
{
    ASSERT_TRUE(platform::openPrefix(makePrefix(canonical())).ok);
    static const QByteArray kLongName(60, 'W');
    const QStringList esc = {u"Machine"_s, u"Software"_s, u"Escapes"_s};
    const QStringList types = {u"Machine"_s, u"Software"_s, u"Types"_s};
    struct Case {
        QStringList key;
        const char* name;
        DWORD type;
        QByteArray data;
    };
    const Case table[] = {
        {{u"Machine"_s}, "RootValue", REG_SZ, utf16z(u"on the root"_s)},
        {esc, "", REG_SZ, utf16z(u""_s)},
        {esc, "a\\b", REG_SZ, utf16z(u"C:\\Program Files\\x.exe"_s)},
        {esc, "CTL", REG_SZ, utf16z(QString::fromUtf16(u"\a\b\t\n\v\f\r\x1b"))},
        {esc, "oct", REG_SZ, utf16z(QString::fromUtf16(u"\x01x\x02" u"5\x1f\x7f"))},
        {esc, "q\"uote", REG_SZ, utf16z(u"\"C:\\iexplore.exe\" %1"_s)},
        {esc, "surrogates", REG_SZ, utf16z(QString::fromUtf16(u"\U0001F30E"))},
        {esc, "uni", REG_SZ, utf16z(QString::fromUtf16(u"caf\u00e9 \u00e9a \u65e5 \u20ac"))},
        {types, "dword", REG_DWORD, QByteArray("\xff\xff\xff\xff", 4)},
        {types, "empty", REG_SZ, QByteArray(2, '\0')},
        {types, "emptybin", REG_BINARY, QByteArray()},
        {types, "expand", REG_EXPAND_SZ, utf16z(u"%SystemRoot%\\system32\\b.dll"_s)},
        {types, "multi", REG_MULTI_SZ, utf16z(QString::fromUtf16(u"one\0two\0", 8))},
        {types, "none", REG_NONE, QByteArray()},
        {types, "nonul", REG_SZ, QByteArray("a\0b\0", 4)},
        {types, "odd", REG_SZ, QByteArray("a\0b", 3)},
        {types, "props", 0xffff0007u, QByteArray("\x03\0\0\0", 4)},
        {types, "qword", REG_QWORD, QByteArray("\x01\0\0\0\0\0\0\0", 8)},
        {types, "shortdword", REG_DWORD, QByteArray("\x01\x02", 2)},
        {types, "zerosz", REG_SZ, QByteArray()},
        {types, kLongName.constData(), REG_MULTI_SZ, QByteArray("a\0\0\0b\0", 6)},
    };
    for (const Case& c : table) {
        DWORD type = 12345;
        EXPECT_EQ(rawValue(c.key, QString::fromUtf8(c.name), &type), c.data) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
    }
    QByteArray binary;
    for (int i = 0; i < 100; ++i)
        binary.append(static_cast<char>(i));
    EXPECT_EQ(rawValue(types, u"binary"_s), binary);
    EXPECT_EQ(rawValue(types, u"longstring"_s), utf16z(u"C:\\"_s + QString(300, u'x')));
    // Key names with escaped brackets, quotes and non-ASCII; the class.
    platform::registry::Key* k = nullptr;
    ASSERT_EQ(platform::registry::walk(platform::registry::registryRoot(), esc + QStringList{u"key]with[brackets"_s}, false, &k), 0);
    EXPECT_EQ(k->name, u"Key]With[Brackets"_s);
    ASSERT_EQ(platform::registry::walk(platform::registry::registryRoot(),
                                       esc + QStringList{QString::fromUtf16(u"UNI\u00c9KEY \"QUOTED\" =EQ")}, false, &k), 0);
    ASSERT_TRUE(k->cls);
    EXPECT_EQ(*k->cls, QString::fromUtf16(u"My\"Class\u00e9"));
    // The link leads to its target.
    EXPECT_EQ(rawValue({u"Machine"_s, u"Software"_s, u"Link"_s}, u"dword"_s), QByteArray("\xff\xff\xff\xff", 4));
}

TEST_F(RegistryFile, LenientInputIsReadAndKeptAsItWas)
{
    const QByteArray input = kHead + "; a comment\n"
        "\n[Software\\\\B" + kTime +
        "  \"z\" = str:\"last\"\r\n"
        "\"A\"=dword:2a\n"
        "\"raw\"=\"caf\xc3\xa9\"\n"
        "\"wrapped\"=hex:01, 02 ,\\\n"
        "\t03\n"
        "#unknown option\n"
        "\n\n[Software\\\\A" + kTime + "\"\"=\"default\"\n"
        "\n[Software\\\\b" + kTime + "\"y\"=\"second section\"\n";
    const QString dir = makePrefix(input);
    ASSERT_TRUE(platform::openPrefix(dir).ok);
    EXPECT_EQ(rawValue({u"Machine"_s, u"Software"_s, u"B"_s}, u"Z"_s), utf16z(u"last"_s));
    EXPECT_EQ(rawValue({u"Machine"_s, u"Software"_s, u"B"_s}, u"Y"_s), utf16z(u"second section"_s));
    EXPECT_EQ(rawValue({u"Machine"_s, u"Software"_s, u"B"_s}, u"raw"_s), utf16z(QString::fromUtf16(u"caf\u00e9")));
    EXPECT_EQ(rawValue({u"Machine"_s, u"Software"_s, u"B"_s}, u"wrapped"_s), QByteArray("\x01\x02\x03", 3));
    EXPECT_EQ(rawValue({u"Machine"_s, u"Software"_s, u"A"_s}, u""_s), utf16z(u"default"_s));
    ASSERT_TRUE(platform::flushRegistry().ok);
    EXPECT_EQ(file(dir), input);

    // A change to A rewrites A alone; B's odd lines stay as they were.
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\A"_s, u"new"_s, u"x"_s, REG_SZ);
    ASSERT_TRUE(platform::flushRegistry().ok);
    QByteArray expected = input;
    expected.replace("\n[Software\\\\A" + kTime + "\"\"=\"default\"\n",
                     "\n[Software\\\\A] T\n@=\"default\"\n\"new\"=\"x\"\n");
    EXPECT_EQ(withoutNewTimes(file(dir)), withoutNewTimes(expected));

    // B, split over two sections, becomes one block in Wine's form.
    engine::DeleteRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\B"_s, u"raw"_s);
    ASSERT_TRUE(platform::flushRegistry().ok);
    const QByteArray merged = kHead + "; a comment\n"
        "\n[Software\\\\B] T\n\"A\"=dword:0000002a\n\"wrapped\"=hex:01,02,03\n\"y\"=\"second section\"\n\"z\"=\"last\"\n"
        "\n\n[Software\\\\A] T\n@=\"default\"\n\"new\"=\"x\"\n";
    EXPECT_EQ(withoutNewTimes(file(dir)), merged);
}

TEST_F(RegistryFile, NewKeysAndValuesGoWhereWineWouldPutThem)
{
    const QByteArray input = kHead + "\n[Software\\\\A" + kTime + "\"v\"=\"1\"\n" + "\n[Software\\\\C\\\\D" + kTime +
                             "\"v\"=\"1\"\n" + "\n[Software\\\\E" + kTime;
    const QString dir = makePrefix(input);
    ASSERT_TRUE(platform::openPrefix(dir).ok);
    engine::CreateRegistryKey(HKEY_LOCAL_MACHINE, u"software\\B"_s);
    engine::CreateRegistryKey(HKEY_LOCAL_MACHINE, u"Software\\c\\Ca"_s);
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\C"_s, u"c"_s, u"3"_s, REG_SZ);
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\A"_s, u"a"_s, u"0"_s, REG_SZ);
    engine::CreateRegistryKey(HKEY_LOCAL_MACHINE, u"Software\\E\\Sub"_s);
    engine::CreateRegistryKey(HKEY_LOCAL_MACHINE, u"Software\\Z\\Y"_s);
    engine::DeleteRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\C\\D"_s, u"v"_s);
    ASSERT_TRUE(platform::closePrefix().ok);
    const QByteArray expected = kHead +
        "\n[Software\\\\A] T\n\"a\"=\"0\"\n\"v\"=\"1\"\n"
        "\n[Software\\\\B] T\n"
        "\n[Software\\\\C] T\n\"c\"=\"3\"\n"
        "\n[Software\\\\C\\\\Ca] T\n"
        "\n[Software\\\\C\\\\D] T\n"
        "\n[Software\\\\E] T\n"
        "\n[Software\\\\E\\\\Sub] T\n"
        "\n[Software\\\\Z\\\\Y] T\n";
    EXPECT_EQ(withoutNewTimes(file(dir)), expected);
    // The untouched block keeps its own time.
    EXPECT_TRUE(file(dir).contains("\n[Software\\\\E" + kTime));
}

TEST_F(RegistryFile, KeyLinesSharingTheirStartFindTheirOwnKeys)
{
    // Consecutive key lines that begin alike: a longer name, a child, the
    // same key again, another spelling, escapes and a backslash written as \x5c.
    const QByteArray input = kHead +
        "\n[Software\\\\Ab" + kTime + "\"v\"=\"ab\"\n"
        "\n[Software\\\\Ab\\\\C" + kTime + "\"v\"=\"ab c\"\n"
        "\n[Software\\\\AbC" + kTime + "\"v\"=\"abc\"\n"
        "\n[Software\\\\AbC\\\\C" + kTime + "\"v\"=\"abc c\"\n"
        "\n[Software\\\\AbC\\\\C" + kTime + "\"w\"=\"abc c again\"\n"
        "\n[software\\\\ab\\\\c" + kTime + "\"w\"=\"ab c again\"\n"
        "\n[Software\\\\Q\\]" + kTime + "\"v\"=\"q\"\n"
        "\n[Software\\\\Q\\]\\\\R" + kTime + "\"v\"=\"q r\"\n"
        "\n[Software\\\\x\\x5cy" + kTime + "\"v\"=\"x y\"\n"
        "\n[Software\\\\x\\\\y\\\\z" + kTime + "\"v\"=\"x y z\"\n"
        "\n[Software\\\\x\\xe9" + kTime + "\"v\"=\"x e\"\n";
    const QString dir = makePrefix(input);
    ASSERT_TRUE(platform::openPrefix(dir).ok);
    const QStringList sw = {u"Machine"_s, u"Software"_s};
    struct Case {
        QStringList key;
        const char* name;
        const char* text;
    };
    const Case table[] = {
        {{u"Ab"_s}, "v", "ab"},
        {{u"Ab"_s, u"C"_s}, "v", "ab c"},
        {{u"Ab"_s, u"C"_s}, "w", "ab c again"},
        {{u"AbC"_s}, "v", "abc"},
        {{u"AbC"_s, u"C"_s}, "v", "abc c"},
        {{u"AbC"_s, u"C"_s}, "w", "abc c again"},
        {{u"Q]"_s}, "v", "q"},
        {{u"Q]"_s, u"R"_s}, "v", "q r"},
        {{u"x"_s, u"y"_s}, "v", "x y"},
        {{u"x"_s, u"y"_s, u"z"_s}, "v", "x y z"},
        {{QString::fromUtf16(u"x\u00e9")}, "v", "x e"},
    };
    for (const Case& c : table)
        EXPECT_EQ(rawValue(sw + c.key, QString::fromUtf8(c.name)), utf16z(QString::fromUtf8(c.text)))
            << c.key.join(u'\\').toStdString() << " " << c.name;
    platform::registry::Key* software = nullptr;
    ASSERT_EQ(platform::registry::walk(platform::registry::registryRoot(), sw, false, &software), 0);
    QStringList names;
    for (const auto& child : software->children)
        names << child->name;
    EXPECT_EQ(names, QStringList({u"Ab"_s, u"AbC"_s, u"Q]"_s, u"x"_s, QString::fromUtf16(u"x\u00e9")}));
    platform::registry::markAllFilesChanged();
    ASSERT_TRUE(platform::flushRegistry().ok);
    EXPECT_EQ(file(dir), input);
}

TEST_F(RegistryFile, ValuesStayRightWhileManyKeysAreReadAndSomeChange)
{
    // More keys than the layer keeps decoded at once, so reads and changes
    // meet keys whose values were dropped and decoded again.
    QByteArray input = kHead;
    for (int i = 0; i < 40; ++i)
        input += "\n[Bulk\\\\K" + QByteArray::number(i).rightJustified(2, '0') + kTime + "\"a\"=\"" +
                 QByteArray::number(i) + "\"\n\"b\"=dword:" + QByteArray::number(i, 16).rightJustified(8, '0') + "\n";
    const QString dir = makePrefix(input);
    ASSERT_TRUE(platform::openPrefix(dir).ok);
    const auto key = [](int i) { return QStringList{u"Machine"_s, u"Bulk"_s, QStringLiteral("K%1").arg(i, 2, 10, QLatin1Char('0'))}; };
    const auto dword = [](int i) { return QByteArray(reinterpret_cast<const char*>(&i), 4); };
    const auto check = [&](const char* when) {
        for (int i = 0; i < 40; ++i) {
            const QByteArray a = rawValue(key(i), u"a"_s);
            if (i % 10 == 3)
                EXPECT_EQ(a, "<no value>") << when << " " << i;
            else
                EXPECT_EQ(a, utf16z(QString::number(i))) << when << " " << i;
            EXPECT_EQ(rawValue(key(i), u"b"_s), dword(i)) << when << " " << i;
            EXPECT_EQ(rawValue(key(i), u"c"_s), i % 10 == 7 ? utf16z(u"new"_s) : QByteArray("<no value>")) << when << " " << i;
        }
    };
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 40; ++i) {
            rawValue(key(i), u"a"_s);
            platform::registry::Key* k = nullptr;
            ASSERT_EQ(platform::registry::walk(platform::registry::registryRoot(), key(i), false, &k), 0);
            if (round == 0 && i % 10 == 3) {
                EXPECT_EQ(platform::registry::deleteValue(k, u"A"_s), ERROR_SUCCESS);
            }
            if (round == 0 && i % 10 == 7) {
                EXPECT_EQ(platform::registry::setValue(k, u"c"_s, REG_SZ, utf16z(u"new"_s)), ERROR_SUCCESS);
            }
        }
    }
    check("before saving");
    ASSERT_TRUE(platform::flushRegistry().ok);
    check("after saving");
    ASSERT_TRUE(platform::closePrefix().ok);
    ASSERT_TRUE(platform::openPrefix(dir).ok);
    check("read again");
}

TEST_F(RegistryFile, BadFilesAreRefusedWithTheirLineAndLeftAlone)
{
    struct Case {
        const char* what;
        QByteArray body;
        int line;
    };
    const Case table[] = {
        {"header", "WINE REGISTRY Version 1\n", 1},
        {"value before any key", kHead + "\"a\"=\"b\"\n", 5},
        {"unterminated string", kHead + "\n[K" + kTime + "\"a\"=\"b\n", 8},
        {"bad hex", kHead + "\n[K" + kTime + "\"a\"=hex:01,zz\n", 8},
        {"continuation at the end", kHead + "\n[K" + kTime + "\"a\"=hex:01,\\\n", 8},
        {"unknown type", kHead + "\n[K" + kTime + "\"a\"=word:1\n", 8},
        {"text after the string", kHead + "\n[K" + kTime + "\"a\"=\"b\" c\n", 8},
        {"\\x without digits", kHead + "\n[K" + kTime + "\"a\"=\"\\xg\"\n", 8},
        {"invalid UTF-8", kHead + "\n[K" + kTime + "\"a\"=\"\xff\"\n", 8},
        {"unclosed key", kHead + "\n[K\\\\L 17\n", 6},
        {"empty key name", kHead + "\n[K\\\\\\\\L" + kTime, 6},
        {"no name", kHead + "\n[K" + kTime + "a=\"b\"\n", 8},
        {"bad byte on a wrapped hex line", kHead + "\n[K" + kTime + "\"a\"=hex:01,02,\\\n  03,zz\n", 9},
        {"bad byte two lines on", kHead + "\n[K" + kTime + "\"a\"=hex:01,\\\n  02,\\\n  0x\n\"b\"=\"c\"\n", 10},
        {"backslash not last on a wrapped line", kHead + "\n[K" + kTime + "\"a\"=hex:01,\\\n  02,\\ 03\n", 9},
    };
    for (const Case& c : table) {
        const QString dir = makePrefix(c.body);
        const platform::PrefixError e = platform::openPrefix(dir);
        EXPECT_FALSE(e.ok) << c.what;
        EXPECT_TRUE(e.message.contains(dir + u"/system.reg"_s)) << c.what << ": " << e.message.toStdString();
        if (c.line > 1) {
            EXPECT_TRUE(e.message.contains(QStringLiteral("line %1 ").arg(c.line))) << c.what << ": " << e.message.toStdString();
        }
        EXPECT_FALSE(platform::prefixIsOpen());
        EXPECT_EQ(file(dir), c.body) << c.what;
    }
    // A bad user.reg is refused as well, by its own name.
    const QString dir = makePrefix(kHead, kUserHead + "\n[K" + kTime + "\"a\"=dword:xyz\n");
    const platform::PrefixError e = platform::openPrefix(dir);
    EXPECT_FALSE(e.ok);
    EXPECT_TRUE(e.message.contains(u"user.reg"_s)) << e.message.toStdString();
}

// None of these is the user's doing, and none may hang, eat memory or be
// told as a missing file: each is one sentence naming the file and the
// reason, with nothing written.
TEST_F(RegistryFile, WhatIsNoRegistryFileIsToldWithoutHanging)
{
    const auto fifo = [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0); };
    const auto link = [](const QString& to) {
        return [to](const QString& path) { ASSERT_TRUE(QFile::link(to, path)); };
    };
    const auto chmodPrefix = [](mode_t mode) {
        return [mode](const QString& path) { ASSERT_EQ(::chmod(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), mode), 0); };
    };
    struct Case {
        const char* what;
        const char* file;
        std::function<void(const QString& path)> make;  // given the file's path, gone first
        const char* reason;
    };
    const Case table[] = {
        {"FIFO as system.reg", "system.reg", fifo, "it is not a regular file"},
        {"FIFO as user.reg", "user.reg", fifo, "it is not a regular file"},
        {"FIFO as userdef.reg", "userdef.reg", fifo, "it is not a regular file"},
        {"link to /dev/zero", "system.reg", link(u"/dev/zero"_s), "it is not a regular file"},
        {"user.reg a link to /dev/zero", "user.reg", link(u"/dev/zero"_s), "it is not a regular file"},
        {"userdef.reg a link to /dev/zero", "userdef.reg", link(u"/dev/zero"_s), "it is not a regular file"},
        {"link to nothing", "system.reg", link(u"nowhere.reg"_s), "No such file or directory"},
        {"user.reg a link to nothing", "user.reg", link(u"nowhere.reg"_s), "No such file or directory"},
        {"link to itself", "system.reg", link(u"system.reg"_s), "Too many levels of symbolic links"},
        {"userdef.reg a link to itself", "userdef.reg", link(u"userdef.reg"_s), "Too many levels of symbolic links"},
        {"larger than 1 GiB",
         "system.reg",
         [](const QString& path) {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             ASSERT_TRUE(f.write(kHead) > 0);
             ASSERT_TRUE(f.resize((qint64(1) << 30) + 1));  // sparse: no real gigabyte
         },
         "larger than 1 GiB"},
        {"prefix folder of mode 000", "system.reg", chmodPrefix(0), "Permission denied"},
        {"prefix folder without search right", "system.reg", chmodPrefix(0600), "Permission denied"},
    };
    for (const Case& c : table) {
        const QString dir = makePrefix(kHead);
        const QString path = dir + u"/"_s + QString::fromUtf8(c.file);
        QFile::remove(path);
        c.make(path);
        platform::PrefixError e;
        {
            regtest::NoRootOverride asAnyUser;
            e = platform::openPrefix(dir);
        }
        ::chmod(QFile::encodeName(dir).constData(), 0700);
        EXPECT_FALSE(e.ok) << c.what;
        EXPECT_FALSE(platform::prefixIsOpen()) << c.what;
        EXPECT_TRUE(e.message.startsWith(u"The registry file "_s + path + u" cannot be read: "_s)) << c.what << ": "
                                                                                           << e.message.toStdString();
        EXPECT_TRUE(e.message.contains(QLatin1String(c.reason))) << c.what << ": " << e.message.toStdString();
        EXPECT_FALSE(e.message.contains(u"\n"_s)) << c.what;
        EXPECT_TRUE(regtest::saveLitter(dir).isEmpty()) << c.what;
        platform::closePrefix();
    }
    // A FIFO where Debian's Wine names its server folder is passed over.
    const QString dir = makePrefix(kHead);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + u"/wineserver"_s).constData(), 0644), 0);
    EXPECT_TRUE(platform::openPrefix(dir).ok);
}

// A key line hundreds of thousands of levels deep: read, walked one level
// at a time by handle (every level kept open, as a recursive walk does),
// changed, saved and dropped, with no recursion as deep as the file.
TEST_F(RegistryFile, KeysNestedVeryDeepAreReadWalkedAndSaved)
{
    constexpr int kDepth = 300000;
    QByteArray path = "a";
    path.reserve(kDepth * 3);
    for (int i = 1; i < kDepth; ++i)
        path += "\\\\a";
    const QByteArray deepBlock = "\n[" + path + kTime + "\"v\"=\"deep\"\n";
    const QByteArray input = kHead + deepBlock + "\n[b" + kTime + "\"v\"=\"after\"\n";
    const QString dir = makePrefix(input);
    ASSERT_TRUE(platform::openPrefix(dir).ok);

    std::vector<HKEY> opened;
    opened.reserve(kDepth);
    HKEY h = HKEY_LOCAL_MACHINE;
    for (int i = 0; i < kDepth; ++i) {
        HKEY next = 0;
        const LONG rc = RegOpenKeyExA(h, "A", 0, i + 1 == kDepth ? KEY_ALL_ACCESS : KEY_READ, &next);
        if (rc != ERROR_SUCCESS)
            FAIL() << "level " << i << ": " << rc;
        opened.push_back(next);
        h = next;
    }
    char name[8];
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(h, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    char data[16];
    DWORD dataSize = sizeof data;
    ASSERT_EQ(RegQueryValueExA(h, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &dataSize), ERROR_SUCCESS);
    EXPECT_EQ(QByteArray(data, static_cast<int>(dataSize)), QByteArray("deep", 5));
    ASSERT_EQ(RegSetValueExA(h, "w", 0, REG_SZ, reinterpret_cast<const BYTE*>("new"), 4), ERROR_SUCCESS);
    for (HKEY k : opened)
        RegCloseKey(k);

    ASSERT_TRUE(platform::flushRegistry().ok);
    EXPECT_EQ(withoutNewTimes(file(dir)),
              withoutNewTimes(kHead + "\n[" + path + "] T\n\"v\"=\"deep\"\n\"w\"=\"new\"\n\n[b" + kTime + "\"v\"=\"after\"\n"));
    const QByteArray once = file(dir);
    platform::registry::markAllKeysChanged();
    ASSERT_TRUE(platform::flushRegistry().ok);
    EXPECT_EQ(withoutNewTimes(file(dir)), withoutNewTimes(once));
    ASSERT_TRUE(platform::closePrefix().ok);

    ASSERT_TRUE(platform::openPrefix(dir).ok);
    QStringList keyPath = {u"Machine"_s};
    for (int i = 0; i < kDepth; ++i)
        keyPath << u"a"_s;
    EXPECT_EQ(rawValue(keyPath, u"w"_s), utf16z(u"new"_s));
}

// A link's value as Wine writes it.
QByteArray linkBlock(const QByteArray& path, const QString& target)
{
    QByteArray s = "\n[" + path + kTime + "#link\n\"SymbolicLinkValue\"=hex(6):";
    for (qsizetype i = 0; i < target.size(); ++i) {
        const char16_t u = target.at(i).unicode();
        s += QByteArray::number(u & 0xff, 16).rightJustified(2, '0') + "," +
             QByteArray::number(u >> 8, 16).rightJustified(2, '0') + (i + 1 < target.size() ? "," : "\n");
    }
    return s;
}

quintptr identityOf(const char* path)
{
    HKEY k = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return 0;
    const quintptr id = platform::RegKeyIdentity(k);
    RegCloseKey(k);
    return id;
}

// Links to their own ancestors, to each other, and links whose targets
// pass through the same link chain many times: each open ends soon, and a
// key has one identity however it is reached.
TEST_F(RegistryFile, LinksThatLoopOrFanOutEndSoon)
{
    const QString machine = QStringLiteral("\\Registry\\Machine\\Software\\");
    QByteArray input = kHead;
    // Each Fan\Ln leads through L(n+1) eight times: 8^15 steps if followed blindly.
    for (int n = 1; n <= 16; ++n) {
        QString target = machine + u"Fan"_s;
        for (int i = 0; n < 16 && i < 8; ++i)
            target += QStringLiteral("\\L%1").arg(n + 1);
        input += linkBlock("Software\\\\Fan\\\\L" + QByteArray::number(n), target);
    }
    input += "\n[Software\\\\Loop" + kTime + "\"v\"=\"loop\"\n";
    input += linkBlock("Software\\\\Loop\\\\Back", machine + u"Loop"_s);
    input += linkBlock("Software\\\\Loop\\\\Twice", machine + u"Loop\\Back\\Back"_s);
    input += linkBlock("Software\\\\Mutual1", machine + u"Mutual2"_s);
    input += linkBlock("Software\\\\Mutual2", machine + u"Mutual1"_s);
    input += linkBlock("Software\\\\Self", machine + u"Self"_s);
    const QString dir = makePrefix(input);
    ASSERT_TRUE(platform::openPrefix(dir).ok);

    struct Case {
        const char* path;
        const char* sameAs;  // null: the open fails
    };
    const Case table[] = {
        {"Software\\Fan\\L1", nullptr},
        {"Software\\Fan\\L15", "Software\\Fan"},
        {"Software\\Fan\\L16", "Software\\Fan"},
        {"Software\\Loop\\Back", "Software\\Loop"},
        {"Software\\Loop\\Back\\Back\\Back\\Twice\\Back", "Software\\Loop"},
        {"Software\\Loop\\Twice", "Software\\Loop"},
        {"Software\\Mutual1", nullptr},
        {"Software\\Self\\x", nullptr},
    };
    const quintptr none = 0;
    for (const Case& c : table) {
        const quintptr id = identityOf(c.path);
        if (c.sameAs) {
            EXPECT_NE(id, none) << c.path;
            EXPECT_EQ(id, identityOf(c.sameAs)) << c.path;
        } else {
            EXPECT_EQ(id, none) << c.path;
        }
    }
    // Through a link the key's own values are there, and the link itself
    // is listed under its parent by its own name.
    QString v;
    EXPECT_TRUE(engine::QueryRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Loop\\Back\\Back"_s, u"v"_s, v));
    EXPECT_EQ(v, u"loop"_s);
    HKEY loop = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Loop", 0, KEY_READ, &loop), ERROR_SUCCESS);
    char name[16];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(loop, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Back");
    RegCloseKey(loop);
}

TEST_F(RegistryFile, MissingOrUnreadablePrefixGetsOneClearSentence)
{
    const QString base = testenv::makeTempDir(QStringLiteral("missing"));
    const platform::PrefixError none = platform::openPrefix(base + u"/nowhere"_s);
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.message, u"The Wine prefix "_s + base + u"/nowhere does not exist."_s);

    const platform::PrefixError empty = platform::openPrefix(base);
    EXPECT_FALSE(empty.ok);
    EXPECT_TRUE(empty.message.contains(u"has no system.reg"_s)) << empty.message.toStdString();

    const QString odd = testenv::makeTempDir(QStringLiteral("unreadable"));
    QDir(odd).mkdir(u"system.reg"_s);  // a folder where the file should be
    const platform::PrefixError unreadable = platform::openPrefix(odd);
    EXPECT_FALSE(unreadable.ok);
    EXPECT_TRUE(unreadable.message.startsWith(u"The registry file "_s + odd + u"/system.reg cannot be read"_s))
        << unreadable.message.toStdString();
    EXPECT_EQ(QDir(odd).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 1);

    // No user.reg yet: it is made, with Wine's header, when something goes in.
    const QString fresh = makePrefix(kHead, QByteArray(), QByteArray());
    ASSERT_TRUE(platform::openPrefix(fresh).ok);
    ASSERT_TRUE(platform::closePrefix().ok);
    EXPECT_FALSE(QFile::exists(fresh + u"/user.reg"_s));
    ASSERT_TRUE(platform::openPrefix(fresh).ok);
    engine::SetRegistryValue(HKEY_CURRENT_USER, u"Software\\V"_s, u"a"_s, u"b"_s, REG_SZ);
    ASSERT_TRUE(platform::closePrefix().ok);
    EXPECT_EQ(withoutNewTimes(file(fresh, "user.reg")), kUserHead + "\n[Software\\\\V] T\n\"a\"=\"b\"\n");
}

TEST_F(RegistryFile, AFileChangedOnDiskIsNotOverwritten)
{
    const QString dir = makePrefix(canonical());
    ASSERT_TRUE(platform::openPrefix(dir).ok);
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Types"_s, u"sz"_s, u"changed"_s, REG_SZ);
    const QByteArray theirs = canonical() + "\n[Software\\\\Theirs" + kTime;
    testenv::writeFile(dir + u"/system.reg"_s, theirs);
    const platform::PrefixError e = platform::flushRegistry();
    EXPECT_FALSE(e.ok);
    EXPECT_TRUE(e.message.contains(u"was changed by another program"_s)) << e.message.toStdString();
    EXPECT_EQ(file(dir), theirs);
    // Put back as it was, the pending change goes in.
    testenv::writeFile(dir + u"/system.reg"_s, canonical());
    ASSERT_TRUE(platform::flushRegistry().ok);
    EXPECT_TRUE(file(dir).contains("\"sz\"=\"changed\"\n"));
}

TEST_F(RegistryFile, SaveRunsWhenTheEventLoopIsReachedAndReportsFailure)
{
    const QString dir = makePrefix(canonical());
    ASSERT_TRUE(platform::openPrefix(dir).ok);
    QStringList errors;
    testenv::SeamGuard seams;
    regtest::ErrorBoxes boxes(errors);
    seams.desktop(&boxes);
    engine::WriteRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Types"_s, u"dword"_s, u"7"_s);
    EXPECT_EQ(file(dir), canonical());  // not before control is back in the loop
    QCoreApplication::processEvents();
    EXPECT_TRUE(file(dir).contains("\"dword\"=dword:00000007\n"));
    EXPECT_TRUE(errors.isEmpty());

    testenv::writeFile(dir + u"/system.reg"_s, "edited elsewhere");
    engine::WriteRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Types"_s, u"dword"_s, u"8"_s);
    QCoreApplication::processEvents();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(u"was changed by another program"_s));
    EXPECT_EQ(file(dir), "edited elsewhere");
}

TEST_F(RegistryFile, LinkedFileStaysALinkAndOldTemporaryFilesGo)
{
    const QString dir = makePrefix(canonical());
    const QString elsewhere = testenv::makeTempDir(QStringLiteral("real"));
    QFile::rename(dir + u"/system.reg"_s, elsewhere + u"/system.reg"_s);
    QFile::link(elsewhere + u"/system.reg"_s, dir + u"/system.reg"_s);
    // Left by a save that was killed, from a process that is gone.
    testenv::writeFile(dir + u"/.velmora-save-999999999-abcdef"_s, "torn");
    testenv::writeFile(dir + u"/reg1a2b0000.tmp"_s, "Wine's, not ours");
    ASSERT_TRUE(platform::openPrefix(dir).ok);
    EXPECT_FALSE(QFile::exists(dir + u"/.velmora-save-999999999-abcdef"_s));
    EXPECT_TRUE(QFile::exists(dir + u"/reg1a2b0000.tmp"_s));
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Types"_s, u"sz"_s, u"via link"_s, REG_SZ);
    ASSERT_TRUE(platform::closePrefix().ok);
    EXPECT_TRUE(QFileInfo(dir + u"/system.reg"_s).isSymLink());
    EXPECT_TRUE(file(elsewhere).contains("\"sz\"=\"via link\"\n"));
}

// A saving process killed at any moment leaves the old file or the new one,
// whole, and the next open clears what the killed save left.
QByteArray bigRegistry()
{
    QByteArray big = kHead;
    for (int i = 0; i < 4000; ++i)
        big += "\n[Software\\\\Bulk\\\\K" + QByteArray::number(i) + kTime + "\"v\"=\"" + QByteArray(100, 'x') + "\"\n";
    return big;
}

// Sets both markers to `n`: a whole file has them equal.
void setMarkers(int n)
{
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Marker"_s, u"n"_s, QString::number(n), REG_SZ);
    engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Marker"_s, u"copy"_s, QString::number(n), REG_SZ);
}

// Opens the prefix a killed process saved into and checks it is whole:
// it loads, the markers agree, the last bulk key is there, no litter
// stays. The marker, or -1 when there is none.
int checkWholeAfterKill(const QString& dir)
{
    const platform::PrefixError opened = platform::openPrefix(dir);
    EXPECT_TRUE(opened.ok) << opened.message.toStdString();
    if (!opened.ok)
        return -2;
    EXPECT_TRUE(regtest::saveLitter(dir).isEmpty()) << "the killed save's file is still there";
    QString bulk;
    EXPECT_TRUE(engine::QueryRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Bulk\\K3999"_s, u"v"_s, bulk));
    QString n;
    QString copy;
    const bool hasN = engine::QueryRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Marker"_s, u"n"_s, n);
    const bool hasCopy = engine::QueryRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Marker"_s, u"copy"_s, copy);
    EXPECT_EQ(hasN, hasCopy);
    EXPECT_EQ(n, copy);
    EXPECT_TRUE(platform::closePrefix().ok);
    return hasN ? n.toInt() : -1;
}

// Waits for one message of a child; false when none came in 60 s.
bool readFromChild(int fd, void* buf, size_t size)
{
    auto* at = static_cast<char*>(buf);
    while (size > 0) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 60000) <= 0)
            return false;
        const ssize_t n = ::read(fd, at, size);
        if (n <= 0)
            return false;
        at += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int g_stageFd = -1;
platform::registry::SaveStage g_stopAt;

// In the child: tells the parent it is at the stage, then waits to be killed.
void stopAtStage(platform::registry::SaveStage stage)
{
    if (stage != g_stopAt)
        return;
    const char c = 's';
    if (::write(g_stageFd, &c, 1) == 1) {
        for (;;)
            ::pause();
    }
}

// Killed at each point of a save, whatever the machine's speed: the child
// stops there and says so, and only then is it killed.
TEST_F(RegistryFile, KilledAtEachPointOfASaveLeavesOldOrNewFile)
{
    using platform::registry::SaveStage;
    struct Case {
        const char* what;
        SaveStage stage;
        bool newFile;  // the new file is in place when killed
    };
    const Case table[] = {
        {"part of the new file written", SaveStage::PartWritten, false},
        {"new file written and flushed", SaveStage::Flushed, false},
        {"new file put in place", SaveStage::Renamed, true},
    };
    const QString dir = makePrefix(bigRegistry());
    int marker = 0;
    for (const Case& c : table) {
        ++marker;
        const QByteArray before = file(dir);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            g_stageFd = fds[1];
            g_stopAt = c.stage;
            platform::registry::setSaveStageHook(stopAtStage);
            if (!platform::openPrefix(dir).ok)
                ::_exit(3);
            setMarkers(marker);
            platform::flushRegistry();
            ::_exit(4);  // never reached the stage
        }
        ::close(fds[1]);
        char c1 = 0;
        const bool stopped = readFromChild(fds[0], &c1, 1);
        ::close(fds[0]);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(stopped) << c.what << ": the child never reached the stage (status " << status << ")";
        ASSERT_TRUE(WIFSIGNALED(status)) << c.what;
        if (c.newFile) {
            EXPECT_NE(file(dir), before) << c.what;
            EXPECT_TRUE(regtest::saveLitter(dir).isEmpty()) << c.what;
        } else {
            EXPECT_EQ(file(dir), before) << c.what;
            EXPECT_EQ(regtest::saveLitter(dir).size(), 1) << c.what << ": the kill did not land inside the save";
        }
        const int found = checkWholeAfterKill(dir);
        EXPECT_EQ(found, c.newFile ? marker : marker - 1 > 0 ? marker - 1 : -1) << c.what;
        if (!c.newFile) {
            // The next round starts from this file: put the new marker in.
            ASSERT_TRUE(platform::openPrefix(dir).ok);
            setMarkers(marker);
            ASSERT_TRUE(platform::closePrefix().ok);
        }
    }
}

// And at moments nobody chose: a child saves again and again, telling the
// parent each marker it saved; the parent kills it at a point spread over
// one save's time as measured on this machine.
TEST_F(RegistryFile, KilledAtAnyMomentOfRepeatedSavesLeavesAWholeFile)
{
    const QString dir = makePrefix(bigRegistry());
    constexpr int kRounds = 8;
    for (int round = 0; round < kRounds; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            if (!platform::openPrefix(dir).ok)
                ::_exit(3);
            for (int n = round * 100000;; ++n) {
                setMarkers(n);
                if (!platform::flushRegistry().ok || ::write(fds[1], &n, sizeof n) != sizeof n)
                    ::_exit(5);
            }
        }
        ::close(fds[1]);
        // Two saves done: the time between them is one cycle here.
        int saved = -1;
        bool heard = readFromChild(fds[0], &saved, sizeof saved);
        const auto first = std::chrono::steady_clock::now();
        heard = heard && readFromChild(fds[0], &saved, sizeof saved);
        const auto cycle = std::chrono::steady_clock::now() - first;
        if (heard)
            ::usleep(static_cast<useconds_t>(std::chrono::duration_cast<std::chrono::microseconds>(cycle).count() * round / kRounds));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        // Saves the child finished before it died.
        int n = 0;
        while (::read(fds[0], &n, sizeof n) == sizeof n)
            saved = n;
        ::close(fds[0]);
        ASSERT_TRUE(heard) << "the child saved nothing (status " << status << ")";
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process ended by itself";
        const int found = checkWholeAfterKill(dir);
        EXPECT_TRUE(found == saved || found == saved + 1) << "saved " << saved << ", found " << found;
    }
}

}  // namespace
