// Find Missing Files: the action that opens the missing-files wizard.
#include "engine/services.h"
#include "finder/frmscanfmissingfiles.h"
#include "mainwindow/frmstart.h"
#include "platform/desktop.h"

#include <QAction>

void FrmStart::mnuCleaningFindMissingFiles_Click()
{
    ImgFindMissingFilesClick_MouseMove();
}

void FrmStart::ImgFindMissingFilesClick_MouseMove()
{
    if (listWorkRunning())
        return;
    PicRegistryCleaner_MouseMove();
    engine::PlayAlertSound();
    if (problemsListed()) {
        btnFindMissingFiles.pressed->setEnabled(false);
        ShowMissingFilesWizard();
        SetMenusEnabled(false, true, false, true, true, true, true, true);
        btnFindMissingFiles.pressed->setEnabled(true);
    } else {
        mnuCleaningFindMissingFiles->setEnabled(false);
    }
}

void FrmStart::ShowMissingFilesWizard()
{
    // Its walk removes hidden rows only; the problem page is left as it was.
    FrmScanFmissingFiles wizard(scanContext(), this);
    platform::ShowModal(&wizard);
}
