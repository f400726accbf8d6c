// The folder and drive walk: which rows leave the list, where it walks, and
// that every walk ends (loops of links, deep trees, names the code page
// cannot hold, cancel, a drive that goes away).
#include "finder/modscanfolder.h"
#include "platform/ansi.h"
#include "platform/winfile.h"
#include "tests/finder_fixture.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace finderfixture;

namespace {

struct Recorder : ModScanFolder::WalkDisplay {
    QStringList statuses;
    std::vector<double> progress;
    void showStatus(const QString& path) override { statuses << path; }
    void showProgress(double value) override { progress.push_back(value); }
};

class FinderWalk : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(openNewPrefix().isEmpty());
        bCancelScan = false;
    }
    void TearDown() override
    {
        bCancelScan = false;
        closePrefix();
    }

    // A walk over `rows` with this test's pump, scan-position display and
    // cancel request.
    engine::ScanContext context(engine::ProblemList& rows)
    {
        return engine::ScanContext{rows, nullptr,
                [this] {
                    ++pumps;
                    if (atPump)
                        atPump(pumps);
                },
                [this](const QString& t) { scanPaths << t; }, &bCancelScan};
    }

    // Walks (drive, folder) over rows naming `values`; returns what is left.
    QStringList walkLeaves(const QStringList& values, const QString& drive, const QString& folder,
                           int* removed = nullptr)
    {
        engine::ProblemList rows = rowsNaming(values);
        ModScanFolder::FolderWalk walk(context(rows), display);
        walk.ScanDrive(drive, folder);
        if (removed)
            *removed = walk.stats().removed;
        return keyValues(rows);
    }

    Recorder display;
    bool bCancelScan = false;
    int pumps = 0;
    std::function<void(int)> atPump;
    QStringList scanPaths;
};

TEST_F(FinderWalk, RowsWhoseFileIsMetAtTheRecordedPathLeave)
{
    ASSERT_TRUE(touch(QStringLiteral("windows/system32/x.dll")));
    ASSERT_TRUE(touch(QStringLiteral("windows/system32/other.dll")));
    ASSERT_TRUE(touch(QStringLiteral("windows/.hidden.dll")));
    ASSERT_TRUE(touch(QStringLiteral("data/sub/deep.txt")));
    const QStringList rows = {
        QStringLiteral("c:\\windows\\system32\\x.dll "),      // case and a trailing blank
        QStringLiteral("C:\\Other\\x.dll"),                   // same name, another folder
        QStringLiteral("  C:\\WINDOWS\\SYSTEM32\\X.DLL"),     // a second row for one file
        QStringLiteral("C:\\windows\\system32\\missing.dll"),
        QStringLiteral("C:\\windows\\system32"),              // a folder is no file
        QStringLiteral("C:\\data\\sub\\deep.txt"),            // outside the walked folder
        QStringLiteral("C:\\windows\\System32\\OTHER.dll"),
        QStringLiteral("C:/windows/system32/x.dll"),          // not the path the walk meets
        QStringLiteral("C:\\windows\\.hidden.dll"),           // hidden files are compared too
        QStringLiteral(""),
    };
    int removed = 0;
    const QStringList left = walkLeaves(rows, QStringLiteral("C:\\"), QStringLiteral("C:\\windows"), &removed);
    EXPECT_EQ(left, (QStringList{rows[1], rows[3], rows[4], rows[5], rows[7], rows[9]}));
    EXPECT_EQ(removed, 4);
    // Once per entry at least, so Cancel stays live.
    EXPECT_GE(pumps, 8);
    ASSERT_FALSE(display.statuses.isEmpty());
    EXPECT_TRUE(display.statuses.last().startsWith(QStringLiteral("C:\\windows\\"))) << display.statuses.last().toStdString();
    EXPECT_FALSE(scanPaths.isEmpty());
}

