// The main window's frame under the offscreen platform: the start on a
// missing prefix, the first state with its texts, places and captions, the
// section rows, the page switch, the tool bar, the registry editor, Find
// Missing Files with nothing listed, and the scan-complete box.
#include "mainwindow/frmnextmessagebox.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/programstart.h"
#include "mainwindow/sectionviews.h"
#include "mainwindow/twips.h"
#include "platform/prefix.h"
#include "platform/shell.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/namedcontrol.h"
#include "tests/support/testenv.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace windowtest;

namespace {

TEST(ProgramStartTest, MissingPrefixIsToldInOneSentenceAndNothingIsMade)
{
    const QString missing = testenv::makeTempDir(QStringLiteral("noprefix")) + u"/nothing-here"_s;
    const QByteArray saved = qgetenv("WINEPREFIX");
    qputenv("WINEPREFIX", QFile::encodeName(missing));
    FakeDesktop desktop;
    testenv::SeamGuard seams;
    seams.desktop(&desktop);
    testing::internal::CaptureStderr();
    const bool opened = mainwindow::openUsersPrefix();
    const std::string err = testing::internal::GetCapturedStderr();
    qputenv("WINEPREFIX", saved);

    EXPECT_FALSE(opened);
    EXPECT_FALSE(platform::prefixIsOpen());
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_FALSE(desktop.boxes[0].text.isEmpty());
    EXPECT_EQ(desktop.boxes[0].title, u"Velmora 2007"_s);
    EXPECT_EQ(err, desktop.boxes[0].text.toStdString() + "\n");
    EXPECT_FALSE(QFile::exists(missing));
}

// --- first state ----------------------------------------------------------------

TEST_F(FrmStartTest, LoadShowsTheMainPageWithItsTextsAndPlaces)
{
    EXPECT_EQ(window->windowTitle(), u"Velmora 2007 - Registry Cleaner"_s);
    EXPECT_FALSE(registryCleanerPage(*window)->isHidden());
    EXPECT_TRUE(window->findChild<PictureBox*>(u"PicScanning"_s)->isHidden());
    EXPECT_TRUE(showErrorPage(*window)->isHidden());
    EXPECT_TRUE(rescueCenterPage(*window)->isHidden());
    EXPECT_FALSE(window->findChild<QTimer*>(u"tmrRotateImage"_s)->isActive());
    EXPECT_EQ(panel(1), u""_s);
    EXPECT_EQ(panel(3), u""_s);
    EXPECT_EQ(menuStates(*window), u"FFFTTTFF"_s);
    const PictureButton buttons[] = {
        pictureButton(*window, "ImgScanNormal", "ImgScanMouseMove", "ImgScanClick"),
        pictureButton(*window, "ImgFindMissingFilesNormal", "ImgFindMissingFilesMouseMove", "ImgFindMissingFilesClick"),
        pictureButton(*window, "ImfFixProblemsNormal", "ImfFixProblemsMouseMove", "ImgFixProblemsClick"),
        pictureButton(*window, "ImgHelpNormal", "ImgHelpMouseMove", "ImgHelpClick"),
        pictureButton(*window, "ImgSupportNormal", "ImgSupportMoseMove", "ImgSupportClick"),
    };
    for (const PictureButton& b : buttons)
        EXPECT_EQ(b.state(), 0) << b.normal->objectName().toStdString();

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
        EXPECT_EQ(find<QLabel>(QLatin1String(name))->text(), QString::fromUtf8(text)) << name;

    // Places in twips inside their page.
    const std::tuple<const char*, int, int> places[] = {
        {"ImgScanNormal", 6195, 1665},     {"ImgFindMissingFilesClick", 6195, 2400}, {"ImfFixProblemsMouseMove", 6195, 3165},
        {"ImgHelpNormal", 3540, 5535},     {"ImgSupportMoseMove", 5415, 5535},       {"ImgCancelClick", 5355, 4290},
        {"ImgFixProblemsNormal2", 3795, 5880}, {"ImgReturnNormal", 5625, 5880},      {"ImgRestoringClick", 165, 525},
        {"ImgDeleteBackUpNormal", 165, 1020}, {"lblActiveX", 1290, 1800},            {"lblStartupProg", 4245, 3000},
        {"ChkFileTypes", 195, 2328},        {"lvwBackUp", 3060, 525},
    };
    for (const auto& [name, left, top] : places)
        EXPECT_EQ(find(QLatin1String(name))->pos(), QPoint(twips::px(left), twips::px(top))) << name;
    EXPECT_EQ(find(u"ImgScanNormal"_s)->size(), QSize(109, 24));
    EXPECT_EQ(find(u"ImgRestoreNormal"_s)->size(), QSize(170, 24));
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
    for (QLabel* counter : windowtest::sectionCounters(*window))
        counter->setText(u"99999"_s);
    window->findChild<QLabel*>(u"lblProblemsFound"_s)->setText(u"999999"_s);
    for (const QLabel* l : window->findChildren<QLabel*>())
        EXPECT_TRUE(textFits(l)) << l->objectName().toStdString() << ": " << l->text().toStdString();

    FrmNextMessageBox box;
    box.setProblemCount(1234567);
    for (const QLabel* l : box.findChildren<QLabel*>())
        EXPECT_TRUE(textFits(l)) << l->objectName().toStdString();

    for (const QWidget* page : {static_cast<QWidget*>(registryCleanerPage(*window)), window->findChild<QWidget*>(u"Picture10"_s),
                                static_cast<QWidget*>(window->findChild<PictureBox*>(u"PicScanning"_s)), static_cast<QWidget*>(showErrorPage(*window)),
                                static_cast<QWidget*>(rescueCenterPage(*window))}) {
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

// Each section's row, in the scan's order: its box on the section panel, its
// captions, its counter and the column of the marker.
TEST_F(FrmStartTest, SectionRowsCarryTheirBoxesCaptionsCountersAndMarkerColumns)
{
    const struct {
        const char* box;
        int boxTop;
        const char* caption;
        const char* counter;
        int counterLeft;
        int counterTop;
    } rows[9] = {
        {"ChkChosseSettingsActiveXProgramID", 630, "Active X Objects", "lblActiveX", 1290, 1800},
        {"ChkChosseSettingsApplicationPaths", 1196, "Application Paths", "lblApplicationPath", 1290, 2160},
        {"ChkeFilePathsAndHistory", 1762, "File paths and history list", "lblFilepathsandhistorylist", 1290, 2520},
        {"ChkFileTypes", 2328, "File Types", "lblFileTypes", 1290, 2880},
        {"ChkChosseSettingsInstalledHelpFiles", 2894, "Help Files", "lblHelpFiles", 4245, 1725},
        {"ChkChosseSettingsInstalledFiles", 3460, "Fonts", "lblFonts", 4245, 2070},
        {"ChkChosseSettingsSharedProgramFiles", 4026, "Shared Program Files", "lblSharedProgFiles", 4245, 2370},
        {"ChkStartupMenu", 4592, "Startup Menu", "lblStartupMenu", 4245, 2700},
        {"ChkChosseSettingsStartupPrograms", 5160, "Startup Programs", "lblStartupProg", 4245, 3000},
    };
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(rows[i].caption);
        EXPECT_EQ(sectionBoxes(*window)[i]->objectName(), QString::fromUtf8(rows[i].box));
        EXPECT_EQ(sectionBoxes(*window)[i]->pos(), QPoint(twips::px(195), twips::px(rows[i].boxTop)));
        EXPECT_EQ(find<QLabel>(u"lblSection%1"_s.arg(i + 1))->text(), QString::fromUtf8(rows[i].caption));
        EXPECT_EQ(find<QLabel>(u"lblScanSection%1"_s.arg(i + 1))->text(), QString::fromUtf8(rows[i].caption));
        EXPECT_EQ(windowtest::sectionCounters(*window)[i]->objectName(), QString::fromUtf8(rows[i].counter));
        EXPECT_EQ(windowtest::sectionCounters(*window)[i]->pos(), QPoint(twips::px(rows[i].counterLeft), twips::px(rows[i].counterTop)));
        EXPECT_EQ(windowtest::sectionCounters(*window)[i]->text(), u"0"_s);
        EXPECT_EQ(mainwindow::kSectionViews[i].markerLeft, i < 4 ? 990 : 3885);
    }
}

TEST_F(FrmStartTest, LoadOffersLoadScanResultsOnlyWhenTheResultsFileExists)
{
    ASSERT_TRUE(testenv::writeFile(programDir + u"/Scan.ocx"_s, "x"));
    FrmStart second;
    second.Form_Load();
    EXPECT_EQ(menuStates(second), u"TFFTTTFF"_s);
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
        EXPECT_EQ(window->findChild<QAction*>(QLatin1String(name))->text(), QString::fromUtf8(caption)) << name;
    const std::pair<QMenu*, QString> menus[] = {
        {find<QMenu>(u"mnuFile"_s), u"File"_s}, {find<QMenu>(u"mnuCleaning"_s), u"Cleaning"_s},
        {find<QMenu>(u"mnuView"_s), u"View"_s}, {find<QMenu>(u"mnuHelp"_s), u"Help"_s}};
    for (const auto& [menu, title] : menus)
        EXPECT_EQ(menu->title(), title);
    for (const char* line : {"mnuline1", "mnuline3", "mnuline4", "mnuline5"})
        EXPECT_TRUE(window->findChild<QAction*>(QLatin1String(line))->isSeparator()) << line;
    EXPECT_EQ(menuItem(*window, "mnuFileRegistryCleaner")->shortcut(), QKeySequence(u"Ctrl+C"_s));
    EXPECT_EQ(menuItem(*window, "mnuFileRescueCenter")->shortcut(), QKeySequence(u"Ctrl+R"_s));
    EXPECT_EQ(menuItem(*window, "mnuFileRegistryEditor")->shortcut(), QKeySequence(u"Ctrl+D"_s));
    EXPECT_TRUE(menuItem(*window, "mnuFileShowScanResultsonStartup")->isChecked());

    const QList<QAction*> tools = toolBar(*window)->actions();
    ASSERT_EQ(tools.size(), 5);
    EXPECT_EQ(tools[0]->toolTip(), u"Registry Cleaner   (Ctrl + C) "_s);
    EXPECT_TRUE(tools[1]->isSeparator());
    EXPECT_EQ(tools[2]->toolTip(), u"Rescue Center   (Ctrl + R)"_s);
    EXPECT_TRUE(tools[3]->isSeparator());
    EXPECT_EQ(tools[4]->toolTip(), u"Runs Windows Registry Editor (Ctrl + D)"_s);
}

// --- pages, menus and tool bar ----------------------------------------------------------

TEST_F(FrmStartTest, RegistryCleanerPageShowsTheCountOnlyWithProblemsListed)
{
    window->mnuFileRegistryCleaner_Click();
    EXPECT_EQ(panel(3), u""_s);
    window->lvwErrors().add(problem(u"Fonts"_s, u"a"_s, u"C:\\a.ttf"_s));
    window->findChild<QLabel*>(u"lblProblemsFound"_s)->setText(u"12"_s);
    window->SetPagesVisible(false, true);
    window->mnuFileRegistryCleaner_Click();
    EXPECT_EQ(panel(3), u" Problems Found  12"_s);
    EXPECT_FALSE(showErrorPage(*window)->isHidden()) << "the problem page stays as it was";
    EXPECT_FALSE(menuItem(*window, "mnuFileRegistryCleaner")->isEnabled());
    EXPECT_TRUE(menuItem(*window, "mnuFileRescueCenter")->isEnabled());
}

TEST_F(FrmStartTest, ToolBarPageButtonsWaitForTheScanButEveryPressIsHeard)
{
    // During a scan button 1 does nothing; Cancel lets it act at once, before
    // the scan has wound down.
    QAction* registryCleaner = toolBar(*window)->actions()[0];
    chooseOnly({5});
    const bool ran = duringScan([&] {
        registryCleanerPage(*window)->hide();
        registryCleaner->trigger();
        EXPECT_TRUE(registryCleanerPage(*window)->isHidden());
        registryCleanerPage(*window)->ImgCancelClick_MouseMove();
        registryCleaner->trigger();
        EXPECT_FALSE(registryCleanerPage(*window)->isHidden());
    });
    ASSERT_TRUE(ran);

    desktop.sounds.clear();
    QWidget* separator = toolBar(*window)->widgetForAction(toolBar(*window)->actions()[1]);
    ASSERT_NE(separator, nullptr);
    QTest::mousePress(separator, Qt::LeftButton);
    QTest::mousePress(toolBar(*window)->widgetForAction(toolBar(*window)->actions()[0]), Qt::LeftButton);
    EXPECT_EQ(desktop.sounds.size(), 2);
    EXPECT_TRUE(desktop.sounds[0].endsWith(u"/Alert.wav"_s));
}

TEST_F(FrmStartTest, RegistryEditorStartsRegeditOfTheWindowsFolderAlsoWhileScanning)
{
    QStringList started;
    seams.processStarter([&](const QString& program, const QStringList& args, const QStringList&) {
        started << program + u' ' + args.join(u' ');
        return true;
    });
    window->mnuFileRegistryEditor_Click();
    EXPECT_EQ(menuStates(*window), u"FFFTTTFF"_s) << "nothing else changes";
    chooseOnly({5});
    const bool ran = duringScan([&] {
        const QString menus = menuStates(*window);
        toolBar(*window)->actions()[4]->trigger();
        EXPECT_EQ(menuStates(*window), menus) << "nothing else changes";
    });
    ASSERT_TRUE(ran);
    if (QStandardPaths::findExecutable(u"wine"_s).isEmpty() && qEnvironmentVariable("CI") != u"true"_s)
        GTEST_SKIP() << "no wine to start the editor with";
    ASSERT_EQ(started.size(), 2);
    EXPECT_TRUE(started[0].contains(u"regedit.exe"_s, Qt::CaseInsensitive)) << started[0].toStdString();
    EXPECT_TRUE(started[0].contains(u"C:\\windows"_s, Qt::CaseInsensitive)) << started[0].toStdString();
    EXPECT_EQ(started[1], started[0]);
}

TEST_F(FrmStartTest, FindMissingFilesWithAnEmptyListOnlyTurnsItsMenuOff)
{
    menuItem(*window, "mnuCleaningFindMissingFiles")->setEnabled(true);
    window->mnuCleaningFindMissingFiles_Click();
    EXPECT_FALSE(menuItem(*window, "mnuCleaningFindMissingFiles")->isEnabled());
    EXPECT_EQ(desktop.sounds.size(), 1);

    window->lvwErrors().add(problem(u"Fonts"_s, u"a"_s, u"C:\\a.ttf"_s));
    window->mnuCleaningFindMissingFiles_Click();
    EXPECT_EQ(menuStates(*window), u"FTFTTTTT"_s);
    EXPECT_TRUE(window->findChild<PictureImage*>(u"ImgFindMissingFilesClick"_s)->isEnabled());
}

// --- the scan-complete box ------------------------------------------------------------------------

TEST(FrmNextMessageBoxTest, CarriesItsTextsAndNextCloses)
{
    FrmNextMessageBox box;
    auto* Label1 = testenv::control<QLabel>(box, "Label1");
    auto* Command1 = testenv::control<QPushButton>(box, "Command1");
    EXPECT_EQ(box.windowTitle(), u"Velmora 2007"_s);
    EXPECT_EQ(Label1->text(), u"In the next step you will have the option of reparing these problems."_s);
    EXPECT_EQ(Command1->text(), u"&Next"_s);
    box.show();
    Command1->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

}  // namespace
