// The fix: the problem page's Fix and Return buttons, the main page's Fix
// Problems button and the Cleaning menu's Fix Problems. The work on each row
// is the engine's; here are the checks before it, the pages and the lists.
#include "engine/backup.h"
#include "engine/backupstore.h"
#include "engine/fix.h"
#include "engine/registrychange.h"
#include "engine/resultsfile.h"
#include "engine/scanstate.h"
#include "engine/services.h"
#include "mainwindow/frmstart.h"
#include "platform/desktop.h"

#include <QAction>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QToolBar>
#include <QTreeWidget>

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
    QString why = engine::WhyRegistryCannotChangeNow();
    if (why.isEmpty())
        why = engine::WhyNoBackupCanBeWritten();
    if (why.isEmpty())
        return true;
    platform::MsgBox(why, 16, productName());
    return false;
}

// One piece of work: while it runs, no other fix, no load, and no scan
// still listing its rows.
void FrmStart::ImgFixProblemsClick2_MouseMove()
{
    if (listWorkRunning() || m_scanActionRunning)
        return;
    const QScopedValueRollback fixing(m_fixRunning, true);
    btnFixProblems2.normal->setEnabled(false);
    PicShowError_MouseMove();
    engine::PlayAlertSound();
    engine::EnsureBackupFolder();
    if (checkedProblemListed() && !fixCanBeKept()) {
        btnFixProblems2.normal->setEnabled(true);
        return;
    }
    m_fixSaved = true;
    if (m_errors.count() > 0)
        FixCheckedProblems();
    // Nothing reached the disk: the lists, the page and the results file
    // stay as they were.
    if (!m_fixSaved) {
        btnFixProblems2.normal->setEnabled(true);
        return;
    }
    const bool resultsOnStartup = mnuFileShowScanResultsonStartup->isChecked();
    if (m_errors.count() == 0)
        SetPagesVisible(false, false);
    if (resultsOnStartup && m_errors.count() > 0)
        mnuFileSaveScanResults_Click();
    // No problem is left: a results file kept for the logon summary would
    // count problems that are gone.
    if (m_errors.count() == 0 && (engine::bResultsLoaded || resultsOnStartup))
        engine::DeleteResultsFile();
    btnFixProblems2.normal->setEnabled(true);
}

// The pump runs other handlers while the fix works: the menus and the tool
// bar are off meanwhile, and the actions that touch the lists or the
// registry refuse to start (listWorkRunning). The fix works on the rows
// checked when it starts, found again by identity, and the rows leave the
// lists only once the registry is saved.
void FrmStart::FixCheckedProblems()
{
    const bool menusOn = menuBar()->isEnabled();
    const bool toolBarOn = ToolBar->isEnabled();
    menuBar()->setEnabled(false);
    ToolBar->setEnabled(false);

    // Marks the visible rows checked now as this fix's own.
    static int fixNumber = 0;
    const int thisFix = ++fixNumber;
    constexpr int kFixRole = Qt::UserRole + 1;
    {
        const QScopedValueRollback filling(m_fillingProblems, true);
        for (int i = 0; i < lvwProblem->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = lvwProblem->topLevelItem(i);
            item->setData(0, kFixRole, item->checkState(0) == Qt::Checked ? thisFix : 0);
        }
    }

    engine::FixObserver pump;
    engine::FixReport report;
    const engine::RegistryChangeSaved saved = engine::ChangeRegistryNow([&] {
        report = engine::FixCheckedRows(m_errors, pump);
        sBackupFile = report.backupFile;
    });
    m_fixSaved = saved.ok;
    // When no value left the registry on disk, the records of this fix go
    // too: the Rescue Center lists no backup of values that are still there.
    if (!saved.ok && !saved.partly)
        engine::CutBackupFile(report.backupFile, report.backupSizeBefore);

    if (saved.ok) {
        engine::RemoveFixedRows(m_errors, report, pump);
        engine::RemoveRowsOneByOne(
            lvwProblem->topLevelItemCount(), [this] { return lvwProblem->topLevelItemCount(); },
            [this, &report, thisFix](int i) {
                const QTreeWidgetItem* item = lvwProblem->topLevelItem(i - 1);
                return item->data(0, kFixRole).toInt() == thisFix
                    && !engine::NamesKeptRow(report, item->text(0), item->text(2), item->text(3));
            },
            [this](int i) { delete lvwProblem->takeTopLevelItem(i - 1); }, pump);
    }

    menuBar()->setEnabled(menusOn);
    ToolBar->setEnabled(toolBarOn);
    if (!saved.ok) {
        platform::MsgBox(saved.sentence(QStringLiteral("the checked problems stay listed and checked.")), 16,
                         productName());
        return;
    }
    const QString kept = engine::KeptRowsSentence(report);
    if (!kept.isEmpty())
        platform::MsgBox(kept, 64, productName());
}

void FrmStart::ImgReturnClick_MouseMove()
{
    if (listWorkRunning())
        return;
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