TEST_F(FinderWalk, ScopeOfAWalk)
{
    ASSERT_TRUE(touch(QStringLiteral("windows/w.dll")));
    ASSERT_TRUE(touch(QStringLiteral("data/d.dll")));
    const QString w = QStringLiteral("C:\\windows\\w.dll");
    const QString d = QStringLiteral("C:\\data\\d.dll");
    const struct {
        const char* drive;
        const char* folder;
        QStringList left;
    } cases[] = {
        {"C:\\", "C:\\windows", {d}},       // no trailing backslash
        {"C:\\", "C:\\windows\\", {d}},
        {"C:\\", "C:\\", {}},               // the whole drive
        {"c:\\", "c:\\DATA", {w}},
        {"C:\\", "C:\\nosuch", {w, d}},
        {"D:\\", "D:\\data", {w, d}},       // drive not ready
        {"Q:\\", "Q:\\", {w, d}},           // no such drive
        {"\\\\s", "\\\\server\\share", {w, d}},
        {"", "", {w, d}},                   // a blank row of the folder list
        {"C:", "C:", {w, d}},               // no drive root
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.drive) + " | " + c.folder);
        EXPECT_EQ(walkLeaves({w, d}, QLatin1String(c.drive), QLatin1String(c.folder)), c.left);
    }
}

TEST_F(FinderWalk, CancelEndsTheWalkAndKeepsWhatWasRemoved)
{
    QStringList values;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(touch(QStringLiteral("many/f%1.dll").arg(i)));
        values << QStringLiteral("C:\\many\\f%1.dll").arg(i);
    }
    ASSERT_TRUE(touch(QStringLiteral("later/l.dll")));
    values << QStringLiteral("C:\\later\\l.dll");
    engine::ProblemList rows = rowsNaming(values);
    atPump = [this](int n) {
        if (n == 10)
            bCancelScan = true;
    };
    ModScanFolder::FolderWalk walk(context(rows), display);
    walk.ScanDrive(QStringLiteral("C:\\"), QStringLiteral("C:\\many"));
    const int removed = walk.stats().removed;
    EXPECT_GT(removed, 0);
    EXPECT_LT(removed, 12);
    EXPECT_EQ(rows.count(), 41 - removed);
    EXPECT_EQ(walk.stats().entries, 10);
    // The next folder of the scope returns at its first test of the flag.
    walk.ScanDrive(QStringLiteral("C:\\"), QStringLiteral("C:\\later"));
    EXPECT_EQ(walk.stats().removed, removed);
    EXPECT_EQ(rows.row(rows.count()).KeyValue, values.last());
    // The searches it opened are closed: a new walk lists the folder afresh.
    bCancelScan = false;
    atPump = nullptr;
    ModScanFolder::FolderWalk again(context(rows), display);
    again.ScanDrive(QStringLiteral("C:\\"), QStringLiteral("C:\\"));
    EXPECT_EQ(rows.count(), 0);
}

