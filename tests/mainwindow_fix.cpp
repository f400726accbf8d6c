// The fix: records before deletions, rows that stay when their value cannot
// be backed up, the checks before anything is touched, the results file
// after a fix, and the Fix Problems and Return actions.
#include "engine/backup.h"
#include "engine/fix.h"
#include "engine/registryaccess.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/windowstate.h"
#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/prefix.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/fakewineserver.h"
#include "tests/support/testenv.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace windowtest;

namespace {

const QDateTime kWhen(QDate(2007, 3, 13), QTime(10, 15, 30));
const QString kBackupName = QStringLiteral("BackupTuesday, March 13, 2007 --- 10-15-30");

class FixTest : public FrmStartTest {
protected:
    void SetUp() override
    {
        FrmStartTest::SetUp();
        seams.clock([] { return kWhen; });
    }

    QString backupPath() const { return programDir + u"/Restore/"_s + kBackupName; }
    // The plain lines of the backup file.
    QStringList backupLines() const
    {
        QStringList lines;
        const QByteArray bytes = testenv::readFile(backupPath());
        for (const QByteArray& raw : bytes.split('\n')) {
            if (!raw.isEmpty())
                lines << engine::DecodeText(platform::fromAnsi(raw.chopped(raw.endsWith('\r') ? 1 : 0)));
        }
        return lines;
    }
    QStringList visibleNames() const
    {
        QStringList names;
        const QTreeWidget* list = find<QTreeWidget>(u"lvwProblem"_s);
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            names << list->topLevelItem(i)->text(2);
        return names;
    }
    QStringList hiddenNames() const
    {
        QStringList names;
        for (const engine::ProblemRow& r : window->lvwErrors().rows())
            names << r.KeyName;
        return names;
    }
    bool valueThere(HKEY root, const QString& path, const QString& name) const
    {
        return engine::ReadValueForBackup(root, path, name).has_value();
    }
    QByteArray systemRegOnDisk() const { return testenv::readFile(prefixDir + u"/system.reg"_s); }
    // Unchecks every visible row except those named.
    void checkOnly(const QStringList& names)
    {
        const QTreeWidget* list = find<QTreeWidget>(u"lvwProblem"_s);
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = list->topLevelItem(i);
            item->setCheckState(0, names.contains(item->text(2)) ? Qt::Checked : Qt::Unchecked);
        }
    }
    void fix() { showErrorPage(*window)->ImgFixProblemsClick2_MouseMove(); }

    std::function<void()> afterFix;  // undoes what a case arranged
};

const QString kRun = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kHelp = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\Help");

// --- the fix itself --------------------------------------------------------------------------

TEST_F(FixTest, ThreeCheckedOfSixAreBackedUpInListOrderThenDeletedAndLeaveBothLists)
{
    chooseOnly({4, 5, 8});  // Help Files, Fonts, Startup Programs: six rows
    scanAndAnswer();
    const QStringList before = hiddenNames();
    ASSERT_EQ(before, QStringList({u"gone.hlp"_s, u"gone.chm"_s, u"Gone Font (TrueType)"_s, u"GoneRun"_s, u"GoneUser"_s}));
    window->lvwErrors().add(problem(u"Help Files"_s, u"extra"_s, u"C:\\extra.hlp"_s, kHelp));
    showErrorPage(*window)->FillProblemList();
    checkOnly({u"gone.hlp"_s, u"GoneRun"_s, u"GoneUser"_s});
    const QString selection = find<QLabel>(u"lblShowProblems"_s)->text();
    const int boxes = desktop.boxes.size();

    fix();

    EXPECT_EQ(desktop.boxes.size(), boxes) << "a fix that went well says nothing";
    const QStringList lines = backupLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(u"R^HKEY_LOCAL_MACHINE^"_s + kHelp + u"^C:\\windows\\help\\gone.hlp^gone.hlp^^1:"_s));
    EXPECT_TRUE(lines[1].startsWith(u"R^HKEY_LOCAL_MACHINE^"_s + kRun + u"^"_s));
    EXPECT_TRUE(lines[1].contains(u"^GoneRun^"_s));
    EXPECT_TRUE(lines[2].startsWith(u"R^HKEY_CURRENT_USER^"_s + kRun + u"^"_s));
    EXPECT_FALSE(valueThere(HKEY_LOCAL_MACHINE, kHelp, u"gone.hlp"_s));
    EXPECT_FALSE(valueThere(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s));
    EXPECT_FALSE(valueThere(HKEY_CURRENT_USER, kRun, u"GoneUser"_s));
    EXPECT_TRUE(valueThere(HKEY_LOCAL_MACHINE, kHelp, u"present.hlp"_s));
    EXPECT_FALSE(systemRegOnDisk().contains("\"GoneRun\"")) << "saved before the action returned";
    EXPECT_TRUE(systemRegOnDisk().contains("\"gone.chm\""));

    const QStringList left = {u"gone.chm"_s, u"Gone Font (TrueType)"_s, u"extra"_s};
    EXPECT_EQ(hiddenNames(), left);
    EXPECT_EQ(visibleNames(), left);
    EXPECT_EQ(find<QLabel>(u"lblShowProblems"_s)->text(), selection);
    EXPECT_FALSE(showErrorPage(*window)->isHidden());
    EXPECT_TRUE(window->menuBar()->isEnabled());
}

