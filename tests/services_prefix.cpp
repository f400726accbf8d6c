// Backups, restore and the window and shell services on a small prefix made
// by hand (no Wine needed): registry files, drive C: and drive Z:.
#include "engine/backup.h"
#include "engine/backupstore.h"
#include "engine/fix.h"
#include "engine/registryaccess.h"
#include "engine/services.h"
#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "platform/regkey.h"
#include "platform/shell.h"
#include "platform/winfile.h"
#include "platform/winreg.h"
#include "tests/support/oddfiles.h"
#include "tests/support/prefixbuilder.h"
#include "tests/support/seamguard.h"
#include "tests/support/testenv.h"
#include "tests/support/watchdog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <csignal>
#include <memory>
#include <optional>
#include <vector>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

using namespace engine;

namespace {

QString g_prefix;
QString g_driveC;
// The program folder, for the whole suite.
std::unique_ptr<testenv::SeamGuard> g_suiteSeams;

testenv::PrefixBuilder servicesRegistry()
{
    testenv::PrefixBuilder b;
    b.system(u"Software\\Classes\\Velmora.Test\\DefaultIcon"_s).sz({}, u"C:\\icons\\app.ico"_s);
    b.system(u"Software\\Microsoft\\Windows NT\\CurrentVersion"_s).sz(u"SystemRoot"_s, u"C:\\windows"_s);
    b.system(u"Software\\Microsoft\\Windows\\CurrentVersion\\Run"_s);
    // String data that the ANSI functions cannot hand out exactly, and some
    // that they can.
    b.system(u"Software\\Velmora Unicode"_s)
        .sz(u"Cyrillic"_s, QStringLiteral("C:\\gone\\tool.exe /\x416"))
        .hex(u"Multi"_s, 0x7, QByteArray::fromHex("43003a005c006d002e006500780065000000160400000000"))
        .hex(u"Odd"_s, 0x1, QByteArray::fromHex("43003a005c006f002e0065007800650000"))
        .sz(u"Latin"_s, QStringLiteral("C:\\caf\xe9\\gone.exe"));
    b.user(u"Software\\Velmora Test"_s);
    b.userDefault(u"Software\\Velmora Test"_s);
    return b;
}

// Records what the windows would have been asked to do.
class RecordingDesktop : public platform::Desktop {
public:
    int messageBox(const QString&, int, const QString&) override { return 1; }
    QString browseForFolder(const QString& title) override
    {
        titles << title;
        return folderAnswer;
    }
    void playSound(const QString& path) override { sounds << path; }
    void setWindowAlpha(QObject* w, int alpha) override { alphas.push_back({w, alpha}); }