// Once held that a folder reached by a second path yields nothing there; a
// file is met at every path that leads to it, and only loops are cut.
TEST_F(FinderWalk, LinkLoopsEndAndAFolderReachedAgainYieldsItsRows)
{
    ASSERT_TRUE(touch(QStringLiteral("loop/a/in.dll")));
    ASSERT_TRUE(link(QStringLiteral(".."), QStringLiteral("loop/a/up")));  // back to loop
    ASSERT_TRUE(link(QStringLiteral("../shared"), QStringLiteral("loop/one")));
    ASSERT_TRUE(link(QStringLiteral("../shared"), QStringLiteral("loop/two")));
    ASSERT_TRUE(link(QStringLiteral("nowhere"), QStringLiteral("loop/broken")));    // dangling
    ASSERT_TRUE(touch(QStringLiteral("shared/s.dll")));
    // Each walk in a scope of its own, so that what one learnt of the folders
    // does not hide the links made after it.
    ModScanFolder::FolderWalk::Stats stats;
    const auto walkOver = [&](const QStringList& values, const QStringList& folders) {
        engine::ProblemList rows = rowsNaming(values);
        ModScanFolder::FolderWalk walk(context(rows), display);
        for (const QString& folder : folders)
            walk.ScanDrive(QStringLiteral("C:\\"), folder);
        stats = walk.stats();
        return keyValues(rows);
    };
    const QStringList values = {QStringLiteral("C:\\loop\\a\\in.dll"), QStringLiteral("C:\\loop\\one\\s.dll"),
                                QStringLiteral("C:\\loop\\two\\s.dll"), QStringLiteral("C:\\loop\\broken"),
                                QStringLiteral("C:\\loop\\a\\up\\a\\in.dll")};
    // shared is listed once, through whichever link comes first, and its file
    // is met through both.
    EXPECT_EQ(walkOver(values, {QStringLiteral("C:\\loop")}), (QStringList{values[3], values[4]}));
    // up is loop again, one of its own ancestors: not entered.
    EXPECT_EQ(stats.loopsCut, 1);
    EXPECT_EQ(stats.reachedAgain, 1);
    EXPECT_EQ(stats.folders, 3);  // loop, a, shared

    // The prefix itself is never listed, however it is reached (as under Wine).
    ASSERT_TRUE(link(QFileInfo(driveC()).absolutePath(), QStringLiteral("loop/prefix")));
    const QString inPrefix = QStringLiteral("C:\\loop\\prefix\\system.reg");
    EXPECT_EQ(walkOver({inPrefix}, {QStringLiteral("C:\\loop")}), QStringList{inPrefix});

    // A link back to the drive's root, by absolute path, ends too.
    ASSERT_TRUE(link(driveC(), QStringLiteral("loop/a/root")));
    const QString throughRoot = QStringLiteral("C:\\loop\\a\\root\\shared\\s.dll");
    EXPECT_EQ(walkOver({QStringLiteral("C:\\shared\\s.dll"), QStringLiteral("C:\\loop\\two\\s.dll"), throughRoot},
                       {QStringLiteral("C:\\")}),
              QStringList{throughRoot});
    EXPECT_EQ(stats.loopsCut, 2);  // up and root
    EXPECT_EQ(stats.reachedAgain, 2);  // shared by the two links or by its own path

    // A folder met again in a later walk of the same scan is not listed again,
    // but its rows under the new path go.
    const QString notThere = QStringLiteral("C:\\shared\\no.dll");
    EXPECT_EQ(walkOver({QStringLiteral("C:\\shared\\s.dll"), notThere},
                       {QStringLiteral("C:\\loop\\one"), QStringLiteral("C:\\shared")}),
              QStringList{notThere});
    EXPECT_EQ(stats.folders, 1);
    EXPECT_EQ(stats.reachedAgain, 1);
}

