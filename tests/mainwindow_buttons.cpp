// The picture buttons of the main window: hover, press and page resets, as
// handlers and through a real pointer.
#include "mainwindow/frmstart.h"
#include "mainwindow/problempage.h"
#include "mainwindow/registrycleanerpage.h"
#include "mainwindow/rescuecenterpage.h"
#include "tests/mainwindow_fixture.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace windowtest;

namespace {

// --- picture buttons ------------------------------------------------------------------

// One button of a page: its three pictures by name, the handlers of the
// page that owns it and the hints.
template <typename Page>
struct ButtonCase {
    const char* pictures[3];  // normal, hover, pressed
    void (Page::*hover)();
    void (Page::*press)();
    void (Page::*reset)();
    const char* hint;  // nullptr: panel 1 is left alone
    const char* resetHint;
};

TEST_F(FrmStartTest, EveryButtonGoesHoverPressedAndBackToNormal)
{
    // Hover, press and the page reset, each leaving its state and hint.
    const auto cycle = [this](auto& page, const auto& c) {
        const PictureButton b{find<PictureImage>(QLatin1String(c.pictures[0])), find<PictureImage>(QLatin1String(c.pictures[1])),
                              find<PictureImage>(QLatin1String(c.pictures[2]))};
        ASSERT_TRUE(b.normal && b.hover && b.pressed);
        SCOPED_TRACE(b.normal->objectName().toStdString());
        statusBar(*window)->setPanelText(1, u"before"_s);
        (page.*c.hover)();
        EXPECT_EQ(b.state(), 1);
        EXPECT_EQ(panel(1), QString::fromUtf8(c.hint ? c.hint : "before"));
        (page.*c.press)();
        EXPECT_EQ(b.state(), 2);
        (page.*c.reset)();
        EXPECT_EQ(b.state(), 0);
        EXPECT_EQ(panel(1), QString::fromUtf8(c.resetHint));
    };
    window->lvwErrors().add(problem(u"Fonts"_s, u"a"_s, u"C:\\a.ttf"_s));  // the two buttons that need problems
    const ButtonCase<RegistryCleanerPage> cases[] = {
        {{"ImgScanNormal", "ImgScanMouseMove", "ImgScanClick"}, &RegistryCleanerPage::ImgScanNormal_MouseMove,
         &RegistryCleanerPage::ImgScanMouseMove_MouseDown, &RegistryCleanerPage::PicRegistryCleaner_MouseMove,
         " Scan registry for invalid entires", ""},
        {{"ImgFindMissingFilesNormal", "ImgFindMissingFilesMouseMove", "ImgFindMissingFilesClick"},
         &RegistryCleanerPage::ImgFindMissingFilesNormal_MouseMove, &RegistryCleanerPage::ImgFindMissingFilesMouseMove_MouseDown,
         &RegistryCleanerPage::PicRegistryCleaner_MouseMove, " Find Missing Files", ""},
        {{"ImfFixProblemsNormal", "ImfFixProblemsMouseMove", "ImgFixProblemsClick"},
         &RegistryCleanerPage::ImfFixProblemsNormal_MouseMove, &RegistryCleanerPage::ImfFixProblemsMouseMove_MouseDown,
         &RegistryCleanerPage::PicRegistryCleaner_MouseMove, " Correct Invalid Registry Entries", ""},
        {{"ImgHelpNormal", "ImgHelpMouseMove", "ImgHelpClick"}, &RegistryCleanerPage::ImgHelpNormal_MouseMove,
         &RegistryCleanerPage::ImgHelpMouseMove_MouseDown, &RegistryCleanerPage::PicRegistryCleaner_MouseMove, " Read Program Help", ""},
        {{"ImgSupportNormal", "ImgSupportMoseMove", "ImgSupportClick"}, &RegistryCleanerPage::ImgSupportNormal_MouseMove,
         &RegistryCleanerPage::ImgSupportMoseMove_MouseDown, &RegistryCleanerPage::PicRegistryCleaner_MouseMove, " Get Online Support", ""},
        {{"ImgCancelNormal", "ImgCancelMouseMove", "ImgCancelClick"}, &RegistryCleanerPage::ImgCancelNormal_MouseMove,
         &RegistryCleanerPage::ImgCancelMouseMove_MouseDown, &RegistryCleanerPage::PicScanning_MouseMove, nullptr, " Scanning ..."},
    };
    RegistryCleanerPage* registryCleaner = find<RegistryCleanerPage>(u"PicRegistryCleaner"_s);
    ASSERT_NE(registryCleaner, nullptr);
    for (const ButtonCase<RegistryCleanerPage>& c : cases)
        cycle(*registryCleaner, c);

    const ButtonCase<ProblemPage> problemCases[] = {
        {{"ImgFixProblemsNormal2", "ImgFixProblemsMouseMove2", "ImgFixProblemsClick2"},
         &ProblemPage::ImgFixProblemsNormal2_MouseMove, &ProblemPage::ImgFixProblemsMouseMove2_MouseDown,
         &ProblemPage::PicShowError_MouseMove, " Correct Invalid Registry Entries", ""},
        {{"ImgReturnNormal", "ImgReturnMouseMove", "ImgReturnClick"}, &ProblemPage::ImgReturnNormal_MouseMove,
         &ProblemPage::ImgReturnMouseMove_MouseDown, &ProblemPage::PicShowError_MouseMove, " Return To Main Page", ""},
    };
    ProblemPage* problemPage = find<ProblemPage>(u"PicShowError"_s);
    ASSERT_NE(problemPage, nullptr);
    for (const ButtonCase<ProblemPage>& c : problemCases)
        cycle(*problemPage, c);

    const ButtonCase<RescueCenterPage> rescueCases[] = {
        {{"ImgRestoreNormal", "ImgRestoreMouseMove", "ImgRestoringClick"}, &RescueCenterPage::ImgRestoreNormal_MouseMove,
         &RescueCenterPage::ImgRestoreMouseMove_MouseDown, &RescueCenterPage::PicRescuCenter_MouseMove,
         " Restore from selected backup", ""},
        {{"ImgDeleteBackUpNormal", "ImgDeleteBackUpMouseMove", "ImgDeleteBackUpClick"},
         &RescueCenterPage::ImgDeleteBackUpNormal_MouseMove, &RescueCenterPage::ImgDeleteBackUpMouseMove_MouseDown,
         &RescueCenterPage::PicRescuCenter_MouseMove, " Delete the selected backup", ""},
    };
    RescueCenterPage* rescueCenter = find<RescueCenterPage>(u"PicRescuCenter"_s);
    ASSERT_NE(rescueCenter, nullptr);
    for (const ButtonCase<RescueCenterPage>& c : rescueCases)
        cycle(*rescueCenter, c);
    // The backup buttons also show the number of backups.
    EXPECT_EQ(panel(3), u"0 backup(s)"_s);
    EXPECT_TRUE(desktop.sounds.isEmpty());
}

TEST_F(FrmStartTest, FindAndFixButtonsIgnoreThePointerWhileNoProblemIsListed)
{
    registryCleanerPage(*window)->ImgFindMissingFilesNormal_MouseMove();
    registryCleanerPage(*window)->ImfFixProblemsNormal_MouseMove();
    EXPECT_EQ(windowtest::pictureButton(*window, "ImgFindMissingFilesNormal", "ImgFindMissingFilesMouseMove", "ImgFindMissingFilesClick").state(), 0);
    EXPECT_EQ(windowtest::pictureButton(*window, "ImfFixProblemsNormal", "ImfFixProblemsMouseMove", "ImgFixProblemsClick").state(), 0);
    EXPECT_EQ(panel(1), u""_s);
}

TEST_F(FrmStartTest, PageResetDoesNothingWhileScanning)
{
    chooseOnly({5});
    const bool ran = duringScan([&] {
        registryCleanerPage(*window)->ImgHelpNormal_MouseMove();
        registryCleanerPage(*window)->PicRegistryCleaner_MouseMove();
        EXPECT_EQ(windowtest::pictureButton(*window, "ImgHelpNormal", "ImgHelpMouseMove", "ImgHelpClick").state(), 1);
        EXPECT_EQ(panel(1), u" Read Program Help"_s);
    });
    ASSERT_TRUE(ran);
    // Once the scan is over the reset acts again.
    registryCleanerPage(*window)->ImgHelpNormal_MouseMove();
    registryCleanerPage(*window)->PicRegistryCleaner_MouseMove();
    EXPECT_EQ(windowtest::pictureButton(*window, "ImgHelpNormal", "ImgHelpMouseMove", "ImgHelpClick").state(), 0);
    EXPECT_EQ(panel(1), u""_s);
}

TEST_F(FrmStartTest, RealPointerRunsTheScanActionOnceAtTheFirstMoveAfterThePress)
{
    chooseOnly({});
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const PictureButton scan = pictureButton(*window, "ImgScanNormal", "ImgScanMouseMove", "ImgScanClick");

    QTest::mouseMove(scan.normal, QPoint(20, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan.state() == 1; }, 2000));
    EXPECT_EQ(panel(1), u" Scan registry for invalid entires"_s);

    QTest::mousePress(scan.hover, Qt::LeftButton, {}, QPoint(21, 10));
    EXPECT_EQ(scan.state(), 2);
    QTest::mouseRelease(scan.pressed, Qt::LeftButton, {}, QPoint(21, 10));
    EXPECT_TRUE(desktop.boxes.isEmpty()) << "a press alone runs nothing";

    QTest::mouseMove(scan.pressed, QPoint(25, 12));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop.boxes.isEmpty(); }, 2000));
    QTest::mouseMove(window->findChild<PictureImage*>(u"ImgScanNormal"_s), QPoint(26, 12));
    QCoreApplication::processEvents();
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].text, u"Please select the Section you want to scan."_s);
    EXPECT_EQ(desktop.boxes[0].style, 64);
    EXPECT_EQ(desktop.boxes[0].title, u"Velmora 2007"_s);
    EXPECT_TRUE(scan.pressed->isEnabled());

    // Moving over the page background puts the button back.
    QTest::mouseMove(registryCleanerPage(*window), QPoint(690, 400));
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan.state() == 0; }, 2000));
    EXPECT_EQ(panel(1), u""_s);
}

}  // namespace
