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
        platform::setProgramFolderLinux(programDir);
        platform::setDesktop(&desktop);
        QSettings(QSettings::IniFormat, QSettings::UserScope, kApp).clear();
        mainwindow::bScanAndFixChosen = false;
        mainwindow::setTimingScale(0.01);
        mainwindow::resetProgram();
        systemRegBefore = testenv::readFile(prefixDir + "/system.reg");
    }

    void TearDown() override
    {
        mainwindow::resetProgram();
        mainwindow::clearCommand();
        platform::setDesktop(nullptr);
        mainwindow::setTimingScale(1.0);
        if (platform::prefixIsOpen())
            platform::closePrefix();
        platform::detachDrives();
        qunsetenv("WINEPREFIX");
        QDir(prefixDir).removeRecursively();
        QDir(programDir).removeRecursively();
    }

    QString resultsFile() const { return programDir + "/Scan.ocx"; }
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
        mainwindow::setCommand(command);
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
            seen.registryCleanerPage = w->PicRegistryCleaner->isVisible();
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
        answerSummary("cmdcontinue");
        EXPECT_EQ(run(QString::fromUtf8(c.command)), 0);
        EXPECT_TRUE(seen.shown);
        if (c.logon) {
            EXPECT_EQ(modalNames(), QStringList{"FrmSmmaryStartup"});
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
    qputenv("WINEPREFIX", QFile::encodeName(prefixDir + "/missing"));
    EXPECT_EQ(run(QString()), 1);
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_TRUE(desktop.boxes[0].text.contains("does not exist")) << desktop.boxes[0].text.toStdString();
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
    EXPECT_EQ(seen.title, "Velmora 2007 - Registry Cleaner");
}

TEST_F(StartupTest, FadeStepsByHand)
{
    mainwindow::setCommand(QString());
    FrmSplash splash;
    splash.Form_Load();
    EXPECT_TRUE(splash.Timer1->isActive());
    EXPECT_FALSE(splash.Timer2->isActive());
    EXPECT_EQ(splash.Timer1->interval(), mainwindow::scaledInterval(25));
    for (int tick = 1; tick <= 83; ++tick)
        splash.Timer1_Timer();
    EXPECT_EQ(splash.SplashAlpha, 249);
    EXPECT_TRUE(splash.Timer1->isActive());
    splash.Timer1_Timer();  // the 84th: hands over, sets nothing
    EXPECT_EQ(splash.SplashAlpha, 252);
    EXPECT_FALSE(splash.Timer1->isActive());
    EXPECT_TRUE(splash.Timer2->isActive());
    EXPECT_EQ(desktop.alphas.size(), 84);
    EXPECT_EQ(desktop.alphas.last().value, 249);
}

TEST_F(StartupTest, StartUpWindowCoversItsPictureAndTakesNoInput)
{
    FrmSplash splash;
    EXPECT_EQ(splash.size(), QSize(338, 240));
    EXPECT_EQ(splash.Picture1->geometry(), QRect(0, 0, 338, 240));
    EXPECT_EQ(splash.Picture1->pixmap().size(), QSize(338, 240));
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
        EXPECT_EQ(testenv::readFile(prefixDir + "/system.reg"), systemRegBefore);
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
        EXPECT_EQ(testenv::readFile(prefixDir + "/system.reg"), systemRegBefore);
        EXPECT_EQ(testenv::nodeType(target), node);
        mainwindow::resetProgram();
    }
    QFile::remove(resultsFile());
}

TEST_F(StartupTest, LogonStartWithSavedProblemsAndContinueShowsTheEmptyRegistryCleanerPage)
{
    saveProblems(3);
    answerSummary("cmdcontinue");
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    ASSERT_EQ(desktop.modals.size(), 1);
    EXPECT_EQ(desktop.modals[0].title, "Information");
    EXPECT_EQ(desktop.modals[0].texts.value("Label1"),
              "Velmora 2007 found 3 registry error(s) on your previous scan. These");
    EXPECT_TRUE(seen.shown);
    EXPECT_TRUE(seen.registryCleanerPage);
    EXPECT_EQ(seen.problemsListed, 0);
    EXPECT_EQ(seen.menus.left(1), "T") << "Load Scan Results is on";
    EXPECT_FALSE(mainwindow::bScanAndFixChosen);
    EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 3) << "the saved problems stay";
}

