// The Rescue Center: the backup list and its row texts, Delete and Restore
// of the first selected backup, a restore that keeps its backup whenever a
// value did not go back for good, and the restoring box's ticks.
#include "engine/backup.h"
#include "engine/backupstore.h"
#include "engine/registryaccess.h"
#include "mainwindow/frmcreatingbackkeys.h"
#include "mainwindow/pageframe.h"
#include "mainwindow/rescuecenterpage.h"
#include "mainwindow/timing.h"
#include "platform/clock.h"
#include "platform/prefix.h"
#include "platform/winreg.h"
#include "tests/mainwindow_fixture.h"
#include "tests/registry_support.h"
#include "tests/support/namedcontrol.h"
#include "tests/support/oddfiles.h"
#include "tests/support/testenv.h"
#include "tests/support/watchdog.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QProgressBar>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace windowtest {
namespace {

const QString kRun = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");

// Answers every question with `answer` and records it as the fake does.
class AskingDesktop : public FakeDesktop {
public:
    int answer = 6;
    int messageBox(const QString& text, int style, const QString& title) override
    {
        FakeDesktop::messageBox(text, style, title);
        return answer;
    }
};

class RescueCenterTest : public FrmStartTest {
protected:
    void SetUp() override
    {
        FrmStartTest::SetUp();
        seams.desktop(&asking);
    }

    QString restoreDir() const { return programDir + u"/Restore"_s; }
    // A file of the folder "Restore" holding `lines` lines.
    void writeBackup(const QString& name, int lines)
    {
        QByteArray bytes;
        for (int i = 0; i < lines; ++i)
            bytes += "record\r\n";
        ASSERT_TRUE(testenv::writeFile(restoreDir() + u"/"_s + name, bytes));
    }
    QStringList rows() const
    {
        QStringList r;
        for (int i = 0; i < backups()->topLevelItemCount(); ++i)
            r << backups()->topLevelItem(i)->text(0) + u" | "_s + backups()->topLevelItem(i)->text(1);
        return r;
    }
    void selectRow(const QString& text)
    {
        const QList<QTreeWidgetItem*> found = backups()->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        found[0]->setSelected(true);
    }
    QByteArray systemReg() const { return testenv::readFile(prefixDir + u"/system.reg"_s); }
    QString runValue(const QString& name) const
    {
        QString out;
        return engine::QueryRegistryValue(HKEY_LOCAL_MACHINE, kRun, name, out) ? out : QStringLiteral("<none>");
    }
    // What a fix of the Run key's two values leaves: their backup (named for
    // 10:15:30 on March 13, 2007) and neither value in the registry, saved.
    QString fixRunValues()
    {
        seams.clock([] { return QDateTime(QDate(2007, 3, 13), QTime(10, 15, 30)); });
        QDir().mkpath(restoreDir());
        const QString backup = engine::NewBackupFilePath();
        for (const char* name : {"GoneRun", "PresentRun"}) {
            engine::ProblemRow row = problem(u"Startup Programs"_s, QLatin1String(name), u"C:\\x.exe"_s, kRun);
            EXPECT_TRUE(engine::AppendBackupRecord(backup, engine::BuildBackupRecord(HKEY_LOCAL_MACHINE, row)));
            EXPECT_EQ(engine::DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRun, QLatin1String(name)), ERROR_SUCCESS);
        }
        EXPECT_TRUE(platform::flushRegistry().ok);
        return backup;
    }
    // The Linux path of a backup file in the folder "Restore".
    QString onDisk(const QString& windowsPath) const
    {
        return restoreDir() + u"/"_s + windowsPath.section(u'\\', -1);
    }
    void openRescueCenter() { window->mnuFileRescueCenter_Click(); }
    // The page and its list, as their names find them.
    RescueCenterPage& page() const { return *find<RescueCenterPage>(u"PicRescuCenter"_s); }
    QTreeWidget* backups() const { return find<QTreeWidget>(u"lvwBackUp"_s); }

    AskingDesktop asking;
};

// --- the page and its list ---------------------------------------------------------------------

TEST_F(RescueCenterTest, ThePageSwitchesMenusAndCaptionAndCountsTheBackups)
{
    writeBackup(u"BackupTuesday, March 13, 2007 --- 10-15-30"_s, 3);
    openRescueCenter();
    EXPECT_FALSE(rescueCenterPage(*window)->isHidden());
    EXPECT_TRUE(registryCleanerPage(*window)->isHidden());
    EXPECT_FALSE(find<QMenu>(u"mnuCleaning"_s)->menuAction()->isVisible());
    EXPECT_FALSE(menuItem(*window, "mnuFileLoadScanResults")->isVisible());
    EXPECT_FALSE(menuItem(*window, "mnuFileSaveScanResults")->isVisible());
    EXPECT_FALSE(menuItem(*window, "mnuline1")->isVisible());
    EXPECT_TRUE(menuItem(*window, "mnuFileRegistryCleaner")->isEnabled());
    EXPECT_FALSE(menuItem(*window, "mnuFileRescueCenter")->isEnabled());
    EXPECT_EQ(window->windowTitle(), u"Velmora 2007 - Rescue Center"_s);
    EXPECT_EQ(rows(), QStringList{u"Tuesday, March 13, 2007  at   10:15:30 | 3 key(s) were removed."_s});
    EXPECT_EQ(panel(3), u"1 backup(s)"_s);

    window->mnuFileRegistryCleaner_Click();
    EXPECT_TRUE(rescueCenterPage(*window)->isHidden());
    EXPECT_TRUE(find<QMenu>(u"mnuCleaning"_s)->menuAction()->isVisible());
}