    QString folderAnswer;
    QStringList titles;
    QStringList sounds;
    std::vector<std::pair<QObject*, int>> alphas;
};

std::optional<RegistryValueData> readValue(HKEY root, const char* key, const char* name)
{
    return ReadValueForBackup(root, QString::fromLatin1(key), QString::fromLatin1(name));
}

void setValue(HKEY root, const char* key, const char* name, DWORD type, const QByteArray& bytes)
{
    HKEY k = 0;
    ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(bytes.constData()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

QByteArray sz(const char* text)
{
    return QByteArray(text, static_cast<qsizetype>(qstrlen(text)) + 1);
}

// A checked row naming one value under HKEY_LOCAL_MACHINE or
// HKEY_CURRENT_USER, as a scan lists it: the section's rule gives the file
// path a value's data names as it stands.
ProblemRow checkedRow(HKEY root, const QString& keyPath, const QString& name, const QString& lookedFor)
{
    ProblemRow row;
    row.RegistryScanners = QStringLiteral("File paths and history list");
    row.MainKey = QString::number(static_cast<qint32>(root));
    row.mainkeyname = root == HKEY_LOCAL_MACHINE ? QStringLiteral("HKEY_LOCAL_MACHINE") : QStringLiteral("HKEY_CURRENT_USER");
    row.FullKeyPath = keyPath;
    row.KeyName = name;
    row.KeyValue = lookedFor;
    row.Checked = true;
    return row;
}

// The fix of every checked row of `list`, in one registry batch.
FixReport fixInOneBatch(ProblemList& list)
{
    class NoPump : public FixObserver {
    public:
        void pump() override {}
    } pump;
    platform::RegistryBatch batch;
    FixReport report = FixRows(list, pump);
    EXPECT_TRUE(batch.finish().ok);
    return report;
}

class ServicesOnPrefix : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_prefix = testenv::makeTempDir(QStringLiteral("prefix"));
        g_driveC = g_prefix + QStringLiteral("/drive_c");
        ASSERT_TRUE(servicesRegistry()
                        .folder(u"drive_c/windows/system32"_s)
                        .folder(u"drive_c/users/me/Temp"_s)
                        .drive(u"c:"_s, u"../drive_c"_s)
                        .drive(u"z:"_s, u"/"_s)
                        .write(g_prefix));
        const platform::PrefixError opened = platform::openPrefix(g_prefix);
        ASSERT_TRUE(opened.ok) << qPrintable(opened.message);
        QDir().mkpath(g_driveC + QStringLiteral("/velmora"));
        g_suiteSeams = std::make_unique<testenv::SeamGuard>();
        g_suiteSeams->programFolder(g_driveC + QStringLiteral("/velmora"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(testenv::makeTempDir(QStringLiteral("xdgdata"))));
    }
    static void TearDownTestSuite()
    {
        platform::closePrefix();
        g_suiteSeams.reset();
    }
    void SetUp() override
    {
        ASSERT_TRUE(platform::prefixIsOpen());
        seams.desktop(&desk);
    }
    static QString onC(const QString& rel) { return g_driveC + QLatin1Char('/') + rel; }

    RecordingDesktop desk;
    testenv::SeamGuard seams;
};

// The peak resident size since the last reset, in KiB; -1 when the system
// cannot tell or cannot reset it.
long peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

bool resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

// ---- services -----------------------------------------------------------

TEST_F(ServicesOnPrefix, CountFileLinesCountsCrAndCrLfEndedLines)
{
    const struct {
        const char* name;
        QByteArray bytes;
        int lines;
    } cases[] = {
        {"three.txt", "a\r\nb\r\nc\r\n", 3},
        {"empty.txt", "", 0},
        {"noend.txt", "a\r\nb", 2},
        {"cronly.txt", "a\rb\rc", 3},
        {"blank.txt", "\r\n\r\n", 2},
        {"lfonly.txt", "a\nb\n", 1},  // a lone LF does not end a line
        {"scrambled.txt", QByteArray("\x5c\x68\x52\r\n\x00\x01\r\n", 9), 2},
        // A CR that ends one 64 KiB piece of the file and its LF that starts the next.
        {"split.txt", QByteArray(65535, 'a') + "\r\n", 1},
        {"splitmore.txt", QByteArray(65535, 'a') + "\r\nb", 2},
    };
    for (const auto& c : cases) {
        testenv::writeFile(onC(QStringLiteral("lines/") + QLatin1String(c.name)), c.bytes);
        EXPECT_EQ(CountFileLines(QStringLiteral("C:\\lines\\") + QLatin1String(c.name)), c.lines) << c.name;
    }
    // Missing and hidden files count 0, as does a folder.
    testenv::writeFile(onC(QStringLiteral("lines/.hidden")), "a\r\nb\r\n");
    for (const char* path : {"C:\\lines\\missing.txt", "C:\\lines\\.hidden", "C:\\lines", "Q:\\x.txt"}) {
        EXPECT_EQ(CountFileLines(QLatin1String(path)), 0) << path;
    }
}

TEST_F(ServicesOnPrefix, AlertSoundPlaysOnlyWhenTheFileIsThere)
{
    QFile::remove(onC(QStringLiteral("velmora/Alert.wav")));
    PlayAlertSound();
    EXPECT_TRUE(desk.sounds.isEmpty());
    testenv::writeFile(onC(QStringLiteral("velmora/Alert.wav")), "RIFF");
    PlayAlertSound();
    ASSERT_EQ(desk.sounds.size(), 1);
    EXPECT_EQ(QFileInfo(desk.sounds[0]).canonicalFilePath(),
              QFileInfo(onC(QStringLiteral("velmora/Alert.wav"))).canonicalFilePath());

    // The player would wait on a named pipe or load an outsize file whole.
    for (const testenv::OddKind kind : testenv::kOddKinds) {
        QFile::remove(onC(QStringLiteral("velmora/Alert.wav")));
        ASSERT_FALSE(testenv::makeOdd(kind, onC(QStringLiteral("velmora/Alert.wav"))).isEmpty());
        desk.sounds.clear();
        PlayAlertSound();
        EXPECT_TRUE(desk.sounds.isEmpty()) << testenv::describe(kind);
    }
    QFile::remove(onC(QStringLiteral("velmora/Alert.wav")));
}

TEST_F(ServicesOnPrefix, FolderBrowserAnswersWithAWindowsPath)
{
    QDir().mkpath(onC(QStringLiteral("Data")));
    desk.folderAnswer = onC(QStringLiteral("Data"));
    EXPECT_EQ(BrowseForFolder(), QStringLiteral("C:\\Data"));
    desk.folderAnswer.clear();
    EXPECT_EQ(BrowseForFolder(), QString());
    ASSERT_EQ(desk.titles.size(), 2);
    EXPECT_EQ(desk.titles[0], QStringLiteral("Choose directory..."));
}

TEST_F(ServicesOnPrefix, WindowAlphaOnlyWithinRange)
{
    QObject window;
    for (int alpha : {0, 255, 128, -1, 256, 1000})
        SetWindowAlpha(&window, alpha);
    ASSERT_EQ(desk.alphas.size(), 3u);
    EXPECT_EQ(desk.alphas[0].second, 0);
    EXPECT_EQ(desk.alphas[1].second, 255);
    EXPECT_EQ(desk.alphas[2].second, 128);
    EXPECT_EQ(desk.alphas[0].first, &window);
}

TEST_F(ServicesOnPrefix, WebPageOpensWithTheDesktopsBrowserAndTheProbeGoes)
{
    const QString apps = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    testenv::writeFile(apps + QStringLiteral("/velmora-testbrowser.desktop"),
                       "[Desktop Entry]\nType=Application\nName=Test\nExec=testbrowser --new-window %u\n");

    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const QString probe = platform::fromAnsi(QByteArray(temp)) + QStringLiteral("temphtm.htm");

    QStringList askedTypes;
    QByteArray probeSeen;
    seams.defaultAppQuery([&](const QString& type) {
        askedTypes << type;
        probeSeen = testenv::readFile(platform::toLinuxPath(probe));
        return QStringLiteral("velmora-testbrowser.desktop");
    });
    struct Started {
        QString program;
        QStringList args;
    };
    std::vector<Started> started;
    seams.processStarter([&](const QString& p, const QStringList& a, const QStringList&) {
        started.push_back({p, a});
        return true;
    });

    OpenWebPage(nullptr, QStringLiteral("  ") + SupportPageAddress() + QStringLiteral(" "), QStringLiteral("htm"));
    EXPECT_EQ(askedTypes, QStringList{QStringLiteral("text/html")});
    EXPECT_EQ(probeSeen, QByteArray("\"\"\r\n"));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, QStringLiteral("testbrowser"));
    EXPECT_EQ(started[0].args, (QStringList{QStringLiteral("--new-window"), SupportPageAddress()}));
    EXPECT_TRUE(platform::toLinuxPath(probe).isEmpty()) << "probe file left behind";
    // The pages are the help page of the program folder and its sections.
    const QString page = QUrl::fromLocalFile(g_driveC + QStringLiteral("/velmora/help.htm")).toString();
    EXPECT_EQ(HomePageAddress(), page);
    EXPECT_EQ(SupportPageAddress(), page + QStringLiteral("#support"));
    EXPECT_EQ(ProductPageAddress(), page + QStringLiteral("#contents"));

    // A link standing where the probe goes is replaced, its target untouched.
    const QString victim = onC(QStringLiteral("victim.txt"));
    testenv::writeFile(victim, "keep me");
    const QString probeDir = platform::toLinuxPath(platform::fromAnsi(QByteArray(temp)));
    ASSERT_TRUE(QFile::link(victim, probeDir + QStringLiteral("/temphtm.htm")));
    started.clear();
    OpenWebPage(nullptr, HomePageAddress(), QStringLiteral("htm"));
    EXPECT_EQ(started.size(), 1u);
    EXPECT_EQ(testenv::readFile(victim), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo::exists(probeDir + QStringLiteral("/temphtm.htm")));

    // Nothing registered, or a desktop id that names no entry: nothing starts.
    for (const QString& id : {QString(), QStringLiteral("absent.desktop")}) {
        started.clear();
        seams.defaultAppQuery([&](const QString&) { return id; });
        OpenWebPage(nullptr, HomePageAddress(), QStringLiteral("htm"));
        EXPECT_TRUE(started.empty()) << qPrintable(id);
        EXPECT_TRUE(platform::toLinuxPath(probe).isEmpty()) << "probe file left behind";
    }
}

TEST_F(ServicesOnPrefix, ShellStartsWindowsProgramsWithWineInThisPrefix)
{
    testenv::writeFile(onC(QStringLiteral("windows/regedit.exe")), "MZ");
    struct Started {
        QString program;
        QStringList args;
        QStringList env;
    };
    std::vector<Started> started;
    seams.processStarter([&](const QString& p, const QStringList& a, const QStringList& e) {
        started.push_back({p, a, e});
        return true;
    });
    EXPECT_LE(platform::ShellExecuteA(nullptr, "open", "C:\\windows\\missing.exe", "", "", 3), 32);
    EXPECT_LE(platform::ShellExecuteA(nullptr, "print", "C:\\windows\\regedit.exe", "", "", 3), 32);
    const long rc = platform::ShellExecuteA(nullptr, "open", "C:\\windows\\regedit.exe", "", "", 3);
    if (QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty()) {
        EXPECT_LE(rc, 32);
        EXPECT_TRUE(started.empty());
        return;
    }
    EXPECT_GT(rc, 32);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_TRUE(started[0].program.endsWith(QLatin1String("/wine")));
    EXPECT_EQ(started[0].args, QStringList{QStringLiteral("C:\\windows\\regedit.exe")});
    EXPECT_EQ(started[0].env, QStringList{QStringLiteral("WINEPREFIX=") + platform::prefixPath()});
}

// ---- backups ------------------------------------------------------------

TEST_F(ServicesOnPrefix, BackupFileIsNamedByTheClockAndAppendedLineByLine)
{
    seams.clock([] { return QDateTime(QDate(2007, 3, 13), QTime(14, 5, 9)); });
    const QString path = NewBackupFilePath();
    EXPECT_EQ(path, platform::programFolder() + QStringLiteral("\\Restore\\BackupTuesday, March 13, 2007 --- 14-05-09"));

    QDir(onC(QStringLiteral("velmora/Restore"))).removeRecursively();
    EXPECT_FALSE(AppendBackupRecord(path, QStringLiteral("R^a^b^c^d^")));  // no folder yet
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    EXPECT_TRUE(AppendBackupRecord(path, QStringLiteral("R^a^b^c^d^")));
    EXPECT_TRUE(AppendBackupRecord(path, QStringLiteral("R^e^f^g^h^Yes")));
    const QByteArray bytes =
        testenv::readFile(onC(QStringLiteral("velmora/Restore/BackupTuesday, March 13, 2007 --- 14-05-09")));
    EXPECT_EQ(bytes, QByteArray("\\hkhlhmhnh\r\n\\hohphqhrhco}\r\n"));
    EXPECT_EQ(CountFileLines(path), 2);
}

// A thing that is no regular file under the new backup's name takes no
// record, and the fix learns so at once: a named pipe no longer blocks it.
TEST_F(ServicesOnPrefix, ABackupNameThatIsNoRegularFileTakesNoRecord)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    const QString onDisk = onC(QStringLiteral("velmora/Restore/Backup odd"));
    for (const testenv::OddKind kind : testenv::kOddKinds) {
        SCOPED_TRACE(testenv::describe(kind));
        QFile::remove(onDisk);
        const QString target = testenv::makeOdd(kind, onDisk);
        ASSERT_FALSE(target.isEmpty());
        const mode_t node = testenv::nodeType(target);
        const qint64 size = QFileInfo(target).size();
        const testenv::Watchdog watchdog(std::string("a record appended to ") + testenv::describe(kind));
        EXPECT_FALSE(AppendBackupRecord(platform::programFolder() + QStringLiteral("\\Restore\\Backup odd"),
                                        QStringLiteral("R^a^b^c^d^")));
        EXPECT_EQ(testenv::nodeType(target), node);
        EXPECT_EQ(QFileInfo(target).size(), size);
    }
    QFile::remove(onDisk);
}

