// The section choices: each box saves its value in the settings store when it
// changes, and the stored values come back at start.
#include "mainwindow/frmstart.h"
#include "platform/settings.h"

#include <QCheckBox>

namespace {
const QString kSettingsSection = QStringLiteral("MySettings");

int boxValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}
}  // namespace

void FrmStart::saveSectionChoice(int index)
{
    const QCheckBox* box = sectionBoxes[index];
    platform::SaveSetting(productName(), kSettingsSection, box->objectName(), QString::number(boxValue(box)));
}

void FrmStart::ChkChosseSettingsActiveXProgramID_Click() { saveSectionChoice(0); }
void FrmStart::ChkChosseSettingsApplicationPaths_Click() { saveSectionChoice(1); }
void FrmStart::ChkeFilePathsAndHistory_Click() { saveSectionChoice(2); }
void FrmStart::ChkFileTypes_Click() { saveSectionChoice(3); }
void FrmStart::ChkChosseSettingsInstalledHelpFiles_Click() { saveSectionChoice(4); }
void FrmStart::ChkChosseSettingsInstalledFiles_Click() { saveSectionChoice(5); }
void FrmStart::ChkChosseSettingsSharedProgramFiles_Click() { saveSectionChoice(6); }
void FrmStart::ChkStartupMenu_Click() { saveSectionChoice(7); }
void FrmStart::ChkChosseSettingsStartupPrograms_Click() { saveSectionChoice(8); }

// The nine section boxes from the store (a missing key reads as checked). A
// text that is not 0, 1 or 2 leaves its box as it is. The view options and
// the logon entry are read back with the start-up window.
void FrmStart::ApplySavedSettings()
{
    for (QCheckBox* box : sectionBoxes) {
        const auto value =
            platform::textToInteger(platform::GetSetting(productName(), kSettingsSection, box->objectName(), QStringLiteral("1")));
        if (!value || *value < 0 || *value > 2)
            continue;
        static const Qt::CheckState states[3] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
        if (*value == 2)
            box->setTristate(true);
        box->setCheckState(states[*value]);
    }
}
