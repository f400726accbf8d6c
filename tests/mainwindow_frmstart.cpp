// The main window driven for real under the offscreen platform: its first
// state, the picture buttons, the scan of a small hand-made prefix with its
// counters, cancel and completion box, the problem list and the section
// choices kept in the settings store.
#include "engine/scanstate.h"
#include "mainwindow/frmnextmessagebox.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/pictures.h"
#include "mainwindow/programstart.h"
#include "mainwindow/twips.h"
#include "platform/prefix.h"
#include "platform/settings.h"
#include "platform/shell.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

// Readable failures.
void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

using windowtest::FakeDesktop;
using windowtest::ModalAnswerer;

namespace {

const QString kApp = QStringLiteral("Velmora 2007");
const QString kSection = QStringLiteral("MySettings");

// The eight switchable menu items as T/F, in SetMenusEnabled's order.
QString menuStates(const FrmStart& w)
{
    QString s;
    for (const QAction* a : {w.mnuFileLoadScanResults, w.mnuFileSaveScanResults, w.mnuFileRegistryCleaner,
                             w.mnuFileRescueCenter, w.mnuFileExit, w.mnuCleaningScanRegitry,
                             w.mnuCleaningFindMissingFiles, w.mnuCleaningFixProblems})
        s += a->isEnabled() ? 'T' : 'F';
    return s;
}

bool sameImage(const QPixmap& a, const QPixmap& b)
{
    return !a.isNull() && a.toImage() == b.toImage();
}

engine::ProblemRow problem(const QString& section, const QString& name, const QString& value,
                           const QString& keyPath = QStringLiteral("Software\\Test"))
{
    engine::ProblemRow r;
    r.MainKey = QStringLiteral("-2147483646");
    r.KeyName = name;
    r.KeyValue = value;
    r.RegistryScanners = section;
    r.FullKeyPath = keyPath;
    r.mainkeyname = QStringLiteral("HKEY_LOCAL_MACHINE");
    return r;
}

// --- start on a prefix that is not there ----------------------------------------

TEST(ProgramStartTest, MissingPrefixIsToldInOneSentenceAndNothingIsMade)
{
    const QString missing = testenv::makeTempDir(QStringLiteral("noprefix")) + "/nothing-here";
    const QByteArray saved = qgetenv("WINEPREFIX");
    qputenv("WINEPREFIX", QFile::encodeName(missing));
    FakeDesktop desktop;
    platform::setDesktop(&desktop);
    testing::internal::CaptureStderr();
    const bool opened = mainwindow::openUsersPrefix();
    const std::string err = testing::internal::GetCapturedStderr();
    platform::setDesktop(nullptr);
    qputenv("WINEPREFIX", saved);

    EXPECT_FALSE(opened);
    EXPECT_FALSE(platform::prefixIsOpen());
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_FALSE(desktop.boxes[0].text.isEmpty());
    EXPECT_EQ(desktop.boxes[0].title, "Velmora 2007");
    EXPECT_EQ(err, desktop.boxes[0].text.toStdString() + "\n");
    EXPECT_FALSE(QFile::exists(missing));
}

class FrmStartTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_prefix = new QString(testenv::makeTempDir(QStringLiteral("prefix")));
        ASSERT_TRUE(windowtest::writeFixturePrefix(*s_prefix));
        const platform::PrefixError opened = platform::openPrefix(*s_prefix);
        ASSERT_TRUE(opened.ok) << opened.message.toStdString();
        s_program = new QString(testenv::makeTempDir(QStringLiteral("program")));
        ASSERT_TRUE(testenv::writeFile(*s_program + "/Alert.wav", "RIFF"));
        platform::setProgramFolderLinux(*s_program);
    }
    static void TearDownTestSuite()
    {
        platform::closePrefix();
        delete s_prefix;
        delete s_program;
    }

    void SetUp() override
    {
        platform::setDesktop(&desktop);
        QSettings(QSettings::IniFormat, QSettings::UserScope, kApp).clear();
        QFile::remove(*s_program + "/Scan.ocx");
        engine::bCancelScan = false;
        window = std::make_unique<FrmStart>();
        window->Form_Load();
        desktop.sounds.clear();
    }
    void TearDown() override
    {
        window.reset();
        platform::setDesktop(nullptr);
        platform::setProcessStarter({});
    }

    template <typename T = QWidget>
    T* find(const QString& name) const
    {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QString panel(int i) const { return window->StatusBar1->panelText(i); }
    void chooseOnly(std::initializer_list<int> sections)
    {
        for (QCheckBox* box : window->sectionBoxes)
            box->setChecked(false);
        for (int i : sections)
            window->sectionBoxes[i]->setChecked(true);
    }
    // Runs the Scan action and answers the completion box; returns its text.
    QString scanAndAnswer(std::function<void()> atBox = {})
    {
        QString text;
        ModalAnswerer answerer([&](QDialog* d) {
            auto* box = qobject_cast<FrmNextMessageBox*>(d);
            if (box)
                text = box->lblprob->text();
            if (atBox)
                atBox();
            if (box)
                box->Command1->click();
            else
                d->reject();
        });
        window->mnuCleaningScanRegitry_Click();
        EXPECT_EQ(answerer.answered, 1);
        return text;
    }
    QStringList counters() const
    {
        QStringList c;
        for (const QLabel* l : window->sectionCounters)
            c << l->text();
        return c;
    }
    bool markerAtSection(int i) const
    {
        const int left = i < 4 ? 990 : 3885;
        return window->Image22->x() == twips::px(left) && window->Image22->y() == window->sectionCounters[i]->y() - 1;
    }

    static QString* s_prefix;
    static QString* s_program;
    FakeDesktop desktop;
    std::unique_ptr<FrmStart> window;
};