// Appends under a file size limit of `limit` bytes, as a disk that fills
// up: the write stops there.
bool appendOnAFullDisk(const QString& backup, const QString& line, qint64 limit)
{
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit full = old;
    full.rlim_cur = static_cast<rlim_t>(limit);
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    const bool ok = AppendBackupRecord(backup, line);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return ok;
}

// A record the disk had no room for leaves nothing behind: the restore
// would read what is left of it as a record and write its looked-for path
// over the value the fix rightly kept.
TEST_F(ServicesOnPrefix, ARecordCutShortByAFullDiskIsTakenOutAgain)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    const char* key = "Software\\Velmora Test\\Full";
    const QByteArray command = sz("C:\\VTest\\tool.exe C:\\VTest\\missing_st07.txt");
    const QByteArray five("\x05\x00\x00\x00", 4);
    setValue(HKEY_CURRENT_USER, key, "Gone", REG_SZ, sz("C:\\VTest\\gone.exe"));
    setValue(HKEY_CURRENT_USER, key, "Tool", REG_SZ, command);
    setValue(HKEY_CURRENT_USER, key, "Count", REG_DWORD, five);
    const auto record = [&](const char* name) {
        return BuildBackupRecord(HKEY_CURRENT_USER, checkedRow(HKEY_CURRENT_USER, QString::fromLatin1(key),
                                                               QLatin1String(name),
                                                               QStringLiteral("C:\\VTest\\missing_st07.txt")));
    };
    const struct {
        const char* what;
        const char* name;
        bool first;    // a whole record stands in the file before
        int written;   // bytes of the record the disk takes, from its end when negative
    } cases[] = {
        {"cut in its value field", "Tool", true, -3},
        {"cut in its value field, a number", "Count", true, -3},
        {"one byte of it", "Tool", true, 1},
        {"the first record of a new file", "Count", false, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = onC(QStringLiteral("velmora/Restore/Backup full"));
        const QString backup = platform::programFolder() + QStringLiteral("\\Restore\\Backup full");
        QFile::remove(file);
        if (c.first) {
            ASSERT_TRUE(AppendBackupRecord(backup, record("Gone")));
            DeleteRegistryValue(HKEY_CURRENT_USER, QString::fromLatin1(key), QStringLiteral("Gone"));
        }
        const QByteArray before = c.first ? testenv::readFile(file) : QByteArray();
        const QString line = record(c.name);
        ASSERT_FALSE(line.isEmpty());
        const qint64 size = platform::toAnsi(EncodeText(line)).size() + 2;
        const qint64 room = c.written < 0 ? size + c.written : c.written;
        EXPECT_FALSE(appendOnAFullDisk(backup, line, before.size() + room));
        EXPECT_EQ(QFileInfo::exists(file), c.first);
        EXPECT_EQ(testenv::readFile(file), before);

        // Room again: the next record follows the whole ones.
        ASSERT_TRUE(AppendBackupRecord(backup, record("Tool")));
        DeleteRegistryValue(HKEY_CURRENT_USER, QString::fromLatin1(key), QStringLiteral("Tool"));
        const RestoreResult r = RestoreBackupFile(backup);
        EXPECT_EQ(r.failed, 0);
        EXPECT_EQ(r.occupied, 0);
        EXPECT_EQ(r.restored, c.first ? 2 : 1);
        EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, "Tool"), (RegistryValueData{REG_SZ, command}));
        EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, "Count"), (RegistryValueData{REG_DWORD, five}));
        EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, "Gone"),
                  (RegistryValueData{REG_SZ, sz("C:\\VTest\\gone.exe")}));
    }
}

