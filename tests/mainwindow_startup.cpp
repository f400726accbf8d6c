// The program's start and end: the start-up window's fade, the logon road
// with the start-up summary, and closing the main window.
#include "engine/problemlist.h"
#include "engine/services.h"
#include "mainwindow/frmsmmarystartup.h"
#include "mainwindow/frmsplash.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/frmwaitforwine.h"
#include "mainwindow/programstart.h"
#include "mainwindow/timing.h"
#include "mainwindow/windowstate.h"
#include "platform/prefix.h"
#include "platform/settings.h"
#include "platform/winfile.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/oddfiles.h"
#include "tests/support/fakewineserver.h"
#include "tests/support/namedcontrol.h"
#include "tests/support/testenv.h"
#include "tests/support/watchdog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace windowtest;

namespace {

// Records every opacity the program sets, and whether the main window was
// loaded at that moment.
class RecordingDesktop : public FakeDesktop {
public:
    struct Alpha {
        int value;
        bool mainLoaded;
    };
    QList<Alpha> alphas;
    void setWindowAlpha(QObject*, int alpha) override
    {
        alphas.append({alpha, mainwindow::loadedFrmStart() != nullptr});
    }
};

// What a run of the program left to look at once the main window was up.
struct MainSeen {
    bool shown = false;
    QString title;
    bool registryCleanerPage = false;
    int problemsListed = -1;
    QString menus;
    bool splashLoaded = true;
    int savedProblems = -1;  // lines of the results file
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prefixDir = testenv::makeTempDir(QStringLiteral("prefix"));
        ASSERT_TRUE(writeFixturePrefix(prefixDir));
        qputenv("WINEPREFIX", QFile::encodeName(prefixDir));
        programDir = testenv::makeTempDir(QStringLiteral("program"));
        seams.programFolder(programDir).desktop(&desktop);
        QSettings(QSettings::IniFormat, QSettings::UserScope, kApp).clear();
        mainwindow::bScanAndFixChosen = false;
        seams.timingScale(0.01);
        mainwindow::resetProgram();
        systemRegBefore = testenv::readFile(prefixDir + u"/system.reg"_s);
    }

    void TearDown() override
    {
        mainwindow::resetProgram();
        if (platform::prefixIsOpen())
            platform::closePrefix();
        platform::detachDrives();
        qunsetenv("WINEPREFIX");
        QDir(prefixDir).removeRecursively();
        QDir(programDir).removeRecursively();
    }

    QString resultsFile() const { return programDir + u"/Scan.ocx"_s; }
    void saveProblems(int lines)
    {
        QByteArray bytes;
        for (int i = 0; i < lines; ++i)
            bytes += "saved problem\r\n";
        ASSERT_TRUE(testenv::writeFile(resultsFile(), bytes));
    }

    // Runs the program as main() does. Once the main window is shown,
    // `atMain` looks at it and File > Exit ends the program.
    int run(const QString& command, std::function<void(FrmStart&)> atMain = {})
    {
        seams.command(command);
        QTimer poll;
        poll.setInterval(2);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            // Only from the program's own event loop, not from a scan's
            // message pump inside the main window's load.
            FrmStart* w = mainwindow::loadedFrmStart();
            if (!w || !w->isVisible() || QThread::currentThread()->loopLevel() != 1)
                return;
            poll.stop();
            seen.shown = true;
            seen.title = w->windowTitle();
            seen.registryCleanerPage = registryCleanerPage(*w)->isVisible();
            seen.problemsListed = w->lvwErrors().count();
            seen.menus = menuStates(*w);
            seen.splashLoaded = mainwindow::loadedFrmSplash() != nullptr;
            seen.savedProblems = engine::CountFileLines(mainwindow::resultsPath());
            if (atMain)
                atMain(*w);
            if (!mainwindow::programEnded())
                w->mnuFileExit_Click();
        });
        poll.start();
        // A run that hangs fails instead of waiting for the time-out.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            ADD_FAILURE() << "the program did not end";
            mainwindow::End(99);
        });
        watchdog.start(20000);
        return mainwindow::runProgram();
    }

    // Answers the start-up summary with `press` (a button's name, or
    // "close" for the platform's close command).
    void answerSummary(const QString& press)
    {
        desktop.onModal = [press](QDialog& d) {
            if (d.objectName() != QLatin1String("FrmSmmaryStartup")) {
                FakeDesktop::pressDefaultButton(d);
                return;
            }
            if (press == QLatin1String("close"))
                d.close();
            else
                d.findChild<QPushButton*>(press)->click();
        };
    }

    QStringList modalNames() const
    {
        QStringList names;
        for (const auto& m : desktop.modals)
            names << m.name;
        return names;
    }

    QString prefixDir;
    QString programDir;
    QByteArray systemRegBefore;
    RecordingDesktop desktop;
    testenv::WindowSeamGuard seams;
    MainSeen seen;
};

