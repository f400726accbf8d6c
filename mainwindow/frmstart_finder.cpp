// Find Missing Files: the menu's action and the missing-files wizard the
// page's button opens.
#include "engine/services.h"
#include "finder/frmscanfmissingfiles.h"
#include "mainwindow/frmstart.h"
#include "platform/desktop.h"

#include <QAction>

void FrmStart::mnuCleaningFindMissingFiles_Click()
{
    PicRegistryCleaner->ImgFindMissingFilesClick_MouseMove();
}

void FrmStart::ShowMissingFilesWizard()
{
    // Its walk removes hidden rows only; the problem page is left as it was.
    FrmScanFmissingFiles wizard(scanContext(), this);
    platform::ShowModal(&wizard);
}
