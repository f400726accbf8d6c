// The results file "Scan.ocx": its line format, and Save and Load Scan
// Results driven through the main window.
#include "engine/resultsfile.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/windowstate.h"
#include "platform/prefix.h"
#include "tests/mainwindow_fixture.h"
#include "platform/prefix.h"
#include "tests/support/oddfiles.h"
#include "tests/support/testenv.h"
#include "tests/support/watchdog.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace windowtest;

namespace {

// Each byte of a plain line raised by 10, as the file stores it.
QByteArray scrambled(const QByteArray& plain)
{
    QByteArray out = plain;
    for (char& c : out)
        c = static_cast<char>(static_cast<unsigned char>(c) + 10);
    return out;
}

QByteArray unscrambled(const QByteArray& stored)
{
    QByteArray out = stored;
    for (char& c : out)
        c = static_cast<char>(static_cast<unsigned char>(c) - 10);
    return out;
}

engine::ProblemRow fullRow(const QString& name, const QString& value, const QString& yes = QString())
{
    engine::ProblemRow r = problem(QStringLiteral("Startup Programs"), name, value,
                                   QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"));
    r.DefaultOrNot = yes;
    return r;
}

// --- the line format ----------------------------------------------------------------------

TEST(ResultsLineTest, ALineIsTheSevenFieldsJoinedAndEveryByteRaisedByTen)
{
    const engine::ProblemRow row = fullRow(u"Tool"_s, u"tool.exe"_s, u"Yes"_s);
    const QByteArray plain = "-2147483646^^Tool^^tool.exe^^Startup Programs^^"
                             "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run^^HKEY_LOCAL_MACHINE^^Yes";
    EXPECT_EQ(engine::ResultsLine(row), QString::fromLatin1(plain));
    const QByteArray stored = engine::StoredResultsLine(row);
    EXPECT_EQ(stored, scrambled(plain));
    EXPECT_TRUE(stored.contains("hh")) << "the separator is scrambled with the rest";
    EXPECT_EQ(engine::ResultsLineFields(stored), row.fields());

    // Empty fields give separators in a row, and read back empty.
    engine::ProblemRow empty;
    empty.MainKey = u"-2147483647"_s;
    EXPECT_EQ(engine::ResultsLine(empty), u"-2147483647^^^^^^^^^^^^"_s);
    EXPECT_EQ(engine::ResultsLineFields(engine::StoredResultsLine(empty)), empty.fields());
}

TEST(ResultsLineTest, ARowTheLineCannotCarryGivesNoLine)
{
    struct Case {
        const char* why;
        QString value;
        bool stored;
    };
    const Case cases[] = {
        {"a field holding the separator", u"C:\\a^^b.exe"_s, false},
        {"a field ending in a caret", u"C:\\ab.exe^"_s, false},
        {"a field beginning with a caret", u"^C:\\ab.exe"_s, true},
        {"a lone caret inside", u"C:\\a^b.exe"_s, true},
        {"a character outside the code page", QString::fromUtf8("C:\\\u03a9.exe"), false},
        {"a character that scrambles into CR", QStringLiteral("C:\\a") + QChar(3) + u"b.exe"_s, false},
        {"a character that scrambles into LF", QStringLiteral("C:\\a") + QChar(0) + u"b.exe"_s, false},
        // 250 + 10 leaves the byte range; it wraps and comes back whole.
        {"a character of code 250", QString::fromUtf8("C:\\\u00fa.exe"), true},
        {"a character of code 255", QString::fromUtf8("C:\\\u00ff.exe"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const engine::ProblemRow row = fullRow(u"Tool"_s, c.value);
        const QByteArray stored = engine::StoredResultsLine(row);
        EXPECT_EQ(!stored.isEmpty(), c.stored);
        if (!stored.isEmpty()) {
            EXPECT_EQ(engine::ResultsLineFields(stored), row.fields());
        }
    }
}

TEST(ResultsLineTest, LinesEndAtCrOrCrLf)
{
    const struct {
        QByteArray bytes;
        QList<QByteArray> lines;
    } cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        // Empty lines give no row and are not kept (they once came back as
        // empty entries, one per line end).
        {"a\r\n\r\nb", {"a", "b"}},
        {"\r\r\n\r\r\n", {}},
        {"\r\n\nb\r", {"\nb"}},
        {"a\nb\r\n", {"a\nb"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(engine::ResultsFileLines(c.bytes), c.lines) << c.bytes.toStdString();
}

// --- save and load through the window -------------------------------------------------------

class ResultsFileTest : public FrmStartTest {
protected:
    QString resultsFile() const { return programDir + u"/Scan.ocx"_s; }
    QByteArray onDisk() const { return testenv::readFile(resultsFile()); }
    void list(const std::vector<engine::ProblemRow>& rows)
    {
        window->lvwErrors().clear();
        for (const engine::ProblemRow& r : rows)
            window->lvwErrors().add(r);
    }
    // The file's lines, unscrambled; the bytes must end every line with CR LF.
    QList<QStringList> savedLines() const
    {
        const QByteArray bytes = onDisk();
        EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith("\r\n"));
        QList<QStringList> lines;
        for (const QByteArray& line : bytes.split('\n')) {
            if (line.isEmpty())
                continue;
            EXPECT_TRUE(line.endsWith('\r'));
            lines << QString::fromLatin1(unscrambled(line.chopped(1))).split(u"^^"_s);
        }
        return lines;
    }
    QList<QStringList> rowsOf(const engine::ProblemList& l) const
    {
        QList<QStringList> rows;
        for (const engine::ProblemRow& r : l.rows())
            rows << r.fields();
        return rows;
    }
};

TEST_F(ResultsFileTest, SaveWritesOneCrLfLineOfSevenFieldsPerRowWithTheWindowDisabled)
{
    engine::ProblemList& rows = window->lvwErrors();
    list({fullRow(u"A"_s, u"C:\\a.exe"_s), fullRow(u"(Default)"_s, u"b.dll"_s, u"Yes"_s), fullRow(u"C"_s, u""_s)});
    rows.row(2).Checked = false;  // unchecked rows are saved too

    int pumps = 0;
    bool enabledWhileWriting = false;
    window->setPump([&] {
        ++pumps;
        enabledWhileWriting = enabledWhileWriting || window->isEnabled();
    });
    menuItem(*window, "mnuFileSaveScanResults")->setEnabled(true);  // as a scan leaves it
    menuItem(*window, "mnuFileSaveScanResults")->trigger();
    window->setPump([] { QCoreApplication::processEvents(); });

    EXPECT_GT(pumps, 3);
    EXPECT_FALSE(enabledWhileWriting);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(onDisk().count("\r\n"), 3);
    const QList<QStringList> lines = savedLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines, rowsOf(rows));
    EXPECT_EQ(lines[1][6], u"Yes"_s);
    EXPECT_EQ(lines[0][0], u"-2147483646"_s);
    EXPECT_TRUE(menuItem(*window, "mnuFileLoadScanResults")->isEnabled());
    EXPECT_FALSE(menuItem(*window, "mnuFileSaveScanResults")->isEnabled());
    EXPECT_TRUE(desktop.boxes.isEmpty());
    EXPECT_FALSE(QFile::exists(resultsFile() + u".new"_s));
}

TEST_F(ResultsFileTest, SaveReplacesTheFileWholeAndAnEmptyListLeavesItAlone)
{
    list({fullRow(u"A"_s, u"C:\\a.exe"_s), fullRow(u"B"_s, u"C:\\b.exe"_s)});
    window->mnuFileSaveScanResults_Click();
    list({fullRow(u"C"_s, u"C:\\c.exe"_s)});
    window->mnuFileSaveScanResults_Click();
    ASSERT_EQ(savedLines().size(), 1);
    EXPECT_EQ(savedLines()[0][1], u"C"_s);

    const QByteArray before = onDisk();
    window->lvwErrors().clear();
    menuItem(*window, "mnuFileSaveScanResults")->setEnabled(true);
    menuItem(*window, "mnuFileLoadScanResults")->setEnabled(false);
    menuItem(*window, "mnuFileSaveScanResults")->trigger();
    EXPECT_EQ(onDisk(), before);
    EXPECT_FALSE(menuItem(*window, "mnuFileSaveScanResults")->isEnabled());
    EXPECT_FALSE(menuItem(*window, "mnuFileLoadScanResults")->isEnabled()) << "only the save item changes";
}

TEST_F(ResultsFileTest, ASaveThatCannotFinishKeepsTheLastGoodFileAndSaysSo)
{
    list({fullRow(u"A"_s, u"C:\\a.exe"_s)});
    window->mnuFileSaveScanResults_Click();
    const QByteArray before = onDisk();
    // Something the new file cannot be written over stands in its place.
    ASSERT_TRUE(QDir().mkpath(resultsFile() + u".new/x"_s));

    list({fullRow(u"B"_s, u"C:\\b.exe"_s), fullRow(u"C"_s, u"C:\\c.exe"_s)});
    menuItem(*window, "mnuFileSaveScanResults")->setEnabled(true);
    window->mnuFileSaveScanResults_Click();
    EXPECT_EQ(onDisk(), before);
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_TRUE(desktop.boxes[0].text.startsWith(u"The scan results could not be saved to "_s));
    EXPECT_TRUE(desktop.boxes[0].text.endsWith(u"Scan.ocx."_s));
    EXPECT_EQ(desktop.boxes[0].style, 64);
    EXPECT_EQ(desktop.boxes[0].title, u"Velmora 2007"_s);
    EXPECT_TRUE(menuItem(*window, "mnuFileSaveScanResults")->isEnabled()) << "the user can try again";
    EXPECT_TRUE(menuItem(*window, "mnuFileLoadScanResults")->isEnabled()) << "the old file is still there";
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(ResultsFileTest, LoadWithoutAFileOnlyTurnsItsItemOff)
{
    list({fullRow(u"A"_s, u"C:\\a.exe"_s)});
    mainwindow::bResultsLoaded = false;
    menuItem(*window, "mnuFileLoadScanResults")->setEnabled(true);
    const QString menusBefore = menuStates(*window).mid(1);
    menuItem(*window, "mnuFileLoadScanResults")->trigger();
    EXPECT_FALSE(menuItem(*window, "mnuFileLoadScanResults")->isEnabled());
    EXPECT_EQ(menuStates(*window).mid(1), menusBefore);
    EXPECT_EQ(window->lvwErrors().count(), 1);
    EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItemCount(), 0);
    EXPECT_FALSE(mainwindow::bResultsLoaded);
    EXPECT_TRUE(showErrorPage(*window)->isHidden());
    EXPECT_TRUE(desktop.boxes.isEmpty());
}

TEST_F(ResultsFileTest, LoadOfSomethingThatIsNoRegularFileSaysWhyAndChangesNothing)
{
    const struct {
        testenv::OddKind kind;
        const char* reason;
    } cases[] = {
        {testenv::OddKind::Fifo, "it is a named pipe, not a regular file"},
        {testenv::OddKind::LinkToFifo, "it is a link to a named pipe, not to a regular file"},
        {testenv::OddKind::Oversize, "it is larger than 256 MiB, far more than the program ever writes"},
        {testenv::OddKind::LinkToOversize, "it is larger than 256 MiB, far more than the program ever writes"},
        {testenv::OddKind::LinkToSocket, "it is a link to a socket, not to a regular file"},
    };
    const testenv::Watchdog watchdog("loading scan results that are no regular file");
    for (const auto& c : cases) {
        list({fullRow(u"A"_s, u"C:\\a.exe"_s)});
        mainwindow::bResultsLoaded = false;
        desktop.boxes.clear();
        QFile::remove(resultsFile());
        const QString target = testenv::makeOdd(c.kind, resultsFile());
        ASSERT_FALSE(target.isEmpty()) << testenv::describe(c.kind);
        const mode_t node = testenv::nodeType(target);
        menuItem(*window, "mnuFileLoadScanResults")->setEnabled(true);
        menuItem(*window, "mnuFileLoadScanResults")->trigger();

        ASSERT_EQ(desktop.boxes.size(), 1) << testenv::describe(c.kind);
        EXPECT_EQ(desktop.boxes[0].text, u"The saved scan results could not be read from "_s + platform::programFolder() + u"/Scan.ocx"_s
                                             + u": "_s + QString::fromUtf8(c.reason) + u"."_s);
        EXPECT_EQ(desktop.boxes[0].style, 64);
        EXPECT_EQ(window->lvwErrors().count(), 1) << testenv::describe(c.kind);
        EXPECT_FALSE(mainwindow::bResultsLoaded) << testenv::describe(c.kind);
        EXPECT_EQ(testenv::nodeType(target), node) << testenv::describe(c.kind);
        QFile::remove(resultsFile());
    }
}

TEST_F(ResultsFileTest, ScanSaveAndLoadGiveBackTheSameRowsAllChecked)
{
    scanAndAnswer();
    ASSERT_EQ(window->lvwErrors().count(), kFixtureProblems);
    const QList<QStringList> scanned = rowsOf(window->lvwErrors());
    window->mnuFileSaveScanResults_Click();

    reopenWindow();
    EXPECT_TRUE(menuItem(*window, "mnuFileLoadScanResults")->isEnabled()) << "the start offers the saved file";
    mainwindow::bResultsLoaded = false;
    menuItem(*window, "mnuFileLoadScanResults")->trigger();

    EXPECT_EQ(rowsOf(window->lvwErrors()), scanned);
    EXPECT_TRUE(mainwindow::bResultsLoaded);
    for (const engine::ProblemRow& r : window->lvwErrors().rows())
        EXPECT_TRUE(r.Checked);
    ASSERT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItemCount(), kFixtureProblems);
    for (int i = 0; i < kFixtureProblems; ++i)
        EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItem(i)->checkState(0), Qt::Checked);
    EXPECT_EQ(find<QLabel>(u"lblShowProblems"_s)->text(), u"All Errors : 8  Problems Detected  (8 selected for Fixing)"_s);
    EXPECT_FALSE(showErrorPage(*window)->isHidden());
    EXPECT_TRUE(window->findChild<PictureBox*>(u"PicScanning"_s)->isHidden());
    EXPECT_FALSE(registryCleanerPage(*window)->isHidden());
    EXPECT_FALSE(menuItem(*window, "mnuFileLoadScanResults")->isEnabled());
    EXPECT_FALSE(menuItem(*window, "mnuFileSaveScanResults")->isEnabled());
    EXPECT_TRUE(desktop.boxes.isEmpty());
}

TEST_F(ResultsFileTest, LoadDropsRepeatedFilePathsAndLinesItCannotTrust)
{
    engine::ProblemRow sameFileOtherKey = fullRow(u"Other"_s, u"c:\\SHARED.DLL"_s);
    sameFileOtherKey.FullKeyPath = u"Software\\Other"_s;
    engine::ProblemRow nameAsPath = fullRow(u"Later"_s, u"First"_s);  // repeats an earlier row's value name
    list({fullRow(u"First"_s, u"C:\\shared.dll"_s), sameFileOtherKey, nameAsPath, fullRow(u"E1"_s, u""_s),
          fullRow(u"E2"_s, u""_s), fullRow(u"Last"_s, u"C:\\last.exe"_s)});
    window->mnuFileSaveScanResults_Click();
    ASSERT_EQ(savedLines().size(), 6) << "the file keeps every row; the load drops repeats";

    // Lines another writer could have left: more fields than seven (a field
    // held the separator), too few to name a file, three fields, an empty one.
    QByteArray bytes = onDisk();
    bytes += scrambled("-2147483646^^Shift^^C:\\a^^b.exe^^Startup Programs^^Software\\X^^HKEY_LOCAL_MACHINE^^") + "\r\n";
    bytes += scrambled("-2147483646^^Short") + "\r\n";
    bytes += scrambled("-2147483646^^Three^^C:\\three.exe") + "\r\n";
    bytes += "\r\n";
    ASSERT_TRUE(testenv::writeFile(resultsFile(), bytes));

    window->lvwErrors().clear();
    window->mnuFileLoadScanResults_Click();
    QStringList names;
    for (const engine::ProblemRow& r : window->lvwErrors().rows())
        names << r.KeyName;
    EXPECT_EQ(names, QStringList({u"First"_s, u"E1"_s, u"E2"_s, u"Last"_s, u"Three"_s}));
    const engine::ProblemRow& three = window->lvwErrors().row(5);
    EXPECT_EQ(three.KeyValue, u"C:\\three.exe"_s);
    EXPECT_EQ(three.RegistryScanners, u""_s);
    EXPECT_EQ(three.DefaultOrNot, u""_s);
    EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItem(1)->text(1), u" Invalid Key Name"_s);
}

TEST_F(ResultsFileTest, RowsTheFormatCannotCarryAreLeftOutAndTheRestRoundTrip)
{
    engine::ProblemRow caretPath = fullRow(u"Caret"_s, u"C:\\ok.exe"_s);
    caretPath.FullKeyPath = u"Software\\a^^b"_s;
    const QString accented = QString::fromUtf8("C:\\Programme\\\u00fcber\u00fa.exe");
    list({fullRow(u"Before"_s, u"C:\\before.exe"_s), fullRow(u"Sep^^arated"_s, u"C:\\s.exe"_s), caretPath,
          fullRow(u"Accent"_s, accented), fullRow(u"Lone^Caret"_s, u"C:\\lone.exe"_s)});
    window->mnuFileSaveScanResults_Click();
    EXPECT_EQ(savedLines().size(), 3);
    // Was left out without a word: the logon summary and the next load then
    // showed fewer problems than the list held, and nothing said why.
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].text,
              u"2 of the 5 listed problems were left out of the scan results file "_s + platform::programFolder() + u"/Scan.ocx, as its lines cannot carry their text; the start-up "_s
                  u"summary and the next load will show 3."_s);
    EXPECT_EQ(desktop.boxes[0].style, 64);

    window->mnuFileLoadScanResults_Click();
    QStringList names;
    for (const engine::ProblemRow& r : window->lvwErrors().rows())
        names << r.KeyName;
    EXPECT_EQ(names, QStringList({u"Before"_s, u"Accent"_s, u"Lone^Caret"_s}));
    EXPECT_EQ(window->lvwErrors().row(2).KeyValue, accented) << "code 250 wraps and comes back";
}

}  // namespace