TEST_F(RescueCenterTest, WhileAScanRunsThePageStaysAsItWas)
{
    seams.desktop(&desktop);  // the scan's own box is answered by the fixture
    chooseOnly({5});
    ASSERT_TRUE(duringScan([&] {
        openRescueCenter();
        EXPECT_TRUE(rescueCenterPage(*window)->isHidden());
        EXPECT_FALSE(registryCleanerPage(*window)->isHidden());
    }));
}

TEST_F(RescueCenterTest, EveryBackupFileIsOneRowWithItsCount)
{
    writeBackup(u"BackupTuesday, March 13, 2007 --- 10-15-30"_s, 3);
    writeBackup(u"BackupWednesday, March 14, 2007 --- 00-00-00"_s, 2);
    writeBackup(u"backupThursday, March 15, 2007 --- 23-59-59"_s, 1);
    writeBackup(u"BACKUPFriday, March 16, 2007 --- 09-05-01"_s, 0);
    writeBackup(u"Notes.txt"_s, 4);                                       // no "backup": not listed
    ASSERT_TRUE(QDir().mkpath(restoreDir() + u"/Backup folder --- 1"_s));  // folders are not listed
    writeBackup(u".BackupSaturday, March 17, 2007 --- 01-02-03"_s, 1);    // hidden: not listed
    openRescueCenter();
    const QStringList listed = rows();
    EXPECT_EQ(QSet<QString>(listed.begin(), listed.end()),
              (QSet<QString>{u"Tuesday, March 13, 2007  at   10:15:30 | 3 key(s) were removed."_s,
                             u"Wednesday, March 14, 2007  at   00:00:00 | 2 key(s) were removed."_s,
                             u"Thursday, March 15, 2007  at   23:59:59 | 1 key(s) was removed."_s,
                             u"Friday, March 16, 2007  at   09:05:01 | 0 key(s) was removed."_s}));
    EXPECT_EQ(panel(3), u"4 backup(s)"_s);
    EXPECT_FALSE(backups()->topLevelItem(0)->icon(0).isNull());
    EXPECT_FALSE(backups()->topLevelItem(0)->flags() & Qt::ItemIsEditable);
}

TEST_F(RescueCenterTest, NamesWithoutADateAreListedOnceAsABareRow)
{
    writeBackup(u"backup of march"_s, 2);
    writeBackup(u"old backup"_s, 5);
    openRescueCenter();
    ASSERT_EQ(backups()->topLevelItemCount(), 1);
    EXPECT_EQ(backups()->topLevelItem(0)->text(0), u"  at   "_s);
}

TEST_F(RescueCenterTest, WithoutARestoreFolderTheListIsEmpty)
{
    openRescueCenter();
    EXPECT_EQ(backups()->topLevelItemCount(), 0);
    EXPECT_EQ(panel(3), u"0 backup(s)"_s);
}

TEST_F(RescueCenterTest, EachRowLeadsBackToItsOwnFile)
{
    const QDateTime times[] = {
        {QDate(2007, 3, 13), QTime(10, 15, 30)},
        {QDate(2026, 1, 1), QTime(0, 0, 0)},
        {QDate(1999, 12, 31), QTime(23, 59, 59)},
        {QDate(2024, 2, 29), QTime(9, 5, 1)},
    };
    for (const QDateTime& when : times) {
        const QString name = engine::BackupFileName(when);
        writeBackup(name, 1);
        openRescueCenter();
        ASSERT_EQ(backups()->topLevelItemCount(), 1) << name.toStdString();
        asking.answer = 7;
        const QTreeWidgetItem* row = backups()->topLevelItem(0);
        EXPECT_EQ(row->data(0, RescueCenterPage::BackupFileRole).toString(), name);
        page().DeleteOrRestoreBackup(true, row->text(0), row->data(0, RescueCenterPage::BackupFileRole).toString());
        EXPECT_EQ(page().selectedBackupFile(), platform::programFolder() + u"\\Restore\\"_s + name);
        ASSERT_TRUE(QFile::remove(restoreDir() + u"/"_s + name));
    }
}

