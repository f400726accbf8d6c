// Scrambling, backup names and record lines, the settings store and the
// silent desktop: everything that needs no prefix.
#include "engine/backup.h"
#include "engine/backupstore.h"
#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/settings.h"
#include "platform/shell.h"
#include "tests/support/oddfiles.h"
#include "tests/support/seamguard.h"
#include "tests/support/testenv.h"
#include "tests/support/watchdog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

using namespace engine;

namespace {

QString fromCodes(std::initializer_list<int> codes)
{
    QByteArray bytes;
    for (int c : codes)
        bytes.append(static_cast<char>(c));
    return platform::fromAnsi(bytes);
}

ProblemRow sampleRow()
{
    ProblemRow r;
    r.MainKey = QStringLiteral("-2147483646");
    r.KeyName = QStringLiteral("Tool");
    r.KeyValue = QStringLiteral("C:\\WINDOWS\\system32\\tool.exe");
    r.RegistryScanners = QStringLiteral("Startup Programs");
    r.FullKeyPath = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    r.mainkeyname = QStringLiteral("HKEY_LOCAL_MACHINE");
    r.DefaultOrNot = QStringLiteral("Yes");
    return r;
}

}  // namespace

TEST(Scrambling, ShiftsByTenBothWays)
{
    EXPECT_EQ(EncodeText(QStringLiteral("abc")), QStringLiteral("klm"));
    EXPECT_EQ(DecodeText(QStringLiteral("klm")), QStringLiteral("abc"));
    EXPECT_EQ(EncodeText(QString()), QString());
    EXPECT_EQ(DecodeText(QString()), QString());
    // Line ends are data like any other character inside a text.
    EXPECT_EQ(EncodeText(QStringLiteral("\r\n")), fromCodes({23, 20}));
}

TEST(Scrambling, HighCodesWrapInsteadOfBeingDropped)
{
    // 250 (u with circumflex) becomes 4, and 5 decodes to 251: nothing is lost.
    EXPECT_EQ(EncodeText(fromCodes({'a', 250, 'b'})), fromCodes({'k', 4, 'l'}));
    EXPECT_EQ(DecodeText(fromCodes({'k', 5, 'l'})), fromCodes({'a', 251, 'b'}));
}

TEST(Scrambling, AllCodesRoundTripThroughTheFileBytes)
{
    QByteArray all;
    for (int c = 0; c < 256; ++c)
        all.append(static_cast<char>(c));
    const QString plain = platform::fromAnsi(all);
    const QByteArray onDisk = platform::toAnsi(EncodeText(plain));
    ASSERT_EQ(onDisk.size(), 256);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(static_cast<unsigned char>(onDisk[c]), (c + 10) % 256) << "code " << c;
    EXPECT_EQ(platform::toAnsi(DecodeText(platform::fromAnsi(onDisk))), all);
}

TEST(BackupName, DateAndTimeFromTheClock)
{
    {
        testenv::SeamGuard seams;
        seams.clock([] { return QDateTime(QDate(2007, 3, 13), QTime(14, 5, 9)); });
        EXPECT_EQ(BackupFileName(platform::currentDateTime()),
                  QStringLiteral("BackupTuesday, March 13, 2007 --- 14-05-09"));
        EXPECT_EQ(BackupFileName(QDateTime(QDate(2031, 12, 1), QTime(0, 0, 0))),
                  QStringLiteral("BackupMonday, December 1, 2031 --- 00-00-00"));
    }
    EXPECT_LE(qAbs(platform::currentDateTime().secsTo(QDateTime::currentDateTime())), 5);
}

