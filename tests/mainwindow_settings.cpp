// The section choices: stored in the settings store when they change, read
// back at load.
#include "mainwindow/frmstart.h"
#include "platform/settings.h"
#include "tests/mainwindow_fixture.h"

#include <QCheckBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace windowtest;

namespace {

// --- section choices --------------------------------------------------------------------------

TEST_F(FrmStartTest, EmptyStoreChecksEveryBoxAndSavesIt)
{
    for (QCheckBox* box : window->sectionBoxes) {
        EXPECT_EQ(box->checkState(), Qt::Checked) << box->objectName().toStdString();
        EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, box->objectName(), "missing"), "1");
    }
}

TEST_F(FrmStartTest, StoredChoicesComeBackAndClicksAreSaved)
{
    platform::SaveSetting(kApp, kSettingsSection, "ChkFileTypes", "0");
    platform::SaveSetting(kApp, kSettingsSection, "ChkChosseSettingsInstalledFiles", "2");
    platform::SaveSetting(kApp, kSettingsSection, "ChkStartupMenu", "abc");
    FrmStart second;
    second.Form_Load();
    EXPECT_EQ(second.sectionBoxes[3]->checkState(), Qt::Unchecked);
    EXPECT_EQ(second.sectionBoxes[5]->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(second.sectionBoxes[7]->checkState(), Qt::Unchecked) << "a text that does not convert leaves it";
    EXPECT_EQ(second.sectionBoxes[0]->checkState(), Qt::Checked);

    QCheckBox* box = window->sectionBoxes[0];
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, box->objectName()), "0");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, box->objectName()), "1");

    // Grayed comes only from the store: clicks then go between 1 and 0.
    QCheckBox* grayed = second.sectionBoxes[5];
    for (const char* stored : {"1", "0", "1"}) {
        QTest::mouseClick(grayed, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(platform::GetSetting(kApp, kSettingsSection, grayed->objectName()), stored);
    }
}

}  // namespace