// What is no whole record changes nothing, whatever its last field holds:
// the values it names keep their data.
TEST_F(ServicesOnPrefix, ALineThatIsNoWholeRecordChangesNothing)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    const char* key = "Software\\Velmora Test\\Damaged";
    const QByteArray command = sz("C:\\VTest\\tool.exe C:\\VTest\\missing_st07.txt");
    const QByteArray five("\x05\x00\x00\x00", 4);
    setValue(HKEY_CURRENT_USER, key, "Tool", REG_SZ, command);
    setValue(HKEY_CURRENT_USER, key, "Count", REG_DWORD, five);
    const QString tool =
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Damaged^C:\\VTest\\missing_st07.txt^Tool^^");
    const QString count =
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Damaged^C:\\VTest\\missing_st07.txt^Count^^");
    const struct {
        const char* what;
        QByteArray plain;  // the file's lines, unscrambled
    } cases[] = {
        {"an undecodable value field", (tool + u"1:433a5c5\r\n"_s + count + u"4:0500000\r\n"_s).toLatin1()},
        {"an eighth field", (tool + u"1:4300^x\r\n"_s + count + u"4:05000000^\r\n"_s).toLatin1()},
        {"a record run into the next", (tool + u"1:43"_s + count + u"4:05000000\r\n"_s).toLatin1()},
        {"cut short at the end of the file", (count + u"4:0500"_s).toLatin1()},
        {"cut in the key path", (tool.left(30) + u"\r\n"_s + count.left(40)).toLatin1()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bytes;
        for (const char ch : c.plain)
            bytes += (ch == '\r' || ch == '\n') ? ch : static_cast<char>(static_cast<unsigned char>(ch) + 10);
        ASSERT_TRUE(testenv::writeFile(onC(QStringLiteral("velmora/Restore/Backup damaged")), bytes));
        const RestoreResult r = RestoreBackupFile(platform::programFolder() + QStringLiteral("\\Restore\\Backup damaged"));
        EXPECT_TRUE(r.readable);
        EXPECT_EQ(r.restored, 0);
        EXPECT_GE(r.failed, 1);
        EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, "Tool"), (RegistryValueData{REG_SZ, command}));
        EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, "Count"), (RegistryValueData{REG_DWORD, five}));
    }
}

// An older record holds only the path that was looked for, not the value's
// data: a value that stands again with other data keeps it, and one that
// already holds what the record gives back counts as restored.
TEST_F(ServicesOnPrefix, AnOlderRecordLeavesAValueThatStandsAgainWithOtherData)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    const char* key = "Software\\Velmora Test\\Older";
    const struct {
        const char* name;
        const char* bare;  // field 5
        const char* lookedFor;
        DWORD type;         // REG_NONE: no value stands there
        QByteArray now;
        RegistryValueData after;
        const char* outcome;
    } cases[] = {
        {"Args", "", "C:\\VTest\\tool.exe", REG_SZ, sz("C:\\VTest\\tool.exe /quiet"),
         {REG_SZ, sz("C:\\VTest\\tool.exe /quiet")}, "occupied"},
        {"Number", "", "C:\\VTest\\n.exe", REG_DWORD, QByteArray("\x05\x00\x00\x00", 4),
         {REG_DWORD, QByteArray("\x05\x00\x00\x00", 4)}, "occupied"},
        {"Bare", "Yes", "C:\\windows\\system32\\bare.exe", REG_SZ, sz("other.exe"), {REG_SZ, sz("other.exe")},
         "occupied"},
        {"Same", "", "C:\\VTest\\same.exe", REG_SZ, sz("C:\\VTest\\same.exe"), {REG_SZ, sz("C:\\VTest\\same.exe")},
         "restored"},
        {"SameBare", " yes", "C:\\windows\\system32\\same.exe", REG_SZ, QByteArray("same.exe"),
         {REG_SZ, QByteArray("same.exe")}, "restored"},
        {"SameDigits", "Yes", "C:\\windows\\system32\\1234", REG_DWORD, QByteArray("\xd2\x04\x00\x00", 4),
         {REG_DWORD, QByteArray("\xd2\x04\x00\x00", 4)}, "restored"},
        {"Gone", "", "C:\\VTest\\gone.exe", REG_NONE, {}, {REG_SZ, sz("C:\\VTest\\gone.exe")}, "restored"},
    };
    QByteArray plain;
    for (const auto& c : cases) {
        if (c.type != REG_NONE)
            setValue(HKEY_CURRENT_USER, key, c.name, c.type, c.now);
        plain += QByteArray("R^HKEY_CURRENT_USER^") + key + '^' + c.lookedFor + '^' + c.name + '^' + c.bare + "\r\n";
    }
    QByteArray bytes;
    for (const char ch : plain)
        bytes += (ch == '\r' || ch == '\n') ? ch : static_cast<char>(static_cast<unsigned char>(ch) + 10);
    ASSERT_TRUE(testenv::writeFile(onC(QStringLiteral("velmora/Restore/Backup older")), bytes));
    const RestoreResult r = RestoreBackupFile(platform::programFolder() + QStringLiteral("\\Restore\\Backup older"));
    int occupied = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, c.name), c.after) << c.name;
        occupied += QLatin1String(c.outcome) == QLatin1String("occupied");
    }
    EXPECT_EQ(r.occupied, occupied);
    EXPECT_EQ(r.restored, static_cast<int>(std::size(cases)) - occupied);
    EXPECT_EQ(r.failed, 0);
}

