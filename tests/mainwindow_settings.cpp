// The saved choices: the section boxes, the start-up option with its logon
// entry and the two bars, stored when they change and read back at load.
#include "engine/logonentry.h"
#include "engine/registryaccess.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/twips.h"
#include "platform/prefix.h"
#include "platform/regkey.h"
#include "platform/settings.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/oddfiles.h"
#include "tests/support/testenv.h"
#include "tests/support/watchdog.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>
#include <QToolBar>

#include <optional>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace windowtest;

namespace {

// --- section choices --------------------------------------------------------------------------

TEST_F(FrmStartTest, EmptyStoreChecksEveryBoxAndSavesIt)
{
    for (QCheckBox* box : sectionBoxes(*window)) {
        EXPECT_EQ(box->checkState(), Qt::Checked) << box->objectName().toStdString();
        EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, box->objectName(), u"missing"_s), u"1"_s);
    }
}

// A store that is no regular file: the window comes up at once with every
// option as on a first run, and a change leaves that thing alone.
TEST_F(FrmStartTest, AStoreThatIsNoRegularFileGivesTheFirstRunOptionsAndIsLeftAlone)
{
    const QString ini = QSettings(QSettings::IniFormat, QSettings::UserScope, kApp).fileName();
    for (const testenv::OddKind kind : testenv::kOddKinds) {
        window.reset();
        QFile::remove(ini);
        const QString target = testenv::makeOdd(kind, ini);
        ASSERT_FALSE(target.isEmpty()) << testenv::describe(kind);
        const mode_t node = testenv::nodeType(target);
        {
            const testenv::Watchdog watchdog(std::string("the main window's load over ") + testenv::describe(kind));
            reopenWindow();
            for (QCheckBox* box : sectionBoxes(*window))
                EXPECT_EQ(box->checkState(), Qt::Checked) << box->objectName().toStdString();
            EXPECT_TRUE(menuItem(*window, "mnuViewStatusbar")->isChecked());
            EXPECT_TRUE(menuItem(*window, "mnuViewToolbar")->isChecked());
            sectionBoxes(*window)[0]->click();
            window->mnuViewToolbar_Click();
        }
        EXPECT_EQ(testenv::nodeType(target), node) << testenv::describe(kind);
        EXPECT_EQ(testenv::nodeType(ini), target == ini ? node : S_IFLNK) << testenv::describe(kind);
        EXPECT_TRUE(desktop.boxes.isEmpty()) << testenv::describe(kind);
        window.reset();
        QFile::remove(ini);
    }
}

TEST_F(FrmStartTest, StoredChoicesComeBackAndClicksAreSaved)
{
    platform::SaveSetting(kApp, kSettingsSection, u"ChkFileTypes"_s, u"0"_s);
    platform::SaveSetting(kApp, kSettingsSection, u"ChkChosseSettingsInstalledFiles"_s, u"2"_s);
    platform::SaveSetting(kApp, kSettingsSection, u"ChkStartupMenu"_s, u"abc"_s);
    FrmStart second;
    second.Form_Load();
    EXPECT_EQ(sectionBoxes(second)[3]->checkState(), Qt::Unchecked);
    EXPECT_EQ(sectionBoxes(second)[5]->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(sectionBoxes(second)[7]->checkState(), Qt::Unchecked) << "a text that does not convert leaves it";
    EXPECT_EQ(sectionBoxes(second)[0]->checkState(), Qt::Checked);

    QCheckBox* box = sectionBoxes(*window)[0];
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, box->objectName()), u"0"_s);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, box->objectName()), u"1"_s);

    // Grayed comes only from the store: clicks then go between 1 and 0.
    QCheckBox* grayed = sectionBoxes(second)[5];
    for (const char* stored : {"1", "0", "1"}) {
        QTest::mouseClick(grayed, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, grayed->objectName()), QString::fromUtf8(stored));
    }
}

// --- the three menu options and the logon entry ---------------------------------------------

const QString kRunKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
// The entry's line in system.reg begins so.
const QByteArray kEntryLine = "\n\"mainwindow_frmstart\"=";

