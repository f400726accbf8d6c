// The scan of the small hand-made prefix through the main window: counters,
// marker, status texts, cancel and close at every kind of moment, the
// scan-complete box answered through the desktop seam, and the busy
// animation on the window timing scale.
#include "engine/scandriver.h"
#include "engine/scanwalk.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/timing.h"
#include "mainwindow/windowstate.h"
#include "platform/prefix.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/fakewineserver.h"
#include "tests/support/testenv.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace windowtest;

namespace {

// --- scan ---------------------------------------------------------------------------

TEST_F(FrmStartTest, WholeScanCountsEverySectionAndListsTheProblemsChecked)
{
    QString atStart;
    bool sawScanningPage = false;
    window->setPump([&] {
        if (atStart.isEmpty()) {
            atStart = menuStates(*window);
            sawScanningPage = !window->findChild<PictureBox*>(u"PicScanning"_s)->isHidden() && window->scanning() && !find<PictureBox>(u"Picture10"_s)->isEnabled()
                              && window->findChild<QTimer*>(u"tmrRotateImage"_s)->isActive() && panel(1) == u" Scanning ..."_s;
        }
        QCoreApplication::processEvents();
    });
    QString atBox;
    const QString text = scanAndAnswer([&] { atBox = menuStates(*window); });

    // All eight off, then the driver offers Save Scan Results at once.
    EXPECT_EQ(atStart, u"FTFFFFFF"_s);
    EXPECT_TRUE(sawScanningPage);
    EXPECT_EQ(atBox, u"TTFTTTTT"_s);
    EXPECT_EQ(text, u"Scanning is complete : %1 problems found."_s.arg(windowtest::kFixtureProblems));
    const FakeDesktop::Modal& box = desktop.modals.last();
    EXPECT_EQ(box.title, u"Velmora 2007"_s);
    EXPECT_EQ(box.texts.value(u"Label1"_s), u"In the next step you will have the option of reparing these problems."_s);
    EXPECT_EQ(box.texts.value(u"Command1"_s), u"&Next"_s);

    QStringList expected;
    for (const char* c : windowtest::kFixtureCounters)
        expected << QLatin1String(c);
    EXPECT_EQ(counters(), expected);
    EXPECT_EQ(window->findChild<QLabel*>(u"lblProblemsFound"_s)->text(), QString::number(windowtest::kFixtureProblems));
    // Panel 3 was last written after section 8, before the Startup Programs rows.
    EXPECT_EQ(panel(3), u" Problems Found  6"_s);
    EXPECT_EQ(panel(1), u""_s);
    EXPECT_TRUE(markerAtSection(8));
    EXPECT_FALSE(window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->text().isEmpty());

    EXPECT_FALSE(window->scanning());
    EXPECT_TRUE(find<PictureBox>(u"Picture10"_s)->isEnabled());
    EXPECT_FALSE(window->findChild<QTimer*>(u"tmrRotateImage"_s)->isActive());
    EXPECT_TRUE(window->findChild<PictureBox*>(u"PicScanning"_s)->isHidden());
    EXPECT_FALSE(showErrorPage(*window)->isHidden());
    EXPECT_EQ(menuStates(*window), u"TTFTTTTT"_s);
    EXPECT_TRUE(window->findChild<PictureImage*>(u"ImgScanClick"_s)->isEnabled());

    ASSERT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItemCount(), windowtest::kFixtureProblems);
    for (int i = 0; i < windowtest::kFixtureProblems; ++i) {
        const engine::ProblemRow& hidden = window->lvwErrors().row(i + 1);
        const QTreeWidgetItem* item = find<QTreeWidget>(u"lvwProblem"_s)->topLevelItem(i);
        EXPECT_EQ(item->checkState(0), Qt::Checked);
        EXPECT_TRUE(hidden.Checked);
        EXPECT_EQ(item->text(0), hidden.RegistryScanners);
        EXPECT_EQ(item->text(3), hidden.KeyValue);
    }
    EXPECT_EQ(find<QLabel>(u"lblShowProblems"_s)->text(), u"All Errors : 8  Problems Detected  (8 selected for Fixing)"_s);
    EXPECT_FALSE(desktop.sounds.isEmpty());
}