// --- the command line ----------------------------------------------------------------------

TEST_F(StartupTest, OnlyShowErrorTrimmedOfBlanksTakesTheLogonRoad)
{
    saveProblems(3);
    const struct {
        const char* command;
        bool logon;
    } cases[] = {
        {"ShowError", true},     {"  ShowError   ", true}, {"showerror", false}, {"SHOWERROR", false},
        {"ShowError x", false}, {"", false},               {"\tShowError", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        desktop.modals.clear();
        desktop.alphas.clear();
        seen = {};
        answerSummary(u"cmdcontinue"_s);
        EXPECT_EQ(run(QString::fromUtf8(c.command)), 0);
        EXPECT_TRUE(seen.shown);
        if (c.logon) {
            EXPECT_EQ(modalNames(), QStringList{u"FrmSmmaryStartup"_s});
            EXPECT_TRUE(desktop.alphas.isEmpty()) << "the start-up window is never seen";
        } else {
            EXPECT_TRUE(desktop.modals.isEmpty()) << "no summary on an ordinary start";
            EXPECT_EQ(desktop.alphas.size(), 167);
        }
        ASSERT_TRUE(platform::closePrefix().ok);
    }
}

TEST_F(StartupTest, OrdinaryStartOnAPrefixThatCannotBeOpenedSaysWhyBeforeAnyFade)
{
    qputenv("WINEPREFIX", QFile::encodeName(prefixDir + u"/missing"_s));
    EXPECT_EQ(run(QString()), 1);
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_TRUE(desktop.boxes[0].text.contains(u"does not exist"_s)) << desktop.boxes[0].text.toStdString();
    EXPECT_TRUE(desktop.alphas.isEmpty());
    EXPECT_FALSE(seen.shown);
}

// --- the fade ------------------------------------------------------------------------------------

TEST_F(StartupTest, FadeGoesUpInStepsOfThreeAndDownAgainThenTheMainWindowAppears)
{
    EXPECT_EQ(run(QString()), 0);
    QList<int> expected{0};
    for (int a = 3; a <= 249; a += 3)
        expected << a;
    for (int a = 249; a >= 3; a -= 3)
        expected << a;
    QList<int> values;
    for (const auto& a : desktop.alphas)
        values << a.value;
    EXPECT_EQ(values, expected);
    ASSERT_FALSE(desktop.alphas.isEmpty());
    // The main window is loaded by the tick that sets 3, after it.
    for (int i = 0; i < desktop.alphas.size(); ++i)
        EXPECT_FALSE(desktop.alphas[i].mainLoaded) << i;
    EXPECT_TRUE(seen.shown);
    EXPECT_FALSE(seen.splashLoaded) << "the start-up window is unloaded";
    EXPECT_EQ(seen.title, u"Velmora 2007 - Registry Cleaner"_s);
}

TEST_F(StartupTest, FadeStepsByHand)
{
    seams.command(QString());
    FrmSplash splash;
    splash.Form_Load();
    auto* Timer1 = testenv::control<QTimer>(splash, "Timer1");
    auto* Timer2 = testenv::control<QTimer>(splash, "Timer2");
    EXPECT_TRUE(Timer1->isActive());
    EXPECT_FALSE(Timer2->isActive());
    EXPECT_EQ(Timer1->interval(), mainwindow::scaledInterval(25));
    for (int tick = 1; tick <= 83; ++tick)
        splash.Timer1_Timer();
    EXPECT_EQ(splash.splashAlpha(), 249);
    EXPECT_TRUE(Timer1->isActive());
    splash.Timer1_Timer();  // the 84th: hands over, sets nothing
    EXPECT_EQ(splash.splashAlpha(), 252);
    EXPECT_FALSE(Timer1->isActive());
    EXPECT_TRUE(Timer2->isActive());
    EXPECT_EQ(desktop.alphas.size(), 84);
    EXPECT_EQ(desktop.alphas.last().value, 249);
}

TEST_F(StartupTest, StartUpWindowCoversItsPictureAndTakesNoInput)
{
    FrmSplash splash;
    auto* Picture1 = testenv::control<QLabel>(splash, "Picture1");
    EXPECT_EQ(splash.size(), QSize(338, 240));
    EXPECT_EQ(Picture1->geometry(), QRect(0, 0, 338, 240));
    EXPECT_EQ(Picture1->pixmap().size(), QSize(338, 240));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.testAttribute(Qt::WA_TransparentForMouseEvents));
}

// --- the logon road ---------------------------------------------------------------------