// The logon entry as it stands in the prefix's registry: empty when absent.
std::optional<platform::RegValue> logonEntry()
{
    const platform::RegKey key = platform::RegKey::openDefault(HKEY_LOCAL_MACHINE, kRunKey);
    if (!key.ok())
        return std::nullopt;
    platform::RegValue value = platform::readRegValue(key.handle(), QStringLiteral("mainwindow_frmstart"));
    if (!value.ok())
        return std::nullopt;
    return value;
}

QString setting(const QString& key)
{
    return platform::GetSetting(kApp, kSettingsSection, key, QStringLiteral("<missing>"));
}

TEST_F(FrmStartTest, EmptyStoreChecksTheMenuOptionsAndWritesTheLogonEntry)
{
    EXPECT_TRUE(menuItem(*window, "mnuFileShowScanResultsonStartup")->isChecked());
    EXPECT_TRUE(menuItem(*window, "mnuViewStatusbar")->isChecked());
    EXPECT_TRUE(menuItem(*window, "mnuViewToolbar")->isChecked());
    EXPECT_FALSE(toolBar(*window)->isHidden());
    EXPECT_FALSE(statusBar(*window)->isHidden());

    // Named after the executable; its quoted Windows path through Z: and the
    // argument; a string value stored with its terminating NUL, as Wine
    // stores strings (its tools cut the last letter of one without).
    const auto entry = logonEntry();
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->type, DWORD(REG_SZ));
    const QString expected = QStringLiteral("\"Z:") + QString(programDir).replace(u'/', u'\\')
        + QStringLiteral("\\mainwindow_frmstart.exe\" ShowError");
    EXPECT_EQ(entry->data, expected.toLatin1() + '\0');
    EXPECT_EQ(engine::StartupRunValueData(), expected);
    // The menu options are saved only when they change.
    for (const char* key : {"ResultStartup", "ViewStatusBar", "ViewToolbar"})
        EXPECT_EQ(setting(QLatin1String(key)), u"<missing>"_s) << key;
}

// Each of the three options read back from every kind of stored text: the
// runtime's Boolean conversion, with a text that does not convert leaving
// the item checked as it was designed.
TEST_F(FrmStartTest, MenuOptionsReadBackAsBooleans)
{
    struct Case {
        const char* stored;
        bool checked;
    };
    const Case cases[] = {{"1", true},   {"True", true}, {"true", true}, {"-1", true}, {"0", false},
                          {"False", false}, {"0.0", false}, {"junk", true}, {"", true}};
    for (const Case& c : cases) {
        for (const char* key : {"ResultStartup", "ViewStatusBar", "ViewToolbar"})
            platform::SaveSetting(kApp, kSettingsSection, QLatin1String(key), QLatin1String(c.stored));
        reopenWindow();
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(menuItem(*window, "mnuFileShowScanResultsonStartup")->isChecked(), c.checked);
        EXPECT_EQ(menuItem(*window, "mnuViewStatusbar")->isChecked(), c.checked);
        EXPECT_EQ(menuItem(*window, "mnuViewToolbar")->isChecked(), c.checked);
        EXPECT_EQ(statusBar(*window)->isHidden(), !c.checked);
        EXPECT_EQ(toolBar(*window)->isHidden(), !c.checked);
        // The logon entry follows the option at every load.
        EXPECT_EQ(logonEntry().has_value(), c.checked);
        // The read-back writes none of them.
        EXPECT_EQ(setting(u"ResultStartup"_s), QString::fromUtf8(c.stored));
    }
}

TEST_F(FrmStartTest, SectionBoxesReadBackAsNumbers)
{
    struct Case {
        const char* stored;
        Qt::CheckState state;
        const char* savedAfter;  // what the box's own handler leaves stored
    };
    const Case cases[] = {
        {"1", Qt::Checked, "1"},       {"0", Qt::Unchecked, "0"},     {"False", Qt::Unchecked, "False"},
        {"junk", Qt::Unchecked, "junk"}, {"", Qt::Unchecked, ""},       {"1.4", Qt::Checked, "1"},
        {"3", Qt::Unchecked, "3"},
    };
    for (const Case& c : cases) {
        for (QCheckBox* box : sectionBoxes(*window))
            platform::SaveSetting(kApp, kSettingsSection, box->objectName(), QLatin1String(c.stored));
        reopenWindow();
        SCOPED_TRACE(c.stored);
        for (QCheckBox* box : sectionBoxes(*window)) {
            EXPECT_EQ(box->checkState(), c.state) << box->objectName().toStdString();
            EXPECT_EQ(setting(box->objectName()), QString::fromUtf8(c.savedAfter));
        }
    }
}