TEST_F(ServicesOnPrefix, OldSixFieldFileRestoresTheLookedForPaths)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    QFile::copy(QStringLiteral(VELMORA_TEST_DATA "/services/old-six-field-backup"),
                onC(QStringLiteral("velmora/Restore/old-six-field-backup")));
    const RestoreResult r = RestoreBackupFile(platform::programFolder() + QStringLiteral("\\Restore\\old-six-field-backup"));
    EXPECT_TRUE(r.readable);
    // Not written: the line of three fields, the "Yes" record whose key is
    // missing and the record of an unknown root.
    EXPECT_EQ(r.restored, 5);
    EXPECT_EQ(r.failed, 3);

    const char* run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    // "Yes": the bare file name, into the existing key.
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, run, "Tool"), (RegistryValueData{REG_SZ, QByteArray("tool.exe")}));
    // No flag: the full path, the key created.
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmora Test\\Created", "Tool"),
              (RegistryValueData{REG_SZ, sz("C:\\WINDOWS\\system32\\tool.exe")}));
    // A root name in lower case with a blank still finds its root.
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, "Software\\Velmora Test", "App"),
              (RegistryValueData{REG_SZ, sz("C:\\Apps\\app.exe /min")}));
    // A bare name of digits comes back as a number.
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, run, "Digits"),
              (RegistryValueData{REG_DWORD, QByteArray("\xd2\x04\x00\x00", 4)}));
    // "Yes" never creates a key; an unknown root writes nothing.
    HKEY k = 0;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmora Test\\Missing", 0, KEY_READ, &k), ERROR_SUCCESS);
    EXPECT_FALSE(readValue(HKEY_CURRENT_USER, "Software\\Velmora Test", "NoRoot").has_value());
    // "(Default)" of an old file goes into a value of that very name.
    EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "Velmora.Test\\DefaultIcon", "(Default)"),
              (RegistryValueData{REG_SZ, sz("C:\\icons\\app.ico")}));  // unnamed value untouched
    {
        HKEY key = 0;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Velmora.Test\\DefaultIcon", 0, KEY_READ, &key), ERROR_SUCCESS);
        char buf[64];
        DWORD size = sizeof buf;
        DWORD type = 0;
        EXPECT_EQ(RegQueryValueExA(key, "(Default)", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(QByteArray(buf, static_cast<qsizetype>(size)), sz("C:\\icons\\app.ico"));
        RegCloseKey(key);
    }
}

TEST_F(ServicesOnPrefix, FixThenRestoreGivesBackEveryValueExactly)
{
    const char* key = "Software\\Velmora Test\\Values";
    const struct {
        const char* name;
        DWORD type;
        QByteArray bytes;
        const char* lookedFor;
        const char* bare;
    } values[] = {
        {"Command", REG_SZ, sz("\"C:\\Program Files\\Tool\\tool.exe\" /background -x %1"),
         "C:\\Program Files\\Tool\\tool.exe", ""},
        {"Bare", REG_SZ, sz("gone.exe"), "C:\\windows\\system32\\gone.exe", "Yes"},
        {"Expand", REG_EXPAND_SZ, sz("%SystemRoot%\\system32\\gone.dll,-5"), "C:\\windows\\system32\\gone.dll", ""},
        {"Multi", REG_MULTI_SZ, QByteArray("a.dll\0b c.dll\0\0", 15), "a.dll", ""},
        {"Binary", REG_BINARY, QByteArray("\x00\x5e\x0d\x0a\xff", 5), "x", ""},
        {"Number", REG_DWORD, QByteArray("\x2a\x00\x00\x00", 4), "42", ""},
        {"Quad", REG_QWORD, QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8), "q", ""},
        {"Nothing", REG_NONE, QByteArray(), "n", ""},
        {"Caf\xe9 \xfc", REG_SZ, sz("C:\\caf\xe9\\\xfc.exe"), "C:\\caf\xe9\\\xfc.exe", ""},
        {"", REG_SZ, sz("C:\\default\\gone.exe -s"), "C:\\default\\gone.exe", ""},
    };
    for (const auto& v : values)
        setValue(HKEY_CURRENT_USER, key, v.name, v.type, v.bytes);

    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    seams.clock([] { return QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)); });
    const QString backup = NewBackupFilePath();
    for (const auto& v : values) {
        ProblemRow row;
        row.MainKey = QStringLiteral("-2147483647");
        row.mainkeyname = QStringLiteral("HKEY_CURRENT_USER");
        row.FullKeyPath = QString::fromLatin1(key);
        row.KeyName = *v.name ? platform::fromAnsi(QByteArray(v.name)) : QStringLiteral("(Default)");
        row.KeyValue = platform::fromAnsi(QByteArray(v.lookedFor));
        row.DefaultOrNot = QLatin1String(v.bare);
        const QString line = BuildBackupRecord(HKEY_CURRENT_USER, row);
        ASSERT_EQ(line.count(QLatin1Char('^')), 6) << qPrintable(line);
        ASSERT_TRUE(AppendBackupRecord(backup, line));
        // As the fix deletes: the unnamed value is emptied, then "(Default)".
        if (row.KeyName == QLatin1String("(Default)"))
            WriteRegistryValue(HKEY_CURRENT_USER, row.FullKeyPath, QString(), QString());
        DeleteRegistryValue(HKEY_CURRENT_USER, row.FullKeyPath, row.KeyName);
    }
    for (const auto& v : values) {
        if (*v.name) {
            EXPECT_FALSE(readValue(HKEY_CURRENT_USER, key, v.name).has_value()) << v.name;
        }
    }
    EXPECT_EQ(CountFileLines(backup), static_cast<int>(std::size(values)));

    const RestoreResult r = RestoreBackupFile(backup);
    EXPECT_TRUE(r.readable);
    EXPECT_EQ(r.restored, static_cast<int>(std::size(values)));
    EXPECT_EQ(r.failed, 0);
    for (const auto& v : values) {
        const auto back = readValue(HKEY_CURRENT_USER, key, *v.name ? v.name : "(Default)");
        ASSERT_TRUE(back.has_value()) << v.name;
        EXPECT_EQ(back->type, v.type) << v.name;
        EXPECT_EQ(back->bytes.toHex(), v.bytes.toHex()) << v.name;
    }
}

TEST_F(ServicesOnPrefix, SevenFieldRecordCreatesItsKeyAndBadLinesAreSkipped)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    const QString file = platform::programFolder() + QStringLiteral("\\Restore\\Backup mixed");
    QFile::remove(onC(QStringLiteral("velmora/Restore/Backup mixed")));
    const QStringList lines = {
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\New\\Deep^C:\\a.exe^(Default)^^1:6100"),
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test"),
        // A damaged seventh field is no record: nothing of it is written
        // (it used to write back the path it names).
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\New^C:\\b.exe^B^^1:6"),
        QStringLiteral("R^HKEY_NOWHERE^Software\\Velmora Test\\New^C:\\c.exe^C^^1:6300"),
    };
    for (const QString& l : lines)
        ASSERT_TRUE(AppendBackupRecord(file, l));
    const RestoreResult r = RestoreBackupFile(file);
    EXPECT_EQ(r.restored, 1);
    EXPECT_EQ(r.failed, 3);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, "Software\\Velmora Test\\New\\Deep", "(Default)"),
              (RegistryValueData{REG_SZ, QByteArray("a", 2)}));
    EXPECT_FALSE(readValue(HKEY_CURRENT_USER, "Software\\Velmora Test\\New", "B").has_value());
    EXPECT_FALSE(readValue(HKEY_CURRENT_USER, "Software\\Velmora Test\\New", "C").has_value());

    // Empty and unreadable files end the restore without writing anything.
    testenv::writeFile(onC(QStringLiteral("velmora/Restore/Backup empty")), "");
    const RestoreResult empty = RestoreBackupFile(platform::programFolder() + QStringLiteral("\\Restore\\Backup empty"));
    EXPECT_TRUE(empty.readable);
    EXPECT_EQ(empty.restored + empty.failed, 0);
    EXPECT_FALSE(RestoreBackupFile(platform::programFolder() + QStringLiteral("\\Restore\\Backup none")).readable);
}