TEST_F(StartupTest, LogonStartWithoutSavedProblemsEndsTouchingNothing)
{
    for (const char* kind : {"missing", "empty"}) {
        SCOPED_TRACE(kind);
        QFile::remove(resultsFile());
        if (QByteArray(kind) == "empty") {
            ASSERT_TRUE(testenv::writeFile(resultsFile(), ""));
        }
        EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
        EXPECT_FALSE(seen.shown);
        EXPECT_TRUE(desktop.modals.isEmpty());
        EXPECT_TRUE(desktop.boxes.isEmpty());
        EXPECT_FALSE(platform::prefixIsOpen()) << "the prefix is not even opened";
        EXPECT_TRUE(QSettings(QSettings::IniFormat, QSettings::UserScope, kApp).allKeys().isEmpty());
        EXPECT_EQ(testenv::readFile(prefixDir + u"/system.reg"_s), systemRegBefore);
        EXPECT_EQ(QFile::exists(resultsFile()), QByteArray(kind) == "empty");
    }
}

// Wine runs the logon start at every boot of the prefix: results that are
// no regular file hold no problems, and the start ends at once.
TEST_F(StartupTest, LogonStartWithResultsThatAreNoRegularFileEndsTouchingNothing)
{
    for (const testenv::OddKind kind : testenv::kOddKinds) {
        SCOPED_TRACE(testenv::describe(kind));
        QFile::remove(resultsFile());
        const QString target = testenv::makeOdd(kind, resultsFile());
        ASSERT_FALSE(target.isEmpty());
        const mode_t node = testenv::nodeType(target);
        {
            const testenv::Watchdog watchdog(std::string("the logon start over ") + testenv::describe(kind));
            EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
        }
        EXPECT_FALSE(seen.shown);
        EXPECT_TRUE(desktop.modals.isEmpty());
        EXPECT_TRUE(desktop.boxes.isEmpty());
        EXPECT_FALSE(platform::prefixIsOpen()) << "the prefix is not even opened";
        EXPECT_EQ(testenv::readFile(prefixDir + u"/system.reg"_s), systemRegBefore);
        EXPECT_EQ(testenv::nodeType(target), node);
        mainwindow::resetProgram();
    }
    QFile::remove(resultsFile());
}

TEST_F(StartupTest, LogonStartWithSavedProblemsAndContinueShowsTheEmptyRegistryCleanerPage)
{
    saveProblems(3);
    answerSummary(u"cmdcontinue"_s);
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    ASSERT_EQ(desktop.modals.size(), 1);
    EXPECT_EQ(desktop.modals[0].title, u"Information"_s);
    EXPECT_EQ(desktop.modals[0].texts.value(u"Label1"_s),
              u"Velmora 2007 found 3 registry error(s) on your previous scan. These"_s);
    EXPECT_TRUE(seen.shown);
    EXPECT_TRUE(seen.registryCleanerPage);
    EXPECT_EQ(seen.problemsListed, 0);
    EXPECT_EQ(seen.menus.left(1), u"T"_s) << "Load Scan Results is on";
    EXPECT_FALSE(mainwindow::bScanAndFixChosen);
    EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 3) << "the saved problems stay";
}

TEST_F(StartupTest, LogonStartWithScanAndFixDropsTheSavedProblemsAndScans)
{
    saveProblems(3);
    answerSummary(u"cmdScanAndFix"_s);
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    EXPECT_EQ(modalNames(), (QStringList{u"FrmSmmaryStartup"_s, u"FrmNextMessageBox"_s}));
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.problemsListed, kFixtureProblems);
    EXPECT_EQ(seen.savedProblems, 0) << "the saved problems were dropped before the scan";
    // Closing with the start-up option on saved the new scan's problems.
    EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), kFixtureProblems);
}

TEST_F(StartupTest, LogonScanAndFixWithNoSectionChosenDropsTheProblemsAndSaysSo)
{
    saveProblems(3);
    for (const char* key : {"ChkChosseSettingsActiveXProgramID", "ChkChosseSettingsApplicationPaths",
                            "ChkeFilePathsAndHistory", "ChkFileTypes", "ChkChosseSettingsInstalledHelpFiles",
                            "ChkChosseSettingsInstalledFiles", "ChkChosseSettingsSharedProgramFiles",
                            "ChkStartupMenu", "ChkChosseSettingsStartupPrograms"})
        platform::SaveSetting(kApp, kSettingsSection, QLatin1String(key), u"0"_s);
    answerSummary(u"cmdScanAndFix"_s);
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    EXPECT_FALSE(QFile::exists(resultsFile()));
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].text, u"Please select the Section you want to scan."_s);
    EXPECT_EQ(modalNames(), QStringList{u"FrmSmmaryStartup"_s}) << "no scan ran";
    EXPECT_EQ(seen.problemsListed, 0);
}