TEST_F(FrmStartTest, MenuTogglesSaveTheirOptionAtOnce)
{
    struct Option {
        const char* item;
        const char* key;
    };
    const Option options[] = {{"mnuFileShowScanResultsonStartup", "ResultStartup"},
                              {"mnuViewStatusbar", "ViewStatusBar"},
                              {"mnuViewToolbar", "ViewToolbar"}};
    for (const Option& o : options) {
        QAction* item = menuItem(*window, o.item);
        SCOPED_TRACE(o.key);
        item->trigger();
        EXPECT_FALSE(item->isChecked());
        EXPECT_EQ(setting(QLatin1String(o.key)), u"False"_s);
        item->trigger();
        EXPECT_TRUE(item->isChecked());
        EXPECT_EQ(setting(QLatin1String(o.key)), u"True"_s);
        item->trigger();
    }
    // A new window comes up as they were left.
    reopenWindow();
    EXPECT_FALSE(menuItem(*window, "mnuFileShowScanResultsonStartup")->isChecked());
    EXPECT_FALSE(menuItem(*window, "mnuViewStatusbar")->isChecked());
    EXPECT_FALSE(menuItem(*window, "mnuViewToolbar")->isChecked());
    EXPECT_TRUE(desktop.boxes.isEmpty());
}

TEST_F(FrmStartTest, StartupOptionWritesAndDeletesTheLogonEntryAtOnce)
{
    ASSERT_TRUE(logonEntry().has_value());
    menuItem(*window, "mnuFileShowScanResultsonStartup")->trigger();
    EXPECT_FALSE(logonEntry().has_value());
    // The change reaches the registry file with the action, not at exit.
    EXPECT_FALSE(testenv::readFile(prefixDir + u"/system.reg"_s).contains(kEntryLine));
    menuItem(*window, "mnuFileShowScanResultsonStartup")->trigger();
    EXPECT_TRUE(logonEntry().has_value());
    EXPECT_TRUE(testenv::readFile(prefixDir + u"/system.reg"_s).contains(kEntryLine));
    // The Run key's other values are left as they were.
    const platform::RegKey run = platform::RegKey::openDefault(HKEY_LOCAL_MACHINE, kRunKey);
    EXPECT_EQ(platform::regText(platform::readRegValue(run.handle(), u"GoneRun"_s).data, platform::RegNul::FirstNul),
              u"C:\\Program Files\\Gone\\gonerun.exe"_s);
    EXPECT_TRUE(desktop.boxes.isEmpty());
}

// An entry that is already as it would be written is not written again:
// an ordinary start leaves the registry files alone.
TEST_F(FrmStartTest, LoadLeavesACurrentLogonEntryAndTheFilesAlone)
{
    ASSERT_TRUE(logonEntry().has_value());
    QCoreApplication::processEvents();
    const QByteArray before = testenv::readFile(prefixDir + u"/system.reg"_s);
    ASSERT_TRUE(before.contains(kEntryLine));
    reopenWindow();
    QCoreApplication::processEvents();
    EXPECT_EQ(testenv::readFile(prefixDir + u"/system.reg"_s), before);

    // An entry left by another program folder is brought up to date.
    {
        platform::RegistryBatch batch;
        ASSERT_EQ(engine::WriteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, u"mainwindow_frmstart"_s,
                                             QStringLiteral("\"Z:\\old\\mainwindow_frmstart.exe\" ShowError")),
                  0);
    }
    reopenWindow();
    EXPECT_EQ(logonEntry()->data, engine::StartupRunValueData().toLatin1() + '\0');

    // So is one of the same text stored without its NUL (as earlier
    // versions wrote it), which Wine's export would cut short.
    {
        platform::RegistryBatch batch;
        ASSERT_EQ(engine::WriteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, u"mainwindow_frmstart"_s,
                                             engine::StartupRunValueData()),
                  0);
    }
    ASSERT_EQ(logonEntry()->data, engine::StartupRunValueData().toLatin1());
    EXPECT_FALSE(engine::StartupRunValueIsCurrent());
    reopenWindow();
    EXPECT_EQ(logonEntry()->data, engine::StartupRunValueData().toLatin1() + '\0');
    EXPECT_TRUE(engine::StartupRunValueIsCurrent());
}