QString* FrmStartTest::s_prefix = nullptr;
QString* FrmStartTest::s_program = nullptr;

// --- first state ----------------------------------------------------------------

TEST_F(FrmStartTest, LoadShowsTheMainPageWithItsTextsAndPlaces)
{
    EXPECT_EQ(window->windowTitle(), "Velmora 2007 - Registry Cleaner");
    EXPECT_FALSE(window->PicRegistryCleaner->isHidden());
    EXPECT_TRUE(window->PicScanning->isHidden());
    EXPECT_TRUE(window->PicShowError->isHidden());
    EXPECT_TRUE(window->PicRescuCenter->isHidden());
    EXPECT_FALSE(window->tmrRotateImage->isActive());
    EXPECT_EQ(panel(1), "");
    EXPECT_EQ(panel(3), "");
    EXPECT_EQ(menuStates(*window), "FFFTTTFF");
    for (const PictureButton* b : {&window->btnScan, &window->btnFindMissingFiles, &window->btnFixProblems,
                                   &window->btnHelp, &window->btnSupport})
        EXPECT_EQ(b->state(), 0) << b->normal->objectName().toStdString();

    const std::pair<const char*, const char*> texts[] = {
        {"Label2", "Registry Sections"},
        {"Label5", "Step 1"},
        {"Label7", " - Click Scan Registry button to identify problems"},
        {"Label17", "Step 2"},
        {"Label12", " - Click Find Missing Files button to find missing files"},
        {"Label18", "Step 3"},
        {"Label16", " - Click Fix Problems button to connect invalid Registry entries"},
        {"Label4", "Your registry has not yet been scanned for errors. Velmora 2007 is ready to begin, so simply "
                   "click \"Scan\" below to get started!"},
        {"Label21", "Version 3.0.0"},
        {"Label22", "Registry Scan Summary"},
        {"Label23", "Velmora 2007 is now scanning for problems in all the selected areas. This process can take "
                    "several minutes, and you will be presented with a list of results when it is completed"},
        {"Label3", "Problems found"},
        {"Label25", "Registry Backups"},
        {"Label26", "Tasks"},
        {"lblShowProblems", "All Errors : 0 Problems Detected  (0 selected for Fixing)"},
    };
    for (const auto& [name, text] : texts)
        EXPECT_EQ(find<QLabel>(name)->text(), text) << name;

    // Places in twips inside their page.
    const std::tuple<const char*, int, int> places[] = {
        {"ImgScanNormal", 6195, 1665},     {"ImgFindMissingFilesClick", 6195, 2400}, {"ImfFixProblemsMouseMove", 6195, 3165},
        {"ImgHelpNormal", 3540, 5535},     {"ImgSupportMoseMove", 5415, 5535},       {"ImgCancelClick", 5355, 4290},
        {"ImgFixProblemsNormal2", 3795, 5880}, {"ImgReturnNormal", 5625, 5880},      {"ImgRestoringClick", 165, 525},
        {"ImgDeleteBackUpNormal", 165, 1020}, {"lblActiveX", 1290, 1800},            {"lblStartupProg", 4245, 3000},
        {"ChkFileTypes", 195, 2328},        {"lvwBackUp", 3060, 525},
    };
    for (const auto& [name, left, top] : places)
        EXPECT_EQ(find(name)->pos(), QPoint(twips::px(left), twips::px(top))) << name;
    EXPECT_EQ(find("ImgScanNormal")->size(), QSize(109, 24));
    EXPECT_EQ(find("ImgRestoreNormal")->size(), QSize(170, 24));
    EXPECT_EQ(window->centralWidget()->size(), QSize(700, 511));
}

// Every text is whole on screen, also with large counts, and no two controls
// of a page cover each other (the three pictures of a button excepted).
bool textFits(const QLabel* l)
{
    if (l->wordWrap())
        return l->heightForWidth(l->width()) <= l->height();
    return l->text().isEmpty() || l->sizeHint().width() <= l->width();
}