TEST_F(FrmStartTest, ScanFindingNothingLeavesFixProblemsOff)
{
    chooseOnly({7});  // "Startup Menu": walked, never judged
    window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->setText(u"before"_s);
    const QString text = scanAndAnswer();
    EXPECT_EQ(text, u"Scanning is complete : 0 problems found."_s);
    EXPECT_EQ(menuStates(*window), u"TTFTTTTF"_s);
    EXPECT_EQ(windowtest::sectionCounters(*window)[7]->text(), u"0"_s);
    EXPECT_TRUE(markerAtSection(7));
    EXPECT_NE(window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->text(), u"before"_s) << "its App Paths walk shows the keys";
    EXPECT_FALSE(showErrorPage(*window)->isHidden());
    EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItemCount(), 0);
}

TEST_F(FrmStartTest, OnlyStartupProgramsKeepsPanelThreeAtTheTotalBeforeIt)
{
    chooseOnly({8});
    sectionBoxes(*window)[0]->setCheckState(Qt::PartiallyChecked);  // a grayed box is not chosen
    scanAndAnswer();
    EXPECT_EQ(windowtest::sectionCounters(*window)[8]->text(), u"2"_s);
    EXPECT_EQ(windowtest::sectionCounters(*window)[0]->text(), u"0"_s);
    EXPECT_EQ(window->findChild<QLabel*>(u"lblProblemsFound"_s)->text(), u"2"_s);
    EXPECT_EQ(panel(3), u" Problems Found  0"_s);
}

TEST_F(FrmStartTest, ValuesWalksLeaveTheScanPositionAlone)
{
    chooseOnly({5});  // Fonts
    window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->setText(u"before"_s);
    scanAndAnswer();
    EXPECT_EQ(window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->text(), u"before"_s);
    EXPECT_EQ(windowtest::sectionCounters(*window)[5]->text(), u"1"_s);
}

TEST_F(FrmStartTest, NoSectionChosenOnlyTellsSoAndKeepsTheOldResults)
{
    window->lvwErrors().add(problem(u"Fonts"_s, u"a"_s, u"C:\\a.ttf"_s));
    windowtest::sectionCounters(*window)[5]->setText(u"1"_s);
    window->findChild<QLabel*>(u"lblProblemsFound"_s)->setText(u"1"_s);
    chooseOnly({});
    registryCleanerPage(*window)->ImgScanClick_MouseMove();
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].text, u"Please select the Section you want to scan."_s);
    EXPECT_EQ(window->lvwErrors().count(), 1);
    EXPECT_EQ(windowtest::sectionCounters(*window)[5]->text(), u"1"_s);
    EXPECT_EQ(window->findChild<QLabel*>(u"lblProblemsFound"_s)->text(), u"1"_s);
    EXPECT_TRUE(window->findChild<PictureBox*>(u"PicScanning"_s)->isHidden());
    EXPECT_EQ(menuStates(*window), u"FFFTTTFF"_s);
    EXPECT_TRUE(window->findChild<PictureImage*>(u"ImgScanClick"_s)->isEnabled());
}