TEST(BackupName, SurvivesTheRescueCentersRowText)
{
    // The Rescue Center shows each backup as date "  at   " time, read back
    // out of the names the fix gives; distinct names give distinct rows.
    const QDateTime when(QDate(2024, 9, 30), QTime(23, 59, 58));
    EXPECT_EQ(BackupRowText(BackupFileName(when)), QStringLiteral("Monday, September 30, 2024  at   23:59:58"));
    EXPECT_NE(BackupRowText(BackupFileName(when)), BackupRowText(BackupFileName(when.addSecs(1))));
    const struct {
        const char* name;
        const char* row;
    } cases[] = {
        {"backupFriday, March 16, 2007 --- 09-05-01", "Friday, March 16, 2007  at   09:05:01"},
        {"Old BACKUP x --- 1-2", "x  at   1:2"},
        {"Backup without a time", "  at   "},
        {"Backup---", "  at   "},  // "---" must stand after the word
        {"My backup --- 10-15-30 copy", "  at   10:15:30 copy"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BackupRowText(QLatin1String(c.name)), QLatin1String(c.row)) << c.name;
}

TEST(BackupRecord, OnlyWholeLinesAreRecords)
{
    const QString six = QStringLiteral("R^HKEY_CURRENT_USER^Software\\Test^C:\\a.exe^App^Yes");
    const auto old = ParseBackupLine(six);
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(old->rootName, QStringLiteral("HKEY_CURRENT_USER"));
    EXPECT_EQ(old->keyPath, QStringLiteral("Software\\Test"));
    EXPECT_EQ(old->lookedFor, QStringLiteral("C:\\a.exe"));
    EXPECT_EQ(old->valueName, QStringLiteral("App"));
    EXPECT_EQ(old->bareFlag, QStringLiteral("Yes"));
    EXPECT_FALSE(old->value.has_value());

    const auto whole = ParseBackupLine(six + QStringLiteral("^4:05000000"));
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(whole->value, (RegistryValueData{REG_DWORD, QByteArray("\x05\x00\x00\x00", 4)}));

    const struct {
        const char* what;
        QString line;
    } notRecords[] = {
        {"cut in the value field", six + QStringLiteral("^1:433a5")},
        {"cut after its separator", six + QStringLiteral("^")},
        {"cut in the key path", QStringLiteral("R^HKEY_CURRENT_USER^Software\\Te")},
        {"five fields", QStringLiteral("R^HKEY_CURRENT_USER^Software\\Test^C:\\a.exe^App")},
        {"an eighth field", six + QStringLiteral("^4:05000000^x")},
        {"two records run together", six + QStringLiteral("^1:43") + six + QStringLiteral("^1:4300")},
        {"a bad value field", six + QStringLiteral("^1:zz")},
    };
    for (const auto& c : notRecords)
        EXPECT_FALSE(ParseBackupLine(c.line).has_value()) << c.what;
}

TEST(BackupRecord, ValueFieldRoundTrips)
{
    const struct {
        RegistryValueData value;
        const char* field;
    } cases[] = {
        {{REG_SZ, QByteArray("C:\\x", 5)}, "1:433a5c7800"},
        {{REG_DWORD, QByteArray("\x01\x00\x00\x00", 4)}, "4:01000000"},
        {{REG_BINARY, QByteArray()}, "3:"},
        {{REG_QWORD, QByteArray("\xff\xfe\x00\x00\x00\x00\x00\x80", 8)}, "11:fffe000000000080"},
        {{0xFFFF0007u, QByteArray("\x03", 1)}, "4294901767:03"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeValueField(c.value), QLatin1String(c.field));
        const auto back = DecodeValueField(QLatin1String(c.field));
        ASSERT_TRUE(back.has_value()) << c.field;
        EXPECT_EQ(*back, c.value) << c.field;
    }
}

TEST(BackupRecord, MalformedValueFieldsAreRefused)
{
    for (const char* bad : {"", ":00", "x:00", "1", "1:0", "1:zz", "1 :00", "-1:00", "4294967296:00", "12345678901:00",
                            "1:00 "}) {
        EXPECT_FALSE(DecodeValueField(QLatin1String(bad)).has_value()) << '"' << bad << '"';
    }
    EXPECT_TRUE(DecodeValueField(QStringLiteral("1:4A00")).has_value());
}

TEST(BackupRecord, SixFieldsWithoutTheValueSevenWithIt)
{
    const ProblemRow row = sampleRow();
    EXPECT_EQ(BackupRecordLine(row, std::nullopt),
              QStringLiteral("R^HKEY_LOCAL_MACHINE^SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run^"
                             "C:\\WINDOWS\\system32\\tool.exe^Tool^Yes"));
    EXPECT_EQ(BackupRecordLine(row, RegistryValueData{REG_SZ, QByteArray("t", 2)}),
              BackupRecordLine(row, std::nullopt) + QStringLiteral("^1:7400"));
}

TEST(BackupRecord, RefusesFieldsTheLineCannotCarry)
{
    // A "^" would shift the fields; code 3 scrambles into a carriage return.
    ProblemRow caret = sampleRow();
    caret.KeyName = QStringLiteral("a^b");
    EXPECT_TRUE(BackupRecordLine(caret, std::nullopt).isEmpty());
    ProblemRow control = sampleRow();
    control.FullKeyPath += QChar(3);
    EXPECT_TRUE(BackupRecordLine(control, RegistryValueData{REG_SZ, {}}).isEmpty());
    // Other control characters and high codes are fine.
    ProblemRow fine = sampleRow();
    fine.KeyValue = QStringLiteral("C:\\caf") + QChar(0xE9) + QChar(9) + QStringLiteral("\r\n.exe");
    EXPECT_FALSE(BackupRecordLine(fine, std::nullopt).isEmpty());
    EXPECT_FALSE(AppendBackupRecord(QStringLiteral("C:\\nowhere\\x"), QString()));
}

TEST(Settings, StoresTextsPerApplicationSectionAndKey)
{
    using platform::GetSetting;
    using platform::SaveSetting;
    const QString app = QStringLiteral("Velmora 2007");
    const QString section = QStringLiteral("MySettings");
    EXPECT_EQ(GetSetting(app, section, QStringLiteral("ChkFileTypes"), QStringLiteral("1")), QStringLiteral("1"));
    EXPECT_EQ(GetSetting(app, section, QStringLiteral("ChkFileTypes")), QString());

    SaveSetting(app, section, QStringLiteral("ChkFileTypes"), QStringLiteral("0"));
    SaveSetting(app, section, QStringLiteral("ViewToolbar"), QStringLiteral("False"));
    SaveSetting(app, QStringLiteral("Other"), QStringLiteral("ChkFileTypes"), QStringLiteral("x, y"));
    SaveSetting(QStringLiteral("Another App"), section, QStringLiteral("ChkFileTypes"), QStringLiteral("7"));
    EXPECT_EQ(GetSetting(app, section, QStringLiteral("ChkFileTypes"), QStringLiteral("1")), QStringLiteral("0"));
    EXPECT_EQ(GetSetting(app, section, QStringLiteral("ViewToolbar"), QStringLiteral("1")), QStringLiteral("False"));
    EXPECT_EQ(GetSetting(app, QStringLiteral("Other"), QStringLiteral("ChkFileTypes")), QStringLiteral("x, y"));
    EXPECT_EQ(GetSetting(QStringLiteral("Another App"), section, QStringLiteral("ChkFileTypes")), QStringLiteral("7"));

    // The store lives in the test's own configuration folder.
    const QString ini = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Velmora 2007.ini");
    EXPECT_TRUE(ini.startsWith(testenv::scratchRoot()));
    ASSERT_TRUE(QFile::exists(ini));
    EXPECT_TRUE(testenv::readFile(ini).contains("ViewToolbar=False"));
}

// The store is read and replaced only as a regular file, or through a link
// to one. Anything else there is never waited on, read through or written
// over: it reads as an empty store and a change is not saved.
TEST(Settings, OnlyARegularFileIsReadOrReplaced)
{
    using platform::GetSetting;
    using platform::SaveSetting;
    const QString app = QStringLiteral("Velmora Odd Store");
    const QString section = QStringLiteral("MySettings");
    const QString ini = QSettings(QSettings::IniFormat, QSettings::UserScope, app).fileName();
    EXPECT_EQ(platform::settingsFilePath(app), ini);
    const QString configDir = QFileInfo(ini).absolutePath();
    QDir().mkpath(configDir);
    const auto litter = [](const QString& dir) {
        return QDir(dir).entryList({QStringLiteral(".velmora-settings-*")}, QDir::Files | QDir::Hidden | QDir::System);
    };

    const testenv::Watchdog watchdog("settings over a store that is no regular file");
    for (const testenv::OddKind kind : testenv::kOddKinds) {
        QFile::remove(ini);
        const QString target = testenv::makeOdd(kind, ini);
        ASSERT_FALSE(target.isEmpty()) << testenv::describe(kind);
        const mode_t node = testenv::nodeType(target);
        const qint64 size = QFileInfo(target).size();
        EXPECT_EQ(GetSetting(app, section, QStringLiteral("ChkFileTypes"), QStringLiteral("1")), QStringLiteral("1"))
            << testenv::describe(kind);
        SaveSetting(app, section, QStringLiteral("ChkFileTypes"), QStringLiteral("0"));
        EXPECT_EQ(testenv::nodeType(target), node) << testenv::describe(kind);
        EXPECT_EQ(QFileInfo(target).size(), size) << testenv::describe(kind);
        EXPECT_EQ(testenv::nodeType(ini), target == ini ? node : S_IFLNK) << testenv::describe(kind);
        EXPECT_TRUE(litter(configDir).isEmpty()) << testenv::describe(kind);
        EXPECT_TRUE(litter(QFileInfo(target).absolutePath()).isEmpty()) << testenv::describe(kind);
    }

    // A link to a regular file is read and written through; the link stays
    // and the file keeps its mode.
    QFile::remove(ini);
    const QString real = testenv::makeTempDir(QStringLiteral("dotfiles")) + QStringLiteral("/store.ini");
    ASSERT_TRUE(testenv::writeFile(real, "[MySettings]\nViewToolbar=False\n"));
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(real, ini));
    EXPECT_EQ(GetSetting(app, section, QStringLiteral("ViewToolbar")), QStringLiteral("False"));
    SaveSetting(app, section, QStringLiteral("ChkFileTypes"), QStringLiteral("0"));
    EXPECT_EQ(testenv::nodeType(ini), S_IFLNK);
    EXPECT_EQ(GetSetting(app, section, QStringLiteral("ChkFileTypes")), QStringLiteral("0"));
    EXPECT_EQ(GetSetting(app, section, QStringLiteral("ViewToolbar")), QStringLiteral("False"));
    EXPECT_TRUE(testenv::readFile(real).contains("ChkFileTypes=0"));
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_TRUE(litter(QFileInfo(real).absolutePath()).isEmpty());
    QFile::remove(ini);
}

