// The problem page: the visible rows built from the hidden list, check
// boxes carried back by content, and the pointer over the list.
#include "mainwindow/frmstart.h"
#include "mainwindow/pictures.h"
#include "mainwindow/problempage.h"
#include "tests/mainwindow_fixture.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace windowtest;

namespace {

// --- problem list ----------------------------------------------------------------------------

TEST_F(FrmStartTest, FillBuildsTheVisibleRowsAndChecksCarryToHiddenRowsByContent)
{
    engine::ProblemList& hidden = window->lvwErrors();
    hidden.add(problem(u"File Types"_s, u"x"_s, u"C:\\x.exe"_s));         // no picture of its own, first row: none
    hidden.add(problem(u"Active X Objects"_s, u"(Default)"_s, u"C:\\a.dll"_s));
    hidden.add(problem(u"File Types"_s, u"v"_s, u"C:\\b.exe"_s));         // keeps the picture of the row before
    hidden.add(problem(u" help files "_s, u"h"_s, u"C:\\h.hlp"_s));       // case and blanks do not matter
    hidden.add(problem(u"Fonts"_s, u"F"_s, u"   "_s));
    hidden.add(problem(u"Fonts"_s, u"dup"_s, u"C:\\d.ttf"_s, u"K1"_s));
    hidden.add(problem(u"Fonts"_s, u"DUP "_s, u"c:\\d.ttf"_s, u"K2"_s));
    for (int i = 1; i <= hidden.count(); ++i)
        hidden.row(i).Checked = false;

    showErrorPage(*window)->FillProblemList();
    QTreeWidget* list = find<QTreeWidget>(u"lvwProblem"_s);
    ASSERT_EQ(list->topLevelItemCount(), 7);
    EXPECT_EQ(find<QLabel>(u"lblShowProblems"_s)->text(), u"All Errors : 7  Problems Detected  (7 selected for Fixing)"_s);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(list->topLevelItem(i)->checkState(0), Qt::Checked);
        EXPECT_TRUE(hidden.row(i + 1).Checked);
    }
    EXPECT_TRUE(list->topLevelItem(0)->icon(0).isNull());
    const auto iconOf = [&](int i) { return list->topLevelItem(i)->icon(0).pixmap(22, 22); };
    EXPECT_TRUE(sameImage(iconOf(1), pictures::picture(u"Section1"_s)));
    EXPECT_TRUE(sameImage(iconOf(2), pictures::picture(u"Section1"_s)));
    EXPECT_TRUE(sameImage(iconOf(3), pictures::picture(u"Section5"_s)));
    EXPECT_TRUE(sameImage(iconOf(4), pictures::picture(u"Section6"_s)));
    EXPECT_EQ(list->topLevelItem(1)->text(1), u" Invalid File Path"_s);
    EXPECT_EQ(list->topLevelItem(4)->text(1), u" Invalid Key Name"_s);
    EXPECT_EQ(list->topLevelItem(1)->text(2), u"(Default)"_s) << "the Key Path column shows the value name";
    EXPECT_EQ(list->topLevelItem(1)->text(3), u"C:\\a.dll"_s);

    list->topLevelItem(6)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(hidden.row(6).Checked);
    EXPECT_FALSE(hidden.row(7).Checked);
    EXPECT_TRUE(hidden.row(5).Checked);
    EXPECT_EQ(find<QLabel>(u"lblShowProblems"_s)->text(), u"All Errors : 7 Problems Detected  (6 selected for Fixing)"_s);
    list->topLevelItem(6)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(hidden.row(6).Checked);
    EXPECT_TRUE(hidden.row(7).Checked);

    // Visible rows the hidden list no longer has still toggle safely.
    hidden.remove(1);
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(find<QLabel>(u"lblShowProblems"_s)->text(), u"All Errors : 6 Problems Detected  (6 selected for Fixing)"_s);
}

TEST_F(FrmStartTest, EachSectionsRowsGetTheirPictureOrKeepTheOneBefore)
{
    const struct {
        const char* section;
        const char* picture;  // after a row of Active X Objects
    } cases[] = {
        {"Application Paths", "Section2"},
        {"File paths and history list", "Section4"},
        {"Help Files", "Section5"},
        {"FONTS", "Section6"},
        {"Shared Program Files", "Section7"},
        {"Startup Programs ", "Section9"},
        {"File Types", "Section1"},
        {"Startup Menu", "Section1"},
        {"Installed Sound Files", "Section1"},
        {"None", "Section1"},
    };
    engine::ProblemList& hidden = window->lvwErrors();
    for (const auto& c : cases) {
        hidden.clear();
        hidden.add(problem(u"Active X Objects"_s, u"a"_s, u"C:\\a.dll"_s));
        hidden.add(problem(QLatin1String(c.section), u"b"_s, u"C:\\b.dll"_s));
        showErrorPage(*window)->FillProblemList();
        const QTreeWidget* list = find<QTreeWidget>(u"lvwProblem"_s);
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_TRUE(sameImage(list->topLevelItem(1)->icon(0).pixmap(22, 22), pictures::picture(QLatin1String(c.picture))))
            << c.section;
    }
}