TEST_F(FrmStartTest, BesideARunningWineServerTheScanOnlySaysSo)
{
    // A running server holds keys it has not written yet: a scan of the
    // files would miss what was just added and report what was just removed.
    const struct {
        const char* name;
        std::initializer_list<int> sections;
        const char* says;  // the one box shown
    } cases[] = {
        {"a section chosen", {0, 5}, "A Wine program is running on the prefix"},
        {"no section chosen", {}, "Please select the Section you want to scan."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reopenWindow();
        desktop.boxes.clear();
        desktop.modals.clear();
        window->lvwErrors().add(problem(u"Fonts"_s, u"a"_s, u"C:\\a.ttf"_s));
        windowtest::sectionCounters(*window)[5]->setText(u"1"_s);
        window->findChild<QLabel*>(u"lblProblemsFound"_s)->setText(u"1"_s);
        window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->setText(u"before"_s);
        chooseOnly(c.sections);
        testenv::FakeWineServer server(prefixDir);
        ASSERT_TRUE(server.locked());
        const QString menusBefore = menuStates(*window);

        window->mnuCleaningScanRegitry_Click();
        ASSERT_EQ(desktop.boxes.size(), 1);
        EXPECT_TRUE(desktop.boxes[0].text.startsWith(QLatin1String(c.says))) << desktop.boxes[0].text.toStdString();
        if (c.sections.size() > 0) {
            EXPECT_EQ(desktop.boxes[0].text, platform::whyChangesCannotBeKept()) << "the fix's own sentence";
            EXPECT_EQ(desktop.boxes[0].style, 64) << "the style of every registry refusal";
        }
        EXPECT_TRUE(desktop.modals.isEmpty()) << "no scan-complete box";
        EXPECT_EQ(window->lvwErrors().count(), 1);
        EXPECT_EQ(windowtest::sectionCounters(*window)[5]->text(), u"1"_s);
        EXPECT_EQ(window->findChild<QLabel*>(u"lblProblemsFound"_s)->text(), u"1"_s);
        EXPECT_EQ(window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->text(), u"before"_s);
        EXPECT_TRUE(window->findChild<PictureBox*>(u"PicScanning"_s)->isHidden());
        EXPECT_TRUE(showErrorPage(*window)->isHidden());
        EXPECT_EQ(menuStates(*window), menusBefore);
        EXPECT_FALSE(window->scanning());
        EXPECT_TRUE(find<PictureBox>(u"Picture10"_s)->isEnabled());
        EXPECT_TRUE(window->findChild<PictureImage*>(u"ImgScanClick"_s)->isEnabled());

        // Once the server has gone the same Scan runs.
        server.release();
        if (c.sections.size() > 0) {
            EXPECT_EQ(scanAndAnswer(), u"Scanning is complete : 2 problems found."_s);
        }
    }
}

TEST_F(FrmStartTest, ScanClearsTheResultsLoadedFlag)
{
    mainwindow::bResultsLoaded = true;
    chooseOnly({5});
    scanAndAnswer();
    EXPECT_FALSE(mainwindow::bResultsLoaded);
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
        reopenWindow();
        bool cancelled = false;
        window->setPump([&] {
            if (!cancelled && window->scanning() && markerAtSection(c.section)) {
                cancelled = true;
                registryCleanerPage(*window)->ImgCancelClick_MouseMove();
            }
            QCoreApplication::processEvents();
        });
        const QString text = scanAndAnswer();
        ASSERT_TRUE(cancelled);

        const int rows = window->lvwErrors().count();
        EXPECT_EQ(text, u"Scanning is complete : %1 problems found."_s.arg(rows));
        // A cancel between two walks leaves the total as the section before left it.
        const int shown = c.expectedPanel3 < 0 ? rows : c.expectedPanel3;
        EXPECT_EQ(window->findChild<QLabel*>(u"lblProblemsFound"_s)->text(), QString::number(shown));
        EXPECT_EQ(panel(3), u" Problems Found  %1"_s.arg(shown));
        for (int i = c.zeroFrom; i < 9; ++i)
            EXPECT_EQ(windowtest::sectionCounters(*window)[i]->text(), u"0"_s) << "counter " << i;
        for (const engine::ProblemRow& r : window->lvwErrors().rows()) {
            if (c.section == 4) {
                EXPECT_NE(r.KeyValue, u"C:\\windows\\help\\gone.chm"_s) << "the HTML Help walk must not run";
            }
            EXPECT_NE(r.mainkeyname, u"HKEY_CURRENT_USER"_s) << "the user's Run walk must not run";
        }
        EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItemCount(), rows);
        EXPECT_FALSE(window->scanning());
        EXPECT_TRUE(find<PictureBox>(u"Picture10"_s)->isEnabled());
        EXPECT_FALSE(window->findChild<QTimer*>(u"tmrRotateImage"_s)->isActive());
        EXPECT_TRUE(sameImage(window->findChild<PictureImage*>(u"imgHoldingRotation"_s)->pixmap(), windowtest::busyFrame(0)));
        EXPECT_FALSE(window->findChild<PictureImage*>(u"ImgCancelNormal"_s)->isEnabled());
        EXPECT_FALSE(showErrorPage(*window)->isHidden());
    }
}

