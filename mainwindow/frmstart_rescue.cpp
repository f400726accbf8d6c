// The Rescue Center page: the backups, their restore and their deletion.
// The backups themselves are the engine's; here are the list and the boxes.
#include "engine/backupstore.h"
#include "engine/registrychange.h"
#include "engine/scanstate.h"
#include "engine/services.h"
#include "mainwindow/frmcreatingbackkeys.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/pictures.h"
#include "platform/desktop.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QScopedValueRollback>
#include <QTreeWidget>

namespace {

constexpr int kAnswerYes = 6;

// Set while Delete or Restore runs: the restore lets window messages run,
// and the other button must not act on the backup meanwhile.
bool g_backupActionRunning = false;

}  // namespace

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
    LoadBackupList();
    showBackupCountInStatus();
}

void FrmStart::showBackupCountInStatus()
{
    StatusBar1->setPanelText(3, QString::number(lvwBackUp->topLevelItemCount()) + QStringLiteral(" backup(s)"));
}

// Every file of the folder "Restore" whose name holds "backup", in any case,
// once each, in the order the folder listing gives them.
void FrmStart::LoadBackupList()
{
    lvwBackUp->clear();
    m_backupRowKeys.clear();
    // The line counts let window messages run after every line: the rows
    // join the list once all are made, so that it is laid out and painted
    // once, not again for every row.
    const std::optional<std::vector<engine::BackupEntry>> backups = engine::ListBackups();
    if (!backups)
        return;
    QList<QTreeWidgetItem*> rows;
    for (const engine::BackupEntry& entry : *backups) {
        rows << backupRow(entry);
        m_backupRowKeys.add(entry.rowText);
    }
    lvwBackUp->addTopLevelItems(rows);
    // Long dates ("Wednesday, September 30, ...") are shown whole.
    lvwBackUp->resizeColumnToContents(0);
}

QTreeWidgetItem* FrmStart::backupRow(const engine::BackupEntry& entry) const
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, entry.rowText);
    item->setData(0, BackupFileRole, entry.fileName);
    item->setIcon(0, QIcon(pictures::picture(QStringLiteral("Section3"))));
    item->setText(1, entry.keyCountText());
    return item;
}

bool FrmStart::LoadFileNameDateSize(const QString& fileName)
{
    // A row whose text begins with this one, in any case, keeps this file
    // out.
    if (m_backupRowKeys.size() != static_cast<size_t>(lvwBackUp->topLevelItemCount())) {
        m_backupRowKeys.clear();
        for (int i = 0; i < lvwBackUp->topLevelItemCount(); ++i)
            m_backupRowKeys.add(lvwBackUp->topLevelItem(i)->text(0));
    }
    const QString rowText = engine::BackupRowText(fileName);
    if (m_backupRowKeys.covers(rowText))
        return false;
    lvwBackUp->addTopLevelItem(backupRow(engine::DescribeBackup(fileName)));
    m_backupRowKeys.add(rowText);
    return true;
}

void FrmStart::DeleteOrRestoreBackup(bool bDelete, const QString& listText, const QString& fileName)
{
    // The row's own file, as the listing named it; no other is acted on.
    const engine::BackupFile backup = engine::FindBackup(fileName);
    sSelectedBackupFile = backup.path;

    if (bDelete) {
        if (const QString why = engine::WhyRegistryCannotChangeNow(); !why.isEmpty()) {
            platform::MsgBox(why, 64, productName());
            return;
        }
        const int answer = platform::MsgBox(QStringLiteral("Are you sure you want to delete  ") + listText
                                                + QStringLiteral(" backup "),
                                            36, productName());
        if (answer != kAnswerYes)
            return;
        if (const QString why = engine::DeleteBackup(backup); !why.isEmpty())
            platform::MsgBox(why, 64, productName());
        return;
    }
    // The progress box follows a restore that went through (or found no
    // file); otherwise the user is told why the backup stays.
    const engine::BackupRestored restored = engine::RestoreBackup(backup);
    if (!restored.sentence.isEmpty())
        platform::MsgBox(restored.sentence, 64, productName());
    if (restored.showProgress) {
        FrmCreatingBackKeys box;
        platform::ShowModal(&box);
    }
}

// Delete and Restore act on the first selected backup only.
void FrmStart::runBackupAction(PictureButton& button, bool bDelete)
{
    if (g_backupActionRunning || listWorkRunning())
        return;
    const QScopedValueRollback running(g_backupActionRunning, true);
    button.normal->setEnabled(false);
    PicRescuCenter_MouseMove();
    engine::PlayAlertSound();
    QString text;
    QString fileName;
    bool found = false;
    for (int i = 0; i < lvwBackUp->topLevelItemCount(); ++i) {
        if (lvwBackUp->topLevelItem(i)->isSelected()) {
            text = lvwBackUp->topLevelItem(i)->text(0);
            fileName = lvwBackUp->topLevelItem(i)->data(0, BackupFileRole).toString();
            found = true;
            break;
        }
        engine::DoEvents();
    }
    if (found) {
        DeleteOrRestoreBackup(bDelete, text, fileName);
        LoadBackupList();
    }
    button.normal->setEnabled(true);
    showBackupCountInStatus();
}

void FrmStart::ImgRestoringClick_MouseMove()
{
    runBackupAction(btnRestore, false);
}

void FrmStart::ImgDeleteBackUpClick_MouseMove()
{
    runBackupAction(btnDeleteBackUp, true);
}
