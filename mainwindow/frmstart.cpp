// The main window's frame: start, the page switch to the Registry Cleaner,
// pages, menus, the Cleaning menu's Scan Registry, and what the Registry
// Cleaner page asks of the window.
#include "mainwindow/frmstart.h"

#include "engine/resultsfile.h"
#include "mainwindow/programstart.h"
#include "platform/winfile.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QToolBar>

FrmStart::~FrmStart() = default;

void FrmStart::pumpMessages()
{
    engine::runPump(m_pump);
}

engine::ScanContext FrmStart::scanContext()
{
    return engine::ScanContext{m_errors, nullptr, [this] { pumpMessages(); },
                               [this](const QString& text) { PicRegistryCleaner->showScanPosition(text); },
                               &m_cancelScan};
}

// The window's first state and saved settings; on a logon start, what the
// start-up summary's answer asks for (frmstart_startup.cpp).
void FrmStart::Form_Load()
{
    PicRegistryCleaner->stopBusyAnimation();
    ToolBar_ButtonClick(1);
    SetPagesVisible(false, false);
    const bool resultsSaved = engine::ResultsFileSaved();
    SetMenusEnabled(resultsSaved, false, false, true, true, true, false, false);
    ApplySavedSettings();
    PicRegistryCleaner->PicRegistryCleaner_MouseMove();
    if (mainwindow::isLogonStart())
        logonRoad();
}

void FrmStart::mnuFileRegistryCleaner_Click()
{
    PicRescuCenter->hide();
    mnuCleaning->menuAction()->setVisible(true);
    setWindowTitle(productName() + QStringLiteral(" - Registry Cleaner"));
    PicRegistryCleaner->show();
    mnuFileLoadScanResults->setVisible(true);
    mnuFileSaveScanResults->setVisible(true);
    mnuFileRegistryCleaner->setEnabled(false);
    mnuFileRescueCenter->setEnabled(true);
    if (problemsListed())
        PicRegistryCleaner->showProblemsFoundInStatus();
    else
        StatusBar1->setPanelText(3, QString());
    mnuline1->setVisible(true);
}

void FrmStart::SetPagesVisible(bool scanningPage, bool problemPage)
{
    PicRegistryCleaner->setScanningPageVisible(scanningPage);
    PicShowError->setVisible(problemPage);
}

void FrmStart::SetMenusEnabled(bool load, bool save, bool registryCleaner, bool rescueCenter, bool exit, bool scan,
                               bool findMissingFiles, bool fixProblems)
{
    mnuFileLoadScanResults->setEnabled(load);
    mnuFileSaveScanResults->setEnabled(save);
    mnuFileRegistryCleaner->setEnabled(registryCleaner);
    mnuFileRescueCenter->setEnabled(rescueCenter);
    mnuFileExit->setEnabled(exit);
    mnuCleaningScanRegitry->setEnabled(scan);
    mnuCleaningFindMissingFiles->setEnabled(findMissingFiles);
    mnuCleaningFixProblems->setEnabled(fixProblems);
}

void FrmStart::setMenusEnabled(bool load, bool save, bool registryCleaner, bool rescueCenter, bool exit, bool scan,
                               bool findMissingFiles, bool fixProblems)
{
    SetMenusEnabled(load, save, registryCleaner, rescueCenter, exit, scan, findMissingFiles, fixProblems);
}

void FrmStart::enableSaveScanResults()
{
    mnuFileSaveScanResults->setEnabled(true);
}

void FrmStart::disableFindMissingFilesMenu()
{
    mnuCleaningFindMissingFiles->setEnabled(false);
}

void FrmStart::mnuCleaningScanRegitry_Click()
{
    PicRegistryCleaner->ImgScanClick_MouseMove();
}

bool FrmStart::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w == ToolBar || ToolBar->isAncestorOf(w))
            ToolBar_MouseDown();
    }
    return QMainWindow::eventFilter(watched, event);
}