TEST_F(RescueCenterTest, ARowIsListedOnceForTextsThatBeginAlike)
{
    // A row is not added when a listed row's text begins with its own, in
    // any case; the calls come in a fixed order here.
    openRescueCenter();
    const struct {
        const char* name;
        bool added;
    } calls[] = {
        {"BackupA --- 1 2", true},
        {"backupa --- 1", false},   // "A  at   1 2" begins with "a  at   1"
        {"BackupA --- 1 23", true},
        {"BACKUPA --- 1 2", false},  // the same text in other case
        {"BackupA --- 1 3", true},
        {"BackupB --- 1", true},
        {"Backup", true},           // "  at   " alone
        {"old backup", false},
    };
    for (const auto& c : calls)
        EXPECT_EQ(page().LoadFileNameDateSize(QLatin1String(c.name)), c.added) << c.name;
    EXPECT_EQ(backups()->topLevelItemCount(), 5);
    EXPECT_EQ(backups()->topLevelItem(1)->text(0), u"A  at   1 23"_s);
    EXPECT_EQ(backups()->topLevelItem(1)->data(0, RescueCenterPage::BackupFileRole).toString(), u"BackupA --- 1 23"_s);
}

// --- Delete --------------------------------------------------------------------------------------

TEST_F(RescueCenterTest, DeleteAsksAndRemovesOnlyOnYes)
{
    const QString text = u"Tuesday, March 13, 2007  at   10:15:30"_s;
    const QString file = restoreDir() + u"/BackupTuesday, March 13, 2007 --- 10-15-30"_s;
    writeBackup(u"BackupTuesday, March 13, 2007 --- 10-15-30"_s, 3);
    writeBackup(u"BackupWednesday, March 14, 2007 --- 00-00-00"_s, 2);
    const struct {
        int answer;
        bool stays;
        const char* count;
    } cases[] = {{7, true, "2 backup(s)"}, {6, false, "1 backup(s)"}};
    for (const auto& c : cases) {
        openRescueCenter();
        asking.boxes.clear();
        asking.answer = c.answer;
        selectRow(text);
        page().ImgDeleteBackUpClick_MouseMove();
        ASSERT_EQ(asking.boxes.size(), 1);
        EXPECT_EQ(asking.boxes[0].text, u"Are you sure you want to delete  "_s + text + u" backup "_s);
        EXPECT_EQ(asking.boxes[0].style, 36);
        EXPECT_EQ(asking.boxes[0].title, u"Velmora 2007"_s);
        EXPECT_EQ(QFile::exists(file), c.stays) << c.answer;
        EXPECT_EQ(panel(3), QString::fromUtf8(c.count)) << c.answer;
        EXPECT_EQ(backups()->topLevelItemCount(), c.stays ? 2 : 1);
        EXPECT_TRUE(find(u"ImgDeleteBackUpNormal"_s)->isEnabled());
    }
    EXPECT_TRUE(QFile::exists(restoreDir() + u"/BackupWednesday, March 14, 2007 --- 00-00-00"_s));
    EXPECT_TRUE(asking.modals.isEmpty()) << "no restoring box after a delete";
}

TEST_F(RescueCenterTest, OnlyTheFirstSelectedBackupIsActedOn)
{
    writeBackup(u"BackupTuesday, March 13, 2007 --- 10-15-30"_s, 1);
    writeBackup(u"BackupWednesday, March 14, 2007 --- 00-00-00"_s, 1);
    writeBackup(u"BackupThursday, March 15, 2007 --- 23-59-59"_s, 1);
    openRescueCenter();
    backups()->setSelectionMode(QAbstractItemView::MultiSelection);
    backups()->topLevelItem(1)->setSelected(true);
    backups()->topLevelItem(2)->setSelected(true);
    const QString first = backups()->topLevelItem(1)->text(0);
    page().ImgDeleteBackUpClick_MouseMove();
    ASSERT_EQ(asking.boxes.size(), 1);
    EXPECT_TRUE(asking.boxes[0].text.contains(first));
    EXPECT_EQ(backups()->topLevelItemCount(), 2);
    EXPECT_TRUE(backups()->findItems(first, Qt::MatchExactly).isEmpty());
}

TEST_F(RescueCenterTest, WithNothingSelectedNeitherActionDoesAnything)
{
    const QString backup = fixRunValues();
    const QByteArray registry = systemReg();
    openRescueCenter();
    asking.sounds.clear();
    page().ImgDeleteBackUpClick_MouseMove();
    page().ImgRestoringClick_MouseMove();
    EXPECT_TRUE(asking.boxes.isEmpty());
    EXPECT_TRUE(asking.modals.isEmpty());
    EXPECT_EQ(asking.sounds.size(), 2) << "each action still clicks";
    EXPECT_TRUE(QFile::exists(onDisk(backup)));
    EXPECT_EQ(systemReg(), registry);
    EXPECT_EQ(panel(3), u"1 backup(s)"_s);
    EXPECT_TRUE(find(u"ImgRestoreNormal"_s)->isEnabled());
}

