// The main window's frame: start, pages, menus, tool bar and the commands
// that only switch between them.
#include "mainwindow/frmstart.h"

#include "engine/pathhelpers.h"
#include "engine/scanstate.h"
#include "engine/services.h"
#include "platform/ansi.h"
#include "platform/prefix.h"
#include "platform/shell.h"
#include "platform/winfile.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

FrmStart::~FrmStart()
{
    removeEngineSeams();
}

namespace {
// The window the engine's seams lead to: the latest one built.
FrmStart* g_seamOwner = nullptr;
}  // namespace

void FrmStart::installEngineSeams()
{
    g_seamOwner = this;
    engine::setCurrentProblemList(&m_errors);
    engine::setMessagePump([] { QCoreApplication::processEvents(); });
    engine::setScanPathDisplay([this](const QString& text) { lblRegistryFilesScan->setText(text); });
}

void FrmStart::removeEngineSeams()
{
    if (g_seamOwner != this)
        return;
    g_seamOwner = nullptr;
    engine::setCurrentProblemList(nullptr);
    engine::setMessagePump(nullptr);
    engine::setScanPathDisplay(nullptr);
}

// The window's first state. The start-up road around it (splash, logon
// summary, the rest of the saved settings) comes with the start-up window.
void FrmStart::Form_Load()
{
    tmrRotateImage->stop();
    ToolBar_ButtonClick(1);
    SetPagesVisible(false, false);
    const bool resultsSaved = !platform::Dir(resultsFilePath(), 0).isEmpty();
    SetMenusEnabled(resultsSaved, false, false, true, true, true, false, false);
    ApplySavedSettings();
    PicRegistryCleaner_MouseMove();
}

QString FrmStart::resultsFilePath() const
{
    return platform::programFolder() + QStringLiteral("/Scan.ocx");
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
        showProblemsFoundInStatus();
    else
        StatusBar1->setPanelText(3, QString());
    mnuline1->setVisible(true);
}

void FrmStart::showProblemsFoundInStatus()
{
    StatusBar1->setPanelText(3, QStringLiteral(" Problems Found  ") + lblProblemsFound->text());
}

void FrmStart::mnuFileRescueCenter_Click()
{
    // The Rescue Center page comes with the backup list.
}

void FrmStart::SetPagesVisible(bool scanningPage, bool problemPage)
{
    PicScanning->setVisible(scanningPage);
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

void FrmStart::ToolBar_ButtonClick(int index)
{
    switch (index) {
    case 1:
        if (!bScanning)
            mnuFileRegistryCleaner_Click();
        break;
    case 3:
        if (!bScanning)
            mnuFileRescueCenter_Click();
        break;
    case 5:
        startRegistryEditor();
        break;
    default:
        break;
    }
}

void FrmStart::ToolBar_MouseDown()
{
    engine::PlayAlertSound();
}

bool FrmStart::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w == ToolBar || ToolBar->isAncestorOf(w))
            ToolBar_MouseDown();
    } else if (event->type() == QEvent::MouseMove && watched == lvwProblem->viewport()) {
        lvwProblem_MouseMove();
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmStart::mnuFileRegistryEditor_Click()
{
    startRegistryEditor();
}

// Starts the registry editor of the prefix's Windows folder, maximised. A
// failure to start is not reported and changes nothing in the window.
void FrmStart::startRegistryEditor()
{
    const QString dir = engine::GetWindowsDir();
    const QString file = dir + QStringLiteral("\\regedit.exe");
    platform::ShellExecuteA(this, "open", platform::toAnsi(file).constData(), "", platform::toAnsi(dir).constData(),
                            platform::SW_SHOWMAXIMIZED);
}

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

void FrmStart::mnuFileExit_Click()
{
    close();
}

// Closing ends the program; a scan under way is told to stop and its
// remaining steps are skipped.
void FrmStart::closeEvent(QCloseEvent* event)
{
    m_closing = true;
    engine::bCancelScan = true;
    event->accept();
}