TEST_F(FixTest, NothingCheckedCreatesNoBackupAndChangesNothing)
{
    chooseOnly({8});
    scanAndAnswer();
    checkOnly({});
    const QByteArray system = systemRegOnDisk();
    fix();
    EXPECT_FALSE(QFile::exists(backupPath()));
    EXPECT_TRUE(QDir(programDir + u"/Restore"_s).exists()) << "the folder is made all the same";
    EXPECT_EQ(systemRegOnDisk(), system);
    EXPECT_EQ(visibleNames().size(), 2);
    EXPECT_FALSE(showErrorPage(*window)->isHidden());
}

TEST_F(FixTest, DefaultValueIsEmptiedNotRemovedAndItsRecordRestoresIt)
{
    chooseOnly({1});  // Application Paths: gone.exe's unnamed value
    scanAndAnswer();
    ASSERT_EQ(hiddenNames(), QStringList({u"(Default)"_s}));
    const QString key = window->lvwErrors().row(1).FullKeyPath;
    const auto before = engine::ReadValueForBackup(HKEY_LOCAL_MACHINE, key, u"(Default)"_s);
    ASSERT_TRUE(before);

    fix();

    const auto after = engine::ReadValueForBackup(HKEY_LOCAL_MACHINE, key, u"(Default)"_s);
    ASSERT_TRUE(after) << "the unnamed value stays";
    EXPECT_EQ(after->type, DWORD(REG_SZ));
    EXPECT_TRUE(after->bytes.isEmpty() || after->bytes == QByteArray(2, '\0'));
    const QStringList lines = backupLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].split(u'^').value(4), u"(Default)"_s);
    EXPECT_TRUE(showErrorPage(*window)->isHidden()) << "an emptied list closes the page";

    platform::RegistryBatch batch;
    const engine::RestoreResult restored = engine::RestoreBackupFile(
        platform::programFolder() + u"\\Restore\\"_s + kBackupName);
    ASSERT_TRUE(batch.finish().ok);
    EXPECT_EQ(restored.restored, 1);
    EXPECT_EQ(engine::ReadValueForBackup(HKEY_LOCAL_MACHINE, key, u"(Default)"_s), before);
}

// Listed twice in one fix, or again in a later one (an old results file
// loaded again): the emptied unnamed value is not recorded a second time,
// so the backup still restores the data it had.
TEST_F(FixTest, AValueListedTwiceIsRecordedOnceSoItsRestoreIsWhole)
{
    chooseOnly({1});
    scanAndAnswer();
    ASSERT_EQ(hiddenNames(), QStringList({u"(Default)"_s}));
    const engine::ProblemRow once = window->lvwErrors().row(1);
    engine::ProblemRow twice = once;
    twice.RegistryScanners = u"Active X Objects"_s;
    twice.FullKeyPath = twice.FullKeyPath.toLower();
    window->lvwErrors().add(twice);
    showErrorPage(*window)->FillProblemList();
    const auto before = engine::ReadValueForBackup(HKEY_LOCAL_MACHINE, twice.FullKeyPath, u"(Default)"_s);

    fix();
    window->lvwErrors().add(once);
    showErrorPage(*window)->FillProblemList();
    fix();

    EXPECT_EQ(backupLines().size(), 1);
    EXPECT_EQ(window->lvwErrors().count(), 0);
    platform::RegistryBatch batch;
    engine::RestoreBackupFile(platform::programFolder() + u"\\Restore\\"_s + kBackupName);
    ASSERT_TRUE(batch.finish().ok);
    EXPECT_EQ(engine::ReadValueForBackup(HKEY_LOCAL_MACHINE, twice.FullKeyPath, u"(Default)"_s), before);
}

TEST_F(FixTest, TwoFixesInOneSecondShareOneBackupFile)
{
    chooseOnly({8});
    scanAndAnswer();
    checkOnly({u"GoneRun"_s});
    fix();
    checkOnly({u"GoneUser"_s});
    fix();
    const QStringList lines = backupLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains(u"^GoneRun^"_s));
    EXPECT_TRUE(lines[1].contains(u"^GoneUser^"_s));
    EXPECT_EQ(showErrorPage(*window)->backupFile(), platform::programFolder() + u"\\Restore\\"_s + kBackupName);
    EXPECT_EQ(QDir(programDir + u"/Restore"_s).entryList(QDir::Files).size(), 1);
}

// --- rows the fix must leave alone -----------------------------------------------------------