TEST_F(FrmStartTest, CancelDuringTheFirstSectionStillWritesItsCounter)
{
    bool cancelled = false;
    window->setPump([&] {
        if (!cancelled && window->scanning()) {
            cancelled = true;
            registryCleanerPage(*window)->ImgCancelClick_MouseMove();
        }
        QCoreApplication::processEvents();
    });
    scanAndAnswer();
    const int rows = window->lvwErrors().count();
    EXPECT_EQ(windowtest::sectionCounters(*window)[0]->text(), QString::number(rows));
    EXPECT_EQ(panel(3), u" Problems Found  %1"_s.arg(rows));
    EXPECT_EQ(windowtest::sectionCounters(*window)[1]->text(), u"0"_s);
}

TEST_F(FrmStartTest, ClosingTheWindowDuringAScanStopsItWithoutTheCompletionBox)
{
    QApplication::setQuitOnLastWindowClosed(false);
    const struct {
        const char* name;
        std::function<bool(FrmStart&)> moment;
        const char* secondCounter;  // "0": no section after the first is walked
    } cases[] = {
        {"during the walk", [](FrmStart& w) { return w.scanning(); }, "0"},
        {"while the rows are listed",
         [](FrmStart& w) {
             return !w.scanning() && w.findChild<QTreeWidget*>(u"lvwProblem"_s)->topLevelItemCount() == 1;
         },
         "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reopenWindow();
        bool closed = false;
        window->setPump([&] {
            if (!closed && c.moment(*window)) {
                closed = true;
                window->close();
            }
            QCoreApplication::processEvents();
        });
        window->mnuCleaningScanRegitry_Click();
        EXPECT_TRUE(closed);
        EXPECT_TRUE(desktop.modals.isEmpty());
        EXPECT_TRUE(window->scanContext().cancelled());
        EXPECT_EQ(windowtest::sectionCounters(*window)[1]->text(), QString::fromUtf8(c.secondCounter));
    }
}

TEST_F(FrmStartTest, ScanChosenWhileTheRowsAreListedDoesNotStartASecondScan)
{
    // Scan Registry is on again while the rows are copied; a second scan
    // inside the first would clear and refill the lists under it.
    bool chosen = false;
    window->setPump([&] {
        if (!chosen && !window->scanning() && find<QTreeWidget>(u"lvwProblem"_s)->topLevelItemCount() == 1) {
            chosen = true;
            EXPECT_TRUE(menuItem(*window, "mnuCleaningScanRegitry")->isEnabled());
            menuItem(*window, "mnuCleaningScanRegitry")->trigger();
        }
        QCoreApplication::processEvents();
    });
    scanAndAnswer();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(window->lvwErrors().count(), windowtest::kFixtureProblems);
    EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItemCount(), windowtest::kFixtureProblems);

    // Afterwards the menu scans again as usual.
    window->setPump([] { QCoreApplication::processEvents(); });
    menuItem(*window, "mnuCleaningScanRegitry")->trigger();
    EXPECT_EQ(desktop.modals.size(), 2);
    EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItemCount(), windowtest::kFixtureProblems);
}

// What the scanning page shows when the driver ends, worked out by running
// the driver without a window: the last scan position the walks gave, the
// counters, the total and status panel 3.
struct PageTexts {
    QString position;
    QStringList counters;
    QString total = u"0"_s;
    QString panel3;
};

class PageRecorder final : public engine::ScanObserver {
public:
    PageRecorder(std::initializer_list<int> sections, int cancelIn, int cancelAtPump)
        : m_chosen(sections), m_cancelIn(cancelIn), m_cancelAtPump(cancelAtPump)
    {
        for (int i = 0; i < 9; ++i)
            texts.counters << u"0"_s;
    }
    bool sectionChosen(int index) override { return m_chosen.contains(index); }
    void sectionStarting(int index) override
    {
        m_section = index;
        m_pumps = 0;
    }
    void sectionCounted(int index, int count) override { texts.counters[index] = QString::number(count); }
    void totalCounted(int total) override { texts.total = QString::number(total); }
    void sectionPassed(int) override { texts.panel3 = u" Problems Found  "_s + texts.total; }
    void pump()
    {
        if (m_section == m_cancelIn && ++m_pumps == m_cancelAtPump)
            bCancelScan = true;
    }

    PageTexts texts;
    int positionsShown = 0;
    bool bCancelScan = false;

private:
    QSet<int> m_chosen;
    int m_cancelIn, m_cancelAtPump;
    int m_section = -1;
    int m_pumps = 0;
};

