// Find Missing Files: the action that opens the missing-files wizard.
#include "engine/services.h"
#include "mainwindow/frmstart.h"

#include <QAction>

void FrmStart::mnuCleaningFindMissingFiles_Click()
{
    ImgFindMissingFilesClick_MouseMove();
}

void FrmStart::ImgFindMissingFilesClick_MouseMove()
{
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
    // The missing-files wizard is shown here, modally, once it exists.
}