// The row's own file is deleted, never one whose name its text turns into.
TEST_F(RescueCenterTest, DeleteActsOnTheRowsOwnFile)
{
    writeBackup(u"BackupMy: test --- 10-15-30"_s, 2);
    writeBackup(u"BackupMy- test --- 10-15-30"_s, 3);
    writeBackup(u"Backup of March"_s, 1);
    openRescueCenter();
    const QStringList listed = rows();
    EXPECT_EQ(QSet<QString>(listed.begin(), listed.end()),
              (QSet<QString>{u"My: test  at   10:15:30 | 2 key(s) were removed."_s,
                             u"My- test  at   10:15:30 | 3 key(s) were removed."_s, u"  at    | 1 key(s) was removed."_s}));
    selectRow(u"My: test  at   10:15:30"_s);
    page().ImgDeleteBackUpClick_MouseMove();
    ASSERT_EQ(asking.boxes.size(), 1);
    EXPECT_FALSE(QFile::exists(restoreDir() + u"/BackupMy: test --- 10-15-30"_s));
    EXPECT_TRUE(QFile::exists(restoreDir() + u"/BackupMy- test --- 10-15-30"_s));
    EXPECT_EQ(backups()->topLevelItemCount(), 2);

    asking.boxes.clear();
    selectRow(u"  at   "_s);
    page().ImgDeleteBackUpClick_MouseMove();
    ASSERT_EQ(asking.boxes.size(), 1);
    EXPECT_FALSE(QFile::exists(restoreDir() + u"/Backup of March"_s));
    EXPECT_EQ(panel(3), u"1 backup(s)"_s);
}

// --- Restore ---------------------------------------------------------------------------------------

TEST_F(RescueCenterTest, RestorePutsTheValuesBackSavesAndRemovesTheBackup)
{
    const QString backup = fixRunValues();
    ASSERT_EQ(runValue(u"GoneRun"_s), u"<none>"_s);
    openRescueCenter();
    EXPECT_EQ(rows(), QStringList{u"Tuesday, March 13, 2007  at   10:15:30 | 2 key(s) were removed."_s});
    selectRow(u"Tuesday, March 13, 2007  at   10:15:30"_s);
    // The list still shows the backup while the box is open.
    int rowsWhileOpen = -1;
    asking.onModal = [&](QDialog& box) {
        rowsWhileOpen = backups()->topLevelItemCount();
        box.reject();
    };
    page().ImgRestoringClick_MouseMove();

    EXPECT_TRUE(asking.boxes.isEmpty()) << asking.boxes.value(0).text.toStdString();
    ASSERT_EQ(asking.modals.size(), 1);
    EXPECT_EQ(asking.modals[0].name, u"FrmCreatingBackKeys"_s);
    EXPECT_EQ(asking.modals[0].title, u"Restoring Status"_s);
    EXPECT_EQ(asking.modals[0].texts.value(u"Label1"_s), u" Checking Restoring Point ..."_s);
    EXPECT_EQ(rowsWhileOpen, 1);
    EXPECT_EQ(backups()->topLevelItemCount(), 0);
    EXPECT_EQ(panel(3), u"0 backup(s)"_s);
    EXPECT_FALSE(QFile::exists(onDisk(backup)));
    EXPECT_EQ(page().selectedBackupFile(), backup);
    EXPECT_EQ(runValue(u"GoneRun"_s), u"C:\\Program Files\\Gone\\gonerun.exe"_s);
    EXPECT_EQ(runValue(u"PresentRun"_s), u"C:\\windows\\present.exe"_s);
    // Saved before the action returned.
    EXPECT_TRUE(systemReg().contains("\"GoneRun\"=\"C:\\\\Program Files\\\\Gone\\\\gonerun.exe\""))
        << systemReg().toStdString();
    EXPECT_TRUE(systemReg().contains("\"PresentRun\""));
}

// The program may lie in a folder whose name holds blanks, brackets or
// letters the code page lacks: its backups are listed and restored all the
// same.
TEST_F(RescueCenterTest, BackupsInAnOddlyNamedProgramFolderAreListedAndRestored)
{
    const QString plain = programDir;
    testenv::SeamGuard seam;
    for (const QString& odd : {QStringLiteral("Prog ram [1]"), QStringLiteral("\u041f\u0440\u043e\u0433")}) {
        SCOPED_TRACE(odd.toStdString());
        programDir = plain + u"/"_s + odd;
        ASSERT_TRUE(QDir().mkpath(programDir));
        seam.programFolder(programDir);
        const QString backup = fixRunValues();
        ASSERT_EQ(runValue(u"GoneRun"_s), u"<none>"_s);
        openRescueCenter();
        ASSERT_EQ(rows(), QStringList{u"Tuesday, March 13, 2007  at   10:15:30 | 2 key(s) were removed."_s});
        selectRow(u"Tuesday, March 13, 2007  at   10:15:30"_s);
        asking.onModal = [](QDialog& box) { box.reject(); };
        page().ImgRestoringClick_MouseMove();
        EXPECT_TRUE(asking.boxes.isEmpty()) << asking.boxes.value(0).text.toStdString();
        EXPECT_FALSE(QFile::exists(onDisk(backup)));
        EXPECT_EQ(runValue(u"GoneRun"_s), u"C:\\Program Files\\Gone\\gonerun.exe"_s);
        window->mnuFileRegistryCleaner_Click();
    }
    programDir = plain;
}

