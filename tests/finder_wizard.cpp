// The missing-files wizard driven as a window: its pages and buttons, the
// remembered folder list, the scan's scope and report, and Cancel, Finish and
// the close box while a walk runs.
#include "finder/frmscanfmissingfiles.h"
#include "platform/ansi.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "platform/winfile.h"
#include "tests/finder_fixture.h"
#include "tests/support/namedcontrol.h"
#include "tests/support/seamguard.h"
#include "tests/support/oddfiles.h"
#include "tests/support/testenv.h"
#include "tests/support/watchdog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeWidget>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using namespace finderfixture;

namespace {

// Message boxes are recorded; questions take the queued answers (No when
// none is left). The folder browser gives the queued Linux folders.
class AnsweringDesktop : public platform::Desktop {
public:
    struct Box {
        QString text;
        int style;
        QString title;
    };
    QList<Box> boxes;
    QList<int> answers;
    QStringList folders;
    QStringList browsed;  // the titles the folder browser was shown with

    int messageBox(const QString& text, int style, const QString& title) override
    {
        boxes.append({text, style, title});
        if ((style & 0xF) == 4)
            return answers.isEmpty() ? 7 : answers.takeFirst();
        return 1;
    }
    QString browseForFolder(const QString& title) override
    {
        browsed << title;
        return folders.isEmpty() ? QString() : folders.takeFirst();
    }
    void playSound(const QString&) override {}
    void setWindowAlpha(QObject*, int) override {}
};

class FinderWizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(openNewPrefix().isEmpty());
        programDir = testenv::makeTempDir(QStringLiteral("program"));
        seams.programFolder(programDir).desktop(&desktop);
        bCancelScan = false;
    }
    void TearDown() override
    {
        wizard.reset();
        bCancelScan = false;
        closePrefix();
    }

    void open()
    {
        const engine::ScanContext ctx{errors, nullptr, [this] {
                                          ++pumps;
                                          if (atPump)
                                              atPump(pumps);
                                          QCoreApplication::processEvents();
                                      },
                                      {}, &bCancelScan};
        wizard = std::make_unique<FrmScanFmissingFiles>(ctx);
        wizard->setWalkRefreshInterval(0);
        QObject::connect(wizard.get(), &QDialog::finished, wizard.get(), [this] { ++closed; });
    }
    // The open wizard's controls, by their object names.
    QFrame* PicOptionsButtons() const { return testenv::control<QFrame>(*wizard, "PicOptionsButtons"); }
    QFrame* PicFolderSelection() const { return testenv::control<QFrame>(*wizard, "PicFolderSelection"); }
    QFrame* PicScanningHDD() const { return testenv::control<QFrame>(*wizard, "PicScanningHDD"); }
    QRadioButton* OptScanKnownApplicationFolders() const { return testenv::control<QRadioButton>(*wizard, "OptScanKnownApplicationFolders"); }
    QRadioButton* OptFoldersScan() const { return testenv::control<QRadioButton>(*wizard, "OptFoldersScan"); }
    QRadioButton* OptScanAllDisk() const { return testenv::control<QRadioButton>(*wizard, "OptScanAllDisk"); }
    QTreeWidget* lvwFolders() const { return testenv::control<QTreeWidget>(*wizard, "lvwFolders"); }
    QPushButton* cmdAdd() const { return testenv::control<QPushButton>(*wizard, "cmdAdd"); }
    QPushButton* cmdRemove() const { return testenv::control<QPushButton>(*wizard, "cmdRemove"); }
    QLabel* Label2() const { return testenv::control<QLabel>(*wizard, "Label2"); }
    QLabel* lblStatus() const { return testenv::control<QLabel>(*wizard, "lblStatus"); }
    QProgressBar* ProgressBar1() const { return testenv::control<QProgressBar>(*wizard, "ProgressBar1"); }
    QPushButton* cmdBack() const { return testenv::control<QPushButton>(*wizard, "cmdBack"); }
    QPushButton* CmdNext() const { return testenv::control<QPushButton>(*wizard, "CmdNext"); }
    QPushButton* cmdScan() const { return testenv::control<QPushButton>(*wizard, "cmdScan"); }
    QPushButton* cmdCancel() const { return testenv::control<QPushButton>(*wizard, "cmdCancel"); }
    QPushButton* cmdFinish() const { return testenv::control<QPushButton>(*wizard, "cmdFinish"); }
    QPushButton* CmdHelp() const { return testenv::control<QPushButton>(*wizard, "CmdHelp"); }
    QString listFile() const { return programDir + QStringLiteral("/Folders"); }
    QStringList folderRows() const
    {
        QStringList rows;
        for (int i = 0; i < lvwFolders()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = lvwFolders()->topLevelItem(i);
            rows << item->text(0) + (item->checkState(0) == Qt::Checked ? QStringLiteral(" [x]") : QString());
        }
        return rows;
    }
    // The page shown and the buttons: "page Back Next Scan Cancel Finish",
    // each button "-" hidden, "d" visible and disabled, "e" visible and enabled.
    QString state() const
    {
        const auto b = [](const QPushButton* p) {
            return p->isHidden() ? QStringLiteral("-") : p->isEnabled() ? QStringLiteral("e") : QStringLiteral("d");
        };
        QString page;
        const int shown = !PicScanningHDD()->isHidden() + !PicFolderSelection()->isHidden()
                          + !PicOptionsButtons()->isHidden();
        if (shown != 1)
            page = QStringLiteral("pages?");
        else if (!PicScanningHDD()->isHidden())
            page = QStringLiteral("scan");
        else if (!PicFolderSelection()->isHidden())
            page = QStringLiteral("folders");
        else
            page = QStringLiteral("options");
        return page + QLatin1Char(' ') + b(cmdBack()) + b(CmdNext()) + b(cmdScan())
               + b(cmdCancel()) + b(cmdFinish()) + b(CmdHelp());
    }
    QStringList boxTexts() const
    {
        QStringList out;
        for (const auto& box : desktop.boxes) {
            EXPECT_EQ(box.title, QStringLiteral("Velmora 2007"));
            out << box.text;
        }
        return out;
    }

    QString programDir;
    AnsweringDesktop desktop;
    testenv::SeamGuard seams;
    engine::ProblemList errors;
    bool bCancelScan = false;  // the cancel request the wizard is handed
    std::unique_ptr<FrmScanFmissingFiles> wizard;
    int closed = 0;
    int pumps = 0;
    std::function<void(int)> atPump;
};