TEST_F(FrmStartTest, TextsFitAndControlsDoNotOverlap)
{
    for (QLabel* counter : window->sectionCounters)
        counter->setText("99999");
    window->lblProblemsFound->setText("999999");
    for (const QLabel* l : window->findChildren<QLabel*>())
        EXPECT_TRUE(textFits(l)) << l->objectName().toStdString() << ": " << l->text().toStdString();

    FrmNextMessageBox box;
    box.lblprob->setText("Scanning is complete : 1234567 problems found.");
    for (const QLabel* l : box.findChildren<QLabel*>())
        EXPECT_TRUE(textFits(l)) << l->objectName().toStdString();

    for (const QWidget* page : {static_cast<QWidget*>(window->PicRegistryCleaner), static_cast<QWidget*>(window->Picture10),
                                static_cast<QWidget*>(window->PicScanning), static_cast<QWidget*>(window->PicShowError),
                                static_cast<QWidget*>(window->PicRescuCenter)}) {
        QList<const QWidget*> parts;
        for (const QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!qobject_cast<const PictureImage*>(w) && !qobject_cast<const PictureBox*>(w))
                parts << w;
        }
        for (int i = 0; i < parts.size(); ++i) {
            for (int j = i + 1; j < parts.size(); ++j)
                EXPECT_FALSE(parts[i]->geometry().intersects(parts[j]->geometry()))
                    << parts[i]->objectName().toStdString() << " and " << parts[j]->objectName().toStdString();
        }
    }
}

TEST_F(FrmStartTest, LoadOffersLoadScanResultsOnlyWhenTheResultsFileExists)
{
    ASSERT_TRUE(testenv::writeFile(*s_program + "/Scan.ocx", "x"));
    FrmStart second;
    second.Form_Load();
    EXPECT_EQ(menuStates(second), "TFFTTTFF");
}

TEST_F(FrmStartTest, MenusAndToolBarCarryTheirCaptionsAndTips)
{
    const std::pair<const char*, const char*> captions[] = {
        {"mnuFileLoadScanResults", "&Load Scan Results"},
        {"mnuFileSaveScanResults", "Save Scan Results"},
        {"mnuFileRegistryCleaner", "Registry Cleaner"},
        {"mnuFileRescueCenter", "Rescue Center"},
        {"mnuFileShowScanResultsonStartup", "Show Scan Results on Startup"},
        {"mnuFileRegistryEditor", "Registry Editor"},
        {"mnuFileExit", "Exit"},
        {"mnuCleaningScanRegitry", "Scan Registry"},
        {"mnuCleaningFindMissingFiles", "Find Missing Files"},
        {"mnuCleaningFixProblems", "Fix Problems"},
        {"mnuViewToolbar", "Tool Bar"},
        {"mnuViewStatusbar", "Status Bar"},
        {"mnuHelpVelmora", "Velmora 2007 Help"},
        {"mnuHelpVelmoraWebsite", "Velmora 2007 Website"},
        {"mnuHelpAboutVelmora", "About Velmora 2007 ..."},
    };
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(window->findChild<QAction*>(name)->text(), caption) << name;
    const std::pair<QMenu*, const char*> menus[] = {
        {window->mnuFile, "File"}, {window->mnuCleaning, "Cleaning"}, {window->mnuView, "View"}, {window->mnuHelp, "Help"}};
    for (const auto& [menu, title] : menus)
        EXPECT_EQ(menu->title(), title);
    for (const char* line : {"mnuline1", "mnuline3", "mnuline4", "mnuline5"})
        EXPECT_TRUE(window->findChild<QAction*>(line)->isSeparator()) << line;
    EXPECT_EQ(window->mnuFileRegistryCleaner->shortcut(), QKeySequence("Ctrl+C"));
    EXPECT_EQ(window->mnuFileRescueCenter->shortcut(), QKeySequence("Ctrl+R"));
    EXPECT_EQ(window->mnuFileRegistryEditor->shortcut(), QKeySequence("Ctrl+D"));
    EXPECT_TRUE(window->mnuFileShowScanResultsonStartup->isChecked());

    const QList<QAction*> tools = window->ToolBar->actions();
    ASSERT_EQ(tools.size(), 5);
    EXPECT_EQ(tools[0]->toolTip(), "Registry Cleaner   (Ctrl + C) ");
    EXPECT_TRUE(tools[1]->isSeparator());
    EXPECT_EQ(tools[2]->toolTip(), "Rescue Center   (Ctrl + R)");
    EXPECT_TRUE(tools[3]->isSeparator());
    EXPECT_EQ(tools[4]->toolTip(), "Runs Windows Registry Editor (Ctrl + D)");
}

// --- picture buttons ------------------------------------------------------------------

struct ButtonCase {
    PictureButton FrmStart::*button;
    void (FrmStart::*hover)();
    void (FrmStart::*press)();
    void (FrmStart::*reset)();
    const char* hint;  // nullptr: panel 1 is left alone
    const char* resetHint;
};

