#pragma once
// The backups of the fix as files of the folder "Restore": their names, the
// list the Rescue Center shows, and deleting and restoring one. A backup is
// known by its file name as the folder listing gives it, never by the text
// of its row.
#include "engine/messagepump.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <set>
#include <vector>

namespace engine {

// The program folder & "\Restore".
QString BackupFolder();
bool BackupFolderExists();
// Makes the folder when the listing does not find it.
void EnsureBackupFolder();
// Why no backup could be written now, as one sentence; empty when one can.
QString WhyNoBackupCanBeWritten();

// "Backup" + long date + " --- " + "hh-mm-ss".
QString BackupFileName(const QDateTime& when);
// What the Rescue Center shows for a backup file name: the date, "  at   "
// and the time with ":" between its parts; only "  at   " for a name
// without "---" after the word "backup".
QString BackupRowText(const QString& fileName);
// The program folder & "\Restore\" & BackupFileName(now), now read
// from the program's clock (platform/clock.h).
QString NewBackupFilePath();

// The plain files of the folder, as its listing names them.
QStringList ListedBackupFolder();

// One listed backup and where it is.
struct BackupFile {
    QString fileName;  // as the listing named it
    // The Windows path that leads to that very file: its name, or its short
    // name where the name leads elsewhere or nowhere (a ":" in it, blanks
    // at its end). When neither does, the folder and the name.
    QString path;
    bool reached = false;  // whether `path` leads to the file
};
BackupFile FindBackup(const QString& fileName);

// One row of the Rescue Center's list.
struct BackupEntry {
    QString fileName;
    QString rowText;  // BackupRowText
    int keyCount = 0;  // its lines, one per value
    // The count followed by " key(s) were removed." or " key(s) was removed.".
    QString keyCountText() const;
};
// The row of one backup; its lines are counted, letting window messages run
// (the pump, once per line).
BackupEntry DescribeBackup(const QString& fileName, const MessagePump& pump = {});

// The row texts listed so far, folded to one case: a backup whose row text
// begins one of them, in any case, is not listed again.
class BackupRowTexts {
public:
    bool covers(const QString& rowText) const;
    void add(const QString& rowText);
    void clear() { m_keys.clear(); }
    size_t size() const { return m_keys.size(); }

private:
    std::set<QString> m_keys;  // sorted: the one to look at is the first not below
};

// Every file of the folder whose name holds "backup", in any case, once
// each, in the order the listing gives them; nothing without the folder.
// The pump runs as each backup's lines are counted.
std::optional<std::vector<BackupEntry>> ListBackups(const MessagePump& pump = {});

// Deletes a backup; a file gone since it was listed is no failure. Empty,
// or the sentence saying it stays.
QString DeleteBackup(const BackupFile& backup);

struct BackupRestored {
    QString sentence;           // why it did not go as asked, for the user
    bool showProgress = false;  // the restore went through (or found no file)
};
// Writes the backup's values back in one registry change, saved before
// this returns, after checking that the change can be kept. Its file goes
// only when every record was written back and the save succeeded;
// otherwise it stays listed and the sentence says why. The pump runs as
// RestoreBackupFile lets it.
BackupRestored RestoreBackup(const BackupFile& backup, const MessagePump& pump = {});

}  // namespace engine
