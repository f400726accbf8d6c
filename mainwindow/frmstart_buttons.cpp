// The picture buttons of the Registry Cleaner page and its panels: hover,
// press, and the page handlers that put them back to normal (the problem
// page and the Rescue Center page keep their own, problempage.cpp and
// rescuecenterpage.cpp). Each button's action is its pressed picture's mouse move.
#include "mainwindow/frmstart.h"

void FrmStart::hoverOver(PictureButton& b, const QString& hint)
{
    b.showHover();
    setStatusHint(hint);
}

// --- hover --------------------------------------------------------------------

void FrmStart::ImgScanNormal_MouseMove()
{
    hoverOver(btnScan, QStringLiteral(" Scan registry for invalid entires"));
}

void FrmStart::ImgFindMissingFilesNormal_MouseMove()
{
    if (problemsListed())
        hoverOver(btnFindMissingFiles, QStringLiteral(" Find Missing Files"));
}

void FrmStart::ImfFixProblemsNormal_MouseMove()
{
    if (problemsListed())
        hoverOver(btnFixProblems, QStringLiteral(" Correct Invalid Registry Entries"));
}

void FrmStart::ImgHelpNormal_MouseMove()
{
    hoverOver(btnHelp, QStringLiteral(" Read Program Help"));
}

void FrmStart::ImgSupportNormal_MouseMove()
{
    hoverOver(btnSupport, QStringLiteral(" Get Online Support"));
}

void FrmStart::ImgCancelNormal_MouseMove()
{
    // No hint: the status bar keeps telling that the scan runs.
    btnCancel.showHover();
}

// --- press --------------------------------------------------------------------

void FrmStart::ImgScanMouseMove_MouseDown() { btnScan.showPressed(); }
void FrmStart::ImgFindMissingFilesMouseMove_MouseDown() { btnFindMissingFiles.showPressed(); }
void FrmStart::ImfFixProblemsMouseMove_MouseDown() { btnFixProblems.showPressed(); }
void FrmStart::ImgHelpMouseMove_MouseDown() { btnHelp.showPressed(); }
void FrmStart::ImgSupportMoseMove_MouseDown() { btnSupport.showPressed(); }
void FrmStart::ImgCancelMouseMove_MouseDown() { btnCancel.showPressed(); }

// --- page resets ------------------------------------------------------------------

void FrmStart::PicRegistryCleaner_MouseMove()
{
    if (bScanning)
        return;
    setStatusHint(QString());
    for (PictureButton* b : {&btnScan, &btnFindMissingFiles, &btnFixProblems, &btnSupport, &btnHelp})
        b->showNormal();
}

void FrmStart::PicScanning_MouseMove()
{
    btnCancel.showNormal();
    setStatusHint(QStringLiteral(" Scanning ..."));
}