TEST_F(FrmStartTest, EveryButtonGoesHoverPressedAndBackToNormal)
{
    window->lvwErrors().add(problem("Fonts", "a", "C:\\a.ttf"));  // the two buttons that need problems
    const ButtonCase cases[] = {
        {&FrmStart::btnScan, &FrmStart::ImgScanNormal_MouseMove, &FrmStart::ImgScanMouseMove_MouseDown,
         &FrmStart::PicRegistryCleaner_MouseMove, " Scan registry for invalid entires", ""},
        {&FrmStart::btnFindMissingFiles, &FrmStart::ImgFindMissingFilesNormal_MouseMove,
         &FrmStart::ImgFindMissingFilesMouseMove_MouseDown, &FrmStart::PicRegistryCleaner_MouseMove,
         " Find Missing Files", ""},
        {&FrmStart::btnFixProblems, &FrmStart::ImfFixProblemsNormal_MouseMove,
         &FrmStart::ImfFixProblemsMouseMove_MouseDown, &FrmStart::PicRegistryCleaner_MouseMove,
         " Correct Invalid Registry Entries", ""},
        {&FrmStart::btnHelp, &FrmStart::ImgHelpNormal_MouseMove, &FrmStart::ImgHelpMouseMove_MouseDown,
         &FrmStart::PicRegistryCleaner_MouseMove, " Read Program Help", ""},
        {&FrmStart::btnSupport, &FrmStart::ImgSupportNormal_MouseMove, &FrmStart::ImgSupportMoseMove_MouseDown,
         &FrmStart::PicRegistryCleaner_MouseMove, " Get Online Support", ""},
        {&FrmStart::btnCancel, &FrmStart::ImgCancelNormal_MouseMove, &FrmStart::ImgCancelMouseMove_MouseDown,
         &FrmStart::PicScanning_MouseMove, nullptr, " Scanning ..."},
        {&FrmStart::btnFixProblems2, &FrmStart::ImgFixProblemsNormal2_MouseMove,
         &FrmStart::ImgFixProblemsMouseMove2_MouseDown, &FrmStart::PicShowError_MouseMove,
         " Correct Invalid Registry Entries", ""},
        {&FrmStart::btnReturn, &FrmStart::ImgReturnNormal_MouseMove, &FrmStart::ImgReturnMouseMove_MouseDown,
         &FrmStart::PicShowError_MouseMove, " Return To Main Page", ""},
        {&FrmStart::btnRestore, &FrmStart::ImgRestoreNormal_MouseMove, &FrmStart::ImgRestoreMouseMove_MouseDown,
         &FrmStart::PicRescuCenter_MouseMove, " Restore from selected backup", ""},
        {&FrmStart::btnDeleteBackUp, &FrmStart::ImgDeleteBackUpNormal_MouseMove,
         &FrmStart::ImgDeleteBackUpMouseMove_MouseDown, &FrmStart::PicRescuCenter_MouseMove,
         " Delete the selected backup", ""},
    };
    FrmStart& w = *window;
    for (const ButtonCase& c : cases) {
        const PictureButton& b = w.*c.button;
        SCOPED_TRACE(b.normal->objectName().toStdString());
        w.StatusBar1->setPanelText(1, "before");
        (w.*c.hover)();
        EXPECT_EQ(b.state(), 1);
        EXPECT_EQ(panel(1), c.hint ? c.hint : "before");
        (w.*c.press)();
        EXPECT_EQ(b.state(), 2);
        (w.*c.reset)();
        EXPECT_EQ(b.state(), 0);
        EXPECT_EQ(panel(1), c.resetHint);
    }
    // The backup buttons also show the number of backups.
    EXPECT_EQ(panel(3), "0 backup(s)");
    EXPECT_TRUE(desktop.sounds.isEmpty());
}

TEST_F(FrmStartTest, FindAndFixButtonsIgnoreThePointerWhileNoProblemIsListed)
{
    window->ImgFindMissingFilesNormal_MouseMove();
    window->ImfFixProblemsNormal_MouseMove();
    EXPECT_EQ(window->btnFindMissingFiles.state(), 0);
    EXPECT_EQ(window->btnFixProblems.state(), 0);
    EXPECT_EQ(panel(1), "");
}

TEST_F(FrmStartTest, PageResetDoesNothingWhileScanning)
{
    window->ImgHelpNormal_MouseMove();
    window->bScanning = true;
    window->PicRegistryCleaner_MouseMove();
    EXPECT_EQ(window->btnHelp.state(), 1);
    EXPECT_EQ(panel(1), " Read Program Help");
}

TEST_F(FrmStartTest, RealPointerRunsTheScanActionOnceAtTheFirstMoveAfterThePress)
{
    chooseOnly({});
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const PictureButton& scan = window->btnScan;

    QTest::mouseMove(scan.normal, QPoint(20, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan.state() == 1; }, 2000));
    EXPECT_EQ(panel(1), " Scan registry for invalid entires");

    QTest::mousePress(scan.hover, Qt::LeftButton, {}, QPoint(21, 10));
    EXPECT_EQ(scan.state(), 2);
    QTest::mouseRelease(scan.pressed, Qt::LeftButton, {}, QPoint(21, 10));
    EXPECT_TRUE(desktop.boxes.isEmpty()) << "a press alone runs nothing";

    QTest::mouseMove(scan.pressed, QPoint(25, 12));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop.boxes.isEmpty(); }, 2000));
    QTest::mouseMove(window->btnScan.normal, QPoint(26, 12));
    QCoreApplication::processEvents();
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].text, "Please select the Section you want to scan.");
    EXPECT_EQ(desktop.boxes[0].style, 64);
    EXPECT_EQ(desktop.boxes[0].title, "Velmora 2007");
    EXPECT_TRUE(scan.pressed->isEnabled());

    // Moving over the page background puts the button back.
    QTest::mouseMove(window->PicRegistryCleaner, QPoint(690, 400));
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan.state() == 0; }, 2000));
    EXPECT_EQ(panel(1), "");
}

// --- scan ---------------------------------------------------------------------------