TEST_F(FinderWizard, WindowAsLoaded)
{
    open();
    EXPECT_EQ(wizard->windowTitle(), QStringLiteral("Velmora 2007"));
    EXPECT_EQ(wizard->size(), QSize(541, 362));  // 8115 x 5430 twips
    EXPECT_EQ(lvwFolders()->geometry(), QRect(11, 53, 365, 203));
    EXPECT_EQ(cmdScan()->geometry(), QRect(251, 328, 82, 25));
    EXPECT_TRUE(wizard->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(wizard->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    wizard->show();
    EXPECT_LE((wizard->geometry().center() - wizard->screen()->availableGeometry().center()).manhattanLength(), 10);  // a frame aside
    EXPECT_TRUE(OptScanKnownApplicationFolders()->isChecked());
    EXPECT_EQ(ProgressBar1()->minimum(), 0);
    EXPECT_EQ(ProgressBar1()->maximum(), 100);
    const struct {
        const char* name;
        const char* text;
    } texts[] = {
        {"Label3", "Find Missing Files"},
        {"Label6", "Paths to missing files can be found automatically by file finder."},
        {"Label7", "Use this tool to find files on the disk(s)."},
        {"Label8", "Please select the desired action :"},
        {"Label5", "Scan Folder List"},
        {"Label4", "Add folders to scan in"},
        {"Label1", "Finding Missing Files"},
        {"Label2", "Please wait until scanning is finished"},
        {"lblStatus", "Scanning ..."},
        {"OptScanKnownApplicationFolders", "Scan known application folders and subfolders"},
        {"OptFoldersScan", "Choose folders to scan in"},
        {"OptScanAllDisk", "Scan all disks (much slower)"},
        {"cmdBack", "&Back"},
        {"cmdScan", "&Scan"},
        {"CmdNext", "&Next"},
        {"cmdCancel", "&Cancel"},
        {"cmdFinish", "&Finish"},
        {"CmdHelp", "&Help"},
        {"cmdAdd", "Add"},
        {"cmdRemove", "Remove"},
    };
    for (const auto& t : texts) {
        QWidget* w = wizard->findChild<QWidget*>(QLatin1String(t.name));
        ASSERT_NE(w, nullptr) << t.name;
        const QString shown = qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text()
                                                      : qobject_cast<QAbstractButton*>(w)->text();
        EXPECT_EQ(shown, QLatin1String(t.text)) << t.name;
    }
}

TEST_F(FinderWizard, PagesAndButtonsFollowTheTable)
{
    testenv::writeFile(listFile(), "C:\\Data\r\n");
    open();
    const struct {
        const char* step;
        std::function<void()> act;
        const char* expected;
    } steps[] = {
        {"after loading", [] {}, "options d-ee-e"},
        {"all disks chosen", [&] { OptScanAllDisk()->click(); }, "options d-ee-e"},
        {"folders chosen", [&] { OptFoldersScan()->click(); }, "options de-e-e"},
        {"Next", [&] { CmdNext()->click(); }, "folders e-ee-e"},
        {"row unchecked", [&] { lvwFolders()->topLevelItem(0)->setCheckState(0, Qt::Unchecked); },
         "folders e-de-e"},
        {"row checked", [&] { lvwFolders()->topLevelItem(0)->setCheckState(0, Qt::Checked); },
         "folders e-ee-e"},
        {"Back", [&] { cmdBack()->click(); }, "options de-e-e"},
        {"known folders chosen", [&] { OptScanKnownApplicationFolders()->click(); }, "options d-ee-e"},
        {"folders again, Next", [&] {
             OptFoldersScan()->click();
             CmdNext()->click();
         },
         "folders e-ee-e"},
        {"unchecked, then Next from Back", [&] {
             lvwFolders()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
             cmdBack()->click();
             CmdNext()->click();
         },
         "folders e-ee-e"},  // Next enables Scan whenever the list has a row
        {"Scan", [&] { cmdScan()->click(); }, "scan d-d-ee"},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(state(), QLatin1String(s.expected)) << s.step;
    }
    // The scan walked nothing (the one row is unchecked).
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("Scanning is completed. No missing file(s) were found.")});
    EXPECT_EQ(closed, 0);
}

