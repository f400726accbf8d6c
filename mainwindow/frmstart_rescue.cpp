// The Rescue Center page: the backups, their restore and their deletion.
#include "mainwindow/frmstart.h"

#include <QTreeWidget>

void FrmStart::mnuFileRescueCenter_Click()
{
    // The Rescue Center page comes with the backup list.
}

void FrmStart::showBackupCountInStatus()
{
    StatusBar1->setPanelText(3, QString::number(lvwBackUp->topLevelItemCount()) + QStringLiteral(" backup(s)"));
}

void FrmStart::ImgRestoringClick_MouseMove() {}
void FrmStart::ImgDeleteBackUpClick_MouseMove() {}