TEST_F(FixTest, RowsWhoseRecordOrRootFailsStayCheckedAndOneSentenceSaysWhy)
{
    ASSERT_EQ(engine::SetRegistryValue(HKEY_LOCAL_MACHINE, kRun, u"Caret"_s, u"C:\\Gone^Dir\\tool.exe"_s, REG_SZ), 0);
    ASSERT_TRUE(platform::flushRegistry().ok);
    chooseOnly({8});
    scanAndAnswer();
    ASSERT_TRUE(hiddenNames().contains(u"Caret"_s));
    struct Edited {
        const char* name;
        const char* mainKey;
        const char* rootName;
    };
    // Only an edited results file gives such rows; each names a real value.
    const Edited edited[] = {
        {"GoneRun", "", "HKEY_LOCAL_MACHINE"},
        {"GoneRun", " 12 ", "HKEY_LOCAL_MACHINE"},
        {"GoneRun", "-2147483647", "HKEY_LOCAL_MACHINE"},  // the number of another root
    };
    for (const Edited& e : edited) {
        engine::ProblemRow r = problem(u"Startup Programs"_s, QLatin1String(e.name), u"C:\\elsewhere\\x.exe"_s, kRun);
        r.MainKey = QLatin1String(e.mainKey);
        r.mainkeyname = QLatin1String(e.rootName);
        window->lvwErrors().add(r);
    }
    showErrorPage(*window)->FillProblemList();
    checkOnly({u"Caret"_s, u"GoneUser"_s, u"GoneRun"_s});
    // The first GoneRun row is the scan's own: uncheck it so only edited rows name that value.
    QTreeWidget* list = find<QTreeWidget>(u"lvwProblem"_s);
    list->topLevelItem(hiddenNames().indexOf(u"GoneRun"_s))->setCheckState(0, Qt::Unchecked);
    for (int i = 1; i <= window->lvwErrors().count(); ++i) {
        engine::ProblemRow& r = window->lvwErrors().row(i);
        r.Checked = r.KeyName != u"GoneRun"_s || r.KeyValue == u"C:\\elsewhere\\x.exe"_s;
        list->topLevelItem(i - 1)->setCheckState(0, r.Checked ? Qt::Checked : Qt::Unchecked);
    }
    for (int i = 1; i <= window->lvwErrors().count(); ++i)
        window->lvwErrors().row(i).Checked = list->topLevelItem(i - 1)->checkState(0) == Qt::Checked;

    fix();

    EXPECT_TRUE(valueThere(HKEY_LOCAL_MACHINE, kRun, u"Caret"_s));
    EXPECT_TRUE(valueThere(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s));
    EXPECT_FALSE(valueThere(HKEY_CURRENT_USER, kRun, u"GoneUser"_s));
    EXPECT_EQ(backupLines().size(), 1);
    ASSERT_FALSE(desktop.boxes.isEmpty());
    EXPECT_EQ(desktop.boxes.last().text,
              u"4 checked value(s) were left in the registry and stay checked in the list: 1 because a backup line "_s
              u"cannot carry their text (a \"^\", a control character or a character outside the code page), 3 "_s
              u"because their root key is blank or not one of the registry's root keys."_s);
    EXPECT_EQ(window->lvwErrors().count(), 5);
    EXPECT_EQ(list->topLevelItemCount(), 5);
    for (int i = 1; i <= window->lvwErrors().count(); ++i) {
        const engine::ProblemRow& r = window->lvwErrors().row(i);
        const bool expectChecked = r.KeyName == u"Caret"_s || r.KeyValue == u"C:\\elsewhere\\x.exe"_s;
        EXPECT_EQ(r.Checked, expectChecked) << r.KeyName.toStdString();
        EXPECT_EQ(list->topLevelItem(i - 1)->checkState(0) == Qt::Checked, expectChecked);
    }
}

TEST_F(FixTest, RecordThatCannotBeWrittenKeepsItsValue)
{
    chooseOnly({8});
    scanAndAnswer();
    // A folder where the backup file would go: no record can be appended.
    ASSERT_TRUE(QDir().mkpath(backupPath()));
    fix();
    EXPECT_TRUE(valueThere(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s));
    EXPECT_TRUE(valueThere(HKEY_CURRENT_USER, kRun, u"GoneUser"_s));
    EXPECT_EQ(hiddenNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
    EXPECT_EQ(visibleNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].text, u"2 checked value(s) were left in the registry and stay checked in the list: 2 "_s
                                     u"because the backup file could not be written."_s);
}