// Wine links a new prefix's shell folders to the user's home: one file there
// is at home under six Windows paths, and a row naming any of them names a
// file that is on disk.
TEST_F(FinderWalk, AFileIsMetThroughEveryLinkThatLeadsToIt)
{
    const QString home = testenv::makeTempDir(QStringLiteral("finder-home"));
    ASSERT_TRUE(testenv::writeFile(home + QStringLiteral("/note.txt"), "x"));
    ASSERT_TRUE(testenv::writeFile(home + QStringLiteral("/sub/deep.dll"), "x"));
    const QStringList shellFolders = {QStringLiteral("Desktop"), QStringLiteral("Documents"),
                                      QStringLiteral("Downloads"), QStringLiteral("Music"),
                                      QStringLiteral("Pictures"), QStringLiteral("Videos")};
    QStringList notes;
    for (const QString& folder : shellFolders) {
        ASSERT_TRUE(link(home, QStringLiteral("users/me/") + folder));
        notes << QStringLiteral("C:\\users\\me\\") + folder + QStringLiteral("\\note.txt");
    }
    ASSERT_TRUE(makeFolder(QStringLiteral("apps/real")));
    ASSERT_TRUE(touch(QStringLiteral("apps/real/a.dll")));
    ASSERT_TRUE(link(QStringLiteral("real"), QStringLiteral("apps/alias")));
    const QString deep = QStringLiteral("c:\\USERS\\me\\music\\SUB\\deep.dll ");
    const QString gone = QStringLiteral("C:\\users\\me\\Videos\\gone.txt");
    const QString other = QStringLiteral("C:\\users\\me\\Desktop\\sub\\note.txt");  // not there
    const QString real = QStringLiteral("C:\\apps\\real\\a.dll");
    const QString alias = QStringLiteral("C:\\apps\\alias\\a.dll");
    const QStringList values = notes + QStringList{deep, gone, other, real, alias};
    const QStringList misses = {gone, other};
    const struct {
        const char* scope;
        QStringList folders;
        QStringList left;
    } cases[] = {
        {"all disks", {QStringLiteral("C:\\")}, misses},
        {"the user's folder", {QStringLiteral("C:\\users\\me")}, misses + QStringList{real, alias}},
        {"one shell folder", {QStringLiteral("C:\\users\\me\\Pictures")},
         notes.mid(0, 4) + QStringList{notes[5], deep} + misses + QStringList{real, alias}},
        {"a chosen folder linked to another chosen one",
         {QStringLiteral("C:\\users\\me\\Desktop"), QStringLiteral("C:\\users\\me\\Music"),
          QStringLiteral("C:\\apps\\alias"), QStringLiteral("C:\\apps\\real")},
         notes.mid(1, 2) + notes.mid(4, 2) + misses},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scope);
        engine::ProblemList rows = rowsNaming(values);
        ModScanFolder::FolderWalk walk(context(rows), display);
        for (const QString& folder : c.folders)
            walk.ScanDrive(QStringLiteral("C:\\"), folder);
        EXPECT_EQ(keyValues(rows), c.left);
        EXPECT_EQ(walk.stats().removed, values.size() - c.left.size());
    }
}

// Links that fan out to one folder make as many paths as there are ways
// through them: 2^24 here. Each folder is listed once, and a folder reached
// again is followed only where a row's path goes on.
TEST_F(FinderWalk, ManyLinksToOneFolderKeepTheWorkBounded)
{
    constexpr int kDepth = 24;
    for (int i = 0; i < kDepth; ++i) {
        ASSERT_TRUE(makeFolder(QStringLiteral("fan/L%1").arg(i)));
        for (const char* name : {"a", "b"})
            ASSERT_TRUE(link(QStringLiteral("../L%1").arg(i + 1),
                             QStringLiteral("fan/L%1/").arg(i) + QLatin1String(name)));
    }
    ASSERT_TRUE(touch(QStringLiteral("fan/L%1/f.dll").arg(kDepth)));
    const auto through = [](const QString& turns) {
        QString path = QStringLiteral("C:\\fan\\L0\\");
        for (const QChar t : turns)
            path += t + QStringLiteral("\\");
        return path + QStringLiteral("f.dll");
    };
    const QString as = through(QString(kDepth, QLatin1Char('a')));
    const QString bs = through(QString(kDepth, QLatin1Char('b')));
    QString mixed;
    for (int i = 0; i < kDepth; ++i)
        mixed += QLatin1Char(i % 3 ? 'a' : 'b');
    const QString zigzag = through(mixed);
    const QString shortOne = through(QStringLiteral("ab"));  // no file two levels down
    engine::ProblemList rows = rowsNaming({as, bs, zigzag, shortOne});
    ModScanFolder::FolderWalk walk(context(rows), display);
    walk.ScanDrive(QStringLiteral("C:\\"), QStringLiteral("C:\\fan\\L0"));
    EXPECT_EQ(keyValues(rows), QStringList{shortOne});
    EXPECT_EQ(walk.stats().folders, kDepth + 1);
    EXPECT_LE(walk.stats().relisted, kDepth + 1);  // each folder read once more at most
    EXPECT_LE(walk.stats().reachedAgain, 4 * (kDepth + 1));  // rows times depth

    // A cancel ends it wherever it is: no folder is entered after it.
    engine::ProblemList again = rowsNaming({bs, zigzag});
    ModScanFolder::FolderWalk cancelled(context(again), display);
    long long atCancel = -1;
    atPump = [&](int) {
        if (atCancel < 0 && cancelled.stats().reachedAgain >= 5) {
            bCancelScan = true;
            atCancel = cancelled.stats().reachedAgain;
        }
    };
    cancelled.ScanDrive(QStringLiteral("C:\\"), QStringLiteral("C:\\fan\\L0"));
    EXPECT_EQ(cancelled.stats().reachedAgain, atCancel);
    EXPECT_EQ(again.count() + cancelled.stats().removed, 2);
}