TEST_F(FrmStartTest, WholeScanCountsEverySectionAndListsTheProblemsChecked)
{
    QString atStart;
    bool sawScanningPage = false;
    engine::setMessagePump([&] {
        if (atStart.isEmpty()) {
            atStart = menuStates(*window);
            sawScanningPage = !window->PicScanning->isHidden() && window->bScanning && !window->Picture10->isEnabled()
                              && window->tmrRotateImage->isActive() && panel(1) == " Scanning ...";
        }
        QCoreApplication::processEvents();
    });
    QString atBox;
    const QString text = scanAndAnswer([&] { atBox = menuStates(*window); });

    // All eight off, then the driver offers Save Scan Results at once.
    EXPECT_EQ(atStart, "FTFFFFFF");
    EXPECT_TRUE(sawScanningPage);
    EXPECT_EQ(atBox, "TTFTTTTT");
    EXPECT_EQ(text, QString("Scanning is complete : %1 problems found.").arg(windowtest::kFixtureProblems));

    QStringList expected;
    for (const char* c : windowtest::kFixtureCounters)
        expected << c;
    EXPECT_EQ(counters(), expected);
    EXPECT_EQ(window->lblProblemsFound->text(), QString::number(windowtest::kFixtureProblems));
    // Panel 3 was last written after section 8, before the Startup Programs rows.
    EXPECT_EQ(panel(3), " Problems Found  6");
    EXPECT_EQ(panel(1), "");
    EXPECT_TRUE(markerAtSection(8));
    EXPECT_FALSE(window->lblRegistryFilesScan->text().isEmpty());

    EXPECT_FALSE(window->bScanning);
    EXPECT_TRUE(window->Picture10->isEnabled());
    EXPECT_FALSE(window->tmrRotateImage->isActive());
    EXPECT_TRUE(window->PicScanning->isHidden());
    EXPECT_FALSE(window->PicShowError->isHidden());
    EXPECT_EQ(menuStates(*window), "TTFTTTTT");
    EXPECT_TRUE(window->btnScan.pressed->isEnabled());

    ASSERT_EQ(window->lvwProblem->topLevelItemCount(), windowtest::kFixtureProblems);
    for (int i = 0; i < windowtest::kFixtureProblems; ++i) {
        const engine::ProblemRow& hidden = window->lvwErrors().row(i + 1);
        const QTreeWidgetItem* item = window->lvwProblem->topLevelItem(i);
        EXPECT_EQ(item->checkState(0), Qt::Checked);
        EXPECT_TRUE(hidden.Checked);
        EXPECT_EQ(item->text(0), hidden.RegistryScanners);
        EXPECT_EQ(item->text(3), hidden.KeyValue);
    }
    EXPECT_EQ(window->lblShowProblems->text(), "All Errors : 8  Problems Detected  (8 selected for Fixing)");
    EXPECT_FALSE(desktop.sounds.isEmpty());
}

TEST_F(FrmStartTest, ScanFindingNothingLeavesFixProblemsOff)
{
    chooseOnly({7});  // "Startup Menu": walked, never judged
    window->lblRegistryFilesScan->setText("before");
    const QString text = scanAndAnswer();
    EXPECT_EQ(text, "Scanning is complete : 0 problems found.");
    EXPECT_EQ(menuStates(*window), "TTFTTTTF");
    EXPECT_EQ(window->sectionCounters[7]->text(), "0");
    EXPECT_TRUE(markerAtSection(7));
    EXPECT_NE(window->lblRegistryFilesScan->text(), "before") << "its App Paths walk shows the keys";
    EXPECT_FALSE(window->PicShowError->isHidden());
    EXPECT_EQ(window->lvwProblem->topLevelItemCount(), 0);
}

TEST_F(FrmStartTest, OnlyStartupProgramsKeepsPanelThreeAtTheTotalBeforeIt)
{
    chooseOnly({8});
    window->sectionBoxes[0]->setCheckState(Qt::PartiallyChecked);  // a grayed box is not chosen
    scanAndAnswer();
    EXPECT_EQ(window->sectionCounters[8]->text(), "2");
    EXPECT_EQ(window->sectionCounters[0]->text(), "0");
    EXPECT_EQ(window->lblProblemsFound->text(), "2");
    EXPECT_EQ(panel(3), " Problems Found  0");
}

TEST_F(FrmStartTest, ValuesWalksLeaveTheScanPositionAlone)
{
    chooseOnly({5});  // Fonts
    window->lblRegistryFilesScan->setText("before");
    scanAndAnswer();
    EXPECT_EQ(window->lblRegistryFilesScan->text(), "before");
    EXPECT_EQ(window->sectionCounters[5]->text(), "1");
}

TEST_F(FrmStartTest, NoSectionChosenOnlyTellsSoAndKeepsTheOldResults)
{
    window->lvwErrors().add(problem("Fonts", "a", "C:\\a.ttf"));
    window->sectionCounters[5]->setText("1");
    window->lblProblemsFound->setText("1");
    chooseOnly({});
    window->ImgScanClick_MouseMove();
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].text, "Please select the Section you want to scan.");
    EXPECT_EQ(window->lvwErrors().count(), 1);
    EXPECT_EQ(window->sectionCounters[5]->text(), "1");
    EXPECT_EQ(window->lblProblemsFound->text(), "1");
    EXPECT_TRUE(window->PicScanning->isHidden());
    EXPECT_EQ(menuStates(*window), "FFFTTTFF");
    EXPECT_TRUE(window->btnScan.pressed->isEnabled());
}

