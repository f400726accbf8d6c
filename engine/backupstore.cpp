#include "engine/backupstore.h"

#include "engine/backup.h"
#include "engine/registrychange.h"
#include "engine/services.h"
#include "platform/clock.h"
#include "platform/prefix.h"
#include "platform/shortname.h"
#include "platform/winfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <unistd.h>

namespace engine {

namespace {

constexpr int kDirectoryAttribute = 16;

// Deletes a file named by a Windows path; false when it is not there or
// cannot be removed.
bool Kill(const QString& windowsPath)
{
    const QString onDisk = platform::toLinuxPath(windowsPath);
    return !onDisk.isEmpty() && QFile::remove(onDisk);
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

}  // namespace

QString BackupFolder()
{
    return platform::programFolder() + QStringLiteral("\\Restore");
}

bool BackupFolderExists()
{
    return !platform::Dir(BackupFolder(), kDirectoryAttribute).isEmpty();
}

void EnsureBackupFolder()
{
    if (BackupFolderExists())
        return;
    const QString onDisk = linuxPathForWrite(BackupFolder());
    if (!onDisk.isEmpty())
        QDir().mkdir(onDisk);
}

QString WhyNoBackupCanBeWritten()
{
    const QString onDisk = platform::toLinuxPath(BackupFolder());
    if (!onDisk.isEmpty() && QFileInfo(onDisk).isDir()
        && ::access(QFile::encodeName(onDisk).constData(), W_OK | X_OK) == 0)
        return {};
    return QStringLiteral("The backup folder %1 cannot be written, so no backup could be made and Velmora changed "
                          "nothing.")
        .arg(BackupFolder());
}

QString BackupFileName(const QDateTime& when)
{
    // One fixed long-date form, so that names never hold characters a file
    // name or the ANSI code page cannot carry, whatever the locale.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("Backup") + english.toString(when.date(), QStringLiteral("dddd, MMMM d, yyyy"))
        + QStringLiteral(" --- ") + when.time().toString(QStringLiteral("HH-mm-ss"));
}

QString BackupRowText(const QString& fileName)
{
    // The word is found in the trimmed name, the rest in the name itself.
    const qsizetype p = fileName.trimmed().toUpper().indexOf(QLatin1String("BACKUP"));
    const qsizetype d = p < 0 ? -1 : fileName.indexOf(QLatin1String("---"), p + 7);
    QString date;
    QString time;
    if (d >= 0) {
        date = fileName.mid(p + 6, d - p - 6).trimmed();
        time = fileName.mid(d).remove(QLatin1String("---")).replace(QLatin1Char('-'), QLatin1Char(':')).trimmed();
    }
    return date + QStringLiteral("  at   ") + time;
}

QString NewBackupFilePath()
{
    return BackupFolder() + QLatin1Char('\\') + BackupFileName(platform::currentDateTime());
}

QStringList ListedBackupFolder()
{
    QStringList names;
    for (QString name = platform::Dir(BackupFolder() + QStringLiteral("\\*"), 0); !name.isEmpty();
         name = platform::DirNext())
        names << name;
    return names;
}

BackupFile FindBackup(const QString& fileName)
{
    const QString path = BackupFolder() + QLatin1Char('\\') + fileName;
    if (leadsToListedFile(path, fileName))
        return {fileName, path, true};
    const QString shortName = platform::shortNameOf(fileName);
    if (!shortName.isEmpty()) {
        const QString shortPath = BackupFolder() + QLatin1Char('\\') + shortName;
        if (leadsToListedFile(shortPath, fileName))
            return {fileName, shortPath, true};
    }
    return {fileName, path, false};
}

QString BackupEntry::keyCountText() const
{
    return QString::number(keyCount)
        + (keyCount > 1 ? QStringLiteral(" key(s) were removed.") : QStringLiteral(" key(s) was removed."));
}

BackupEntry DescribeBackup(const QString& fileName, const MessagePump& pump)
{
    const BackupFile backup = FindBackup(fileName);
    return {fileName, BackupRowText(fileName), backup.reached ? CountFileLines(backup.path, pump) : 0};
}

bool BackupRowTexts::covers(const QString& rowText) const
{
    const QString key = rowText.toCaseFolded();
    const auto listed = m_keys.lower_bound(key);
    return listed != m_keys.end() && listed->startsWith(key);
}

void BackupRowTexts::add(const QString& rowText)
{
    m_keys.insert(rowText.toCaseFolded());
}

std::optional<std::vector<BackupEntry>> ListBackups(const MessagePump& pump)
{
    if (!BackupFolderExists())
        return std::nullopt;
    std::vector<BackupEntry> entries;
    // The names are taken first, as the line count of each starts a
    // listing of its own.
    const QStringList names = ListedBackupFolder();
    BackupRowTexts listed;
    for (const QString& name : names) {
        if (!name.trimmed().toUpper().contains(QLatin1String("BACKUP")))
            continue;
        const QString rowText = BackupRowText(name);
        if (listed.covers(rowText))
            continue;
        entries.push_back(DescribeBackup(name, pump));
        listed.add(rowText);
    }
    return entries;
}

QString DeleteBackup(const BackupFile& backup)
{
    if ((!backup.reached || !Kill(backup.path)) && ListedBackupFolder().contains(backup.fileName))
        return QStringLiteral("The backup could not be deleted, so it is still listed.");
    return {};
}

BackupRestored RestoreBackup(const BackupFile& backup, const MessagePump& pump)
{
    const QString cannotRead =
        QStringLiteral("The backup could not be read, so nothing was restored and the backup was kept.");
    if (!backup.reached) {
        // Gone since it was listed: as after any restore. Still there, but
        // its name leads to no file: nothing is done.
        if (ListedBackupFolder().contains(backup.fileName))
            return {cannotRead, false};
        return {{}, true};
    }
    if (QString why = WhyRegistryCannotChangeNow(); !why.isEmpty())
        return {why, false};

    RestoreResult result;
    const RegistryChangeSaved saved = ChangeRegistryNow([&] { result = RestoreBackupFile(backup.path, pump); });

    QString why;
    if (!result.readable) {
        why = result.whyUnreadable.isEmpty()
            ? cannotRead
            : QStringLiteral("The backup could not be read (%1), so nothing was restored and the backup was kept.")
                  .arg(result.whyUnreadable);
    } else if (!saved.ok) {
        why = saved.sentence(QStringLiteral("the backup was kept."));
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
    } else if (!Kill(backup.path)) {
        why = QStringLiteral("The backup was restored, but its file could not be deleted, so it is still listed.");
    }
    return {why, why.isEmpty()};
}

}  // namespace engine
