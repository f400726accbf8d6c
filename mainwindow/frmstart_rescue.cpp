// The Rescue Center page: the backups, their restore and their deletion.
#include "engine/backup.h"
#include "engine/scanstate.h"
#include "engine/services.h"
#include "mainwindow/frmcreatingbackkeys.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/pictures.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "platform/winfile.h"

#include <QAction>
#include <QFile>
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

}  // namespace

void FrmStart::mnuFileRescueCenter_Click()
{
    if (bScanning)
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
    const QString folder = backupFolder();
    if (platform::Dir(folder, kDirectoryAttribute).isEmpty())
        return;
    QStringList names;
    for (QString name = platform::Dir(folder + QStringLiteral("\\*"), 0); !name.isEmpty(); name = platform::DirNext())
        names << name;
    for (const QString& name : names) {
        if (name.trimmed().toUpper().contains(QLatin1String("BACKUP")))
            LoadFileNameDateSize(name);
    }
    // Long dates ("Wednesday, September 30, ...") are shown whole.
    lvwBackUp->resizeColumnToContents(0);
}

bool FrmStart::LoadFileNameDateSize(const QString& fileName)
{
    // Positions as the name's own text counts them, from 0.
    const qsizetype p = fileName.trimmed().toUpper().indexOf(QLatin1String("BACKUP"));
    const qsizetype d = p < 0 ? -1 : fileName.indexOf(QLatin1String("---"), p + 7);
    QString date;
    QString time;
    // A name without "---" after the word gives neither date nor time.
    if (d >= 0) {
        date = fileName.mid(p + 6, d - p - 6).trimmed();
        time = fileName.mid(d).remove(QLatin1String("---")).replace(QLatin1Char('-'), QLatin1Char(':')).trimmed();
    }
    const QString rowText = date + QStringLiteral("  at   ") + time;

    for (int i = 0; i < lvwBackUp->topLevelItemCount(); ++i) {
        if (lvwBackUp->topLevelItem(i)->text(0).startsWith(rowText, Qt::CaseInsensitive))
            return false;
    }
    const int n = engine::CountFileLines(backupFolder() + QLatin1Char('\\') + fileName);
    auto* item = new QTreeWidgetItem(lvwBackUp);
    item->setText(0, rowText);
    item->setIcon(0, QIcon(pictures::picture(QStringLiteral("Section3"))));
    item->setText(1, QString::number(n)
                         + (n > 1 ? QStringLiteral(" key(s) were removed.") : QStringLiteral(" key(s) was removed.")));
    return true;
}

void FrmStart::DeleteOrRestoreBackup(bool bDelete, const QString& listText)
{
    QString name = QStringLiteral("Backup") + listText;
    name.replace(QLatin1Char(':'), QLatin1Char('-'));
    name.replace(QLatin1String(" at  "), QLatin1String("---"));
    sSelectedBackupFile = backupFolder() + QLatin1Char('\\') + name;

    if (bDelete) {
        if (!registryChangeCanBeKept())
            return;
        const int answer = platform::MsgBox(QStringLiteral("Are you sure you want to delete  ") + listText
                                                + QStringLiteral(" backup "),
                                            36, productName());
        if (answer == kAnswerYes)
            Kill(sSelectedBackupFile);
        return;
    }
    restoreSelectedBackup();
}

// The backup's values go back in one registry batch, saved before this
// returns. Its file goes only when every record was written back and the
// save succeeded; otherwise it stays listed and the user is told why. The
// progress box follows a restore that went through (or found no file).
void FrmStart::restoreSelectedBackup()
{
    if (platform::Dir(sSelectedBackupFile, 0).isEmpty()) {
        FrmCreatingBackKeys box;
        platform::ShowModal(&box);
        return;
    }
    if (!registryChangeCanBeKept())
        return;

    platform::RegistryBatch batch;
    const engine::RestoreResult result = engine::RestoreBackupFile(sSelectedBackupFile);
    const platform::PrefixError saved = batch.finish();

    QString why;
    if (!result.readable) {
        why = QStringLiteral("The backup could not be read (%1), so nothing was restored and the backup was kept.")
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
    if (g_backupActionRunning)
        return;
    const QScopedValueRollback running(g_backupActionRunning, true);
    button.normal->setEnabled(false);
    PicRescuCenter_MouseMove();
    engine::PlayAlertSound();
    QString text;
    bool found = false;
    for (int i = 0; i < lvwBackUp->topLevelItemCount(); ++i) {
        if (lvwBackUp->topLevelItem(i)->isSelected()) {
            text = lvwBackUp->topLevelItem(i)->text(0);
            found = true;
            break;
        }
        engine::DoEvents();
    }
    if (found) {
        DeleteOrRestoreBackup(bDelete, text);
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