TEST(Settings, TextConversions)
{
    const struct {
        const char* text;
        std::optional<bool> boolean;
        std::optional<short> integer;
    } cases[] = {
        {"1", true, 1},           {"0", false, 0},       {"True", true, std::nullopt},
        {"false", false, std::nullopt}, {" -1 ", true, -1}, {"2.5", true, 2},
        {"3.5", true, 4},         {"40000", true, std::nullopt}, {"&H10", true, 16},
        {"abc", std::nullopt, std::nullopt}, {"", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::textToBoolean(QLatin1String(c.text)), c.boolean) << c.text;
        EXPECT_EQ(platform::textToInteger(QLatin1String(c.text)), c.integer) << c.text;
    }
}

TEST(SilentDesktop, AnswersTheHarmlessButton)
{
    testenv::SeamGuard seams;
    seams.desktop(nullptr);
    EXPECT_EQ(platform::MsgBox(QStringLiteral("Done."), 64, QStringLiteral("Velmora 2007")), 1);
    EXPECT_EQ(platform::MsgBox(QStringLiteral("Delete?"), 36, QStringLiteral("Velmora 2007")), 7);
    EXPECT_EQ(platform::MsgBox(QStringLiteral("Go on?"), 1, QStringLiteral("Velmora 2007")), 2);
    EXPECT_TRUE(platform::desktop().browseForFolder(QStringLiteral("Choose directory...")).isEmpty());
}