TEST_F(FinderWizard, WithoutAFolderListNextLeavesScanDisabled)
{
    open();
    EXPECT_TRUE(folderRows().isEmpty());
    OptFoldersScan()->click();
    CmdNext()->click();
    EXPECT_EQ(state(), QStringLiteral("folders e-de-e"));
    // A cancelled folder browser adds nothing and writes nothing.
    cmdAdd()->click();
    EXPECT_TRUE(folderRows().isEmpty());
    EXPECT_FALSE(QFile::exists(listFile()));
    EXPECT_EQ(state(), QStringLiteral("folders e-de-e"));
}

TEST_F(FinderWizard, FolderListFileRoundTrip)
{
    ASSERT_TRUE(makeFolder(QStringLiteral("data")));
    ASSERT_TRUE(makeFolder(QString::fromUtf8("caf\u00E9")));
    ASSERT_TRUE(testenv::writeFile(listFile(), "C:\\Data\r\n  c:\\data \r\n"));
    open();
    EXPECT_EQ(folderRows(), (QStringList{u"C:\\Data [x]"_s, u"c:\\data [x]"_s}));

    // Folders already listed, by case or blanks, add nothing.
    desktop.folders = {driveC() + QStringLiteral("/data"), driveC() + QStringLiteral("/DATA")};
    cmdAdd()->click();
    EXPECT_EQ(folderRows().size(), 2);
    EXPECT_EQ(testenv::readFile(listFile()), QByteArray("C:\\Data\r\n  c:\\data \r\n"));

    // A new one goes to the end of the list and of the file, in Windows-1252.
    desktop.folders = {driveC() + QString::fromUtf8("/caf\u00E9")};
    cmdAdd()->click();
    EXPECT_EQ(folderRows().last(), QString::fromUtf8("C:\\caf\u00E9 [x]"));
    EXPECT_EQ(testenv::readFile(listFile()), QByteArray("C:\\Data\r\n  c:\\data \r\nC:\\caf\xe9\r\n"));
    EXPECT_TRUE(cmdAdd()->isEnabled());

    // Remove asks about the selected row: No changes nothing, Yes rewrites
    // the file from the list.
    lvwFolders()->topLevelItem(1)->setSelected(true);
    desktop.answers = {7};
    cmdRemove()->click();
    EXPECT_EQ(folderRows().size(), 3);
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("Do you really want to delete \rc:\\data ? "));
    EXPECT_EQ(desktop.boxes[0].style, 36);
    lvwFolders()->topLevelItem(1)->setSelected(true);
    desktop.answers = {6};
    cmdRemove()->click();
    EXPECT_EQ(folderRows(), (QStringList{u"C:\\Data [x]"_s, QString::fromUtf8("C:\\caf\u00E9 [x]")}));
    EXPECT_EQ(testenv::readFile(listFile()), QByteArray("C:\\Data\r\nC:\\caf\xe9\r\n"));

    // With no row selected nothing is asked.
    lvwFolders()->clearSelection();
    cmdRemove()->click();
    EXPECT_EQ(desktop.boxes.size(), 2);

    // The next opening reads the list again, every row checked.
    lvwFolders()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    open();
    EXPECT_EQ(folderRows(), (QStringList{u"C:\\Data [x]"_s, QString::fromUtf8("C:\\caf\u00E9 [x]")}));

    // Removing the last rows deletes the file; the next list starts empty.
    desktop.answers = {6, 6};
    for (int i = 0; i < 2; ++i) {
        lvwFolders()->topLevelItem(0)->setSelected(true);
        cmdRemove()->click();
    }
    EXPECT_TRUE(folderRows().isEmpty());
    EXPECT_FALSE(QFile::exists(listFile()));
    EXPECT_FALSE(cmdScan()->isEnabled());
    open();
    EXPECT_TRUE(folderRows().isEmpty());
}