TEST_F(FrmStartTest, ScanClearsTheResultsLoadedFlag)
{
    engine::bResultsLoaded = true;
    chooseOnly({5});
    scanAndAnswer();
    EXPECT_FALSE(engine::bResultsLoaded);
}

struct CancelCase {
    const char* name;
    int section;         // cancel at the first pump while the marker stands here
    int expectedPanel3;  // total shown in panel 3 afterwards (-1: from the rows)
    int zeroFrom;        // counters from this section on stay "0"
};

TEST_F(FrmStartTest, CancelStopsAtTheNextTestPointAndListsWhatWasFound)
{
    const CancelCase cases[] = {
        {"during Active X Objects", 0, -1, 1},
        {"during the first Help Files walk", 4, 2, 4},
        {"during the first Startup Programs walk", 8, 6, 8},
    };
    for (const CancelCase& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        window = std::make_unique<FrmStart>();
        window->Form_Load();
        bool cancelled = false;
        engine::setMessagePump([&] {
            if (!cancelled && window->bScanning && markerAtSection(c.section)) {
                cancelled = true;
                window->ImgCancelClick_MouseMove();
            }
            QCoreApplication::processEvents();
        });
        const QString text = scanAndAnswer();
        ASSERT_TRUE(cancelled);

        const int rows = window->lvwErrors().count();
        EXPECT_EQ(text, QString("Scanning is complete : %1 problems found.").arg(rows));
        // A cancel between two walks leaves the total as the section before left it.
        const int shown = c.expectedPanel3 < 0 ? rows : c.expectedPanel3;
        EXPECT_EQ(window->lblProblemsFound->text(), QString::number(shown));
        EXPECT_EQ(panel(3), QString(" Problems Found  %1").arg(shown));
        for (int i = c.zeroFrom; i < 9; ++i)
            EXPECT_EQ(window->sectionCounters[i]->text(), "0") << "counter " << i;
        for (const engine::ProblemRow& r : window->lvwErrors().rows()) {
            if (c.section == 4) {
                EXPECT_NE(r.KeyValue, "C:\\windows\\help\\gone.chm") << "the HTML Help walk must not run";
            }
            EXPECT_NE(r.mainkeyname, "HKEY_CURRENT_USER") << "the user's Run walk must not run";
        }
        EXPECT_EQ(window->lvwProblem->topLevelItemCount(), rows);
        EXPECT_FALSE(window->bScanning);
        EXPECT_TRUE(window->Picture10->isEnabled());
        EXPECT_FALSE(window->tmrRotateImage->isActive());
        EXPECT_TRUE(sameImage(window->imgHoldingRotation->pixmap(), window->ImglstRotate[0]));
        EXPECT_FALSE(window->btnCancel.normal->isEnabled());
        EXPECT_FALSE(window->PicShowError->isHidden());
    }
}

TEST_F(FrmStartTest, CancelDuringTheFirstSectionStillWritesItsCounter)
{
    bool cancelled = false;
    engine::setMessagePump([&] {
        if (!cancelled && window->bScanning) {
            cancelled = true;
            window->ImgCancelClick_MouseMove();
        }
        QCoreApplication::processEvents();
    });
    scanAndAnswer();
    const int rows = window->lvwErrors().count();
    EXPECT_EQ(window->sectionCounters[0]->text(), QString::number(rows));
    EXPECT_EQ(panel(3), QString(" Problems Found  %1").arg(rows));
    EXPECT_EQ(window->sectionCounters[1]->text(), "0");
}