// Each row restores its own file, whatever its name (by its short name
// where the name itself leads elsewhere); a file that is there but that no
// name reaches is not taken for restored.
TEST_F(RescueCenterTest, RestoreActsOnTheRowsOwnFile)
{
    const QString made = fixRunValues();
    const QByteArray records = testenv::readFile(onDisk(made));
    ASSERT_TRUE(QFile::remove(onDisk(made)));
    const struct {
        QString name;
        const char* row;
        bool restored;
    } cases[] = {
        {u" BackupTuesday, March 13, 2007 --- 10-15-30"_s, "pTuesday, March 13, 2007  at   10:15:30", true},
        {u"Backup of the Run key"_s, "  at   ", true},
        {u"BackupTuesday, March 13, 2007 --- 10-15-30 "_s, "Tuesday, March 13, 2007  at   10:15:30", true},
        {u"BackupTuesday: March 13 --- 10-15-30"_s, "Tuesday: March 13  at   10:15:30", true},
        // Letters the code page lacks: the name the program is given leads
        // to no file.
        {u"Backup\u041a\u043e\u043f\u0438\u044f --- 10-15-30"_s, "?????  at   10:15:30", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString file = restoreDir() + u"/"_s + c.name;
        ASSERT_TRUE(testenv::writeFile(file, records));
        openRescueCenter();
        ASSERT_EQ(rows(), QStringList{QString::fromUtf8(c.row) + (c.restored ? u" | 2 key(s) were removed."_s : u" | 0 key(s) was removed."_s)});
        selectRow(QString::fromUtf8(c.row));
        asking.boxes.clear();
        asking.modals.clear();
        page().ImgRestoringClick_MouseMove();
        EXPECT_EQ(QFile::exists(file), !c.restored);
        EXPECT_EQ(asking.modals.size(), c.restored ? 1 : 0);
        if (c.restored) {
            EXPECT_TRUE(asking.boxes.isEmpty()) << asking.boxes.value(0).text.toStdString();
            EXPECT_EQ(runValue(u"GoneRun"_s), u"C:\\Program Files\\Gone\\gonerun.exe"_s);
            EXPECT_EQ(backups()->topLevelItemCount(), 0);
            // Gone again for the next case.
            for (const char* name : {"GoneRun", "PresentRun"})
                ASSERT_EQ(engine::DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRun, QLatin1String(name)), ERROR_SUCCESS);
            ASSERT_TRUE(platform::flushRegistry().ok);
        } else {
            ASSERT_EQ(asking.boxes.size(), 1);
            EXPECT_EQ(asking.boxes[0].text,
                      u"The backup could not be read, so nothing was restored and the backup was kept."_s);
            EXPECT_EQ(runValue(u"GoneRun"_s), u"<none>"_s);
            EXPECT_EQ(backups()->topLevelItemCount(), 1);
            ASSERT_TRUE(QFile::remove(file));
        }
        window->mnuFileRegistryCleaner_Click();
    }
}

TEST_F(RescueCenterTest, OfSeveralSelectedOnlyTheFirstInListOrderIsRestored)
{
    const QString made = fixRunValues();
    const QList<QByteArray> records = testenv::readFile(onDisk(made)).split('\n');
    ASSERT_GE(records.size(), 2);
    ASSERT_TRUE(QFile::remove(onDisk(made)));
    // One file for each value.
    const QString names[] = {u"BackupTuesday, March 13, 2007 --- 10-15-30"_s, u"BackupWednesday, March 14, 2007 --- 00-00-00"_s};
    ASSERT_TRUE(testenv::writeFile(restoreDir() + u"/"_s + names[0], records[0] + '\n'));
    ASSERT_TRUE(testenv::writeFile(restoreDir() + u"/"_s + names[1], records[1] + '\n'));
    writeBackup(u"BackupThursday, March 15, 2007 --- 23-59-59"_s, 1);
    openRescueCenter();
    ASSERT_EQ(backups()->topLevelItemCount(), 3);
    backups()->setSelectionMode(QAbstractItemView::MultiSelection);
    int firstOfOurs = -1;
    for (int i = 0; i < 3; ++i) {
        const QString file = backups()->topLevelItem(i)->data(0, RescueCenterPage::BackupFileRole).toString();
        if (file == names[0] || file == names[1]) {
            backups()->topLevelItem(i)->setSelected(true);
            if (firstOfOurs < 0)
                firstOfOurs = i;
        }
    }
    const QString first = backups()->topLevelItem(firstOfOurs)->data(0, RescueCenterPage::BackupFileRole).toString();
    const QString second = first == names[0] ? names[1] : names[0];
    page().ImgRestoringClick_MouseMove();

    EXPECT_EQ(asking.modals.size(), 1);
    EXPECT_FALSE(QFile::exists(restoreDir() + u"/"_s + first));
    EXPECT_TRUE(QFile::exists(restoreDir() + u"/"_s + second));
    EXPECT_EQ(backups()->topLevelItemCount(), 2);
    // The first file holds GoneRun's record, the second PresentRun's.
    EXPECT_EQ(runValue(u"GoneRun"_s) != u"<none>"_s, first == names[0]);
    EXPECT_EQ(runValue(u"PresentRun"_s) != u"<none>"_s, first == names[1]);
}