// A named pipe, a socket or an outsize file named like a backup is neither
// counted nor restored, and neither waits.
TEST_F(ServicesOnPrefix, FilesThatAreNoRegularFilesCountNoLinesAndRestoreNothing)
{
    const QString dir = onC(QStringLiteral("velmora/Restore"));
    QDir().mkpath(dir);
    const testenv::Watchdog watchdog("counting and restoring files that are no regular files");
    int i = 0;
    for (const testenv::OddKind kind : testenv::kOddKinds) {
        const QString name = QStringLiteral("Backup odd %1").arg(i++);
        ASSERT_FALSE(testenv::makeOdd(kind, dir + QLatin1Char('/') + name).isEmpty()) << testenv::describe(kind);
        const QString path = platform::programFolder() + QStringLiteral("\\Restore\\") + name;
        EXPECT_EQ(CountFileLines(path), 0) << testenv::describe(kind);
        const RestoreResult r = RestoreBackupFile(path);
        EXPECT_FALSE(r.readable) << testenv::describe(kind);
        EXPECT_FALSE(r.whyUnreadable.isEmpty()) << testenv::describe(kind);
        EXPECT_EQ(r.restored + r.failed + r.occupied, 0) << testenv::describe(kind);
        QFile::remove(dir + QLatin1Char('/') + name);
    }
}

// Millions of bare line ends: each one still counts as a line, but none is
// kept in memory, neither by the count nor by the restore.
TEST_F(ServicesOnPrefix, BareLineEndsCostNoMemoryPerLine)
{
    constexpr int kLines = 10'000'000;
    const QString name = QStringLiteral("Backup of bare line ends");
    const QString onDisk = onC(QStringLiteral("velmora/Restore/") + name);
    const QString path = platform::programFolder() + QStringLiteral("\\Restore\\") + name;
    ASSERT_TRUE(testenv::writeFile(onDisk, QByteArray(kLines, '\r')));
    const MessagePump pump = [] {};

    EXPECT_EQ(CountFileLines(path, pump), kLines);

    if (!resetPeak() || peakKiB() < 0) {
        QFile::remove(onDisk);
        GTEST_SKIP() << "the peak memory use cannot be measured here";
    }
    const long before = peakKiB();
    const RestoreResult r = RestoreBackupFile(path, pump);
    const long grown = peakKiB() - before;
    QFile::remove(onDisk);
    EXPECT_TRUE(r.readable);
    EXPECT_EQ(r.restored + r.failed + r.occupied, 0);
    // The file's own 10 MB, read whole, and little more: an entry per line
    // would take some 240 MB.
    EXPECT_LT(grown, 64 * 1024) << grown << " KiB";
}

// String data reaches the backup through the ANSI code page: a value whose
// text the code page cannot carry would come back changed, so it stays.
TEST_F(ServicesOnPrefix, StringDataTheCodePageCannotCarryIsKeptNotDeleted)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    seams.clock([] { return QDateTime(QDate(2021, 5, 6), QTime(7, 8, 9)); });
    const QString key = QStringLiteral("Software\\Velmora Unicode");
    const struct {
        const char* name;
        const char* lookedFor;  // the file the value's data names, as the scan lists it
        FixOutcome outcome;
    } cases[] = {
        {"Cyrillic", "C:\\gone\\tool.exe", FixOutcome::RecordNotCarried},  // a character outside the code page
        {"Multi", "C:\\m.exe", FixOutcome::RecordNotCarried},               // the same, in the second string
        {"Odd", "C:\\o.exe", FixOutcome::RecordNotCarried},                 // an odd number of bytes
        {"Latin", "C:\\caf\xe9\\gone.exe", FixOutcome::Fixed},
    };
    ProblemList list;
    for (const auto& c : cases) {
        list.add(checkedRow(HKEY_LOCAL_MACHINE, key, QLatin1String(c.name), platform::fromAnsi(QByteArray(c.lookedFor))));
        // Its data is a command line with a switch after the program.
        if (QLatin1String(c.name) == QLatin1String("Cyrillic"))
            list.row(list.count()).RegistryScanners = QStringLiteral("Startup Programs");
    }
    const FixReport report = fixInOneBatch(list);

    ASSERT_EQ(report.outcomes.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(report.outcomes[i], cases[i].outcome) << cases[i].name;
        const bool kept = cases[i].outcome != FixOutcome::Fixed;
        EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, "Software\\Velmora Unicode", cases[i].name).has_value(), kept)
            << cases[i].name;
    }
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(CountFileLines(report.backupFile), 1);
    EXPECT_EQ(RestoreBackupFile(report.backupFile).restored, 1);
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, "Software\\Velmora Unicode", "Latin"),
              (RegistryValueData{REG_SZ, sz("C:\\caf\xe9\\gone.exe")}));
}

// A value that was made again after the fix (the program reinstalled, or a
// backup made on another prefix) is not overwritten by the restore: its new
// data would be lost, while the backup keeps the old.
TEST_F(ServicesOnPrefix, RestoreLeavesAValueThatExistsAgainWithOtherData)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    const QString file = platform::programFolder() + QStringLiteral("\\Restore\\Backup again");
    QFile::remove(onC(QStringLiteral("velmora/Restore/Backup again")));
    const char* key = "Software\\Velmora Test\\Again";
    setValue(HKEY_CURRENT_USER, key, "Same", REG_SZ, sz("C:\\same.exe"));
    setValue(HKEY_CURRENT_USER, key, "Other", REG_SZ, sz("C:\\new\\other.exe"));
    setValue(HKEY_CURRENT_USER, key, "Number", REG_DWORD, QByteArray("\x07\x00\x00\x00", 4));
    setValue(HKEY_CURRENT_USER, key, "", REG_SZ, QByteArray());  // emptied by the fix
    const QStringList lines = {
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Again^C:\\gone.exe^Gone^^1:4300"),
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Again^C:\\same.exe^Same^^")
            + EncodeValueField({REG_SZ, sz("C:\\same.exe")}),
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Again^C:\\old.exe^Other^^")
            + EncodeValueField({REG_SZ, sz("C:\\old\\other.exe")}),
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Again^C:\\n.exe^Number^^4:08000000"),
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Again^C:\\d.exe^(Default)^^1:6400"),
    };
    for (const QString& l : lines)
        ASSERT_TRUE(AppendBackupRecord(file, l));
    const RestoreResult r = RestoreBackupFile(file);
    EXPECT_EQ(r.restored, 3);
    EXPECT_EQ(r.occupied, 2);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, "Gone"), (RegistryValueData{REG_SZ, QByteArray("C", 2)}));
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, "Same"), (RegistryValueData{REG_SZ, sz("C:\\same.exe")}));
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, "Other"), (RegistryValueData{REG_SZ, sz("C:\\new\\other.exe")}));
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, "Number"),
              (RegistryValueData{REG_DWORD, QByteArray("\x07\x00\x00\x00", 4)}));
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, "(Default)"), (RegistryValueData{REG_SZ, QByteArray("d", 2)}));
}