TEST_F(FrmStartTest, ClosingTheWindowDuringAScanStopsItWithoutTheCompletionBox)
{
    QApplication::setQuitOnLastWindowClosed(false);
    const struct {
        const char* name;
        std::function<bool(FrmStart&)> moment;
        const char* secondCounter;  // "0": no section after the first is walked
    } cases[] = {
        {"during the walk", [](FrmStart& w) { return w.bScanning; }, "0"},
        {"while the rows are listed",
         [](FrmStart& w) { return !w.bScanning && w.lvwProblem->topLevelItemCount() == 1; }, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window = std::make_unique<FrmStart>();
        window->Form_Load();
        bool closed = false;
        engine::setMessagePump([&] {
            if (!closed && c.moment(*window)) {
                closed = true;
                window->close();
            }
            QCoreApplication::processEvents();
        });
        ModalAnswerer answerer([](QDialog* d) { d->reject(); });
        window->mnuCleaningScanRegitry_Click();
        EXPECT_TRUE(closed);
        EXPECT_EQ(answerer.answered, 0);
        EXPECT_TRUE(engine::bCancelScan);
        EXPECT_EQ(window->sectionCounters[1]->text(), c.secondCounter);
    }
}

TEST_F(FrmStartTest, ScanChosenWhileTheRowsAreListedDoesNotStartASecondScan)
{
    // Scan Registry is on again while the rows are copied; a second scan
    // inside the first would clear and refill the lists under it.
    bool chosen = false;
    engine::setMessagePump([&] {
        if (!chosen && !window->bScanning && window->lvwProblem->topLevelItemCount() == 1) {
            chosen = true;
            EXPECT_TRUE(window->mnuCleaningScanRegitry->isEnabled());
            window->mnuCleaningScanRegitry->trigger();
        }
        QCoreApplication::processEvents();
    });
    scanAndAnswer();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(window->lvwErrors().count(), windowtest::kFixtureProblems);
    EXPECT_EQ(window->lvwProblem->topLevelItemCount(), windowtest::kFixtureProblems);

    // Afterwards the menu scans again as usual.
    engine::setMessagePump([] { QCoreApplication::processEvents(); });
    ModalAnswerer answerer([](QDialog* d) { d->accept(); });
    window->mnuCleaningScanRegitry->trigger();
    EXPECT_EQ(answerer.answered, 1);
    EXPECT_EQ(window->lvwProblem->topLevelItemCount(), windowtest::kFixtureProblems);
}

TEST_F(FrmStartTest, BusyAnimationTurnsThroughItsFourFrames)
{
    for (int expected : {2, 3, 4, 1, 2}) {
        window->tmrRotateImage_Timer();
        EXPECT_TRUE(sameImage(window->imgHoldingRotation->pixmap(), window->ImglstRotate[expected - 1])) << expected;
    }
}

// --- pages, menus and tool bar ----------------------------------------------------------

TEST_F(FrmStartTest, RegistryCleanerPageShowsTheCountOnlyWithProblemsListed)
{
    window->mnuFileRegistryCleaner_Click();
    EXPECT_EQ(panel(3), "");
    window->lvwErrors().add(problem("Fonts", "a", "C:\\a.ttf"));
    window->lblProblemsFound->setText("12");
    window->SetPagesVisible(false, true);
    window->mnuFileRegistryCleaner_Click();
    EXPECT_EQ(panel(3), " Problems Found  12");
    EXPECT_FALSE(window->PicShowError->isHidden()) << "the problem page stays as it was";
    EXPECT_FALSE(window->mnuFileRegistryCleaner->isEnabled());
    EXPECT_TRUE(window->mnuFileRescueCenter->isEnabled());
}

TEST_F(FrmStartTest, ToolBarPageButtonsWaitForTheScanButEveryPressIsHeard)
{
    window->PicRegistryCleaner->hide();
    window->bScanning = true;
    window->ToolBar_ButtonClick(1);
    EXPECT_TRUE(window->PicRegistryCleaner->isHidden());
    window->bScanning = false;
    window->ToolBar_ButtonClick(1);
    EXPECT_FALSE(window->PicRegistryCleaner->isHidden());

    QWidget* separator = window->ToolBar->widgetForAction(window->ToolBar->actions()[1]);
    ASSERT_NE(separator, nullptr);
    QTest::mousePress(separator, Qt::LeftButton);
    QTest::mousePress(window->ToolBar->widgetForAction(window->ToolBar->actions()[0]), Qt::LeftButton);
    EXPECT_EQ(desktop.sounds.size(), 2);
    EXPECT_TRUE(desktop.sounds[0].endsWith("/Alert.wav"));
}

TEST_F(FrmStartTest, RegistryEditorStartsRegeditOfTheWindowsFolderAlsoWhileScanning)
{
    QStringList started;
    platform::setProcessStarter([&](const QString& program, const QStringList& args, const QStringList&) {
        started << program + ' ' + args.join(' ');
        return true;
    });
    window->mnuFileRegistryEditor_Click();
    window->bScanning = true;
    window->ToolBar_ButtonClick(5);
    if (QStandardPaths::findExecutable("wine").isEmpty() && qEnvironmentVariable("CI") != "true")
        GTEST_SKIP() << "no wine to start the editor with";
    ASSERT_EQ(started.size(), 2);
    EXPECT_TRUE(started[0].contains("regedit.exe", Qt::CaseInsensitive)) << started[0].toStdString();
    EXPECT_TRUE(started[0].contains("C:\\windows", Qt::CaseInsensitive)) << started[0].toStdString();
    EXPECT_EQ(menuStates(*window), "FFFTTTFF") << "nothing else changes";
}

TEST_F(FrmStartTest, FindMissingFilesWithAnEmptyListOnlyTurnsItsMenuOff)
{
    window->mnuCleaningFindMissingFiles->setEnabled(true);
    window->mnuCleaningFindMissingFiles_Click();
    EXPECT_FALSE(window->mnuCleaningFindMissingFiles->isEnabled());
    EXPECT_EQ(desktop.sounds.size(), 1);

    window->lvwErrors().add(problem("Fonts", "a", "C:\\a.ttf"));
    window->mnuCleaningFindMissingFiles_Click();
    EXPECT_EQ(menuStates(*window), "FTFTTTTT");
    EXPECT_TRUE(window->btnFindMissingFiles.pressed->isEnabled());
}

// --- problem list ----------------------------------------------------------------------------

TEST_F(FrmStartTest, FillBuildsTheVisibleRowsAndChecksCarryToHiddenRowsByContent)
{
    engine::ProblemList& hidden = window->lvwErrors();
    hidden.add(problem("File Types", "x", "C:\\x.exe"));         // no picture of its own, first row: none
    hidden.add(problem("Active X Objects", "(Default)", "C:\\a.dll"));
    hidden.add(problem("File Types", "v", "C:\\b.exe"));         // keeps the picture of the row before
    hidden.add(problem(" help files ", "h", "C:\\h.hlp"));       // case and blanks do not matter
    hidden.add(problem("Fonts", "F", "   "));
    hidden.add(problem("Fonts", "dup", "C:\\d.ttf", "K1"));
    hidden.add(problem("Fonts", "DUP ", "c:\\d.ttf", "K2"));
    for (int i = 1; i <= hidden.count(); ++i)
        hidden.row(i).Checked = false;

    window->FillProblemList();
    QTreeWidget* list = window->lvwProblem;
    ASSERT_EQ(list->topLevelItemCount(), 7);
    EXPECT_EQ(window->lblShowProblems->text(), "All Errors : 7  Problems Detected  (7 selected for Fixing)");
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(list->topLevelItem(i)->checkState(0), Qt::Checked);
        EXPECT_TRUE(hidden.row(i + 1).Checked);
    }
    EXPECT_TRUE(list->topLevelItem(0)->icon(0).isNull());
    const auto iconOf = [&](int i) { return list->topLevelItem(i)->icon(0).pixmap(22, 22); };
    EXPECT_TRUE(sameImage(iconOf(1), pictures::picture("Section1")));
    EXPECT_TRUE(sameImage(iconOf(2), pictures::picture("Section1")));
    EXPECT_TRUE(sameImage(iconOf(3), pictures::picture("Section5")));
    EXPECT_TRUE(sameImage(iconOf(4), pictures::picture("Section6")));
    EXPECT_EQ(list->topLevelItem(1)->text(1), " Invalid File Path");
    EXPECT_EQ(list->topLevelItem(4)->text(1), " Invalid Key Name");
    EXPECT_EQ(list->topLevelItem(1)->text(2), "(Default)") << "the Key Path column shows the value name";
    EXPECT_EQ(list->topLevelItem(1)->text(3), "C:\\a.dll");

    list->topLevelItem(6)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(hidden.row(6).Checked);
    EXPECT_FALSE(hidden.row(7).Checked);
    EXPECT_TRUE(hidden.row(5).Checked);
    EXPECT_EQ(window->lblShowProblems->text(), "All Errors : 7 Problems Detected  (6 selected for Fixing)");
    list->topLevelItem(6)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(hidden.row(6).Checked);
    EXPECT_TRUE(hidden.row(7).Checked);

    // Visible rows the hidden list no longer has still toggle safely.
    hidden.remove(1);
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(window->lblShowProblems->text(), "All Errors : 6 Problems Detected  (6 selected for Fixing)");
}