// A folder list that is no regular file reads as no list, and an added
// folder is listed but not written into it.
TEST_F(FinderWizard, AFolderListThatIsNoRegularFileReadsAsNoneAndIsLeftAlone)
{
    ASSERT_TRUE(makeFolder(QStringLiteral("data")));
    for (const testenv::OddKind kind : testenv::kOddKinds) {
        SCOPED_TRACE(testenv::describe(kind));
        wizard.reset();
        QFile::remove(listFile());
        const QString target = testenv::makeOdd(kind, listFile());
        ASSERT_FALSE(target.isEmpty());
        const mode_t node = testenv::nodeType(target);
        const testenv::Watchdog watchdog(std::string("the wizard over a folder list that is ") + testenv::describe(kind));
        open();
        EXPECT_TRUE(folderRows().isEmpty());
        OptFoldersScan()->click();
        CmdNext()->click();
        desktop.folders = {driveC() + QStringLiteral("/data")};
        cmdAdd()->click();
        EXPECT_EQ(folderRows(), QStringList{u"C:\\data [x]"_s});
        EXPECT_EQ(testenv::nodeType(target), node);
        EXPECT_EQ(testenv::nodeType(listFile()), target == listFile() ? node : S_IFLNK);
    }
    wizard.reset();
    QFile::remove(listFile());
}