// A list loaded from an old results file (or one saved on another prefix)
// may name files that are on disk now: their values are not deleted.
TEST_F(ServicesOnPrefix, AFileThatIsOnDiskNowKeepsItsValue)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    QDir().mkpath(onC(QStringLiteral("Tools")));
    testenv::writeFile(onC(QStringLiteral("Tools/Back.exe")), "MZ");
    seams.clock([] { return QDateTime(QDate(2021, 5, 7), QTime(7, 8, 9)); });
    const char* key = "Software\\Velmora Test\\Stale";
    const struct {
        const char* name;
        const char* lookedFor;
        FixOutcome outcome;
    } cases[] = {
        {"Back", "c:\\TOOLS\\back.exe", FixOutcome::FileOnDisk},
        {"Gone", "C:\\Tools\\gone.exe", FixOutcome::Fixed},
        // Was deleted once: a value whose data names no file is no missing
        // file, so it stays.
        {"Blank", "", FixOutcome::DataChanged},
    };
    ProblemList list;
    for (const auto& c : cases) {
        setValue(HKEY_CURRENT_USER, key, c.name, REG_SZ, sz(c.lookedFor));
        list.add(checkedRow(HKEY_CURRENT_USER, QString::fromLatin1(key), QLatin1String(c.name),
                            QLatin1String(c.lookedFor)));
    }
    const FixReport report = fixInOneBatch(list);

    ASSERT_EQ(report.outcomes.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(report.outcomes[i], cases[i].outcome) << cases[i].name;
        EXPECT_EQ(readValue(HKEY_CURRENT_USER, key, cases[i].name).has_value(), cases[i].outcome != FixOutcome::Fixed)
            << cases[i].name;
    }
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.row(1).KeyName, QStringLiteral("Back"));
    EXPECT_EQ(list.row(2).KeyName, QStringLiteral("Blank"));
    EXPECT_EQ(CountFileLines(report.backupFile), 1);
    EXPECT_EQ(KeptRowsSentence(report),
              QStringLiteral("2 checked value(s) were left in the registry and stay checked in the list: 1 because "
                             "the file they name is on disk now, 1 because their value has changed and no longer "
                             "names the missing file."));
}

// A "(Default)" row stands for the unnamed value, a value named with blanks
// only, or one literally named "(Default)": the fix acts on the one whose
// data gives the row, and its backup puts that very value back.
TEST_F(ServicesOnPrefix, ADefaultRowActsOnTheValueThatHoldsItsDataAndRestoresItUnderItsName)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    testenv::writeFile(onC(QStringLiteral("windows/notepad.exe")), "MZ");
    seams.clock([] { return QDateTime(QDate(2021, 5, 8), QTime(7, 8, 9)); });
    const QByteArray valid = sz("C:\\windows\\notepad.exe");
    const QByteArray stale = sz("C:\\gone\\app.exe");
    struct Case {
        const char* key;
        std::vector<std::pair<const char*, QByteArray>> values;  // name, REG_SZ data
        FixOutcome outcome;
        const char* changed;  // the value deleted or emptied; nullptr: none
    };
    const Case cases[] = {
        {"Blank beside valid", {{"", valid}, {" ", stale}}, FixOutcome::Fixed, " "},
        {"Literal beside valid", {{"", valid}, {"(Default)", stale}}, FixOutcome::Fixed, "(Default)"},
        {"Blank alone", {{"  ", stale}}, FixOutcome::Fixed, "  "},
        {"Unnamed stale", {{"", stale}, {"Other", stale}}, FixOutcome::Fixed, ""},
        {"Two hold it", {{"", stale}, {" ", stale}}, FixOutcome::Ambiguous, nullptr},
        {"Only a valid one", {{"", valid}, {"(Default)", valid}}, FixOutcome::DataChanged, nullptr},
        {"None of them", {{"Other", stale}}, FixOutcome::NothingThere, nullptr},
    };
    ProblemList list;
    for (const Case& c : cases) {
        const QByteArray key = QByteArray("Software\\Velmora Test\\Default\\") + c.key;
        for (const auto& [name, data] : c.values)
            setValue(HKEY_CURRENT_USER, key.constData(), name, REG_SZ, data);
        ProblemRow row = checkedRow(HKEY_CURRENT_USER, QString::fromLatin1(key), QStringLiteral("(Default)"),
                                    QStringLiteral("C:\\gone\\app.exe"));
        row.RegistryScanners = QStringLiteral("Application Paths");
        list.add(row);
    }
    const FixReport report = fixInOneBatch(list);

    ASSERT_EQ(report.outcomes.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.key);
        EXPECT_EQ(report.outcomes[i], c.outcome);
        const QByteArray key = QByteArray("Software\\Velmora Test\\Default\\") + c.key;
        for (const auto& [name, data] : c.values) {
            const auto now = readValue(HKEY_CURRENT_USER, key.constData(), *name ? name : "(Default)");
            HKEY k = 0;
            ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.constData(), 0, KEY_READ, &k), ERROR_SUCCESS);
            const platform::RegValue exact = platform::readRegValue(k, QLatin1String(name));
            RegCloseKey(k);
            const bool changed = c.changed && QLatin1String(c.changed) == QLatin1String(name);
            if (!changed) {
                EXPECT_TRUE(exact.ok() && exact.data == data) << "untouched: '" << name << "'";
            } else if (*name) {
                EXPECT_FALSE(exact.ok()) << "deleted: '" << name << "'";
            } else {
                EXPECT_TRUE(exact.ok() && exact.data.isEmpty()) << "the unnamed value stays, emptied";
            }
            Q_UNUSED(now);
        }
    }
    const QStringList kept = {u"Two hold it"_s, u"Only a valid one"_s};
    ASSERT_EQ(list.count(), kept.size());
    for (int i = 1; i <= list.count(); ++i)
        EXPECT_TRUE(list.row(i).FullKeyPath.endsWith(kept[i - 1]));
    EXPECT_EQ(KeptRowsSentence(report),
              QStringLiteral("2 checked value(s) were left in the registry and stay checked in the list: 1 because "
                             "their value has changed and no longer names the missing file, 1 because more than one "
                             "value of their key could be the one listed."));

    // Only a record whose value is not the unnamed one names it, in hex.
    QFile file(onC(QStringLiteral("velmora/Restore/BackupSaturday, May 8, 2021 --- 07-08-09")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList fieldCounts;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        if (raw.isEmpty())
            continue;
        const QStringList fields = DecodeText(platform::fromAnsi(raw.chopped(1))).split(QLatin1Char('^'));
        fieldCounts << QStringLiteral("%1:%2").arg(fields.size()).arg(fields.value(7));
    }
    EXPECT_EQ(fieldCounts, QStringList({u"8:20"_s, u"8:2844656661756c7429"_s, u"8:2020"_s, u"7:"_s}));

    platform::RegistryBatch batch;
    const RestoreResult restored = RestoreBackupFile(report.backupFile);
    ASSERT_TRUE(batch.finish().ok);
    EXPECT_EQ(restored.restored, 4);
    EXPECT_EQ(restored.failed + restored.occupied, 0);
    for (const Case& c : cases) {
        const QByteArray key = QByteArray("Software\\Velmora Test\\Default\\") + c.key;
        HKEY k = 0;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.constData(), 0, KEY_READ, &k), ERROR_SUCCESS);
        for (const auto& [name, data] : c.values) {
            const platform::RegValue back = platform::readRegValue(k, QLatin1String(name));
            EXPECT_TRUE(back.ok() && back.type == DWORD(REG_SZ) && back.data == data) << c.key << " '" << name << "'";
        }
        RegCloseKey(k);
    }
}