TEST_F(RescueCenterTest, WhileARestoreRunsNeitherButtonActsAgain)
{
    const QString backup = fixRunValues();
    openRescueCenter();
    selectRow(u"Tuesday, March 13, 2007  at   10:15:30"_s);
    bool pressed = false;
    window->setPump([&] {
        if (pressed)
            return;
        pressed = true;
        page().ImgDeleteBackUpClick_MouseMove();
        page().ImgRestoringClick_MouseMove();
    });
    page().ImgRestoringClick_MouseMove();
    window->setPump([] { QCoreApplication::processEvents(); });
    ASSERT_TRUE(pressed);
    EXPECT_TRUE(asking.boxes.isEmpty()) << "no question from a Delete pressed meanwhile";
    EXPECT_EQ(asking.modals.size(), 1);
    EXPECT_FALSE(QFile::exists(onDisk(backup)));
    EXPECT_EQ(runValue(u"GoneRun"_s), u"C:\\Program Files\\Gone\\gonerun.exe"_s);
}

TEST_F(RescueCenterTest, ABackupThatRestoresOnlyPartlyIsKept)
{
    const QString backup = fixRunValues();
    // A record for a bare name whose key is not there cannot be written.
    ASSERT_TRUE(engine::AppendBackupRecord(
        backup, u"R^HKEY_LOCAL_MACHINE^Software\\Nowhere^C:\\windows\\system32\\tool.exe^Tool^Yes"_s));
    openRescueCenter();
    selectRow(u"Tuesday, March 13, 2007  at   10:15:30"_s);
    page().ImgRestoringClick_MouseMove();

    ASSERT_EQ(asking.boxes.size(), 1);
    EXPECT_EQ(asking.boxes[0].text,
              u"1 of the backup's 3 values could not be written back into the registry, so the backup was kept."_s);
    EXPECT_EQ(asking.boxes[0].style, 64);
    EXPECT_TRUE(asking.modals.isEmpty());
    EXPECT_TRUE(QFile::exists(onDisk(backup)));
    EXPECT_EQ(rows(), QStringList{u"Tuesday, March 13, 2007  at   10:15:30 | 3 key(s) were removed."_s});
    // What could go back did, and was saved.
    EXPECT_EQ(runValue(u"GoneRun"_s), u"C:\\Program Files\\Gone\\gonerun.exe"_s);
    EXPECT_TRUE(systemReg().contains("\"GoneRun\""));
}

TEST_F(RescueCenterTest, AValueMadeAgainIsNotOverwrittenAndTheBackupIsKept)
{
    const QString backup = fixRunValues();
    {
        platform::RegistryBatch batch;
        ASSERT_EQ(engine::WriteRegistryValue(HKEY_LOCAL_MACHINE, kRun, u"GoneRun"_s, u"C:\\New\\gonerun.exe"_s), 0);
    }
    openRescueCenter();
    selectRow(u"Tuesday, March 13, 2007  at   10:15:30"_s);
    page().ImgRestoringClick_MouseMove();

    ASSERT_EQ(asking.boxes.size(), 1);
    EXPECT_EQ(asking.boxes[0].text,
              u"The registry holds other data now for 1 of the backup's 2 values; Velmora left those as they are "_s
              u"and kept the backup."_s);
    EXPECT_TRUE(asking.modals.isEmpty());
    EXPECT_TRUE(QFile::exists(onDisk(backup)));
    EXPECT_EQ(runValue(u"GoneRun"_s), u"C:\\New\\gonerun.exe"_s);
    EXPECT_EQ(runValue(u"PresentRun"_s), u"C:\\windows\\present.exe"_s);
}

TEST_F(RescueCenterTest, ARestoreThatCannotBeSavedKeepsItsBackup)
{
    const QString backup = fixRunValues();
    const QByteArray registry = systemReg();
    const QByteArray records = testenv::readFile(onDisk(backup));
    openRescueCenter();
    selectRow(u"Tuesday, March 13, 2007  at   10:15:30"_s);
    const QByteArray dir = QFile::encodeName(prefixDir);
    ASSERT_EQ(::chmod(dir.constData(), 0500), 0);
    {
        regtest::NoRootOverride asAnyUser;
        page().ImgRestoringClick_MouseMove();
    }
    ::chmod(dir.constData(), 0700);

    ASSERT_EQ(asking.boxes.size(), 1);
    EXPECT_FALSE(asking.boxes[0].text.isEmpty());
    EXPECT_EQ(asking.boxes[0].style, 64);
    EXPECT_TRUE(asking.modals.isEmpty());
    EXPECT_EQ(testenv::readFile(onDisk(backup)), records);
    EXPECT_EQ(backups()->topLevelItemCount(), 1);
    EXPECT_EQ(systemReg(), registry);
    EXPECT_TRUE(regtest::saveLitter(prefixDir).isEmpty());
}

