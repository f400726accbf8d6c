// Closing the main window, File > Exit, and the end of the logon road.
#include "engine/resultsfile.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/programstart.h"
#include "mainwindow/windowstate.h"
#include "platform/winfile.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>

// Closing is never refused: the problems are saved when the start-up option
// asks for them, then the program ends. A scan under way is told to stop and
// its remaining steps are skipped.
void FrmStart::Form_Unload(qint16& Cancel)
{
    Q_UNUSED(Cancel);
    m_closing = true;
    m_cancelScan = true;
    // A fix under way brings the results file up to date itself when it
    // ends; a load under way only read it.
    if (mnuFileShowScanResultsonStartup->isChecked() && m_errors.count() >= 1 && !listWorkRunning())
        mnuFileSaveScanResults_Click();
    mainwindow::End();
}

void FrmStart::mnuFileExit_Click()
{
    qint16 cancel = -1;
    Form_Unload(cancel);
}

void FrmStart::closeEvent(QCloseEvent* event)
{
    event->accept();
    qint16 cancel = 0;
    Form_Unload(cancel);
}

// After the start-up summary (asked before the prefix was opened): Scan &
// Fix drops the saved problems and scans at once; Continue leaves them in the
// results file, to be loaded from the File menu.
void FrmStart::logonRoad()
{
    if (!mainwindow::bScanAndFixChosen)
        return;
    if (engine::ResultsFileSaved())
        engine::DeleteResultsFile();
    mainwindow::unloadFrmSplash();
    show();
    PicRegistryCleaner->ImgScanClick_MouseMove();
}