TEST_F(StartupTest, LogonExitEndsWithEverythingAsItWas)
{
    saveProblems(3);
    answerSummary(u"cmdExit"_s);
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    EXPECT_FALSE(seen.shown);
    EXPECT_FALSE(platform::prefixIsOpen());
    EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 3);
    EXPECT_EQ(testenv::readFile(prefixDir + u"/system.reg"_s), systemRegBefore);
}

TEST_F(StartupTest, LogonCloseBoxActsLikeContinue)
{
    saveProblems(2);
    answerSummary(u"close"_s);
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    EXPECT_TRUE(seen.shown);
    EXPECT_FALSE(mainwindow::bScanAndFixChosen);
    EXPECT_EQ(seen.problemsListed, 0);
    EXPECT_TRUE(QFile::exists(resultsFile()));
}

// Wine starts the program at logon while its server still runs for the
// prefix. Continue and Scan & Fix wait for it in a small window; left to
// run, the window gives up after its time (60 s, scaled) and the program
// ends with the sentence of any start on a busy prefix, having changed
// nothing. (This used to end with that sentence at once.)
TEST_F(StartupTest, LogonStartWaitsForARunningServerAndGivesUpInTime)
{
    saveProblems(3);
    testenv::FakeWineServer server(prefixDir);
    ASSERT_TRUE(server.locked());
    for (const char* press : {"cmdExit", "cmdcontinue", "cmdScanAndFix"}) {
        SCOPED_TRACE(press);
        desktop.boxes.clear();
        desktop.modals.clear();
        seen = {};
        QDialog* waited = nullptr;
        desktop.onModal = [&](QDialog& d) {
            if (d.objectName() == QLatin1String("FrmSmmaryStartup")) {
                d.findChild<QPushButton*>(QLatin1String(press))->click();
                return;
            }
            waited = &d;
            d.exec();
        };
        const bool exits = QByteArray(press) == "cmdExit";
        EXPECT_EQ(run(QStringLiteral("ShowError")), exits ? 0 : 1);
        EXPECT_FALSE(seen.shown);
        if (exits) {
            EXPECT_EQ(modalNames(), QStringList{u"FrmSmmaryStartup"_s});
            EXPECT_TRUE(desktop.boxes.isEmpty());
        } else {
            EXPECT_EQ(modalNames(), (QStringList{u"FrmSmmaryStartup"_s, u"FrmWaitForWine"_s}));
            EXPECT_NE(waited, nullptr);
            ASSERT_EQ(desktop.boxes.size(), 1);
            EXPECT_TRUE(desktop.boxes[0].text.contains(u"wineserver -k"_s)) << desktop.boxes[0].text.toStdString();
            EXPECT_TRUE(desktop.boxes[0].text.contains(prefixDir)) << desktop.boxes[0].text.toStdString();
        }
        EXPECT_FALSE(platform::prefixIsOpen());
        EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 3) << "the saved problems stay";
        EXPECT_EQ(testenv::readFile(prefixDir + u"/system.reg"_s), systemRegBefore);
    }
}

// The server ends while the window waits: the program opens the prefix and
// goes on as the summary's answer says.
TEST_F(StartupTest, LogonStartGoesOnOnceTheServerHasEnded)
{
    for (const char* press : {"cmdcontinue", "cmdScanAndFix"}) {
        SCOPED_TRACE(press);
        saveProblems(3);
        desktop.boxes.clear();
        desktop.modals.clear();
        seen = {};
        testenv::FakeWineServer server(prefixDir);
        ASSERT_TRUE(server.locked());
        QString waitingText;
        desktop.onModal = [&](QDialog& d) {
            if (d.objectName() == QLatin1String("FrmSmmaryStartup")) {
                d.findChild<QPushButton*>(QLatin1String(press))->click();
            } else if (d.objectName() == QLatin1String("FrmWaitForWine")) {
                for (const QLabel* l : d.findChildren<QLabel*>())
                    waitingText += l->toolTip() + QLatin1Char('|') + l->text() + QLatin1Char('|');
                // Its first looks see the server still running; it ends after
                // the third.
                auto* poll = d.findChild<QTimer*>(u"tmrPoll"_s);
                EXPECT_NE(poll, nullptr);
                int ticks = 0;
                if (poll) {
                    QObject::connect(poll, &QTimer::timeout, &d, [&] {
                        if (++ticks == 3)
                            server.release();
                    });
                }
                d.exec();
                EXPECT_GE(ticks, 4) << "it went on before it looked again";
            } else {
                FakeDesktop::pressDefaultButton(d);
            }
        };
        EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
        EXPECT_TRUE(desktop.boxes.isEmpty()) << desktop.boxes.value(0).text.toStdString();
        ASSERT_TRUE(seen.shown);
        ASSERT_GE(desktop.modals.size(), 2);
        EXPECT_EQ(desktop.modals[1].name, u"FrmWaitForWine"_s);
        EXPECT_TRUE(waitingText.contains(prefixDir)) << waitingText.toStdString();
        if (QByteArray(press) == "cmdcontinue") {
            EXPECT_EQ(seen.problemsListed, 0);
            EXPECT_EQ(seen.menus.left(1), u"T"_s) << "Load Scan Results is on";
            EXPECT_EQ(seen.savedProblems, 3) << "the saved problems stay";
        } else {
            EXPECT_EQ(seen.savedProblems, 0) << "the saved problems were dropped before the scan";
            EXPECT_EQ(seen.problemsListed, kFixtureProblems);
            EXPECT_EQ(modalNames().last(), u"FrmNextMessageBox"_s);
        }
        ASSERT_TRUE(platform::closePrefix().ok);
    }
}