TEST_F(RescueCenterTest, ABackupThatCannotBeReadOrRemovedStaysListed)
{
    const struct {
        const char* what;
        bool folderLocked;  // else the file itself is unreadable
        const char* says;
        const char* gonerun;  // the value after the restore
    } cases[] = {
        // In this order: the first gives the values back for the second.
        {"read-only folder", true,
         "The backup was restored, but its file could not be deleted, so it is still listed.",
         "C:\\Program Files\\Gone\\gonerun.exe"},
        {"unreadable file", false,
         "The backup could not be read (permission denied), so nothing was restored and the backup was kept.",
         "<none>"},
    };
    for (const auto& c : cases) {
        const QString backup = fixRunValues();
        const QByteArray path = QFile::encodeName(c.folderLocked ? restoreDir() : onDisk(backup));
        openRescueCenter();
        selectRow(u"Tuesday, March 13, 2007  at   10:15:30"_s);
        asking.boxes.clear();
        asking.modals.clear();
        // The folder is locked once the restore has begun, after every
        // check made before it; the file before the restore reads it.
        bool locked = false;
        const auto lock = [&] {
            if (!locked)
                locked = ::chmod(path.constData(), c.folderLocked ? 0500 : 0) == 0;
        };
        if (c.folderLocked)
            window->setPump(lock);
        else
            lock();
        {
            regtest::NoRootOverride asAnyUser;
            page().ImgRestoringClick_MouseMove();
        }
        window->setPump([] { QCoreApplication::processEvents(); });
        ASSERT_TRUE(locked) << c.what;
        ::chmod(path.constData(), c.folderLocked ? 0700 : 0600);
        ASSERT_EQ(asking.boxes.size(), 1) << c.what;
        EXPECT_EQ(asking.boxes[0].text, QString::fromUtf8(c.says)) << c.what;
        EXPECT_TRUE(asking.modals.isEmpty()) << c.what;
        EXPECT_TRUE(QFile::exists(onDisk(backup))) << c.what;
        EXPECT_EQ(backups()->topLevelItemCount(), 1) << c.what;
        EXPECT_EQ(runValue(u"GoneRun"_s), QString::fromUtf8(c.gonerun)) << c.what;
        ASSERT_TRUE(QFile::remove(onDisk(backup)));
    }
}

// A named pipe, a socket or an outsize file named like a backup is listed
// with no keys at once, and a restore of it says why it read nothing.
TEST_F(RescueCenterTest, ABackupThatIsNoRegularFileIsListedEmptyAndNotRestored)
{
    const struct {
        testenv::OddKind kind;
        const char* says;
    } cases[] = {
        {testenv::OddKind::Fifo, "The backup could not be read (it is a named pipe, not a regular file), so nothing "
                                 "was restored and the backup was kept."},
        {testenv::OddKind::LinkToFifo, "The backup could not be read (it is a link to a named pipe, not to a regular "
                                       "file), so nothing was restored and the backup was kept."},
        {testenv::OddKind::Oversize, "The backup could not be read (it is larger than 256 MiB, far more than the "
                                     "program ever writes), so nothing was restored and the backup was kept."},
        {testenv::OddKind::LinkToSocket, "The backup could not be read (it is a link to a socket, not to a regular "
                                         "file), so nothing was restored and the backup was kept."},
    };
    const QByteArray registry = systemReg();
    const testenv::Watchdog watchdog("the Rescue Center over backups that are no regular files");
    for (const auto& c : cases) {
        QDir().mkpath(restoreDir());
        const QString file = restoreDir() + u"/BackupTuesday, March 13, 2007 --- 10-15-30"_s;
        const QString target = testenv::makeOdd(c.kind, file);
        ASSERT_FALSE(target.isEmpty()) << testenv::describe(c.kind);
        const mode_t node = testenv::nodeType(target);
        openRescueCenter();
        EXPECT_EQ(rows(), QStringList{u"Tuesday, March 13, 2007  at   10:15:30 | 0 key(s) was removed."_s})
            << testenv::describe(c.kind);

        asking.boxes.clear();
        asking.modals.clear();
        selectRow(u"Tuesday, March 13, 2007  at   10:15:30"_s);
        page().ImgRestoringClick_MouseMove();
        ASSERT_EQ(asking.boxes.size(), 1) << testenv::describe(c.kind);
        EXPECT_EQ(asking.boxes[0].text, QString::fromUtf8(c.says));
        EXPECT_TRUE(asking.modals.isEmpty()) << testenv::describe(c.kind);
        EXPECT_EQ(backups()->topLevelItemCount(), 1) << testenv::describe(c.kind);
        EXPECT_EQ(testenv::nodeType(target), node) << testenv::describe(c.kind);
        EXPECT_EQ(systemReg(), registry) << testenv::describe(c.kind);
        ASSERT_TRUE(QFile::remove(file));
    }
}

TEST_F(RescueCenterTest, ARowWhoseFileIsGoneShowsTheBoxAndLeavesTheList)
{
    const QString backup = fixRunValues();
    const QByteArray registry = systemReg();
    openRescueCenter();
    selectRow(u"Tuesday, March 13, 2007  at   10:15:30"_s);
    ASSERT_TRUE(QFile::remove(onDisk(backup)));
    page().ImgRestoringClick_MouseMove();
    EXPECT_TRUE(asking.boxes.isEmpty());
    ASSERT_EQ(asking.modals.size(), 1);
    EXPECT_EQ(asking.modals[0].name, u"FrmCreatingBackKeys"_s);
    EXPECT_EQ(backups()->topLevelItemCount(), 0);
    EXPECT_EQ(systemReg(), registry);
}