// The checks before a fix: each refusal touches nothing at all.
TEST_F(FixTest, AFixThatCouldNotBeKeptChangesNothing)
{
    struct Case {
        const char* what;
        std::function<void()> arrange;
        const char* sentenceStart;
    };
    const Case cases[] = {
        {"Restore is a file", [this] { testenv::writeFile(programDir + u"/Restore"_s, "x"); },
         "The backup folder "},
        {"system.reg changed on disk while a change is unsaved",
         [this] {
             static std::unique_ptr<platform::RegistryBatch> held;
             held = std::make_unique<platform::RegistryBatch>();
             engine::SetRegistryValue(HKEY_LOCAL_MACHINE, u"Software\\Held"_s, u"x"_s, u"1"_s, REG_SZ);
             QByteArray text = systemRegOnDisk();
             text.append("\n[Software\\\\Other] 1700000000\n\"y\"=\"2\"\n");
             testenv::writeFile(prefixDir + u"/system.reg"_s, text);
             afterFix = [] {
                 EXPECT_FALSE(held->finish().ok);
                 held.reset();
             };
         },
         "The registry file "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        desktop.boxes.clear();
        chooseOnly({8});
        scanAndAnswer();
        c.arrange();
        const QByteArray system = systemRegOnDisk();
        const QByteArray user = testenv::readFile(prefixDir + u"/user.reg"_s);
        fix();
        ASSERT_EQ(desktop.boxes.size(), 1);
        EXPECT_TRUE(desktop.boxes[0].text.startsWith(QLatin1String(c.sentenceStart))) << desktop.boxes[0].text.toStdString();
        EXPECT_TRUE(desktop.boxes[0].text.endsWith(u'.') && !desktop.boxes[0].text.contains(u". "_s)) << "one sentence";
        EXPECT_FALSE(QFile::exists(backupPath()));
        EXPECT_TRUE(valueThere(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s));
        EXPECT_TRUE(valueThere(HKEY_CURRENT_USER, kRun, u"GoneUser"_s));
        EXPECT_EQ(visibleNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
        EXPECT_EQ(hiddenNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
        EXPECT_TRUE(find<PictureImage>(u"ImgFixProblemsNormal2"_s)->isEnabled());
        if (afterFix) {
            afterFix();
            afterFix = {};
        }
        EXPECT_EQ(systemRegOnDisk(), system);
        EXPECT_EQ(testenv::readFile(prefixDir + u"/user.reg"_s), user);
    }
}

// No value left the registry on disk, so the backup of the values is taken
// back out (it used to stay, listing values that were never removed), and
// the registry held in memory is read again as Wine has it.
TEST_F(FixTest, AFailedSaveIsToldAndItsBackupIsTakenBack)
{
    chooseOnly({8});
    scanAndAnswer();
    // Another program rewrites system.reg while the fix runs.
    bool changed = false;
    window->setPump([&] {
        if (!changed && QFile::exists(backupPath())) {
            changed = true;
            QByteArray text = systemRegOnDisk();
            testenv::writeFile(prefixDir + u"/system.reg"_s, text + "\n[Software\\\\Other] 1700000000\n");
        }
        QCoreApplication::processEvents();
    });
    fix();
    window->setPump([] { QCoreApplication::processEvents(); });
    ASSERT_TRUE(changed);
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_TRUE(desktop.boxes[0].text.contains(u"was changed by another program"_s)) << desktop.boxes[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(backupPath()));
    EXPECT_TRUE(systemRegOnDisk().contains("\"GoneRun\""));
    EXPECT_TRUE(valueThere(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s));
    // Nothing is held unsaved: closing writes nothing over the user's file.
    const QByteArray onDisk = systemRegOnDisk();
    platform::closePrefix();
    EXPECT_EQ(systemRegOnDisk(), onDisk);
}

// --- the fix is one piece of work -----------------------------------------------------------

// The fix lets messages run between its rows: nothing the user presses then
// may refill or change the lists or the registry under it. GoneRun is
// checked, GoneUser is not; whatever is pressed, GoneUser stays.
TEST_F(FixTest, NoActionThatTouchesTheListsStartsInsideAFix)
{
    struct Case {
        const char* what;
        std::function<void()> press;
        std::function<void()> check;  // that the press did nothing
    };
    int modals = 0;
    int sounds = 0;
    const Case cases[] = {
        {"Return, then Scan",
         [this] {
             showErrorPage(*window)->ImgReturnClick_MouseMove();
             registryCleanerPage(*window)->ImgScanClick_MouseMove();
         },
         [this] { EXPECT_FALSE(showErrorPage(*window)->isHidden()); }},
        {"Load Scan Results", [this] { window->mnuFileLoadScanResults_Click(); },
         [this] { EXPECT_FALSE(mainwindow::bResultsLoaded); }},
        {"Find Missing Files", [this] { registryCleanerPage(*window)->ImgFindMissingFilesClick_MouseMove(); },
         [&] { EXPECT_EQ(desktop.modals.size(), modals); }},
        {"the Rescue Center", [this] { window->ToolBar_ButtonClick(3); },
         [this] { EXPECT_TRUE(rescueCenterPage(*window)->isHidden()); }},
        {"Fix Problems and Fix", [this] {
             registryCleanerPage(*window)->ImgFixProblemsClick_MouseMove();
             showErrorPage(*window)->ImgFixProblemsClick2_MouseMove();
         },
         [&] { EXPECT_EQ(desktop.sounds.size(), sounds); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        menuItem(*window, "mnuFileShowScanResultsonStartup")->setChecked(false);
        chooseOnly({8});
        scanAndAnswer();
        checkOnly({u"GoneRun"_s});
        window->mnuFileSaveScanResults_Click();  // something to load
        modals = desktop.modals.size();
        bool pressed = false;
        window->setPump([&] {
            if (!pressed) {
                pressed = true;
                sounds = desktop.sounds.size();
                c.press();
                c.check();
            }
            QCoreApplication::processEvents();
        });
        fix();
        window->setPump([] { QCoreApplication::processEvents(); });
        ASSERT_TRUE(pressed);

        EXPECT_FALSE(valueThere(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s));
        EXPECT_TRUE(valueThere(HKEY_CURRENT_USER, kRun, u"GoneUser"_s)) << "an unchecked value is never touched";
        EXPECT_EQ(backupLines().size(), 1);
        EXPECT_EQ(hiddenNames(), QStringList({u"GoneUser"_s}));
        EXPECT_EQ(visibleNames(), QStringList({u"GoneUser"_s}));
        if (window->lvwErrors().count() == 1 && find<QTreeWidget>(u"lvwProblem"_s)->topLevelItemCount() == 1) {
            EXPECT_FALSE(window->lvwErrors().row(1).Checked);
            EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItem(0)->checkState(0), Qt::Unchecked);
        }
        EXPECT_TRUE(window->menuBar()->isEnabled());
        mainwindow::bResultsLoaded = false;
    }
}

// Fix pressed while Load Scan Results fills the lists: the load's list is
// not yet there, and the fix must not take it for an emptied one.
TEST_F(FixTest, AFixPressedDuringALoadDoesNothing)
{
    chooseOnly({8});
    scanAndAnswer();
    window->mnuFileSaveScanResults_Click();
    const QByteArray saved = testenv::readFile(programDir + u"/Scan.ocx"_s);
    ASSERT_FALSE(saved.isEmpty());
    showErrorPage(*window)->ImgReturnClick_MouseMove();
    const QByteArray system = systemRegOnDisk();
    bool pressed = false;
    window->setPump([&] {
        if (!pressed) {
            pressed = true;
            showErrorPage(*window)->ImgFixProblemsClick2_MouseMove();
        }
        QCoreApplication::processEvents();
    });
    window->mnuFileLoadScanResults_Click();
    window->setPump([] { QCoreApplication::processEvents(); });
    ASSERT_TRUE(pressed);
    EXPECT_EQ(testenv::readFile(programDir + u"/Scan.ocx"_s), saved);
    EXPECT_EQ(systemRegOnDisk(), system);
    EXPECT_FALSE(QFile::exists(backupPath()));
    EXPECT_EQ(hiddenNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
    EXPECT_EQ(visibleNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
    EXPECT_FALSE(showErrorPage(*window)->isHidden());
    mainwindow::bResultsLoaded = false;
}

// --- only what is still wrong changes -----------------------------------------------------------

// A value pointed at a file on disk after the scan (or after the results
// file was saved, and loaded again later, or even while the fix writes its
// record) is no problem any more.
TEST_F(FixTest, AValueChangedSinceTheScanStaysAndItsRowStaysChecked)
{
    enum When { AfterScan, ThroughResultsFile, WhileRecorded };
    for (const When when : {AfterScan, ThroughResultsFile, WhileRecorded}) {
        SCOPED_TRACE(when == AfterScan ? "right after the scan"
                                       : when == ThroughResultsFile ? "saved and loaded" : "while recorded");
        TearDown();
        SetUp();
        chooseOnly({8});
        scanAndAnswer();
        const auto repoint = [] {
            return engine::SetRegistryValue(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s, u"C:\\windows\\present.exe"_s, REG_SZ);
        };
        if (when == ThroughResultsFile)
            window->mnuFileSaveScanResults_Click();
        if (when != WhileRecorded) {
            ASSERT_EQ(repoint(), 0);
            ASSERT_TRUE(platform::flushRegistry().ok);
        }
        if (when == ThroughResultsFile) {
            reopenWindow();
            window->mnuFileLoadScanResults_Click();
            ASSERT_EQ(hiddenNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
        }
        desktop.boxes.clear();
        bool repointed = false;
        window->setPump([&] {
            if (when == WhileRecorded && !repointed && QFile::exists(backupPath())) {
                repointed = true;
                EXPECT_EQ(repoint(), 0);
            }
            QCoreApplication::processEvents();
        });

        fix();
        window->setPump([] { QCoreApplication::processEvents(); });

        QString data;
        ASSERT_TRUE(engine::QueryRegistryValue(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s, data));
        EXPECT_EQ(data, u"C:\\windows\\present.exe"_s);
        EXPECT_FALSE(valueThere(HKEY_CURRENT_USER, kRun, u"GoneUser"_s));
        // Only GoneUser's record: the record of a value changed while it
        // was written is taken out again (it used to stay, a backup of a
        // value that never left).
        EXPECT_EQ(backupLines().size(), 1);
        EXPECT_EQ(hiddenNames(), QStringList({u"GoneRun"_s}));
        EXPECT_EQ(visibleNames(), QStringList({u"GoneRun"_s}));
        if (hiddenNames().size() == 1 && visibleNames().size() == 1) {
            EXPECT_TRUE(window->lvwErrors().row(1).Checked);
            EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItem(0)->checkState(0), Qt::Checked);
        }
        ASSERT_EQ(desktop.boxes.size(), 1);
        EXPECT_EQ(desktop.boxes[0].text, u"1 checked value(s) were left in the registry and stay checked in the list: 1 "_s
                                         u"because their value has changed and no longer names the missing file."_s);
        mainwindow::bResultsLoaded = false;
    }
}

// The App Paths key of gone.exe gets a valid unnamed value and a stale value
// named with one blank, which the scan also lists as "(Default)".
TEST_F(FixTest, ADefaultRowChangesTheValueThatHoldsItsDataNotTheUnnamedOne)
{
    const QString key = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone.exe");
    ASSERT_EQ(engine::SetRegistryValue(HKEY_LOCAL_MACHINE, key, u" "_s, u"C:\\Program Files\\Gone\\gone.exe"_s, REG_SZ), 0);
    chooseOnly({1});
    scanAndAnswer();
    ASSERT_EQ(hiddenNames(), QStringList({u"(Default)"_s, u"(Default)"_s}));
    ASSERT_EQ(engine::SetRegistryValue(HKEY_LOCAL_MACHINE, key, u""_s, u"C:\\windows\\present.exe"_s, REG_SZ), 0);

    fix();

    QString unnamed;
    ASSERT_TRUE(engine::QueryRegistryValue(HKEY_LOCAL_MACHINE, key, u""_s, unnamed));
    EXPECT_EQ(unnamed, u"C:\\windows\\present.exe"_s) << "the valid value is left as it is";
    EXPECT_FALSE(valueThere(HKEY_LOCAL_MACHINE, key, u" "_s)) << "the stale one is gone";
    ASSERT_EQ(backupLines().size(), 1);
    EXPECT_EQ(backupLines()[0].split(u'^').value(7), u"20"_s);
    EXPECT_EQ(window->lvwErrors().count(), 0) << "both rows named the one stale value";
}

// A visible row checked while its hidden row is not leaves the page, and
// nothing of the registry changes for it.
TEST_F(FixTest, AVisibleRowCheckedWhileItsHiddenRowIsNotChangesNothing)
{
    chooseOnly({8});
    scanAndAnswer();
    checkOnly({u"GoneRun"_s});
    window->lvwErrors().row(1).Checked = false;  // the visible GoneRun stays checked

    fix();

    EXPECT_TRUE(valueThere(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s));
    EXPECT_TRUE(valueThere(HKEY_CURRENT_USER, kRun, u"GoneUser"_s));
    EXPECT_FALSE(QFile::exists(backupPath()));
    EXPECT_EQ(visibleNames(), QStringList({u"GoneUser"_s}));
    EXPECT_EQ(hiddenNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
    EXPECT_TRUE(desktop.boxes.isEmpty());
}

// --- a save that failed -------------------------------------------------------------------------

// The registry batch could not be saved: the rows stay listed and checked,
// and the results file stays as it was, whether the list came from it or
// from a scan.
TEST_F(FixTest, AFailedSaveKeepsTheRowsAndTheResultsFile)
{
    for (const bool loaded : {false, true}) {
        SCOPED_TRACE(loaded ? "a loaded list" : "a scanned list");
        TearDown();
        SetUp();
        menuItem(*window, "mnuFileShowScanResultsonStartup")->setChecked(true);
        chooseOnly({8});
        scanAndAnswer();
        window->mnuFileSaveScanResults_Click();
        if (loaded)
            window->mnuFileLoadScanResults_Click();
        checkOnly({u"GoneRun"_s});
        window->lvwErrors().row(2).Checked = true;  // GoneUser's value is in another file
        find<QTreeWidget>(u"lvwProblem"_s)->topLevelItem(1)->setCheckState(0, Qt::Checked);
        const QByteArray results = testenv::readFile(programDir + u"/Scan.ocx"_s);
        ASSERT_FALSE(results.isEmpty());
        checkOnly({u"GoneRun"_s});
        bool changed = false;
        window->setPump([&] {
            if (!changed && QFile::exists(backupPath())) {
                changed = true;
                testenv::writeFile(prefixDir + u"/system.reg"_s, systemRegOnDisk() + "\n[Software\\\\Other] 1700000000\n");
            }
            QCoreApplication::processEvents();
        });
        desktop.boxes.clear();
        fix();
        window->setPump([] { QCoreApplication::processEvents(); });
        ASSERT_TRUE(changed);

        ASSERT_EQ(desktop.boxes.size(), 1);
        EXPECT_TRUE(desktop.boxes[0].text.startsWith(u"The registry file "_s)) << desktop.boxes[0].text.toStdString();
        EXPECT_TRUE(desktop.boxes[0].text.endsWith(u"; the checked problems stay listed and checked."_s));
        EXPECT_EQ(hiddenNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
        EXPECT_EQ(visibleNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
        EXPECT_TRUE(window->lvwErrors().row(1).Checked);
        EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItem(0)->checkState(0), Qt::Checked);
        EXPECT_EQ(testenv::readFile(programDir + u"/Scan.ocx"_s), results);
        EXPECT_FALSE(showErrorPage(*window)->isHidden());
        // The registry held says what is on disk, and no backup lists the
        // values that stayed.
        EXPECT_TRUE(valueThere(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s));
        EXPECT_FALSE(QFile::exists(backupPath()));
        mainwindow::bResultsLoaded = false;
        platform::closePrefix();
    }
}

// --- a change refused ------------------------------------------------------------------------------

// While Wine's server holds the prefix, every action that would change the
// registry, and the scan, refuse with the same sentence in the same box.
TEST_F(FixTest, EveryRefusedRegistryChangeSaysOneSentenceInOneStyle)
{
    chooseOnly({8});  // Startup Programs: GoneRun and GoneUser
    scanAndAnswer();
    checkOnly({u"GoneRun"_s});
    fix();  // leaves a backup for the Rescue Center
    ASSERT_TRUE(QFile::exists(backupPath()));
    checkOnly({u"GoneUser"_s});
    const QByteArray registry = systemRegOnDisk();
    testenv::FakeWineServer server(prefixDir);
    ASSERT_TRUE(server.locked());
    const auto selectBackup = [this] {
        auto* list = find<QTreeWidget>(u"lvwBackUp"_s);
        ASSERT_EQ(list->topLevelItemCount(), 1);
        list->topLevelItem(0)->setSelected(true);
    };

    const struct {
        const char* name;
        std::function<void()> act;
    } cases[] = {
        {"Fix", [this] { fix(); }},
        {"Show Scan Results on Startup", [this] { menuItem(*window, "mnuFileShowScanResultsonStartup")->trigger(); }},
        {"Scan", [this] { window->mnuCleaningScanRegitry_Click(); }},
        {"Rescue Center: Delete",
         [&] {
             window->mnuFileRescueCenter_Click();
             selectBackup();
             rescueCenterPage(*window)->ImgDeleteBackUpClick_MouseMove();
         }},
        {"Rescue Center: Restore",
         [&] {
             selectBackup();
             rescueCenterPage(*window)->ImgRestoringClick_MouseMove();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop.boxes.clear();
        c.act();
        ASSERT_EQ(desktop.boxes.size(), 1);
        EXPECT_EQ(desktop.boxes[0].text, platform::whyChangesCannotBeKept());
        EXPECT_EQ(desktop.boxes[0].style, 64);
        EXPECT_EQ(desktop.boxes[0].title, FrmStart::productName());
    }
    EXPECT_EQ(systemRegOnDisk(), registry);
    EXPECT_TRUE(QFile::exists(backupPath()));
    EXPECT_TRUE(valueThere(HKEY_CURRENT_USER, kRun, u"GoneUser"_s));
}

// --- the results file after a fix --------------------------------------------------------------

TEST_F(FixTest, FixingEveryRowDeletesTheResultsFileOnlyWhenTheListCameFromIt)
{
    struct Case {
        const char* what;
        bool loaded;
        bool returnFirst;
        bool fileStays;
    };
    const Case cases[] = {
        {"after a load", true, false, false},
        {"after a scan", false, false, true},
        {"after a load and Return", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        menuItem(*window, "mnuFileShowScanResultsonStartup")->setChecked(false);
        chooseOnly({8});
        scanAndAnswer();
        QByteArray file;
        for (const engine::ProblemRow& r : window->lvwErrors().rows())
            file += platform::toAnsi(engine::EncodeText(r.fields().join(u"^^"_s))) + "\r\n";
        ASSERT_TRUE(testenv::writeFile(programDir + u"/Scan.ocx"_s, file));
        mainwindow::bResultsLoaded = c.loaded;
        if (c.returnFirst) {
            showErrorPage(*window)->ImgReturnClick_MouseMove();
            registryCleanerPage(*window)->ImgFixProblemsClick_MouseMove();
        }
        fix();
        EXPECT_EQ(window->lvwErrors().count(), 0);
        EXPECT_EQ(QFile::exists(programDir + u"/Scan.ocx"_s), c.fileStays);
        mainwindow::bResultsLoaded = false;
    }
}

// With "Show Scan Results on Startup" on, the results file holds exactly
// the rows a fix leaves, in list order, and goes when none is left: the
// logon summary would count problems that are gone.
TEST_F(FixTest, WithTheStartupOptionTheResultsFileHoldsExactlyTheRowsLeft)
{
    struct Case {
        const char* what;
        QStringList checked;
        QStringList left;  // empty: no file
    };
    const Case cases[] = {
        {"nothing checked", {}, {u"GoneRun"_s, u"gone.hlp"_s, u"GoneUser"_s}},
        {"one of three", {u"gone.hlp"_s}, {u"GoneRun"_s, u"GoneUser"_s}},
        {"every row", {u"GoneRun"_s, u"gone.hlp"_s, u"GoneUser"_s}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        menuItem(*window, "mnuFileShowScanResultsonStartup")->setChecked(true);
        chooseOnly({8});
        scanAndAnswer();
        // A third row between the two, so that list order shows.
        engine::ProblemRow help = problem(u"Help Files"_s, u"gone.hlp"_s, u"C:\\windows\\help\\gone.hlp"_s, kHelp);
        window->lvwErrors().add(window->lvwErrors().row(2));
        window->lvwErrors().row(2) = help;
        showErrorPage(*window)->FillProblemList();
        window->mnuFileSaveScanResults_Click();  // an older file, of every row
        checkOnly(c.checked);

        fix();

        if (c.left.isEmpty()) {
            EXPECT_FALSE(QFile::exists(programDir + u"/Scan.ocx"_s));
            continue;
        }
        QStringList names;
        for (const QByteArray& raw : testenv::readFile(programDir + u"/Scan.ocx"_s).split('\n')) {
            if (!raw.isEmpty())
                names << engine::DecodeText(platform::fromAnsi(raw.chopped(1))).split(u"^^"_s).value(1);
        }
        EXPECT_EQ(names, c.left);
        EXPECT_EQ(hiddenNames(), c.left);
    }
}

// --- the page actions ---------------------------------------------------------------------------

TEST_F(FixTest, FixProblemsOpensTheProblemPageOrWithNoRowsOnlySetsTheMenus)
{
    chooseOnly({8});
    scanAndAnswer();
    showErrorPage(*window)->ImgReturnClick_MouseMove();
    EXPECT_TRUE(showErrorPage(*window)->isHidden());
    EXPECT_FALSE(mainwindow::bResultsLoaded);
    EXPECT_TRUE(menuItem(*window, "mnuFileLoadScanResults")->isEnabled());
    EXPECT_EQ(visibleNames().size(), 2) << "Return keeps the lists";

    const QByteArray system = systemRegOnDisk();
    desktop.sounds.clear();
    menuItem(*window, "mnuCleaningFixProblems")->trigger();
    EXPECT_FALSE(showErrorPage(*window)->isHidden());
    EXPECT_TRUE(window->findChild<PictureBox*>(u"PicScanning"_s)->isHidden());
    EXPECT_EQ(desktop.sounds.size(), 1);
    EXPECT_EQ(systemRegOnDisk(), system) << "it opens the page and fixes nothing";

    showErrorPage(*window)->ImgReturnClick_MouseMove();
    window->lvwErrors().clear();
    desktop.sounds.clear();
    menuItem(*window, "mnuCleaningFixProblems")->trigger();
    EXPECT_TRUE(showErrorPage(*window)->isHidden());
    EXPECT_TRUE(desktop.sounds.isEmpty());
    EXPECT_EQ(menuStates(*window), u"FTFTTTTF"_s);
}

// --- Wine changed the files -------------------------------------------------------------------

TEST_F(FixTest, ARegistryChangedOnDiskIsReadAgainBeforeAScanAndAFix)
{
    chooseOnly({8});
    scanAndAnswer();
    EXPECT_EQ(hiddenNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
    // As Wine would leave it after its registry editor: a value more.
    QByteArray text = systemRegOnDisk();
    text.replace("\"GoneRun\"=", "\"Added\"=\"C:\\\\Gone\\\\added.exe\"\n\"GoneRun\"=");
    ASSERT_TRUE(testenv::writeFile(prefixDir + u"/system.reg"_s, text));
    scanAndAnswer();
    EXPECT_EQ(hiddenNames(), QStringList({u"Added"_s, u"GoneRun"_s, u"GoneUser"_s}));

    text.replace("\"GoneRun\"=", "\"Later\"=\"x\"\n\"GoneRun\"=");
    ASSERT_TRUE(testenv::writeFile(prefixDir + u"/system.reg"_s, text));
    fix();
    EXPECT_TRUE(desktop.boxes.isEmpty()) << desktop.boxes.value(0).text.toStdString();
    EXPECT_EQ(window->lvwErrors().count(), 0);
    EXPECT_TRUE(valueThere(HKEY_LOCAL_MACHINE, kRun, u"Later"_s)) << "the change made on disk is kept";
    EXPECT_TRUE(systemRegOnDisk().contains("\"Later\"=\"x\""));
    EXPECT_FALSE(systemRegOnDisk().contains("\"Added\""));
}

}  // namespace

namespace {

TEST_F(FixTest, ARegistryFileThatNoLongerReadsKeepsTheOneReadBefore)
{
    chooseOnly({8});
    scanAndAnswer();
    const QByteArray good = systemRegOnDisk();
    ASSERT_TRUE(testenv::writeFile(prefixDir + u"/system.reg"_s, "WINE REGISTRY Version 2\n\n[Software\\\\Broken\n"));
    window->mnuCleaningScanRegitry_Click();
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_TRUE(desktop.boxes[0].text.contains(u"cannot be read again"_s)) << desktop.boxes[0].text.toStdString();
    EXPECT_EQ(hiddenNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s})) << "no scan ran";
    EXPECT_TRUE(valueThere(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s)) << "the registry read before is still there";

    ASSERT_TRUE(testenv::writeFile(prefixDir + u"/system.reg"_s, good));
    scanAndAnswer();
    EXPECT_EQ(hiddenNames(), QStringList({u"GoneRun"_s, u"GoneUser"_s}));
}

// A row names its root by number and by name; only the six roots, named
// alike both ways, are acted on.
TEST(FixRoots, OnlyAKnownRootNamedAlikeBothWaysIsUsed)
{
    const struct {
        const char* mainKey;
        const char* name;
        HKEY root;
    } cases[] = {
        {"-2147483648", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"-2147483647", "hkey_current_user ", HKEY_CURRENT_USER},
        {" -2147483646 ", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"-2147483645", "HKEY_USERS", HKEY_USERS},
        {"-2147483643", "HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {"-2147483642", "HKEY_DYN_DATA", HKEY_DYN_DATA},
        {"-2147483644", "HKEY_PERFORMANCE_DATA", 0},
        {"2147483650", "HKEY_LOCAL_MACHINE", 0},
        {"", "HKEY_LOCAL_MACHINE", 0},
        {"x", "HKEY_LOCAL_MACHINE", 0},
        {"-2147483646", "HKEY_CURRENT_USER", 0},
        {"-2147483646", "", 0},
    };
    for (const auto& c : cases) {
        engine::ProblemRow row;
        row.MainKey = QLatin1String(c.mainKey);
        row.mainkeyname = QLatin1String(c.name);
        EXPECT_EQ(engine::RootOfRow(row), c.root) << c.mainKey << " " << c.name;
    }
}

}  // namespace