// Cancel, the close box or Escape while waiting: the program ends with the
// prefix unopened and the results file as it was.
TEST_F(StartupTest, CancelWhileWaitingEndsTouchingNothing)
{
    saveProblems(3);
    const QByteArray results = testenv::readFile(resultsFile());
    testenv::FakeWineServer server(prefixDir);
    ASSERT_TRUE(server.locked());
    for (const char* how : {"cmdCancel", "close", "escape"}) {
        for (const char* press : {"cmdcontinue", "cmdScanAndFix"}) {
            SCOPED_TRACE(testing::Message() << how << " after " << press);
            desktop.boxes.clear();
            desktop.modals.clear();
            seen = {};
            desktop.onModal = [&](QDialog& d) {
                if (d.objectName() == QLatin1String("FrmSmmaryStartup")) {
                    d.findChild<QPushButton*>(QLatin1String(press))->click();
                    return;
                }
                QTimer::singleShot(0, &d, [&d, how] {
                    if (QByteArray(how) == "close")
                        d.close();
                    else if (QByteArray(how) == "escape")
                        QTest::keyClick(&d, Qt::Key_Escape);
                    else
                        d.findChild<QPushButton*>(QLatin1String(how))->click();
                });
                d.exec();
            };
            EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
            EXPECT_EQ(modalNames(), (QStringList{u"FrmSmmaryStartup"_s, u"FrmWaitForWine"_s}));
            EXPECT_TRUE(desktop.boxes.isEmpty());
            EXPECT_FALSE(seen.shown);
            EXPECT_FALSE(platform::prefixIsOpen());
            EXPECT_EQ(testenv::readFile(resultsFile()), results);
            EXPECT_EQ(testenv::readFile(prefixDir + u"/system.reg"_s), systemRegBefore);
        }
    }
}

// The summary's box unchecked: later logon starts end at once, with no
// window, even though the entry that starts them stays in the registry
// until the next ordinary start removes it.
TEST_F(StartupTest, LogonStartWithTheOptionOffEndsWithoutTheSummary)
{
    saveProblems(3);
    const struct {
        const char* stored;  // nullptr: no key
        bool summary;
    } cases[] = {
        {"0", false}, {"False", false}, {"1", true}, {"True", true}, {"junk", true}, {nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        QSettings(QSettings::IniFormat, QSettings::UserScope, kApp).clear();
        if (c.stored)
            platform::SaveSetting(kApp, kSettingsSection, u"ResultStartup"_s, QLatin1String(c.stored));
        desktop.modals.clear();
        seen = {};
        answerSummary(u"cmdExit"_s);
        EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
        EXPECT_FALSE(seen.shown);
        EXPECT_TRUE(desktop.boxes.isEmpty());
        EXPECT_EQ(modalNames(), c.summary ? QStringList{u"FrmSmmaryStartup"_s} : QStringList{});
        if (!c.summary) {
            EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, u"ResultStartup"_s, u"missing"_s), QString::fromUtf8(c.stored));
        }
        EXPECT_FALSE(platform::prefixIsOpen());
        EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 3);
        EXPECT_EQ(testenv::readFile(prefixDir + u"/system.reg"_s), systemRegBefore);
    }
}

