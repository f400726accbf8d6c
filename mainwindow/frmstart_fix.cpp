// The fix from the main page's Fix Problems button and the Cleaning menu's
// Fix Problems, and what the problem page's Fix and Return ask of the window
// (the page itself is problempage.cpp).
#include "engine/services.h"
#include "mainwindow/frmstart.h"

#include <QAction>
#include <QMenuBar>
#include <QToolBar>

void FrmStart::ImgFixProblemsClick_MouseMove()
{
    if (listWorkRunning())
        return;
    btnFixProblems.normal->setEnabled(false);
    PicRegistryCleaner_MouseMove();
    if (m_errors.count() > 0) {
        SetPagesVisible(false, true);
        engine::PlayAlertSound();
    } else {
        SetMenusEnabled(false, true, false, true, true, true, true, false);
    }
    btnFixProblems.normal->setEnabled(true);
}

void FrmStart::mnuCleaningFixProblems_Click()
{
    ImgFixProblemsClick_MouseMove();
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