// Paths that differ only in case name the same row: with links "a" and "A"
// to the next folder at every level, 2^20 paths share one comparison key.
// Each real folder is matched once under each such key.
TEST_F(FinderWalk, LinksThatDifferOnlyInCaseDoNotMultiplyTheWork)
{
    constexpr int kDepth = 20;
    for (int i = 0; i < kDepth; ++i) {
        for (const char* name : {"a", "A"})
            ASSERT_TRUE(link(QStringLiteral("../L%1").arg(i + 1),
                             QStringLiteral("case/L%1/").arg(i) + QLatin1String(name)));
    }
    ASSERT_TRUE(touch(QStringLiteral("case/L%1/f.dll").arg(kDepth)));
    QString path = QStringLiteral("C:\\case\\L0\\");
    for (int i = 0; i < kDepth; ++i)
        path += QLatin1String(i % 2 ? "A\\" : "a\\");
    const QString there = path + QStringLiteral("f.dll");
    const QString gone = path + QStringLiteral("gone.dll");
    engine::ProblemList rows = rowsNaming({gone, there});
    ModScanFolder::FolderWalk walk(context(rows), display);
    walk.ScanDrive(QStringLiteral("C:\\"), QStringLiteral("C:\\case\\L0"));
    EXPECT_EQ(keyValues(rows), QStringList{gone});
    EXPECT_EQ(walk.stats().folders, kDepth + 1);
    EXPECT_LE(walk.stats().reachedAgain, 2 * (kDepth + 1));
}

TEST_F(FinderWalk, NamesWindowsCannotReachAreSkipped)
{
    ASSERT_TRUE(touch(QString::fromUtf8("odd/\u0109.dll")));         // no such character in Windows-1252
    ASSERT_TRUE(touch(QString::fromUtf8("odd/\u011Fdir/inner.dll")));
    ASSERT_TRUE(touch(QString::fromUtf8("odd/caf\u00E9.dll")));      // é is in it
    ASSERT_TRUE(touch(QStringLiteral("odd/ok.dll")));
    const QByteArray raw = QFile::encodeName(driveC()) + "/odd/\xff\xfe.dll";  // not UTF-8
    ::close(::creat(raw.constData(), 0644));
    // Names ending in a dot answer to no Windows name: their attributes
    // cannot be read, so they count as folders whose walk finds nothing.
    ASSERT_TRUE(touch(QStringLiteral("odd/dotted./inner.dll")));
    ASSERT_TRUE(touch(QStringLiteral("odd/file.")));
    const QStringList values = {QStringLiteral("C:\\odd\\?.dll"), QStringLiteral("C:\\odd\\?dir\\inner.dll"),
                                QString::fromUtf8("C:\\odd\\CAF\u00C9.DLL"), QStringLiteral("C:\\odd\\ok.dll"),
                                QStringLiteral("C:\\odd\\dotted.\\inner.dll"), QStringLiteral("C:\\odd\\file.")};
    EXPECT_EQ(walkLeaves(values, QStringLiteral("C:\\"), QStringLiteral("C:\\odd")),
              (QStringList{values[0], values[1], values[4], values[5]}));
    ::unlink(raw.constData());  // Qt cannot name it to clean up
}