TEST_F(StartupTest, LogonStartWithScanAndFixDropsTheSavedProblemsAndScans)
{
    saveProblems(3);
    answerSummary("cmdScanAndFix");
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    EXPECT_EQ(modalNames(), (QStringList{"FrmSmmaryStartup", "FrmNextMessageBox"}));
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
        platform::SaveSetting(kApp, kSettingsSection, key, "0");
    answerSummary("cmdScanAndFix");
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    EXPECT_FALSE(QFile::exists(resultsFile()));
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].text, "Please select the Section you want to scan.");
    EXPECT_EQ(modalNames(), QStringList{"FrmSmmaryStartup"}) << "no scan ran";
    EXPECT_EQ(seen.problemsListed, 0);
}

TEST_F(StartupTest, LogonExitEndsWithEverythingAsItWas)
{
    saveProblems(3);
    answerSummary("cmdExit");
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    EXPECT_FALSE(seen.shown);
    EXPECT_FALSE(platform::prefixIsOpen());
    EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 3);
    EXPECT_EQ(testenv::readFile(prefixDir + "/system.reg"), systemRegBefore);
}

TEST_F(StartupTest, LogonCloseBoxActsLikeContinue)
{
    saveProblems(2);
    answerSummary("close");
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
                d.findChild<QPushButton*>(press)->click();
                return;
            }
            waited = &d;
            d.exec();
        };
        const bool exits = QByteArray(press) == "cmdExit";
        EXPECT_EQ(run(QStringLiteral("ShowError")), exits ? 0 : 1);
        EXPECT_FALSE(seen.shown);
        if (exits) {
            EXPECT_EQ(modalNames(), QStringList{"FrmSmmaryStartup"});
            EXPECT_TRUE(desktop.boxes.isEmpty());
        } else {
            EXPECT_EQ(modalNames(), (QStringList{"FrmSmmaryStartup", "FrmWaitForWine"}));
            EXPECT_NE(waited, nullptr);
            ASSERT_EQ(desktop.boxes.size(), 1);
            EXPECT_TRUE(desktop.boxes[0].text.contains("wineserver -k")) << desktop.boxes[0].text.toStdString();
            EXPECT_TRUE(desktop.boxes[0].text.contains(prefixDir)) << desktop.boxes[0].text.toStdString();
        }
        EXPECT_FALSE(platform::prefixIsOpen());
        EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 3) << "the saved problems stay";
        EXPECT_EQ(testenv::readFile(prefixDir + "/system.reg"), systemRegBefore);
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
                d.findChild<QPushButton*>(press)->click();
            } else if (d.objectName() == QLatin1String("FrmWaitForWine")) {
                for (const QLabel* l : d.findChildren<QLabel*>())
                    waitingText += l->toolTip() + QLatin1Char('|') + l->text() + QLatin1Char('|');
                // Its first looks see the server still running; it ends after
                // the third.
                auto* poll = d.findChild<QTimer*>("tmrPoll");
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
        EXPECT_EQ(desktop.modals[1].name, "FrmWaitForWine");
        EXPECT_TRUE(waitingText.contains(prefixDir)) << waitingText.toStdString();
        if (QByteArray(press) == "cmdcontinue") {
            EXPECT_EQ(seen.problemsListed, 0);
            EXPECT_EQ(seen.menus.left(1), "T") << "Load Scan Results is on";
            EXPECT_EQ(seen.savedProblems, 3) << "the saved problems stay";
        } else {
            EXPECT_EQ(seen.savedProblems, 0) << "the saved problems were dropped before the scan";
            EXPECT_EQ(seen.problemsListed, kFixtureProblems);
            EXPECT_EQ(modalNames().last(), "FrmNextMessageBox");
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
                    d.findChild<QPushButton*>(press)->click();
                    return;
                }
                QTimer::singleShot(0, &d, [&d, how] {
                    if (QByteArray(how) == "close")
                        d.close();
                    else if (QByteArray(how) == "escape")
                        QTest::keyClick(&d, Qt::Key_Escape);
                    else
                        d.findChild<QPushButton*>(how)->click();
                });
                d.exec();
            };
            EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
            EXPECT_EQ(modalNames(), (QStringList{"FrmSmmaryStartup", "FrmWaitForWine"}));
            EXPECT_TRUE(desktop.boxes.isEmpty());
            EXPECT_FALSE(seen.shown);
            EXPECT_FALSE(platform::prefixIsOpen());
            EXPECT_EQ(testenv::readFile(resultsFile()), results);
            EXPECT_EQ(testenv::readFile(prefixDir + "/system.reg"), systemRegBefore);
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
            platform::SaveSetting(kApp, kSettingsSection, "ResultStartup", c.stored);
        desktop.modals.clear();
        seen = {};
        answerSummary("cmdExit");
        EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
        EXPECT_FALSE(seen.shown);
        EXPECT_TRUE(desktop.boxes.isEmpty());
        EXPECT_EQ(modalNames(), c.summary ? QStringList{"FrmSmmaryStartup"} : QStringList{});
        if (!c.summary) {
            EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, "ResultStartup", "missing"), c.stored);
        }
        EXPECT_FALSE(platform::prefixIsOpen());
        EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 3);
        EXPECT_EQ(testenv::readFile(prefixDir + "/system.reg"), systemRegBefore);
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
    const QByteArray withEntry = testenv::readFile(prefixDir + "/system.reg");
    ASSERT_TRUE(withEntry.contains(entry));

    desktop.onModal = [](QDialog& d) {
        auto* box = d.findChild<QCheckBox*>("Check1");
        ASSERT_TRUE(box->isChecked());
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
        d.findChild<QPushButton*>("cmdExit")->click();
    };
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    EXPECT_EQ(modalNames(), QStringList{"FrmSmmaryStartup"});
    EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, "ResultStartup", "missing"), "0");

    desktop.modals.clear();
    seen = {};
    EXPECT_EQ(run(QStringLiteral("ShowError")), 0);
    EXPECT_TRUE(desktop.modals.isEmpty()) << "the summary came again";
    EXPECT_FALSE(seen.shown);
    EXPECT_EQ(testenv::readFile(prefixDir + "/system.reg"), withEntry);
    EXPECT_EQ(engine::CountFileLines(mainwindow::resultsPath()), 3);

    EXPECT_EQ(run(QString()), 0);
    ASSERT_TRUE(platform::closePrefix().ok);
    EXPECT_FALSE(testenv::readFile(prefixDir + "/system.reg").contains(entry)) << "an ordinary start removes it";
}