// Wine keeps a drive's label and serial in files at its root; things there
// that are no regular files give no label and never stop a walk.
TEST_F(FinderWizard, ALabelThatIsNoRegularFileDoesNotStopTheWalk)
{
    ASSERT_TRUE(touch(QStringLiteral("windows/system32/x.dll")));
    for (const testenv::OddKind kind : testenv::kOddKinds) {
        SCOPED_TRACE(testenv::describe(kind));
        for (const char* name : {"/.windows-label", "/.windows-serial"}) {
            QFile::remove(driveC() + QLatin1String(name));
            ASSERT_FALSE(testenv::makeOdd(kind, driveC() + QLatin1String(name)).isEmpty());
        }
        const testenv::Watchdog watchdog(std::string("a walk of a drive whose label is ") + testenv::describe(kind));
        char volume[32] = "left over";
        DWORD serial = 0;
        EXPECT_TRUE(GetVolumeInformationA("C:\\", volume, sizeof(volume), &serial, nullptr, nullptr, nullptr, 0));
        EXPECT_STREQ(volume, "");

        errors = rowsNaming({QStringLiteral("C:\\windows\\system32\\x.dll")});
        desktop.boxes.clear();
        open();
        cmdScan()->click();
        EXPECT_EQ(errors.count(), 0);
        EXPECT_EQ(boxTexts(), QStringList{u"Scanning is completed : 1 missing files(s) were found."_s});
        wizard.reset();
        for (const char* name : {"/.windows-label", "/.windows-serial"})
            QFile::remove(driveC() + QLatin1String(name));
    }
}

// The browser answered with Cancel: the rows, their check boxes and the file
// stay as they were, and Scan is enabled because the list has rows, checked
// or not.
TEST_F(FinderWizard, ACancelledFolderBrowserChangesNothing)
{
    const QByteArray file("C:\\Data\r\n  c:\\apps \r\n");
    const struct {
        const char* checks;
        QStringList rows;
    } cases[] = {
        {"both checked", {u"C:\\Data [x]"_s, u"c:\\apps [x]"_s}},
        {"first unchecked", {u"C:\\Data"_s, u"c:\\apps [x]"_s}},
        {"none checked", {u"C:\\Data"_s, u"c:\\apps"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.checks);
        ASSERT_TRUE(testenv::writeFile(listFile(), file));
        open();
        OptFoldersScan()->click();
        CmdNext()->click();
        for (int i = 0; i < 2; ++i) {
            if (!c.rows[i].endsWith(QLatin1String(" [x]")))
                lvwFolders()->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
        }
        desktop.browsed.clear();
        cmdAdd()->click();
        EXPECT_EQ(desktop.browsed, QStringList{QStringLiteral("Choose directory...")});
        EXPECT_EQ(folderRows(), c.rows);
        EXPECT_EQ(testenv::readFile(listFile()), file);
        EXPECT_EQ(state(), QStringLiteral("folders e-ee-e"));
        EXPECT_TRUE(cmdAdd()->isEnabled());
        EXPECT_TRUE(desktop.boxes.isEmpty());
    }
}

// Add and Remove enable Scan whenever the list has a row, even with every
// row unchecked; that scan walks nothing.
TEST_F(FinderWizard, AddOrRemoveWithEveryRowUncheckedEnablesAScanOfNothing)
{
    ASSERT_TRUE(touch(QStringLiteral("data/d.dll")));
    ASSERT_TRUE(touch(QStringLiteral("apps/a.dll")));
    const QStringList files = {QStringLiteral("C:\\data\\d.dll"), QStringLiteral("C:\\apps\\a.dll")};
    const QByteArray file("C:\\data\r\nC:\\apps\r\n");
    const struct {
        const char* act;
        std::function<void()> run;
        QStringList rows;
        QByteArray fileAfter;
    } cases[] = {
        {"Add, browser cancelled", [&] { cmdAdd()->click(); }, {u"C:\\data"_s, u"C:\\apps"_s}, file},
        {"Add of a listed folder", [&] {
             desktop.folders = {driveC() + QStringLiteral("/APPS")};
             cmdAdd()->click();
         },
         {u"C:\\data"_s, u"C:\\apps"_s}, file},
        {"Remove, nothing selected", [&] { cmdRemove()->click(); }, {u"C:\\data"_s, u"C:\\apps"_s}, file},
        {"Remove answered No", [&] {
             lvwFolders()->topLevelItem(0)->setSelected(true);
             desktop.answers = {7};
             cmdRemove()->click();
         },
         {u"C:\\data"_s, u"C:\\apps"_s}, file},
        {"Remove answered Yes", [&] {
             lvwFolders()->topLevelItem(0)->setSelected(true);
             desktop.answers = {6};
             cmdRemove()->click();
         },
         {u"C:\\apps"_s}, "C:\\apps\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.act);
        ASSERT_TRUE(testenv::writeFile(listFile(), file));
        errors = rowsNaming(files);
        desktop.boxes.clear();
        open();
        OptFoldersScan()->click();
        CmdNext()->click();
        for (int i = 0; i < 2; ++i)
            lvwFolders()->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
        ASSERT_EQ(state(), QStringLiteral("folders e-de-e"));
        c.run();
        EXPECT_EQ(folderRows(), c.rows);
        EXPECT_EQ(testenv::readFile(listFile()), c.fileAfter);
        EXPECT_EQ(state(), QStringLiteral("folders e-ee-e"));

        desktop.boxes.clear();
        cmdScan()->click();
        EXPECT_EQ(keyValues(errors), files);
        EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("Scanning is completed. No missing file(s) were found.")});
        EXPECT_EQ(state(), QStringLiteral("scan d-d-ee"));
    }
}