TEST_F(FrmStartTest, PointerOverTheProblemListResetsTheFixButton)
{
    const PictureButton fix{find<PictureImage>(u"ImgFixProblemsNormal2"_s), find<PictureImage>(u"ImgFixProblemsMouseMove2"_s),
                            find<PictureImage>(u"ImgFixProblemsClick2"_s)};
    showErrorPage(*window)->ImgFixProblemsNormal2_MouseMove();
    showErrorPage(*window)->lvwProblem_MouseMove();
    EXPECT_EQ(fix.state(), 0);
    EXPECT_EQ(panel(1), u""_s);
}

// --- the page and its frame -------------------------------------------------------------------------

// The window around the page, as the page sees it: its own hidden list, the
// status texts it is given, whether other work runs, and what it was asked.
class RecordingProblemFrame : public ProblemPageFrame {
public:
    virtual ~RecordingProblemFrame() = default;
    void setStatusText(int panel, const QString& text) override { panels[panel] = text; }
    bool listWorkRunning() const override { return busy; }
    void pumpMessages() override { QCoreApplication::processEvents(); }
    engine::ProblemList& problemRows() override { return rows; }
    bool scanActionRunning() const override { return scanning; }
    void holdCommands(bool held) override { asked << (held ? u"hold"_s : u"release"_s); }
    bool resultsOnStartup() const override { return true; }
    void saveScanResults() override { asked << u"save"_s; }
    void enableLoadScanResults() override { asked << u"load on"_s; }
    void showMainPage() override { asked << u"main page"_s; }

    engine::ProblemList rows;
    QMap<int, QString> panels;
    QStringList asked;
    bool busy = false;
    bool scanning = false;
};

TEST_F(FrmStartTest, OnItsOwnTheProblemPageShowsItsFramesRowsAndHoldsBackWhileOtherWorkRuns)
{
    RecordingProblemFrame frame;
    frame.rows.add(problem(u"Fonts"_s, u"a"_s, u"C:\\a.ttf"_s));
    frame.rows.add(problem(u"Help Files"_s, u"b"_s, u"C:\\b.hlp"_s));
    ProblemPage page(frame);
    EXPECT_EQ(page.objectName(), u"PicShowError"_s);
    page.FillProblemList();
    auto* list = page.findChild<QTreeWidget*>(u"lvwProblem"_s);
    auto* selection = page.findChild<QLabel*>(u"lblShowProblems"_s);
    ASSERT_TRUE(list && selection);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(selection->text(), u"All Errors : 2  Problems Detected  (2 selected for Fixing)"_s);
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(frame.rows.row(1).Checked);
    EXPECT_EQ(selection->text(), u"All Errors : 2 Problems Detected  (1 selected for Fixing)"_s);

    page.ImgReturnNormal_MouseMove();
    EXPECT_EQ(frame.panels.value(1), u" Return To Main Page"_s);
    page.PicShowError_MouseMove();
    EXPECT_EQ(frame.panels.value(1), u""_s);

    // Neither button acts while the frame's list work runs, nor Fix while a
    // scan lists its rows.
    desktop.sounds.clear();
    frame.busy = true;
    page.ImgFixProblemsClick2_MouseMove();
    page.ImgReturnClick_MouseMove();
    frame.busy = false;
    frame.scanning = true;
    page.ImgFixProblemsClick2_MouseMove();
    EXPECT_TRUE(frame.asked.isEmpty());
    EXPECT_TRUE(desktop.boxes.isEmpty());
    EXPECT_TRUE(desktop.sounds.isEmpty());
    EXPECT_EQ(frame.rows.count(), 2);
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_FALSE(page.fixRunning());

    // Return saves the results for the next start, offers their load and
    // leaves the page; the rows stay.
    frame.scanning = false;
    page.ImgReturnClick_MouseMove();
    EXPECT_EQ(frame.asked, QStringList({u"save"_s, u"load on"_s, u"main page"_s}));
    EXPECT_EQ(frame.rows.count(), 2);
}

}  // namespace