// The whole story: an ordinary start writes the entry; at a logon start the
// user unchecks the box and presses Exit; the next logon start shows
// nothing; the next ordinary start removes the entry.
TEST_F(StartupTest, DontShowAgainAndExitHoldsAtTheNextLogon)
{
    saveProblems(3);
    const QByteArray entry = "\n\"mainwindow_startup\"=";
    EXPECT_EQ(run(QString()), 0);
    ASSERT_TRUE(platform::closePrefix().ok);
    const QByteArray withEntry = testenv::readFile(prefixDir + u"/system.reg"_s);
    ASSERT_TRUE(withEntry.contains(entry));

    desktop.onModal = [](QDialog& d) {
        auto* box = d.findChild<QCheckBox*>(u"Check1"_s);
        ASSERT_TRUE(box->isChecked());
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
        d.findChild<QPushButton*>(u"cmdExit"_s)->click();
    };
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    EXPECT_EQ(modalNames(), QStringList{u"FrmSmmaryStartup"_s});
    EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, u"ResultStartup"_s, u"missing"_s), u"0"_s);

    desktop.modals.clear();
    seen = {};
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    EXPECT_TRUE(desktop.modals.isEmpty()) << "the summary came again";
    EXPECT_FALSE(seen.shown);
    EXPECT_EQ(testenv::readFile(prefixDir + u"/system.reg"_s), withEntry);
    EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 3);

    EXPECT_EQ(run(QString()), 0);
    ASSERT_TRUE(platform::closePrefix().ok);
    EXPECT_FALSE(testenv::readFile(prefixDir + u"/system.reg"_s).contains(entry)) << "an ordinary start removes it";
}

// Its texts fit; a long prefix path is shortened in the middle, whole in
// its hint; it looks again at every tick and gives up after a minute.
TEST_F(StartupTest, WaitingWindowTextsAndTimers)
{
    const QString longPath = u"/home/someone/"_s + QString(200, u'x') + u"/wine prefix"_s;
    for (const QString& path : {prefixDir, longPath}) {
        FrmWaitForWine wait;
        wait.Form_Load(path);
        auto* lblWaiting = testenv::control<QLabel>(wait, "lblWaiting");
        auto* lblPrefix = testenv::control<QLabel>(wait, "lblPrefix");
        auto* lblWhy = testenv::control<QLabel>(wait, "lblWhy");
        auto* cmdCancel = testenv::control<QPushButton>(wait, "cmdCancel");
        auto* tmrPoll = testenv::control<QTimer>(wait, "tmrPoll");
        auto* tmrGiveUp = testenv::control<QTimer>(wait, "tmrGiveUp");
        for (QLabel* l : {lblWaiting, lblPrefix})
            EXPECT_LE(l->sizeHint().width(), l->width()) << l->objectName().toStdString();
        EXPECT_LE(lblWhy->heightForWidth(lblWhy->width()), lblWhy->height());
        EXPECT_EQ(lblPrefix->toolTip(), path);
        EXPECT_TRUE(lblPrefix->text().startsWith(u"/home/someone/"_s) || path == prefixDir);
        EXPECT_TRUE(lblPrefix->text().endsWith(u"wine prefix"_s) || path == prefixDir);
        EXPECT_EQ(cmdCancel->text(), u"&Cancel"_s);
        EXPECT_FALSE(cmdCancel->isDefault() || cmdCancel->autoDefault());
        EXPECT_TRUE(tmrPoll->isActive());
        EXPECT_EQ(tmrPoll->interval(), mainwindow::scaledInterval(250));
        EXPECT_TRUE(tmrGiveUp->isActive() && tmrGiveUp->isSingleShot());
        EXPECT_EQ(tmrGiveUp->interval(), mainwindow::scaledInterval(60000));
        wait.reject();
        EXPECT_FALSE(tmrPoll->isActive() || tmrGiveUp->isActive()) << "closing stops the timers";
    }
}

// --- the summary ------------------------------------------------------------------------------

class SummaryTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        platform::attachDrives(prefixDir);
        saveProblems(3);
    }
    QString stored() const { return platform::GetSetting(kApp, kSettingsSection, u"ResultStartup"_s, u"missing"_s); }
};

