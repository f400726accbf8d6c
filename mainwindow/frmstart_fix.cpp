// The fix: the problem page's Fix and Return buttons, the main page's Fix
// Problems button and the Cleaning menu's Fix Problems. The work on each row
// is the engine's; here are the checks before it, the pages and the lists.
#include "engine/fix.h"
#include "engine/scanstate.h"
#include "engine/services.h"
#include "mainwindow/frmstart.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "platform/winfile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QToolBar>
#include <QTreeWidget>

#include <unistd.h>

namespace {

QString restoreFolder()
{
    return platform::programFolder() + QStringLiteral("\\Restore");
}

// The folder "Restore" made when missing; its Linux path, empty when it
// cannot be found or made.
QString ensureRestoreFolder()
{
    const QString folder = restoreFolder();
    if (platform::Dir(folder, 16).isEmpty()) {
        const QString onDisk = engine::linuxPathForWrite(folder);
        if (!onDisk.isEmpty())
            QDir().mkdir(onDisk);
    }
    return platform::toLinuxPath(folder);
}

bool folderWritable(const QString& linuxPath)
{
    return !linuxPath.isEmpty() && QFileInfo(linuxPath).isDir()
        && ::access(QFile::encodeName(linuxPath).constData(), W_OK | X_OK) == 0;
}

}  // namespace

void FrmStart::ImgFixProblemsClick_MouseMove()
{
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

bool FrmStart::checkedProblemListed() const
{
    for (const engine::ProblemRow& row : m_errors.rows()) {
        if (row.Checked)
            return true;
    }
    return false;
}

// Nothing is touched unless every change of the fix can be kept: the
// registry files can be saved now and the backup folder written.
bool FrmStart::fixCanBeKept()
{
    QString why;
    const platform::PrefixError reread = platform::reloadRegistryIfChangedOnDisk();
    if (!reread.ok)
        why = reread.message;
    if (why.isEmpty())
        why = platform::whyChangesCannotBeKept();
    if (why.isEmpty() && !folderWritable(platform::toLinuxPath(restoreFolder())))
        why = QStringLiteral("The backup folder %1 cannot be written, so no backup could be made and Velmora "
                             "changed nothing.")
                  .arg(restoreFolder());
    if (why.isEmpty())
        return true;
    platform::MsgBox(why, 16, productName());
    return false;
}

void FrmStart::ImgFixProblemsClick2_MouseMove()
{
    btnFixProblems2.normal->setEnabled(false);
    PicShowError_MouseMove();
    engine::PlayAlertSound();
    ensureRestoreFolder();
    if (checkedProblemListed() && !fixCanBeKept()) {
        btnFixProblems2.normal->setEnabled(true);
        return;
    }
    if (m_errors.count() > 0)
        FixCheckedProblems();
    if (m_errors.count() == 0)
        SetPagesVisible(false, false);
    if (mnuFileShowScanResultsonStartup->isChecked() && m_errors.count() > 0)
        mnuFileSaveScanResults_Click();
    if (m_errors.count() == 0 && engine::bResultsLoaded) {
        const QString results = platform::toLinuxPath(resultsFilePath());
        if (!results.isEmpty())
            QFile::remove(results);
    }
    btnFixProblems2.normal->setEnabled(true);
}

// The pump runs other handlers while the fix works: the menus and the tool
// bar are off meanwhile, so no scan, load or restore starts in its middle.
void FrmStart::FixCheckedProblems()
{
    const bool menusOn = menuBar()->isEnabled();
    const bool toolBarOn = ToolBar->isEnabled();
    menuBar()->setEnabled(false);
    ToolBar->setEnabled(false);

    engine::FixObserver pump;
    platform::RegistryBatch batch;
    const engine::FixReport report = engine::FixRows(m_errors, pump);
    sBackupFile = report.backupFile;
    const platform::PrefixError saved = batch.finish();
    if (!saved.ok)
        platform::MsgBox(saved.message, 16, productName());

    engine::RemoveRowsOneByOne(
        lvwProblem->topLevelItemCount(), [this] { return lvwProblem->topLevelItemCount(); },
        [this, &report](int i) {
            const QTreeWidgetItem* item = lvwProblem->topLevelItem(i - 1);
            return item->checkState(0) == Qt::Checked
                && !engine::NamesKeptRow(report, item->text(0), item->text(2), item->text(3));
        },
        [this](int i) { delete lvwProblem->takeTopLevelItem(i - 1); }, pump);

    menuBar()->setEnabled(menusOn);
    ToolBar->setEnabled(toolBarOn);
    const QString kept = engine::KeptRowsSentence(report);
    if (!kept.isEmpty())
        platform::MsgBox(kept, 64, productName());
}

void FrmStart::ImgReturnClick_MouseMove()
{
    engine::bResultsLoaded = false;
    btnReturn.normal->setEnabled(false);
    PicShowError_MouseMove();
    engine::PlayAlertSound();
    if (mnuFileShowScanResultsonStartup->isChecked()) {
        mnuFileSaveScanResults_Click();
        mnuFileLoadScanResults->setEnabled(true);
    }
    SetPagesVisible(false, false);
    btnReturn.normal->setEnabled(true);
}