TEST_F(FrmStartTest, TheScanningPageEndsWithExactTextsWhileThePositionIsShownSparingly)
{
    const struct {
        const char* name;
        std::initializer_list<int> sections;
        int cancelIn = -1;  // Cancel at pump `cancelAt` of this section
        int cancelAt = 0;
    } cases[] = {
        {"every section", {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {"Active X Objects alone", {0}},
        {"Startup Menu: a values walk, then keys", {7}},
        {"values walks only", {3, 4, 5, 8}},
        {"Shared Program Files between values walks", {5, 6, 8}},
        {"cancelled early in the Active X walk", {0, 1, 2, 3, 4, 5, 6, 7, 8}, 0, 2},
        {"cancelled in the App Paths walk of Startup Menu", {0, 7, 8}, 7, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PageRecorder expected(c.sections, c.cancelIn, c.cancelAt);
        expected.texts.position = u"before"_s;
        const engine::ScanContext ctx{window->lvwErrors(), nullptr, [&] { expected.pump(); },
                                      [&](const QString& text) {
                                          expected.texts.position = text;
                                          ++expected.positionsShown;
                                      },
                                      &expected.bCancelScan};
        window->lvwErrors().clear();
        engine::runScanDriver(expected, ctx);

        seams.timingScale(0.01);
        reopenWindow();
        chooseOnly(c.sections);
        window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->setText(u"before"_s);
        // The position's refresh interval made far longer than the scan: all
        // but the first text of a stretch is held back.
        seams.timingScale(1000);
        int section = -1, pumps = 0, rewrites = 0;
        QString onScreen = window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->text();
        window->setPump([&] {
            if (window->scanning()) {
                // The marker tells which section runs; it only moves on.
                for (int i = section + 1; i < 9; ++i) {
                    if (markerAtSection(i)) {
                        section = i;
                        pumps = 0;
                    }
                }
                if (section == c.cancelIn && ++pumps == c.cancelAt)
                    registryCleanerPage(*window)->ImgCancelClick_MouseMove();
                if (window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->text() != onScreen) {
                    onScreen = window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->text();
                    ++rewrites;
                }
            }
            QCoreApplication::processEvents();
        });
        scanAndAnswer();
        seams.timingScale(0.01);

        EXPECT_EQ(window->scanContext().cancelled(), c.cancelIn >= 0);
        EXPECT_EQ(window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->text(), expected.texts.position);
        EXPECT_EQ(counters(), expected.texts.counters);
        EXPECT_EQ(window->findChild<QLabel*>(u"lblProblemsFound"_s)->text(), expected.texts.total);
        EXPECT_EQ(panel(3), expected.texts.panel3);
        if (expected.positionsShown > 3) {
            EXPECT_LT(rewrites, expected.positionsShown) << "the position is not repainted for every key";
        }
    }
}

TEST_F(FrmStartTest, BusyAnimationTurnsThroughItsFourFrames)
{
    for (int expected : {2, 3, 4, 1, 2}) {
        registryCleanerPage(*window)->tmrRotateImage_Timer();
        EXPECT_TRUE(sameImage(window->findChild<PictureImage*>(u"imgHoldingRotation"_s)->pixmap(), windowtest::busyFrame(expected - 1))) << expected;
    }
}

TEST_F(FrmStartTest, BusyAnimationTurnsOnTheScaledTimerWhileTheScanRuns)
{
    EXPECT_EQ(window->findChild<QTimer*>(u"tmrRotateImage"_s)->interval(), mainwindow::scaledInterval(500));
    EXPECT_EQ(window->findChild<QTimer*>(u"tmrRotateImage"_s)->interval(), 5) << "the fixture runs window timers at 1/100";
    QSet<int> framesSeen;
    chooseOnly({0});
    const bool ran = duringScan([&] {
        // Four ticks turn the picture through every frame and back to the first.
        for (int tick = 0; tick < 8 && framesSeen.size() < 4; ++tick) {
            const QImage before = window->findChild<PictureImage*>(u"imgHoldingRotation"_s)->pixmap().toImage();
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return window->findChild<PictureImage*>(u"imgHoldingRotation"_s)->pixmap().toImage() != before; }, 2000));
            for (int f = 0; f < 4; ++f) {
                if (sameImage(window->findChild<PictureImage*>(u"imgHoldingRotation"_s)->pixmap(), windowtest::busyFrame(f)))
                    framesSeen.insert(f);
            }
        }
    });
    ASSERT_TRUE(ran);
    EXPECT_EQ(framesSeen.size(), 4);
    EXPECT_FALSE(window->findChild<QTimer*>(u"tmrRotateImage"_s)->isActive()) << "stopped when the scan ends";
}