TEST_F(FinderWalk, DeepTreesAreWalkedWithoutRecursion)
{
    // As deep as Windows paths go (260 characters), and deeper: what lies past
    // that length cannot be listed and is skipped.
    QString relative = QStringLiteral("deep");
    for (int i = 0; i < 140; ++i)
        relative += QStringLiteral("/d");
    ASSERT_TRUE(makeFolder(relative));
    QString at100 = QStringLiteral("deep");
    for (int i = 0; i < 100; ++i)
        at100 += QStringLiteral("/d");
    ASSERT_TRUE(touch(at100 + QStringLiteral("/x.dll")));
    ASSERT_TRUE(touch(relative + QStringLiteral("/far.dll")));
    QString windowsAt100 = QStringLiteral("C:\\") + at100 + QStringLiteral("\\x.dll");
    windowsAt100.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QString far = QStringLiteral("C:\\") + relative + QStringLiteral("\\far.dll");
    far.replace(QLatin1Char('/'), QLatin1Char('\\'));
    EXPECT_EQ(walkLeaves({windowsAt100, far}, QStringLiteral("C:\\"), QStringLiteral("C:\\deep")),
              QStringList{far});
}

TEST_F(FinderWalk, AFolderThatCannotBeListedIsSkipped)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root lists every folder";
    ASSERT_TRUE(touch(QStringLiteral("locked/in.dll")));
    ASSERT_TRUE(touch(QStringLiteral("open/o.dll")));
    const QString locked = driveC() + QStringLiteral("/locked");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    const QStringList left = walkLeaves({QStringLiteral("C:\\locked\\in.dll"), QStringLiteral("C:\\open\\o.dll")},
                                        QStringLiteral("C:\\"), QStringLiteral("C:\\"));
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(left, QStringList{QStringLiteral("C:\\locked\\in.dll")});
}

TEST_F(FinderWalk, ADriveThatGoesAwayMidWalkEndsIt)
{
    QStringList values;
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(touch(QStringLiteral("tree/f%1/x.dll").arg(i)));
        values << QStringLiteral("C:\\tree\\f%1\\x.dll").arg(i);
    }
    const QString root = driveC();
    atPump = [&](int n) {
        if (n == 5)
            QDir().rename(root, root + QStringLiteral("-gone"));
    };
    engine::ProblemList rows = rowsNaming(values);
    {
        ModScanFolder::FolderWalk walk(context(rows), display);
        walk.ScanDrive(QStringLiteral("C:\\"), QStringLiteral("C:\\tree"));
    }
    QDir().rename(root + QStringLiteral("-gone"), root);
    EXPECT_EQ(rows.count(), 30);
}

TEST_F(FinderWalk, ProgressMovesForEveryEntryDotsIncluded)
{
    ASSERT_TRUE(makeFolder(QStringLiteral("empty")));
    engine::ProblemList rows = rowsNaming({QStringLiteral("C:\\empty\\x")});
    ModScanFolder::FolderWalk walk(context(rows), display);
    walk.setRefreshInterval(0);
    walk.ScanFolder(QStringLiteral("C:\\empty"));
    EXPECT_EQ(display.statuses, (QStringList{QStringLiteral("C:\\empty\\."), QStringLiteral("C:\\empty\\..")}));
    ASSERT_FALSE(display.progress.empty());
    EXPECT_NEAR(display.progress.back(), 0.02, 1e-9);
    EXPECT_EQ(rows.count(), 1);
}

