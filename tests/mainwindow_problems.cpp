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

using namespace windowtest;

namespace {

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

    window->PicShowError->FillProblemList();
    QTreeWidget* list = find<QTreeWidget>("lvwProblem");
    ASSERT_EQ(list->topLevelItemCount(), 7);
    EXPECT_EQ(find<QLabel>("lblShowProblems")->text(), "All Errors : 7  Problems Detected  (7 selected for Fixing)");
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
    EXPECT_EQ(find<QLabel>("lblShowProblems")->text(), "All Errors : 7 Problems Detected  (6 selected for Fixing)");
    list->topLevelItem(6)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(hidden.row(6).Checked);
    EXPECT_TRUE(hidden.row(7).Checked);

    // Visible rows the hidden list no longer has still toggle safely.
    hidden.remove(1);
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(find<QLabel>("lblShowProblems")->text(), "All Errors : 6 Problems Detected  (6 selected for Fixing)");
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
        hidden.add(problem("Active X Objects", "a", "C:\a.dll"));
        hidden.add(problem(c.section, "b", "C:\b.dll"));
        window->PicShowError->FillProblemList();
        const QTreeWidget* list = find<QTreeWidget>("lvwProblem");
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_TRUE(sameImage(list->topLevelItem(1)->icon(0).pixmap(22, 22), pictures::picture(c.picture)))
            << c.section;
    }
}

TEST_F(FrmStartTest, PointerOverTheProblemListResetsTheFixButton)
{
    const PictureButton fix{find<PictureImage>("ImgFixProblemsNormal2"), find<PictureImage>("ImgFixProblemsMouseMove2"),
                            find<PictureImage>("ImgFixProblemsClick2")};
    window->PicShowError->ImgFixProblemsNormal2_MouseMove();
    window->PicShowError->lvwProblem_MouseMove();
    EXPECT_EQ(fix.state(), 0);
    EXPECT_EQ(panel(1), "");
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
    void holdCommands(bool held) override { asked << (held ? "hold" : "release"); }
    bool resultsOnStartup() const override { return true; }
    void saveScanResults() override { asked << "save"; }
    void enableLoadScanResults() override { asked << "load on"; }
    void showMainPage() override { asked << "main page"; }

    engine::ProblemList rows;
    QMap<int, QString> panels;
    QStringList asked;
    bool busy = false;
    bool scanning = false;
};

TEST_F(FrmStartTest, OnItsOwnTheProblemPageShowsItsFramesRowsAndHoldsBackWhileOtherWorkRuns)
{
    RecordingProblemFrame frame;
    frame.rows.add(problem("Fonts", "a", "C:\\a.ttf"));
    frame.rows.add(problem("Help Files", "b", "C:\\b.hlp"));
    ProblemPage page(frame);
    EXPECT_EQ(page.objectName(), "PicShowError");
    page.FillProblemList();
    auto* list = page.findChild<QTreeWidget*>("lvwProblem");
    auto* selection = page.findChild<QLabel*>("lblShowProblems");
    ASSERT_TRUE(list && selection);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(selection->text(), "All Errors : 2  Problems Detected  (2 selected for Fixing)");
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(frame.rows.row(1).Checked);
    EXPECT_EQ(selection->text(), "All Errors : 2 Problems Detected  (1 selected for Fixing)");

    page.ImgReturnNormal_MouseMove();
    EXPECT_EQ(frame.panels.value(1), " Return To Main Page");
    page.PicShowError_MouseMove();
    EXPECT_EQ(frame.panels.value(1), "");

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
    EXPECT_EQ(frame.asked, QStringList({"save", "load on", "main page"}));
    EXPECT_EQ(frame.rows.count(), 2);
}

}  // namespace