TEST(DesktopEntry, ExecLineBecomesTheCommand)
{
    const QString dir = testenv::makeTempDir(QStringLiteral("entries"));
    const struct {
        const char* exec;
        QStringList expected;
    } cases[] = {
        {"/usr/bin/browser %u", {u"/usr/bin/browser"_s, u"https://x/"_s}},
        {"browser --new %U --flag", {u"browser"_s, u"--new"_s, u"https://x/"_s, u"--flag"_s}},
        {"\"/opt/my browser/run\" %i %c %k %f", {u"/opt/my browser/run"_s, u"https://x/"_s}},
        {"browser --p=100%%", {u"browser"_s, u"--p=100%"_s, u"https://x/"_s}},
        {"env A=1 browser\\s--x", {u"env"_s, u"A=1"_s, u"browser"_s, u"--x"_s, u"https://x/"_s}},
        {"\"say \\\"hi\\\"\" %u", {u"say \"hi\""_s, u"https://x/"_s}},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString file = dir + QStringLiteral("/e%1.desktop").arg(++n);
        testenv::writeFile(file, QByteArray("[Desktop Entry]\nType=Application\nName=B\nExec=") + c.exec
                                     + "\n[Desktop Action x]\nExec=other %u\n");
        EXPECT_EQ(platform::desktopEntryCommand(file, {QStringLiteral("https://x/")}), c.expected) << c.exec;
    }
    EXPECT_TRUE(platform::desktopEntryCommand(dir + QStringLiteral("/missing.desktop"), {}).isEmpty());
}