TEST_F(FinderWizard, ScopeAndReport)
{
    ASSERT_TRUE(touch(QStringLiteral("windows/system32/x.dll")));
    ASSERT_TRUE(touch(QStringLiteral("apps/a.dll")));
    ASSERT_TRUE(touch(QStringLiteral("other/o.dll")));
    const QStringList files = {QStringLiteral("c:\\windows\\system32\\x.dll "), QStringLiteral("C:\\apps\\a.dll"),
                               QStringLiteral("C:\\other\\o.dll"), QStringLiteral("C:\\apps\\gone.dll")};
    testenv::writeFile(listFile(), "C:\\other\r\n\\\\server\\share\r\n\r\nD:\\data\r\nC:\\apps\r\n");
    const struct {
        const char* scope;
        std::function<void()> choose;
        QStringList left;
    } cases[] = {
        {"known application folders", [] {}, {files[1], files[2], files[3]}},
        {"all disks", [&] { OptScanAllDisk()->click(); }, {files[3]}},
        {"checked folders", [&] {
             OptFoldersScan()->click();
             CmdNext()->click();
             lvwFolders()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
         },
         {files[0], files[2], files[3]}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scope);
        errors = rowsNaming(files);
        desktop.boxes.clear();
        open();
        c.choose();
        cmdScan()->click();
        EXPECT_EQ(keyValues(errors), c.left);
        const int found = 4 - static_cast<int>(c.left.size());
        const QString report = QStringLiteral("Scanning is completed : %1 missing files(s) were found.").arg(found);
        EXPECT_EQ(Label2()->text(), report);
        EXPECT_EQ(lblStatus()->text(), QStringLiteral("Press Finish button to close the wizard."));
        EXPECT_TRUE(ProgressBar1()->isHidden());
        EXPECT_EQ(boxTexts(), QStringList{report});
        EXPECT_EQ(desktop.boxes[0].style, 64);
        EXPECT_EQ(wizard->problemCountBeforeScan(), 4);
    }
}

// Shell folders linked to one home: "Scan all disks" finds the one file
// there under each of them, and each row counts.
TEST_F(FinderWizard, AllDisksFindsAFileThroughEveryLinkToItsFolder)
{
    const QString home = testenv::makeTempDir(QStringLiteral("wizard-home"));
    ASSERT_TRUE(testenv::writeFile(home + QStringLiteral("/note.txt"), "x"));
    QStringList values;
    for (const char* folder : {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos"}) {
        ASSERT_TRUE(link(home, QStringLiteral("users/me/") + QLatin1String(folder)));
        values << QStringLiteral("C:\\users\\me\\") + QLatin1String(folder) + QStringLiteral("\\note.txt");
    }
    const QString missing = QStringLiteral("C:\\users\\me\\Music\\gone.txt");
    errors = rowsNaming(values + QStringList{missing});
    open();
    OptScanAllDisk()->click();
    cmdScan()->click();
    EXPECT_EQ(keyValues(errors), QStringList{missing});
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("Scanning is completed : 6 missing files(s) were found.")});
}

