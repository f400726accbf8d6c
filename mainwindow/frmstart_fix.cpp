// The Cleaning menu's Fix Problems (the main page's button is the Registry
// Cleaner page's), and what the problem page's Fix and Return ask of the window
// (the page itself is problempage.cpp).
#include "engine/services.h"
#include "mainwindow/frmstart.h"

#include <QAction>
#include <QMenuBar>
#include <QToolBar>

void FrmStart::mnuCleaningFixProblems_Click()
{
    PicRegistryCleaner->ImgFixProblemsClick_MouseMove();
}

void FrmStart::holdCommands(bool held)
{
    if (held) {
        m_menusWereOn = menuBar()->isEnabled();
        m_toolBarWasOn = ToolBar->isEnabled();
        menuBar()->setEnabled(false);
        ToolBar->setEnabled(false);
        return;
    }
    menuBar()->setEnabled(m_menusWereOn);
    ToolBar->setEnabled(m_toolBarWasOn);
}

bool FrmStart::resultsOnStartup() const
{
    return mnuFileShowScanResultsonStartup->isChecked();
}

void FrmStart::enableLoadScanResults()
{
    mnuFileLoadScanResults->setEnabled(true);
}