TEST_F(FrmStartTest, DuringALongScanTheWindowsOwnPumpTurnsTheBusyPictureAndTakesCancel)
{
    // Ten thousand more keys for the Active X walk, read by the Scan action
    // as a file changed on disk. The window's own pump runs throughout; the
    // animation ticks every millisecond, its floor.
    QByteArray keys;
    for (int i = 0; i < 10000; ++i)
        keys += QStringLiteral("\n[Software\\\\Classes\\\\CLSID\\\\{B0B0%1-0000-4000-8000-000000000000}] 1700000000\n"
                               "\"Note\"=\"none\"\n")
                    .arg(i, 4, 16, QLatin1Char('0'))
                    .toLatin1();
    ASSERT_TRUE(testenv::writeFile(prefixDir + u"/system.reg"_s, testenv::readFile(prefixDir + u"/system.reg"_s) + keys));
    seams.timingScale(0);
    reopenWindow();
    ASSERT_EQ(window->findChild<QTimer*>(u"tmrRotateImage"_s)->interval(), 1);
    chooseOnly({0, 1});

    QList<int> frames;  // shown after each tick during the scan
    QObject::connect(window->findChild<QTimer*>(u"tmrRotateImage"_s), &QTimer::timeout, window.get(), [&] {
        if (!window->scanning())
            return;
        for (int f = 0; f < 4; ++f) {
            if (sameImage(window->findChild<PictureImage*>(u"imgHoldingRotation"_s)->pixmap(), windowtest::busyFrame(f)))
                frames << f + 1;
        }
        if (frames.size() == 3)
            registryCleanerPage(*window)->ImgCancelClick_MouseMove();
    });
    engine::walkStats() = {};
    scanAndAnswer();

    EXPECT_EQ(frames, QList<int>({2, 3, 4}));
    EXPECT_TRUE(window->scanContext().cancelled());
    EXPECT_LT(engine::walkStats().keys, 10000) << "the walk stopped at the cancel";
    EXPECT_EQ(windowtest::sectionCounters(*window)[0]->text(), QString::number(window->lvwErrors().count()));
    EXPECT_EQ(windowtest::sectionCounters(*window)[1]->text(), u"0"_s) << "App Paths is not walked";
    EXPECT_TRUE(sameImage(window->findChild<PictureImage*>(u"imgHoldingRotation"_s)->pixmap(), windowtest::busyFrame(0)));
    EXPECT_FALSE(window->findChild<QTimer*>(u"tmrRotateImage"_s)->isActive());
    EXPECT_FALSE(showErrorPage(*window)->isHidden());
}

TEST(WindowTiming, IntervalsScaleWithAOneMillisecondFloor)
{
    const struct {
        double scale;
        int ms;
        int expected;
    } cases[] = {
        {1.0, 500, 500}, {1.0, 25, 25}, {0.01, 500, 5}, {0.01, 1000, 10}, {0.01, 11000, 110},
        {0.01, 25, 1},   {0.5, 25, 13}, {0.0, 500, 1},  {-1.0, 500, 1},   {2.0, 500, 1000},
    };
    testenv::WindowSeamGuard seams;
    for (const auto& c : cases) {
        seams.timingScale(c.scale);
        EXPECT_EQ(mainwindow::scaledInterval(c.ms), c.expected) << c.scale << " x " << c.ms;
    }
    seams.timingScale(0.01);
    QObject owner;
    QTimer* timer = mainwindow::makeTimer(&owner, QStringLiteral("tmrTest"), 1000);
    EXPECT_EQ(timer->objectName(), u"tmrTest"_s);
    EXPECT_EQ(timer->interval(), 10);
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(timer->parent(), &owner);
    seams.timingScale(1.0);
    EXPECT_EQ(mainwindow::timingScale(), 1.0);
}

}  // namespace
