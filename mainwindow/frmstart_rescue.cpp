// The Rescue Center page: the backups, their restore and their deletion.
#include "engine/backup.h"
#include "engine/scanstate.h"
#include "engine/services.h"
#include "mainwindow/frmcreatingbackkeys.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/pictures.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "platform/shortname.h"
#include "platform/winfile.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QScopedValueRollback>
#include <QTreeWidget>

namespace {

constexpr int kDirectoryAttribute = 16;
constexpr int kAnswerYes = 6;

// Set while Delete or Restore runs: the restore lets window messages run,
// and the other button must not act on the backup meanwhile.
bool g_backupActionRunning = false;

QString backupFolder()
{
    return platform::programFolder() + QStringLiteral("\\Restore");
}

// Deletes a file named by a Windows path; false when it is not there or
// cannot be removed.
bool Kill(const QString& windowsPath)
{
    const QString onDisk = platform::toLinuxPath(windowsPath);
    return !onDisk.isEmpty() && QFile::remove(onDisk);
}

// Whether a backup may be acted on now. Wine's latest registry files are
// read first; when a change could not be kept, the user is told why in one
// sentence and nothing goes ahead.
bool registryChangeCanBeKept()
{
    const platform::PrefixError reloaded = platform::reloadRegistryIfChangedOnDisk();
    const QString why = reloaded.ok ? platform::whyChangesCannotBeKept() : reloaded.message;
    if (why.isEmpty())
        return true;
    platform::MsgBox(why, 64, FrmStart::productName());
    return false;
}

// The plain files of the folder "Restore", as the folder listing names them.
QStringList listedBackupFolder()
{
    QStringList names;
    for (QString name = platform::Dir(backupFolder() + QStringLiteral("\\*"), 0); !name.isEmpty();
         name = platform::DirNext())
        names << name;
    return names;
}

// Whether a Windows path leads to the very file the folder listing named
// `fileName`: trailing blanks and dots, or a name found without regard to
// case or by its short name, could lead to another one.
bool leadsToListedFile(const QString& windowsPath, const QString& fileName)
{
    if (platform::Dir(windowsPath, 0).isEmpty())
        return false;
    const QString onDisk = platform::toLinuxPath(windowsPath);
    return !onDisk.isEmpty() && QFileInfo(onDisk).fileName() == fileName;
}

// The Windows path of the listed backup `fileName`: its name in the folder
// "Restore", or its short name where the name itself leads elsewhere or
// nowhere (a ":" in it, blanks at its end). Empty when neither reaches it.
QString backupPathOf(const QString& fileName)
{
    const QString path = backupFolder() + QLatin1Char('\\') + fileName;
    if (leadsToListedFile(path, fileName))
        return path;
    const QString shortName = platform::shortNameOf(fileName);
    if (!shortName.isEmpty()) {
        const QString shortPath = backupFolder() + QLatin1Char('\\') + shortName;
        if (leadsToListedFile(shortPath, fileName))
            return shortPath;
    }
    return {};
}

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
// once each, in the order the folder listing gives them. The names are taken
// first, as the line count of each row starts a listing of its own.
void FrmStart::LoadBackupList()
{
    lvwBackUp->clear();
    m_backupRowKeys.clear();
    const QString folder = backupFolder();
    if (platform::Dir(folder, kDirectoryAttribute).isEmpty())
        return;
    const QStringList names = listedBackupFolder();
    // The line counts let window messages run after every line: the rows
    // join the list once all are made, so that it is laid out and painted
    // once, not again for every row.
    QList<QTreeWidgetItem*> rows;
    {
        const QScopedValueRollback listing(m_backupRowsBeingListed, &rows);
        for (const QString& name : names) {
            if (name.trimmed().toUpper().contains(QLatin1String("BACKUP")))
                LoadFileNameDateSize(name);
        }
    }
    lvwBackUp->addTopLevelItems(rows);
    // Long dates ("Wednesday, September 30, ...") are shown whole.
    lvwBackUp->resizeColumnToContents(0);
}

bool FrmStart::LoadFileNameDateSize(const QString& fileName)
{
    const QString rowText = engine::BackupRowText(fileName);
    // A row whose text begins with this one, in any case, keeps this file
    // out. The texts are kept sorted, so the one to look at is the first
    // not below this text.
    if (!m_backupRowsBeingListed
        && m_backupRowKeys.size() != static_cast<size_t>(lvwBackUp->topLevelItemCount())) {
        m_backupRowKeys.clear();
        for (int i = 0; i < lvwBackUp->topLevelItemCount(); ++i)
            m_backupRowKeys.insert(lvwBackUp->topLevelItem(i)->text(0).toCaseFolded());
    }
    const QString key = rowText.toCaseFolded();
    const auto listed = m_backupRowKeys.lower_bound(key);
    if (listed != m_backupRowKeys.end() && listed->startsWith(key))
        return false;

    const QString path = backupPathOf(fileName);
    const int n = path.isEmpty() ? 0 : engine::CountFileLines(path);
    auto* item = new QTreeWidgetItem;
    item->setText(0, rowText);
    item->setData(0, BackupFileRole, fileName);
    item->setIcon(0, QIcon(pictures::picture(QStringLiteral("Section3"))));
    item->setText(1, QString::number(n)
                         + (n > 1 ? QStringLiteral(" key(s) were removed.") : QStringLiteral(" key(s) was removed.")));
    if (m_backupRowsBeingListed)
        m_backupRowsBeingListed->append(item);
    else
        lvwBackUp->addTopLevelItem(item);
    m_backupRowKeys.insert(key);
    return true;
}

void FrmStart::DeleteOrRestoreBackup(bool bDelete, const QString& listText, const QString& fileName)
{
    // The row's own file, as the listing named it; no other is acted on.
    const QString path = backupPathOf(fileName);
    sSelectedBackupFile = path.isEmpty() ? backupFolder() + QLatin1Char('\\') + fileName : path;

    if (bDelete) {
        if (!registryChangeCanBeKept())
            return;
        const int answer = platform::MsgBox(QStringLiteral("Are you sure you want to delete  ") + listText
                                                + QStringLiteral(" backup "),
                                            36, productName());
        if (answer != kAnswerYes)
            return;
        // A file gone since it was listed is no failure; one that stays is.
        if ((path.isEmpty() || !Kill(path)) && listedBackupFolder().contains(fileName)) {
            platform::MsgBox(QStringLiteral("The backup could not be deleted, so it is still listed."), 64,
                             productName());
        }
        return;
    }
    restoreSelectedBackup(fileName, !path.isEmpty());
}

// The backup's values go back in one registry batch, saved before this
// returns. Its file goes only when every record was written back and the
// save succeeded; otherwise it stays listed and the user is told why. The
// progress box follows a restore that went through (or found no file).
void FrmStart::restoreSelectedBackup(const QString& fileName, bool reached)
{
    const QString cannotRead =
        QStringLiteral("The backup could not be read, so nothing was restored and the backup was kept.");
    if (!reached) {
        // Gone since it was listed: the box as after any restore. Still
        // there, but its name leads to no file: nothing is done.
        if (listedBackupFolder().contains(fileName)) {
            platform::MsgBox(cannotRead, 64, productName());
            return;
        }
        FrmCreatingBackKeys box;
        platform::ShowModal(&box);
        return;
    }
    if (!registryChangeCanBeKept())
        return;

    platform::RegistryBatch batch;
    const engine::RestoreResult result = engine::RestoreBackupFile(sSelectedBackupFile);
    const platform::PrefixError saved = batch.finish();
    // Values not saved are not held either, for another action to write.
    if (!saved.ok)
        platform::dropUnsavedRegistryChanges();

    QString why;
    if (!result.readable) {
        why = result.whyUnreadable.isEmpty()
            ? cannotRead
            : QStringLiteral("The backup could not be read (%1), so nothing was restored and the backup was kept.")
                  .arg(result.whyUnreadable);
    } else if (!saved.ok) {
        QString reason = saved.message.trimmed();
        while (reason.endsWith(QLatin1Char('.')))
            reason.chop(1);
        why = reason + QStringLiteral("; the backup was kept.");
    } else if (result.failed > 0) {
        why = QStringLiteral("%1 of the backup's %2 values could not be written back into the registry, so the "
                             "backup was kept.")
                  .arg(result.failed)
                  .arg(result.failed + result.restored + result.occupied);
    } else if (result.occupied > 0) {
        why = QStringLiteral("The registry holds other data now for %1 of the backup's %2 values; Velmora left those "
                             "as they are and kept the backup.")
                  .arg(result.occupied)
                  .arg(result.restored + result.occupied);
    } else if (!Kill(sSelectedBackupFile)) {
        why = QStringLiteral("The backup was restored, but its file could not be deleted, so it is still listed.");
    }
    if (!why.isEmpty()) {
        platform::MsgBox(why, 64, productName());
        return;
    }
    FrmCreatingBackKeys box;
    platform::ShowModal(&box);
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
