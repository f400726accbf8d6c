// Help and support: the picture buttons and the Help menu open the program's
// own help page or its parts through the desktop's browser (answered here,
// no browser starts), the About box with its link, and the page itself as
// the build puts it beside the program.
#include "engine/services.h"
#include "mainwindow/frmabout.h"
#include "mainwindow/frmstart.h"
#include "platform/shell.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/namedcontrol.h"
#include "tests/support/testenv.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace windowtest;

namespace {

// The desktop names a browser of its own for web pages; what would be
// started is recorded instead.
class FrmStartHelp : public FrmStartTest {
protected:
    void SetUp() override
    {
        FrmStartTest::SetUp();
        const QString apps = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
        ASSERT_TRUE(testenv::writeFile(apps + QStringLiteral("/velmora-testbrowser.desktop"),
                                       "[Desktop Entry]\nType=Application\nName=Test\nExec=testbrowser %u\n"));
        seams.defaultAppQuery([](const QString&) { return QStringLiteral("velmora-testbrowser.desktop"); });
        seams.processStarter([this](const QString& program, const QStringList& args, const QStringList&) {
            EXPECT_EQ(program, u"testbrowser"_s);
            opened += args;
            return true;
        });
    }
    // The help page of the program folder, with a section.
    QString page(const QString& section = QString()) const
    {
        QUrl url = QUrl::fromLocalFile(programDir + QStringLiteral("/help.htm"));
        if (!section.isEmpty())
            url.setFragment(section);
        return url.toString(QUrl::FullyEncoded);
    }
    QStringList opened;
};

TEST_F(FrmStartHelp, EachCommandOpensItsPage)
{
    struct Case {
        const char* name;
        std::function<void(FrmStart&)> run;
        const char* section;
        bool sound;
    };
    const Case cases[] = {
        {"Help button", [](FrmStart& w) { registryCleanerPage(w)->ImgHelpClick_MouseMove(); }, "contents", true},
        {"Support button", [](FrmStart& w) { registryCleanerPage(w)->ImgSupportClick_MouseMove(); }, "support", true},
        {"Help menu", [](FrmStart& w) { menuItem(w, "mnuHelpVelmora")->trigger(); }, "contents", false},
        {"Website menu", [](FrmStart& w) { menuItem(w, "mnuHelpVelmoraWebsite")->trigger(); }, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        opened.clear();
        desktop.sounds.clear();
        c.run(*window);
        EXPECT_EQ(opened, QStringList{page(QLatin1String(c.section))});
        EXPECT_EQ(desktop.sounds.size(), c.sound ? 1 : 0);
        EXPECT_TRUE(desktop.boxes.isEmpty());
        EXPECT_TRUE(desktop.modals.isEmpty());
    }
}

TEST_F(FrmStartHelp, PictureButtonsPutThePageBackBeforeOpening)
{
    struct Case {
        const char* pictures[3];  // normal, hover, pressed
        void (RegistryCleanerPage::*hover)();
        void (RegistryCleanerPage::*press)();
        void (RegistryCleanerPage::*action)();
    };
    const Case cases[] = {
        {{"ImgHelpNormal", "ImgHelpMouseMove", "ImgHelpClick"}, &RegistryCleanerPage::ImgHelpNormal_MouseMove,
         &RegistryCleanerPage::ImgHelpMouseMove_MouseDown, &RegistryCleanerPage::ImgHelpClick_MouseMove},
        {{"ImgSupportNormal", "ImgSupportMoseMove", "ImgSupportClick"}, &RegistryCleanerPage::ImgSupportNormal_MouseMove,
         &RegistryCleanerPage::ImgSupportMoseMove_MouseDown, &RegistryCleanerPage::ImgSupportClick_MouseMove},
    };
    for (const Case& c : cases) {
        RegistryCleanerPage& w = *registryCleanerPage(*window);
        const PictureButton button = windowtest::pictureButton(*window, c.pictures[0], c.pictures[1], c.pictures[2]);
        (w.*c.hover)();
        (w.*c.press)();
        ASSERT_EQ(button.state(), 2);
        (w.*c.action)();
        EXPECT_EQ(button.state(), 0);
        EXPECT_EQ(panel(1), u""_s);
        EXPECT_TRUE(button.normal->isEnabled());
    }
    EXPECT_EQ(opened.size(), 2);
}

TEST_F(FrmStartHelp, AboutBoxShowsItsTextsAndItsLinkOpensTheHomePage)
{
    int finished = 0;
    desktop.onModal = [&](QDialog& box) {
        QObject::connect(&box, &QDialog::finished, [&] { ++finished; });
        auto* link = box.findChild<QLabel*>(u"lblWebsite"_s);
        ASSERT_NE(link, nullptr);
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(opened, QStringList{page()});
        EXPECT_EQ(finished, 0) << "the box stays open";
        // A press that leaves the link before it is let go opens nothing.
        QTest::mousePress(link, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(link->width() + 20, 5));
        EXPECT_EQ(opened.size(), 1);
        box.reject();  // its close box
    };
    menuItem(*window, "mnuHelpAboutVelmora")->trigger();

    ASSERT_EQ(desktop.modals.size(), 1);
    const FakeDesktop::Modal& about = desktop.modals[0];
    EXPECT_EQ(about.name, u"FrmAbout"_s);
    EXPECT_EQ(about.title, u" About"_s);
    EXPECT_EQ(about.texts.value(u"Label1"_s), u"Velmora 2007"_s);
    EXPECT_EQ(about.texts.value(u"lblWebsite"_s), u"Velmora 2007 Website"_s);
    EXPECT_FALSE(about.texts.value(u"Label2"_s).isEmpty());
    EXPECT_FALSE(about.texts.value(u"Label3"_s).isEmpty());
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(desktop.sounds.isEmpty());
}

TEST(FrmAboutTest, LooksAsDesigned)
{
    QObject mainWindow;
    FrmAbout about(&mainWindow);
    auto* Image1 = testenv::control<QLabel>(about, "Image1");
    auto* Label1 = testenv::control<QLabel>(about, "Label1");
    auto* lblWebsite = testenv::control<QLabel>(about, "lblWebsite");
    auto* Label3 = testenv::control<QLabel>(about, "Label3");
    EXPECT_EQ(about.size(), QSize(499, 311));  // 7485 x 4665 twips
    EXPECT_EQ(about.parent(), nullptr);
    EXPECT_TRUE(about.isModal());
    EXPECT_EQ(about.palette().color(QPalette::Window), QColor(0xF8, 0xF8, 0xF8));
    EXPECT_EQ(Image1->pixmap().size(), QSize(499, 64));
    EXPECT_EQ(Image1->pos(), QPoint(0, 0));
    EXPECT_TRUE(Label1->font().bold());
    EXPECT_TRUE(lblWebsite->font().underline());
    EXPECT_EQ(lblWebsite->palette().color(QPalette::WindowText), QColor(48, 91, 165));
    EXPECT_EQ(Label3->geometry(), QRect(19, 255, 479, 92));
    EXPECT_EQ(Label3->font().pointSize(), 9);
    // The whole legal text fits inside the window, wrapped at its label's width.
    const QRect needed = Label3->fontMetrics().boundingRect(
        QRect(0, 0, Label3->width(), 1000), Qt::TextWordWrap, Label3->text());
    EXPECT_LE(Label3->y() + needed.height(), about.height());
}

TEST_F(FrmStartHelp, DuringAScanAboutDoesNothingAndTheWebItemsWork)
{
    const bool ran = duringScan([&] {
        menuItem(*window, "mnuHelpAboutVelmora")->trigger();
        menuItem(*window, "mnuHelpVelmoraWebsite")->trigger();
        menuItem(*window, "mnuHelpVelmora")->trigger();
    });
    ASSERT_TRUE(ran);
    EXPECT_EQ(opened, (QStringList{page(), page(u"contents"_s)}));
    ASSERT_EQ(desktop.modals.size(), 1);
    EXPECT_EQ(desktop.modals[0].name, u"FrmNextMessageBox"_s) << "no About box during the scan";

    menuItem(*window, "mnuHelpAboutVelmora")->trigger();
    ASSERT_EQ(desktop.modals.size(), 2);
    EXPECT_EQ(desktop.modals[1].name, u"FrmAbout"_s);
}

// The page the build puts beside the program, with the sections the program's
// addresses name and the places it tells of.
TEST(HelpPageTest, StandsBesideTheProgramWithItsSections)
{
    QFile file(QStringLiteral(VELMORA_BUILD_DIR "/app/") + engine::HelpPageFileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QString html = QString::fromUtf8(file.readAll());
    for (const char* section : {"contents", "support"})
        EXPECT_TRUE(html.contains(QStringLiteral("id=\"%1\"").arg(QLatin1String(section)))) << section;
    // Every link inside the page leads to a section that is there.
    static const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    for (const QRegularExpressionMatch& m : link.globalMatch(html))
        EXPECT_TRUE(html.contains(QStringLiteral("id=\"%1\"").arg(m.captured(1)))) << m.captured(1).toStdString();
    for (const char* told : {"Restore", "Scan.ocx", "Velmora 2007.ini", "ShowError", "Rescue Center",
                             "Find Missing Files", "CurrentVersion\\Run"})
        EXPECT_TRUE(html.contains(QLatin1String(told))) << told;
}

}  // namespace