// The walk asks for the attributes of each entry just listed; within a
// lookup scope those come from the listing, and must be what a lookup of
// its own gives.
TEST_F(FinderWalk, AttributesAfterAListingAreThoseOfAFullLookup)
{
    for (const char* name : {"plain.dll", "Twin.DLL", "twin.dll", "trail.", "blank ", ".hidden", "caf\u00e9.txt",
                             "\u0109.txt", "sub/inner.txt"})
        ASSERT_TRUE(touch(QStringLiteral("attr/") + QString::fromUtf8(name)));
    ASSERT_TRUE(link(QStringLiteral("sub"), QStringLiteral("attr/tosub")));
    ASSERT_TRUE(link(QStringLiteral("nowhere"), QStringLiteral("attr/broken")));
    const QStringList asked = {u"plain.dll"_s, u"PLAIN.DLL"_s, u"Twin.DLL"_s, u"twin.dll"_s, u"TWIN.dll"_s, u"trail."_s, u"trail"_s,
                               u"blank "_s, u"blank"_s, u".hidden"_s, QString::fromUtf8("caf\u00e9.txt"), u"?.txt"_s, u"sub"_s,
                               u"tosub"_s, u"broken"_s, u"nosuch"_s, u"sub\\inner.txt"_s, u"."_s, u".."_s};
    const auto attributes = [](const QString& name) {
        return GetFileAttributesA(platform::toAnsi(QStringLiteral("C:\\attr\\") + name).constData());
    };
    QList<DWORD> alone;
    for (const QString& name : asked)
        alone << attributes(name);
    platform::LookupCacheScope scope;
    WIN32_FIND_DATAA data;
    const HANDLE h = FindFirstFileA("C:\\attr\\*", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FindClose(h);
    for (qsizetype i = 0; i < asked.size(); ++i)
        EXPECT_EQ(attributes(asked[i]), alone[i]) << asked[i].toStdString();
    EXPECT_EQ(alone[0], FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(alone[5], INVALID_FILE_ATTRIBUTES);  // "trail." on disk answers to no Windows name
}

TEST_F(FinderWalk, ProgressGoesBackToZeroAfterNinetyNine)
{
    ASSERT_TRUE(makeFolder(QStringLiteral("wide")));
    const QByteArray wide = QFile::encodeName(driveC()) + "/wide/";
    for (int i = 0; i < 9950; ++i)
        ::close(::creat((wide + QByteArray::number(i)).constData(), 0644));
    engine::ProblemList rows;
    ModScanFolder::FolderWalk walk(context(rows), display);
    walk.setRefreshInterval(0);
    walk.ScanFolder(QStringLiteral("C:\\wide\\"));
    ASSERT_EQ(walk.stats().entries, 9952);
    std::size_t reset = 0;
    for (std::size_t i = 1; i < display.progress.size(); ++i) {
        EXPECT_LT(display.progress[i], 99.02);
        if (display.progress[i - 1] >= 99 && !reset) {
            reset = i;
            EXPECT_EQ(display.progress[i], 0);
        }
    }
    EXPECT_GE(reset, 9900u);  // 9,900 steps of 0.01 make 99
}

TEST(FinderText, TrimAtNullAndComparisonKey)
{
    const char field[8] = {'a', 'b', '\0', 'c', 'd', 'e', 'f', 'g'};
    EXPECT_EQ(ModScanFolder::TrimAtNull(field, sizeof(field)), QStringLiteral("ab"));
    const char full[3] = {'x', 'y', 'z'};  // no NUL: the whole field
    EXPECT_EQ(ModScanFolder::TrimAtNull(full, sizeof(full)), QStringLiteral("xyz"));
    const char ansi[3] = {'\xe9', '\x80', '\0'};
    EXPECT_EQ(ModScanFolder::TrimAtNull(ansi, sizeof(ansi)), QString::fromUtf8("\u00E9\u20AC"));

    EXPECT_EQ(ModScanFolder::comparisonKey(QStringLiteral("  c:\\a b\\x.dll  ")), QStringLiteral("C:\\A B\\X.DLL"));
    EXPECT_EQ(ModScanFolder::comparisonKey(QStringLiteral("\tc:\\x")), QStringLiteral("\tC:\\X"));  // blanks only
    // Character by character: "ß" stays one character.
    EXPECT_EQ(ModScanFolder::comparisonKey(QString::fromUtf8("stra\u00DFe")), QString::fromUtf8("STRA\u00DFE"));
}

}  // namespace