// Its texts fit; a long prefix path is shortened in the middle, whole in
// its hint; it looks again at every tick and gives up after a minute.
TEST_F(StartupTest, WaitingWindowTextsAndTimers)
{
    const QString longPath = "/home/someone/" + QString(200, 'x') + "/wine prefix";
    for (const QString& path : {prefixDir, longPath}) {
        FrmWaitForWine wait;
        wait.Form_Load(path);
        for (QLabel* l : {wait.lblWaiting, wait.lblPrefix})
            EXPECT_LE(l->sizeHint().width(), l->width()) << l->objectName().toStdString();
        EXPECT_LE(wait.lblWhy->heightForWidth(wait.lblWhy->width()), wait.lblWhy->height());
        EXPECT_EQ(wait.lblPrefix->toolTip(), path);
        EXPECT_TRUE(wait.lblPrefix->text().startsWith("/home/someone/") || path == prefixDir);
        EXPECT_TRUE(wait.lblPrefix->text().endsWith("wine prefix") || path == prefixDir);
        EXPECT_EQ(wait.cmdCancel->text(), "&Cancel");
        EXPECT_FALSE(wait.cmdCancel->isDefault() || wait.cmdCancel->autoDefault());
        EXPECT_TRUE(wait.tmrPoll->isActive());
        EXPECT_EQ(wait.tmrPoll->interval(), mainwindow::scaledInterval(250));
        EXPECT_TRUE(wait.tmrGiveUp->isActive() && wait.tmrGiveUp->isSingleShot());
        EXPECT_EQ(wait.tmrGiveUp->interval(), mainwindow::scaledInterval(60000));
        wait.reject();
        EXPECT_FALSE(wait.tmrPoll->isActive() || wait.tmrGiveUp->isActive()) << "closing stops the timers";
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
    QString stored() const { return platform::GetSetting(kApp, kSettingsSection, "ResultStartup", "missing"); }
};

TEST_F(SummaryTest, WindowTextsAndGeometry)
{
    FrmSmmaryStartup summary;
    summary.Form_Load();
    EXPECT_EQ(summary.windowTitle(), "Information");
    EXPECT_EQ(summary.size(), QSize(494, 126));
    EXPECT_EQ(summary.Image1->pixmap().size(), QSize(48, 48));
    EXPECT_EQ(summary.Label2->text(), "error(s) may affect system performance.");
    EXPECT_EQ(summary.cmdcontinue->text(), "&Continue");
    EXPECT_EQ(summary.cmdScanAndFix->text(), "&Scan && Fix");
    EXPECT_EQ(summary.cmdExit->text(), "&Exit");
    EXPECT_EQ(summary.Check1->text(), "Show this information again on Next log on");
    EXPECT_EQ(summary.cmdScanAndFix->geometry(), QRect(119, 68, 88, 23));
    EXPECT_FALSE(summary.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    for (QPushButton* b : {summary.cmdcontinue, summary.cmdScanAndFix, summary.cmdExit})
        EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->objectName().toStdString();
    // Every text fits its control.
    for (QLabel* l : {summary.Label1, summary.Label2})
        EXPECT_LE(l->sizeHint().width(), l->width()) << l->objectName().toStdString();
    EXPECT_LE(summary.Check1->sizeHint().width(), summary.Check1->width());
    // Tab order from Continue.
    auto next = [](QWidget* w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    EXPECT_EQ(next(summary.cmdcontinue), summary.cmdScanAndFix);
    EXPECT_EQ(next(summary.cmdScanAndFix), summary.cmdExit);
    EXPECT_EQ(next(summary.cmdExit), summary.Check1);
    EXPECT_EQ(next(summary.Check1), summary.cmdcontinue);
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
        EXPECT_EQ(summary.Label1->text(), QStringLiteral("Velmora 2007 found %1 registry error(s) on your previous scan. These").arg(n));
        EXPECT_LE(summary.Label1->sizeHint().width(), summary.Label1->width()) << n;
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
            platform::SaveSetting(kApp, kSettingsSection, "ResultStartup", c.stored);
        FrmSmmaryStartup summary;
        summary.Form_Load();
        EXPECT_EQ(summary.Check1->isChecked(), c.checked);
        EXPECT_EQ(stored(), c.after);
    }
}

TEST_F(SummaryTest, UncheckingSavesAtOnce)
{
    FrmSmmaryStartup summary;
    summary.Form_Load();
    QTest::mouseClick(summary.Check1, Qt::LeftButton, {}, QPoint(5, summary.Check1->height() / 2));
    EXPECT_FALSE(summary.Check1->isChecked());
    EXPECT_EQ(stored(), "0");
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
        platform::SaveSetting(kApp, kSettingsSection, "ResultStartup", "True");
        mainwindow::bScanAndFixChosen = !c.scanAndFix;
        FrmSmmaryStartup summary;
        summary.Form_Load();
        summary.Check1->setChecked(false);
        platform::SaveSetting(kApp, kSettingsSection, "ResultStartup", "untouched");
        QTimer::singleShot(0, &summary, [&] { summary.findChild<QPushButton*>(c.button)->click(); });
        const int result = summary.exec();
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(stored(), "0") << "every button saves the box";
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
    platform::SaveSetting(kApp, kSettingsSection, "ResultStartup", "untouched");
    bool escapeKeptItOpen = false;
    QTimer::singleShot(0, &summary, [&] {
        EXPECT_EQ(summary.focusWidget(), summary.cmdcontinue);
        QTest::keyClick(&summary, Qt::Key_Escape);
        escapeKeptItOpen = summary.isVisible();
        summary.close();  // Alt+F4 on a desktop
    });
    EXPECT_EQ(summary.exec(), QDialog::Rejected);
    EXPECT_TRUE(escapeKeptItOpen);
    EXPECT_FALSE(mainwindow::bScanAndFixChosen);
    EXPECT_FALSE(mainwindow::programEnded());
    EXPECT_EQ(stored(), "untouched") << "closing saves nothing more";
}

// Enter presses the button that has the focus; with the focus on the check
// box it presses nothing.
TEST_F(SummaryTest, EnterPressesTheFocusedButtonOnly)
{
    FrmSmmaryStartup summary;
    summary.Form_Load();
    bool enterOnCheckBoxKeptItOpen = false;
    QTimer::singleShot(0, &summary, [&] {
        QApplication::setActiveWindow(&summary);
        summary.Check1->setFocus();
        QTest::keyClick(summary.Check1, Qt::Key_Return);
        enterOnCheckBoxKeptItOpen = summary.isVisible();
        summary.cmdScanAndFix->setFocus();
        QTest::keyClick(summary.cmdScanAndFix, Qt::Key_Return);
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
        w.mnuFileShowScanResultsonStartup->setChecked(c.option);
        for (int i = 0; i < c.rows; ++i)
            w.lvwErrors().add(problem("Fonts", QStringLiteral("n%1").arg(i), "C:\\gone.ttf"));
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
    w.lvwErrors().add(problem("Fonts", "a", "C:\\gone-a.ttf"));
    w.lvwErrors().add(problem("Fonts", "b", "C:\\gone-b.ttf"));
    w.mnuFileSaveScanResults_Click();
    ASSERT_TRUE(QFile::remove(resultsFile()));
    ASSERT_TRUE(w.mnuFileShowScanResultsonStartup->isChecked());
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