TEST_F(FrmStartTest, PointerOverTheProblemListResetsTheFixButton)
{
    window->ImgFixProblemsNormal2_MouseMove();
    window->lvwProblem_MouseMove();
    EXPECT_EQ(window->btnFixProblems2.state(), 0);
    EXPECT_EQ(panel(1), "");
}

// --- section choices --------------------------------------------------------------------------

TEST_F(FrmStartTest, EmptyStoreChecksEveryBoxAndSavesIt)
{
    for (QCheckBox* box : window->sectionBoxes) {
        EXPECT_EQ(box->checkState(), Qt::Checked) << box->objectName().toStdString();
        EXPECT_EQ(platform::GetSetting(kApp, kSection, box->objectName(), "missing"), "1");
    }
}

TEST_F(FrmStartTest, StoredChoicesComeBackAndClicksAreSaved)
{
    platform::SaveSetting(kApp, kSection, "ChkFileTypes", "0");
    platform::SaveSetting(kApp, kSection, "ChkChosseSettingsInstalledFiles", "2");
    platform::SaveSetting(kApp, kSection, "ChkStartupMenu", "abc");
    FrmStart second;
    second.Form_Load();
    EXPECT_EQ(second.sectionBoxes[3]->checkState(), Qt::Unchecked);
    EXPECT_EQ(second.sectionBoxes[5]->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(second.sectionBoxes[7]->checkState(), Qt::Unchecked) << "a text that does not convert leaves it";
    EXPECT_EQ(second.sectionBoxes[0]->checkState(), Qt::Checked);

    QCheckBox* box = window->sectionBoxes[0];
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(platform::GetSetting(kApp, kSection, box->objectName()), "0");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(platform::GetSetting(kApp, kSection, box->objectName()), "1");

    // Grayed comes only from the store: clicks then go between 1 and 0.
    QCheckBox* grayed = second.sectionBoxes[5];
    for (const char* stored : {"1", "0", "1"}) {
        QTest::mouseClick(grayed, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(platform::GetSetting(kApp, kSection, grayed->objectName()), stored);
    }
}

// --- the scan-complete box ------------------------------------------------------------------------

TEST(FrmNextMessageBoxTest, CarriesItsTextsAndNextCloses)
{
    FrmNextMessageBox box;
    EXPECT_EQ(box.windowTitle(), "Velmora 2007");
    EXPECT_EQ(box.Label1->text(), "In the next step you will have the option of reparing these problems.");
    EXPECT_EQ(box.Command1->text(), "&Next");
    box.show();
    box.Command1->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

}  // namespace