TEST_F(FrmStartTest, LogonEntryAtADriveRootHoldsTwoBackslashes)
{
    testenv::SeamGuard seam;
    seam.programFolder(QStringLiteral("/"));
    EXPECT_EQ(engine::StartupRunValueData(), QStringLiteral("\"Z:\\\\mainwindow_frmstart.exe\" ShowError"));
}

// Wine changed the registry file (its registry editor, say) since it was
// read: the option reads it again and keeps that change, as a fix does.
TEST_F(FrmStartTest, StartupOptionReadsARegistryChangedOnDiskFirst)
{
    QCoreApplication::processEvents();
    QByteArray text = testenv::readFile(prefixDir + u"/system.reg"_s);
    ASSERT_TRUE(text.contains(kEntryLine));
    text.replace("\"GoneRun\"=", "\"Later\"=\"x\"\n\"GoneRun\"=");
    ASSERT_TRUE(testenv::writeFile(prefixDir + u"/system.reg"_s, text));

    menuItem(*window, "mnuFileShowScanResultsonStartup")->trigger();
    EXPECT_TRUE(desktop.boxes.isEmpty()) << desktop.boxes.value(0).text.toStdString();
    EXPECT_FALSE(logonEntry().has_value());
    const QByteArray saved = testenv::readFile(prefixDir + u"/system.reg"_s);
    EXPECT_FALSE(saved.contains(kEntryLine));
    EXPECT_TRUE(saved.contains("\"Later\"=\"x\""));
}

// The registry takes the entry through the code page: a program folder
// named with letters it lacks would give an entry naming another path, so
// none is written, and the option still works.
TEST_F(FrmStartTest, LogonEntryIsNotWrittenWithLettersTheCodePageLacks)
{
    ASSERT_TRUE(logonEntry().has_value());
    const QByteArray before = logonEntry()->data;
    const QString odd = programDir + QStringLiteral("/\u041f\u0440\u043e\u0433");
    ASSERT_TRUE(QDir().mkpath(odd));
    testenv::SeamGuard seam;
    seam.programFolder(odd);
    EXPECT_NE(engine::WriteStartupRunValue(), ERROR_SUCCESS);
    reopenWindow();
    ASSERT_TRUE(logonEntry().has_value());
    EXPECT_EQ(logonEntry()->data, before);
    menuItem(*window, "mnuFileShowScanResultsonStartup")->trigger();
    EXPECT_FALSE(logonEntry().has_value()) << "turning the option off still deletes the entry";
    menuItem(*window, "mnuFileShowScanResultsonStartup")->trigger();
    EXPECT_TRUE(menuItem(*window, "mnuFileShowScanResultsonStartup")->isChecked());
    EXPECT_FALSE(logonEntry().has_value());
    EXPECT_TRUE(desktop.boxes.isEmpty());
}

// Without a Run key the entry cannot be written (the key is not made); the
// option and its setting change all the same, and nothing is reported.
TEST_F(FrmStartTest, MissingRunKeyLeavesTheOptionWorking)
{
    window.reset();
    ASSERT_TRUE(platform::closePrefix().ok);
    QByteArray reg = testenv::readFile(prefixDir + u"/system.reg"_s);
    const qsizetype start = reg.indexOf("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run]");
    ASSERT_GE(start, 0);
    reg.remove(start, reg.indexOf("\n\n", start) + 2 - start);
    ASSERT_TRUE(testenv::writeFile(prefixDir + u"/system.reg"_s, reg));
    ASSERT_TRUE(platform::openPrefix(prefixDir).ok);
    reopenWindow();

    EXPECT_FALSE(logonEntry().has_value());
    menuItem(*window, "mnuFileShowScanResultsonStartup")->trigger();
    menuItem(*window, "mnuFileShowScanResultsonStartup")->trigger();
    EXPECT_TRUE(menuItem(*window, "mnuFileShowScanResultsonStartup")->isChecked());
    EXPECT_EQ(setting(u"ResultStartup"_s), u"True"_s);
    EXPECT_FALSE(logonEntry().has_value());
    EXPECT_FALSE(platform::RegKey::openDefault(HKEY_LOCAL_MACHINE, kRunKey).ok()) << "the key was made";
    EXPECT_TRUE(desktop.boxes.isEmpty());
}