// A record that names its value in an eighth field that does not read
// back names no value: nothing is written for it.
TEST_F(ServicesOnPrefix, AnEighthFieldThatDoesNotReadWritesNothing)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    const QString file = platform::programFolder() + QStringLiteral("\\Restore\\Backup named");
    QFile::remove(onC(QStringLiteral("velmora/Restore/Backup named")));
    const QStringList lines = {
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Named^C:\\a.exe^(Default)^^1:6100^2"),
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Named^C:\\a.exe^(Default)^^1:6100^zz"),
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Named^C:\\a.exe^(Default)^^1:6^20"),
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Named^C:\\b.exe^(Default)^^1:6200^2020"),
    };
    for (const QString& l : lines)
        ASSERT_TRUE(AppendBackupRecord(file, l));
    const RestoreResult r = RestoreBackupFile(file);
    EXPECT_EQ(r.restored, 1);
    EXPECT_EQ(r.failed, 3);
    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Velmora Test\\Named", 0, KEY_READ, &k), ERROR_SUCCESS);
    EXPECT_EQ(platform::readRegValue(k, QStringLiteral("  ")).data, QByteArray("b", 2));
    EXPECT_FALSE(platform::readRegValue(k, QString()).ok());
    EXPECT_FALSE(platform::readRegValue(k, QStringLiteral(" ")).ok());
    RegCloseKey(k);
}

// A value that cannot be read may still be there: only a key or a value
// that is not there any more lets its row go.
TEST_F(ServicesOnPrefix, AValueThatCannotBeReadKeepsItsRow)
{
    seams.clock([] { return QDateTime(QDate(2021, 5, 9), QTime(7, 8, 9)); });
    setValue(HKEY_CURRENT_USER, "Software\\Velmora Test\\Unread", "There", REG_SZ, sz("C:\\gone\\x.exe"));
    const struct {
        const char* key;
        const char* name;
        FixOutcome outcome;
    } cases[] = {
        {"\\Software\\Velmora Test\\Unread", "There", FixOutcome::NotReadable},  // a path Windows refuses
        {"Software\\Velmora Test\\Unread", "Gone", FixOutcome::NothingThere},
        {"Software\\Velmora Test\\No Such Key", "There", FixOutcome::NothingThere},
    };
    ProblemList list;
    for (const auto& c : cases)
        list.add(checkedRow(HKEY_CURRENT_USER, QString::fromLatin1(c.key), QLatin1String(c.name),
                            QStringLiteral("C:\\gone\\x.exe")));
    const FixReport report = fixInOneBatch(list);
    ASSERT_EQ(report.outcomes.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(report.outcomes[i], cases[i].outcome) << cases[i].key << " " << cases[i].name;
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.row(1).FullKeyPath, QString::fromLatin1(cases[0].key));
    EXPECT_TRUE(readValue(HKEY_CURRENT_USER, "Software\\Velmora Test\\Unread", "There").has_value());
    EXPECT_EQ(KeptRowsSentence(report),
              QStringLiteral("1 checked value(s) were left in the registry and stay checked in the list: 1 because "
                             "their value could not be read."));
}

TEST_F(ServicesOnPrefix, RestoreCountsOnlyTheRecordsItWrote)
{
    QDir().mkpath(onC(QStringLiteral("velmora/Restore")));
    const QString file = platform::programFolder() + QStringLiteral("\\Restore\\Backup refused");
    QFile::remove(onC(QStringLiteral("velmora/Restore/Backup refused")));
    const QStringList lines = {
        // Written: a plain record, its key made.
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\Refused^C:\\ok.exe^Ok^"),
        // Refused: a key directly under HKEY_USERS lies in no registry file.
        QStringLiteral("R^HKEY_USERS^Velmora Refused^C:\\x.exe^X^"),
        // Refused: a "Yes" record goes only into a key that exists.
        QStringLiteral("R^HKEY_CURRENT_USER^Software\\Velmora Test\\No Such Key^C:\\w\\y.exe^Y^Yes"),
        // Refused: a value of HKEY_USERS itself, with the exact bytes.
        QStringLiteral("R^HKEY_USERS^^C:\\z.exe^Z^^1:7a00"),
    };
    for (const QString& l : lines)
        ASSERT_TRUE(AppendBackupRecord(file, l));
    const RestoreResult r = RestoreBackupFile(file);
    EXPECT_TRUE(r.readable);
    EXPECT_EQ(r.restored, 1);
    EXPECT_EQ(r.failed, 3);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, "Software\\Velmora Test\\Refused", "Ok"),
              (RegistryValueData{REG_SZ, sz("C:\\ok.exe")}));
    EXPECT_FALSE(readValue(HKEY_CURRENT_USER, "Software\\Velmora Test\\No Such Key", "Y").has_value());
}

}  // namespace
