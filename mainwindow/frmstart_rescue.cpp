// The switch to the Rescue Center page; the page itself, its list and its
// buttons are RescueCenterPage's.
#include "mainwindow/frmstart.h"

#include <QAction>
#include <QMenu>

void FrmStart::mnuFileRescueCenter_Click()
{
    if (bScanning || listWorkRunning())
        return;
    PicRescuCenter->show();
    mnuCleaning->menuAction()->setVisible(false);
    setWindowTitle(productName() + QStringLiteral(" - Rescue Center"));
    PicRegistryCleaner->hide();
    mnuFileLoadScanResults->setVisible(false);
    mnuFileSaveScanResults->setVisible(false);
    mnuFileRegistryCleaner->setEnabled(true);
    mnuFileRescueCenter->setEnabled(false);
    mnuline1->setVisible(false);
    PicRescuCenter->showBackups();
}