TEST_F(SummaryTest, WindowTextsAndGeometry)
{
    FrmSmmaryStartup summary;
    summary.Form_Load();
    auto* Image1 = testenv::control<QLabel>(summary, "Image1");
    auto* Label1 = testenv::control<QLabel>(summary, "Label1");
    auto* Label2 = testenv::control<QLabel>(summary, "Label2");
    auto* cmdcontinue = testenv::control<QPushButton>(summary, "cmdcontinue");
    auto* cmdScanAndFix = testenv::control<QPushButton>(summary, "cmdScanAndFix");
    auto* cmdExit = testenv::control<QPushButton>(summary, "cmdExit");
    auto* Check1 = testenv::control<QCheckBox>(summary, "Check1");
    EXPECT_EQ(summary.windowTitle(), u"Information"_s);
    EXPECT_EQ(summary.size(), QSize(494, 126));
    EXPECT_EQ(Image1->pixmap().size(), QSize(48, 48));
    EXPECT_EQ(Label2->text(), u"error(s) may affect system performance."_s);
    EXPECT_EQ(cmdcontinue->text(), u"&Continue"_s);
    EXPECT_EQ(cmdScanAndFix->text(), u"&Scan && Fix"_s);
    EXPECT_EQ(cmdExit->text(), u"&Exit"_s);
    EXPECT_EQ(Check1->text(), u"Show this information again on Next log on"_s);
    EXPECT_EQ(cmdScanAndFix->geometry(), QRect(119, 68, 88, 23));
    EXPECT_FALSE(summary.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    for (QPushButton* b : {cmdcontinue, cmdScanAndFix, cmdExit})
        EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->objectName().toStdString();
    // Every text fits its control.
    for (QLabel* l : {Label1, Label2})
        EXPECT_LE(l->sizeHint().width(), l->width()) << l->objectName().toStdString();
    EXPECT_LE(Check1->sizeHint().width(), Check1->width());
    // Tab order from Continue.
    auto next = [](QWidget* w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    EXPECT_EQ(next(cmdcontinue), cmdScanAndFix);
    EXPECT_EQ(next(cmdScanAndFix), cmdExit);
    EXPECT_EQ(next(cmdExit), Check1);
    EXPECT_EQ(next(Check1), cmdcontinue);
}

TEST_F(SummaryTest, FirstLineCarriesTheCount)
{
    for (int n : {1, 3, 12, 1234567}) {
        saveProblems(n > 100 ? 0 : n);
        if (n > 100) {
            QByteArray many(n, '\n');
            ASSERT_TRUE(testenv::writeFile(resultsFile(), many.replace('\n', "\r")));
        }
        FrmSmmaryStartup summary;
        summary.Form_Load();
        auto* Label1 = testenv::control<QLabel>(summary, "Label1");
        EXPECT_EQ(Label1->text(), QStringLiteral("Velmora 2007 found %1 registry error(s) on your previous scan. These").arg(n));
        EXPECT_LE(Label1->sizeHint().width(), Label1->width()) << n;
    }
}

TEST_F(SummaryTest, CheckBoxFromTheStoredOption)
{
    const struct {
        const char* stored;  // nullptr: no key
        bool checked;
        const char* after;
    } cases[] = {
        {nullptr, true, "1"}, {"True", true, "1"}, {"1", true, "1"},       {"-1", true, "1"},
        {"False", false, "False"}, {"0", false, "0"}, {"junk", false, "junk"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        QSettings(QSettings::IniFormat, QSettings::UserScope, kApp).clear();
        if (c.stored)
            platform::SaveSetting(kApp, kSettingsSection, u"ResultStartup"_s, QLatin1String(c.stored));
        FrmSmmaryStartup summary;
        summary.Form_Load();
        auto* Check1 = testenv::control<QCheckBox>(summary, "Check1");
        EXPECT_EQ(Check1->isChecked(), c.checked);
        EXPECT_EQ(stored(), QString::fromUtf8(c.after));
    }
}

TEST_F(SummaryTest, UncheckingSavesAtOnce)
{
    FrmSmmaryStartup summary;
    summary.Form_Load();
    auto* Check1 = testenv::control<QCheckBox>(summary, "Check1");
    QTest::mouseClick(Check1, Qt::LeftButton, {}, QPoint(5, Check1->height() / 2));
    EXPECT_FALSE(Check1->isChecked());
    EXPECT_EQ(stored(), u"0"_s);
}

TEST_F(SummaryTest, ButtonsSaveTheBoxAndAnswer)
{
    const struct {
        const char* button;
        bool scanAndFix;
        bool ended;
        int result;
    } cases[] = {
        {"cmdcontinue", false, false, QDialog::Accepted},
        {"cmdScanAndFix", true, false, QDialog::Accepted},
        {"cmdExit", false, true, QDialog::Rejected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        mainwindow::resetProgram();
        platform::SaveSetting(kApp, kSettingsSection, u"ResultStartup"_s, u"True"_s);
        mainwindow::bScanAndFixChosen = !c.scanAndFix;
        FrmSmmaryStartup summary;
        summary.Form_Load();
        auto* Check1 = testenv::control<QCheckBox>(summary, "Check1");
        Check1->setChecked(false);
        platform::SaveSetting(kApp, kSettingsSection, u"ResultStartup"_s, u"untouched"_s);
        QTimer::singleShot(0, &summary, [&] { summary.findChild<QPushButton*>(QLatin1String(c.button))->click(); });
        const int result = summary.exec();
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(stored(), u"0"_s) << "every button saves the box";
        if (!c.ended) {
            EXPECT_EQ(mainwindow::bScanAndFixChosen, c.scanAndFix);
        }
        EXPECT_EQ(mainwindow::programEnded(), c.ended);
        EXPECT_FALSE(summary.isVisible());
        EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 3) << "the results file is untouched";
    }
}

TEST_F(SummaryTest, CloseCommandAndKeys)
{
    FrmSmmaryStartup summary;
    summary.Form_Load();
    auto* cmdcontinue = testenv::control<QPushButton>(summary, "cmdcontinue");
    platform::SaveSetting(kApp, kSettingsSection, u"ResultStartup"_s, u"untouched"_s);
    bool escapeKeptItOpen = false;
    QTimer::singleShot(0, &summary, [&] {
        EXPECT_EQ(summary.focusWidget(), cmdcontinue);
        QTest::keyClick(&summary, Qt::Key_Escape);
        escapeKeptItOpen = summary.isVisible();
        summary.close();  // Alt+F4 on a desktop
    });
    EXPECT_EQ(summary.exec(), QDialog::Rejected);
    EXPECT_TRUE(escapeKeptItOpen);
    EXPECT_FALSE(mainwindow::bScanAndFixChosen);
    EXPECT_FALSE(mainwindow::programEnded());
    EXPECT_EQ(stored(), u"untouched"_s) << "closing saves nothing more";
}

// Enter presses the button that has the focus; with the focus on the check
// box it presses nothing.
TEST_F(SummaryTest, EnterPressesTheFocusedButtonOnly)
{
    FrmSmmaryStartup summary;
    summary.Form_Load();
    auto* cmdScanAndFix = testenv::control<QPushButton>(summary, "cmdScanAndFix");
    auto* Check1 = testenv::control<QCheckBox>(summary, "Check1");
    bool enterOnCheckBoxKeptItOpen = false;
    QTimer::singleShot(0, &summary, [&] {
        QApplication::setActiveWindow(&summary);
        Check1->setFocus();
        QTest::keyClick(Check1, Qt::Key_Return);
        enterOnCheckBoxKeptItOpen = summary.isVisible();
        cmdScanAndFix->setFocus();
        QTest::keyClick(cmdScanAndFix, Qt::Key_Return);
        if (summary.isVisible())
            summary.reject();
    });
    summary.exec();
    EXPECT_TRUE(enterOnCheckBoxKeptItOpen);
    EXPECT_TRUE(mainwindow::bScanAndFixChosen);
}

TEST_F(SummaryTest, ResultsFileGoneSinceTheCountEndsAtLoad)
{
    ASSERT_TRUE(QFile::remove(resultsFile()));
    FrmSmmaryStartup summary;
    summary.Form_Load();
    EXPECT_TRUE(mainwindow::programEnded());
}

// --- closing the main window ------------------------------------------------------------------

class ClosingTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        ASSERT_TRUE(platform::openPrefix(prefixDir).ok);
    }
};

TEST_F(ClosingTest, OlderResultsStayUnlessTheOptionAndProblemsAskForASave)
{
    const struct {
        bool viaExit;
        bool option;
        int rows;
    } cases[] = {
        {false, false, 2}, {true, false, 2}, {false, true, 0}, {true, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "exit " << c.viaExit << " option " << c.option << " rows " << c.rows);
        mainwindow::resetProgram();
        ASSERT_TRUE(testenv::writeFile(resultsFile(), "older\r\n"));
        FrmStart w;
        w.Form_Load();
        w.show();
        menuItem(w, "mnuFileShowScanResultsonStartup")->setChecked(c.option);
        for (int i = 0; i < c.rows; ++i)
            w.lvwErrors().add(problem(u"Fonts"_s, QStringLiteral("n%1").arg(i), u"C:\\gone.ttf"_s));
        if (c.viaExit)
            w.mnuFileExit_Click();
        else
            w.close();
        EXPECT_TRUE(mainwindow::programEnded());
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(testenv::readFile(resultsFile()), "older\r\n");
    }
}

TEST_F(ClosingTest, WithTheOptionAndProblemsTheProblemsAreSaved)
{
    FrmStart w;
    w.Form_Load();
    w.lvwErrors().add(problem(u"Fonts"_s, u"a"_s, u"C:\\gone-a.ttf"_s));
    w.lvwErrors().add(problem(u"Fonts"_s, u"b"_s, u"C:\\gone-b.ttf"_s));
    w.mnuFileSaveScanResults_Click();
    ASSERT_TRUE(QFile::remove(resultsFile()));
    ASSERT_TRUE(menuItem(w, "mnuFileShowScanResultsonStartup")->isChecked());
    for (bool viaExit : {false, true}) {
        mainwindow::resetProgram();
        QFile::remove(resultsFile());
        w.show();
        if (viaExit)
            w.mnuFileExit_Click();
        else
            w.close();
        EXPECT_TRUE(mainwindow::programEnded());
        EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 2) << viaExit;
    }
}

}  // namespace
