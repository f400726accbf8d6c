// Find Missing Files from the main window: the wizard opened modally over a
// scan's problems, the rows its walk removes, and the menus afterwards.
#include "finder/frmscanfmissingfiles.h"
#include "tests/mainwindow_fixture.h"
#include "tests/support/namedcontrol.h"
#include "tests/support/testenv.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace windowtest {
namespace {

using FindMissingFiles = FrmStartTest;

TEST_F(FindMissingFiles, TheWizardDropsTheProblemsWhoseFileIsThere)
{
    scanAndAnswer();
    ASSERT_EQ(window->lvwErrors().count(), kFixtureProblems);
    const QString planted = QStringLiteral("C:\\Program Files\\Gone\\gone.exe");
    int naming = 0;
    for (const auto& row : window->lvwErrors().rows())
        naming += row.KeyValue.trimmed().compare(planted, Qt::CaseInsensitive) == 0;
    ASSERT_GT(naming, 0);
    ASSERT_TRUE(testenv::writeFile(prefixDir + u"/drive_c/Program Files/Gone/gone.exe"_s, "x"));
    desktop.boxes.clear();
    desktop.sounds.clear();

    QString seenScanPath;
    desktop.onModal = [&](QDialog& d) {
        auto* wizard = qobject_cast<FrmScanFmissingFiles*>(&d);
        ASSERT_NE(wizard, nullptr);
        EXPECT_FALSE(window->findChild<PictureImage*>(u"ImgFindMissingFilesClick"_s)->isEnabled());
        testenv::control<QRadioButton>(*wizard, "OptScanAllDisk")->click();
        testenv::control<QPushButton>(*wizard, "cmdScan")->click();
        seenScanPath = window->findChild<QLabel*>(u"lblRegistryFilesScan"_s)->text();
        testenv::control<QPushButton>(*wizard, "cmdFinish")->click();
    };
    menuItem(*window, "mnuCleaningFindMissingFiles")->trigger();
    desktop.onModal = {};

    ASSERT_EQ(desktop.modals.size(), 2);
    EXPECT_EQ(desktop.modals.last().name, QStringLiteral("FrmScanFmissingFiles"));
    EXPECT_EQ(desktop.modals.last().title, QStringLiteral("Velmora 2007"));
    EXPECT_EQ(window->lvwErrors().count(), kFixtureProblems - naming);
    ASSERT_EQ(desktop.boxes.size(), 2);
    EXPECT_EQ(desktop.boxes[0].text,
              QStringLiteral("Scanning is completed : %1 missing files(s) were found.").arg(naming));
    EXPECT_TRUE(desktop.boxes[1].text.startsWith(QStringLiteral("The program has found %1 missing files(s).").arg(naming)));
    EXPECT_FALSE(seenScanPath.isEmpty());
    // One click sound for the action, none for the wizard's buttons; the
    // visible list is left as it was.
    EXPECT_EQ(desktop.sounds.size(), 1);
    EXPECT_EQ(find<QTreeWidget>(u"lvwProblem"_s)->topLevelItemCount(), kFixtureProblems);
    EXPECT_EQ(menuStates(*window), QStringLiteral("FTFTTTTT"));
    EXPECT_TRUE(window->findChild<PictureImage*>(u"ImgFindMissingFilesClick"_s)->isEnabled());
}

TEST_F(FindMissingFiles, WithNoProblemListedOnlyTheMenuItemIsDisabled)
{
    ASSERT_EQ(window->lvwErrors().count(), 0);
    const QString before = menuStates(*window);
    window->mnuCleaningFindMissingFiles_Click();
    EXPECT_TRUE(desktop.modals.isEmpty());
    EXPECT_TRUE(desktop.boxes.isEmpty());
    EXPECT_EQ(desktop.sounds.size(), 1);
    EXPECT_FALSE(menuItem(*window, "mnuCleaningFindMissingFiles")->isEnabled());
    QString expected = before;
    expected[6] = QLatin1Char('F');
    EXPECT_EQ(menuStates(*window), expected);
}

TEST_F(FindMissingFiles, ClosingTheWizardUnusedChangesNoRow)
{
    scanAndAnswer();
    desktop.boxes.clear();
    desktop.onModal = [&](QDialog& d) { testenv::control<QPushButton>(d, "cmdCancel")->click(); };
    registryCleanerPage(*window)->ImgFindMissingFilesClick_MouseMove();
    desktop.onModal = {};
    EXPECT_EQ(window->lvwErrors().count(), kFixtureProblems);
    EXPECT_TRUE(desktop.boxes.isEmpty());
    EXPECT_TRUE(window->scanContext().cancelled());
    EXPECT_EQ(menuStates(*window), QStringLiteral("FTFTTTTT"));
}

}  // namespace
}  // namespace windowtest