// --- the bars and the window's height ----------------------------------------------------------

class FrmStartBars : public FrmStartTest {
protected:
    int clientHeight() const { return window->centralWidget()->height(); }
    // Both pages' tops, in pixels.
    std::pair<int, int> pagesTop() const { return {registryCleanerPage(*window)->y(), rescueCenterPage(*window)->y()}; }
    static std::pair<int, int> both(int twipsTop) { return {twips::px(twipsTop), twips::px(twipsTop)}; }
    // The status bar lies along the bottom of the window's client area.
    bool statusBarAtBottom() const
    {
        return statusBar(*window)->geometry().bottom() == clientHeight() - 1;
    }
    void show()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
};

TEST_F(FrmStartBars, StatusBarOffAndOnAgain)
{
    show();
    const int height = window->height();
    ASSERT_EQ(clientHeight(), twips::px(7665));
    ASSERT_EQ(statusBar(*window)->y(), twips::px(7335));

    menuItem(*window, "mnuViewStatusbar")->trigger();
    EXPECT_TRUE(statusBar(*window)->isHidden());
    EXPECT_EQ(window->height(), height - twips::px(345));
    EXPECT_EQ(clientHeight(), twips::px(7665) - twips::px(345));
    EXPECT_EQ(pagesTop(), std::make_pair(twips::px(645), twips::px(660)));

    menuItem(*window, "mnuViewStatusbar")->trigger();
    EXPECT_FALSE(statusBar(*window)->isHidden());
    EXPECT_EQ(window->height(), height);
    EXPECT_EQ(statusBar(*window)->y(), twips::px(7335));
    EXPECT_TRUE(statusBarAtBottom());
}

TEST_F(FrmStartBars, ToolBarOffAndOnAgainMovesThePages)
{
    show();
    const int height = window->height();

    menuItem(*window, "mnuViewToolbar")->trigger();
    EXPECT_TRUE(toolBar(*window)->isHidden());
    EXPECT_EQ(pagesTop(), both(0));
    EXPECT_EQ(window->height(), height - twips::px(630));
    // The status bar, on, is hidden and shown again at the new bottom.
    EXPECT_FALSE(statusBar(*window)->isHidden());
    EXPECT_TRUE(statusBarAtBottom());

    menuItem(*window, "mnuViewToolbar")->trigger();
    EXPECT_FALSE(toolBar(*window)->isHidden());
    EXPECT_EQ(window->height(), height);
    // 615 twips, not where the pages stood at first.
    EXPECT_EQ(pagesTop(), both(615));
    EXPECT_TRUE(statusBarAtBottom());
}

TEST_F(FrmStartBars, BothBarsOffInTheStore)
{
    show();
    const int fullHeight = window->height();
    platform::SaveSetting(kApp, kSettingsSection, u"ViewStatusBar"_s, u"False"_s);
    platform::SaveSetting(kApp, kSettingsSection, u"ViewToolbar"_s, u"0"_s);
    reopenWindow();
    show();
    EXPECT_TRUE(statusBar(*window)->isHidden());
    EXPECT_TRUE(toolBar(*window)->isHidden());
    EXPECT_EQ(clientHeight(), twips::px(7665) - twips::px(345) - twips::px(630));
    EXPECT_EQ(window->height(), fullHeight - twips::px(345) - twips::px(630));
    EXPECT_EQ(pagesTop(), both(0));

    // Only the tool bar back: the status bar stays off.
    menuItem(*window, "mnuViewToolbar")->trigger();
    EXPECT_FALSE(toolBar(*window)->isHidden());
    EXPECT_TRUE(statusBar(*window)->isHidden());
    EXPECT_EQ(window->height(), fullHeight - twips::px(345));
    EXPECT_EQ(pagesTop(), both(615));

    menuItem(*window, "mnuViewStatusbar")->trigger();
    EXPECT_FALSE(statusBar(*window)->isHidden());
    EXPECT_EQ(window->height(), fullHeight);
    EXPECT_TRUE(statusBarAtBottom());
    EXPECT_EQ(setting(u"ViewStatusBar"_s), u"True"_s);
    EXPECT_EQ(setting(u"ViewToolbar"_s), u"True"_s);
}

}  // namespace
