// The results file: the last scan's problems kept in the program folder.
#include "mainwindow/frmstart.h"
#include "platform/prefix.h"

QString FrmStart::resultsFilePath() const
{
    return platform::programFolder() + QStringLiteral("/Scan.ocx");
}

void FrmStart::mnuFileSaveScanResults_Click() {}
void FrmStart::mnuFileLoadScanResults_Click() {}
