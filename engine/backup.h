#pragma once
// The records of the fix's backup files and their restore, and the
// scrambling of the program's own text files. Where backups live and how
// they are named and listed: engine/backupstore.h.
//
// Each line of a backup file is
// one scrambled record: "R", root name, key path, the path looked for,
// value name and the "Yes" flag, joined by "^", then a seventh field with
// the value as the registry held it: its type number, ":" and its data
// bytes in lower-case hex. Files written without the seventh field restore
// the path that was looked for. A record of a "(Default)" row whose value
// was not the key's unnamed one (a name of blanks only, or one literally
// "(Default)") has an eighth field with that value's name.
#include "engine/messagepump.h"
#include "engine/problemlist.h"
#include "platform/wintypes.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace engine {

// Every character code (Windows-1252) plus 10, codes 246..255 wrapping to
// 0..9; DecodeText undoes it. No character is lost either way. The pump
// runs once per character.
QString EncodeText(QString text, const MessagePump& pump = {});
QString DecodeText(QString text, const MessagePump& pump = {});

// A registry value as the registry holds it.
struct RegistryValueData {
    DWORD type = REG_NONE;
    QByteArray bytes;
    bool operator==(const RegistryValueData&) const = default;
};

// Reads a value's type and bytes; "(Default)" reads the key's unnamed value.
std::optional<RegistryValueData> ReadValueForBackup(HKEY root, const QString& keyPath, const QString& valueName);

// Whether `value`, read for `valueName`, is the unnamed value as the fix
// leaves it: an empty string.
bool IsEmptiedUnnamedValue(const QString& valueName, const RegistryValueData& value);

// Whether what ReadValueForBackup reads writes back as the very bytes the
// value holds: string data with a character the code page lacks does not.
bool ValueFitsBackup(HKEY root, const QString& keyPath, const QString& valueName);

// The seventh field and its reading back (empty when not well formed).
QString EncodeValueField(const RegistryValueData& value);
std::optional<RegistryValueData> DecodeValueField(const QString& field);

// The eighth field: a value's name as its code-page bytes in lower-case
// hex, so that any name, blanks and "^" included, comes back as it was;
// and its reading back (nothing when not well formed). An empty name is
// the unnamed value.
QString EncodeNameField(const QString& valueName);
std::optional<QString> DecodeNameField(const QString& field);

// The plain record line of a row; with `value`, the seventh field too.
// `valueName` is the name the value was read under (empty: the unnamed
// value); when it is not the one the row's KeyName stands for, the
// eighth field carries it. Empty when a field holds what the line cannot
// carry ("^", or a character that would scramble into a line end): such a
// record would not restore the same value, so the fix must not rely on it.
QString BackupRecordLine(const ProblemRow& row, const std::optional<RegistryValueData>& value,
                         const std::optional<QString>& valueName = std::nullopt);

// The record line the fix writes for a checked row under `root`, with the
// value as it stands now. Empty as above, and when the value does not fit
// a backup (ValueFitsBackup).
QString BuildBackupRecord(HKEY root, const ProblemRow& row);

// Appends one record to a backup file (scrambled, CR LF), opening and
// closing the file. A missing file is created; a missing folder is not.
// When the record cannot be written whole and synced, the file is cut back
// to what it held before (a file this call created is removed), so no
// record cut short is left behind. The pump runs as the record is scrambled.
bool AppendBackupRecord(const QString& backupFilePath, const QString& recordLine, const MessagePump& pump = {});

// The size of a backup file, -1 when there is none (or it is no regular
// file); and the file cut back to such a size, or removed for -1. Records
// whose change did not happen are taken out again this way, so a backup
// holds only values that really left the registry.
qint64 BackupFileSize(const QString& backupFilePath);
bool CutBackupFile(const QString& backupFilePath, qint64 size);

// One whole record of a backup line, as the restore reads it.
struct BackupRecord {
    QString rootName;   // field 1
    QString keyPath;    // field 2
    QString lookedFor;  // field 3: the path the scan found missing
    QString valueName;  // field 4
    QString bareFlag;   // field 5: "Yes" for a bare file name
    std::optional<RegistryValueData> value;  // field 6, absent in older files
    std::optional<QString> ownName;          // field 7: the value's real name, when field 4 does not give it
};

// A plain (unscrambled) backup line read as a record: exactly six fields
// (the older form), seven whose last is a well-formed value field, or
// eight whose last two are a well-formed value field and value name.
// Anything else (a record cut short, extra fields, a damaged value field)
// is not a record, and nothing of it may be written back.
std::optional<BackupRecord> ParseBackupLine(const QString& plainLine);

struct RestoreResult {
    bool readable = false;  // the file could be opened and read
    QString whyUnreadable;  // when not: why, as a clause ("it is a named pipe, ...")
    int restored = 0;       // records written back
    int failed = 0;         // records that could not be read or written
    int occupied = 0;       // values that stand again with other data, left so
};

// Writes every record of a backup file back into the registry, in file
// order. Records with the seventh field give back the value exactly, type
// and bytes, into the named value or, for "(Default)", the key's unnamed
// value (with the eighth field, into the value it names), creating the key
// when missing; a value that stands in the
// registry again with other data is left as it is (only the unnamed value
// the fix emptied is written over). The older records leave a value that
// stands again with other data than the path they give back. Empty lines
// are skipped; a line that is no whole record (ParseBackupLine) changes
// nothing and counts as failed. Reports nothing to the user. The pump runs
// as each line is unscrambled and after each line.
RestoreResult RestoreBackupFile(const QString& path, const MessagePump& pump = {});

}  // namespace engine