// --- the page and its frame -------------------------------------------------------------------------

// The window around the page, as the page sees it: the status texts it is
// given and whether the window's own list work runs.
class RecordingFrame : public PageFrame {
public:
    virtual ~RecordingFrame() = default;
    void setStatusText(int panel, const QString& text) override { panels[panel] = text; }
    bool listWorkRunning() const override { return busy; }
    void pumpMessages() override { QCoreApplication::processEvents(); }

    QMap<int, QString> panels;
    bool busy = false;
};

TEST_F(RescueCenterTest, OnItsOwnThePageTellsItsFrameAndHoldsBackWhileListWorkRuns)
{
    writeBackup(u"BackupTuesday, March 13, 2007 --- 10-15-30"_s, 2);
    RecordingFrame frame;
    RescueCenterPage page(frame);
    EXPECT_EQ(page.objectName(), u"PicRescuCenter"_s);
    page.showBackups();
    EXPECT_EQ(frame.panels.value(3), u"1 backup(s)"_s);
    page.ImgRestoreNormal_MouseMove();
    EXPECT_EQ(frame.panels.value(1), u" Restore from selected backup"_s);
    page.PicRescuCenter_MouseMove();
    EXPECT_EQ(frame.panels.value(1), u""_s);

    QTreeWidget* list = page.findChild<QTreeWidget*>(u"lvwBackUp"_s);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    list->topLevelItem(0)->setSelected(true);
    asking.sounds.clear();
    frame.busy = true;
    page.ImgDeleteBackUpClick_MouseMove();
    page.ImgRestoringClick_MouseMove();
    EXPECT_TRUE(asking.boxes.isEmpty());
    EXPECT_TRUE(asking.modals.isEmpty());
    EXPECT_TRUE(asking.sounds.isEmpty());
    EXPECT_TRUE(QFile::exists(restoreDir() + u"/BackupTuesday, March 13, 2007 --- 10-15-30"_s));

    frame.busy = false;
    asking.answer = 7;
    page.ImgDeleteBackUpClick_MouseMove();
    EXPECT_EQ(asking.boxes.size(), 1);
    EXPECT_EQ(asking.sounds.size(), 1);
    EXPECT_EQ(frame.panels.value(3), u"1 backup(s)"_s);
}

// --- the restoring box ----------------------------------------------------------------------------------

TEST(FrmCreatingBackKeysTest, TicksFillTheBarTwiceAndTheCountdownStartsOnce)
{
    testenv::WindowSeamGuard seams;
    seams.timingScale(1.0);
    FrmCreatingBackKeys box;
    auto* Label1 = testenv::control<QLabel>(box, "Label1");
    auto* ProgressBar1 = testenv::control<QProgressBar>(box, "ProgressBar1");
    auto* tmrProgress = testenv::control<QTimer>(box, "tmrProgress");
    auto* tmrChecking = testenv::control<QTimer>(box, "tmrChecking");
    EXPECT_EQ(box.windowTitle(), u"Restoring Status"_s);
    EXPECT_EQ(Label1->text(), u" Checking Restoring Point ..."_s);
    EXPECT_EQ(ProgressBar1->maximum(), 10);
    EXPECT_EQ(ProgressBar1->value(), 0);
    EXPECT_TRUE(tmrProgress->isActive());
    EXPECT_FALSE(tmrChecking->isActive());
    EXPECT_EQ(tmrProgress->interval(), 1000);
    EXPECT_EQ(tmrChecking->interval(), 11000);
    for (int tick = 1; tick <= 25; ++tick) {
        box.tmrProgress_Timer();
        EXPECT_EQ(ProgressBar1->value(), tick % 10) << tick;
        EXPECT_EQ(tmrChecking->isActive(), tick >= 10) << tick;
        EXPECT_EQ(Label1->text(), tick < 10 ? u" Checking Restoring Point ..."_s : u" Restoring selected items..."_s)
            << tick;
    }
}

TEST(FrmCreatingBackKeysTest, ShownItClosesItselfAfterTheSecondFullBar)
{
    // 10 ms ticks and a 110 ms countdown. The countdown can only begin at
    // the tenth tick; a countdown restarted at the twentieth would let about
    // 31 ticks pass.
    testenv::WindowSeamGuard seams;
    seams.timingScale(0.01);
    FrmCreatingBackKeys box;
    auto* Label1 = testenv::control<QLabel>(box, "Label1");
    auto* tmrProgress = testenv::control<QTimer>(box, "tmrProgress");
    auto* tmrChecking = testenv::control<QTimer>(box, "tmrChecking");
    EXPECT_EQ(tmrProgress->interval(), 10);
    EXPECT_EQ(tmrChecking->interval(), 110);
    int ticks = 0;
    QObject::connect(tmrProgress, &QTimer::timeout, [&] { ++ticks; });
    box.exec();
    EXPECT_GE(ticks, 10);
    EXPECT_LE(ticks, 25);
    EXPECT_EQ(Label1->text(), u" Restoring selected items..."_s);
    EXPECT_FALSE(tmrProgress->isActive());
}

}  // namespace
}  // namespace windowtest
