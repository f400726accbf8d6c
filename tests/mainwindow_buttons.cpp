// The picture buttons of the main window: hover, press and page resets, as
// handlers and through a real pointer.
#include "mainwindow/frmstart.h"
#include "tests/mainwindow_fixture.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace windowtest;

namespace {

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
    chooseOnly({5});
    const bool ran = duringScan([&] {
        window->ImgHelpNormal_MouseMove();
        window->PicRegistryCleaner_MouseMove();
        EXPECT_EQ(window->btnHelp.state(), 1);
        EXPECT_EQ(panel(1), " Read Program Help");
    });
    ASSERT_TRUE(ran);
    // Once the scan is over the reset acts again.
    window->ImgHelpNormal_MouseMove();
    window->PicRegistryCleaner_MouseMove();
    EXPECT_EQ(window->btnHelp.state(), 0);
    EXPECT_EQ(panel(1), "");
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

}  // namespace