TEST_F(FinderWizard, ReportAndFinishTexts)
{
    ASSERT_TRUE(touch(QStringLiteral("windows/same.dll")));
    const struct {
        QStringList rows;
        const char* report;
        const char* finish;
    } cases[] = {
        {{QStringLiteral("C:\\windows\\nothere.dll")},
         "Scanning is completed. No missing file(s) were found.",
         "The program has found 0 missing files(s). Now you can click \"Fix Problems\" in the main window to fix "
         "the registry \rproblems found by the program."},
        {{QStringLiteral("C:\\windows\\same.dll"), QStringLiteral("c:\\WINDOWS\\same.dll "),
          QStringLiteral("C:\\windows\\nothere.dll"), QStringLiteral(" C:\\Windows\\Same.DLL")},
         "Scanning is completed : 3 missing files(s) were found.",
         "The program has found 3 missing files(s). Now you can click \"Fix Problems\" in the main window to fix "
         "the registry \rproblems found by the program."},
    };
    for (const auto& c : cases) {
        errors = rowsNaming(c.rows);
        desktop.boxes.clear();
        open();
        cmdScan()->click();
        cmdFinish()->click();
        EXPECT_EQ(boxTexts(), (QStringList{QLatin1String(c.report), QLatin1String(c.finish)}));
        EXPECT_EQ(closed, 1);
        closed = 0;
    }
}

TEST_F(FinderWizard, CancelBeforeAScanClosesAndLeavesTheFlagSet)
{
    for (const bool folderPage : {false, true}) {
        open();
        if (folderPage) {
            OptFoldersScan()->click();
            CmdNext()->click();
        }
        bCancelScan = false;
        cmdCancel()->click();
        EXPECT_EQ(closed, 1);
        EXPECT_TRUE(bCancelScan);
        closed = 0;
    }
    // The close box shows nothing and leaves the flag alone.
    open();
    wizard->show();
    bCancelScan = false;
    wizard->close();
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(bCancelScan);
    EXPECT_TRUE(desktop.boxes.isEmpty());
}

TEST_F(FinderWizard, CancelFinishAndCloseDuringAWalk)
{
    QStringList values;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(touch(QStringLiteral("windows/f%1.dll").arg(i)));
        values << QStringLiteral("C:\\windows\\f%1.dll").arg(i);
    }
    const struct {
        const char* how;
        std::function<void(FrmScanFmissingFiles&)> act;
        bool finishBox;
    } cases[] = {
        {"Cancel", [](FrmScanFmissingFiles& w) { testenv::control<QPushButton>(w, "cmdCancel")->click(); }, false},
        {"Cancel, then Finish", [](FrmScanFmissingFiles& w) {
             testenv::control<QPushButton>(w, "cmdCancel")->click();
             testenv::control<QPushButton>(w, "cmdFinish")->click();
         },
         true},
        {"close box", [](FrmScanFmissingFiles& w) { w.close(); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        errors = rowsNaming(values);
        desktop.boxes.clear();
        open();
        wizard->show();
        QString during;
        atPump = [&](int n) {
            if (n != 12 || !wizard->scanRunning())
                return;
            c.act(*wizard);
            during = state();
            EXPECT_EQ(closed, 0);  // nothing closes under the running walk
        };
        pumps = 0;
        cmdScan()->click();
        atPump = nullptr;
        EXPECT_EQ(during, QStringLiteral("scan d-d-ee"));
        const int removed = 40 - errors.count();
        EXPECT_GT(removed, 0);
        EXPECT_LT(removed, 40);
        const QString report = QStringLiteral("Scanning is completed : %1 missing files(s) were found.").arg(removed);
        QStringList expected{report};
        if (c.finishBox) {
            expected << QStringLiteral("The program has found %1 missing files(s). Now you can click \"Fix "
                                       "Problems\" in the main window to fix the registry \rproblems found by the "
                                       "program.")
                            .arg(removed);
        }
        EXPECT_EQ(boxTexts(), expected);
        EXPECT_EQ(closed, c.how == std::string("Cancel") ? 0 : 1);
        if (closed == 0) {
            EXPECT_EQ(state(), QStringLiteral("scan d-d-ee"));
            cmdFinish()->click();
            EXPECT_EQ(closed, 1);
        }
        closed = 0;
    }
}

}  // namespace
