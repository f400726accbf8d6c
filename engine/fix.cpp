#include "engine/fix.h"

#include "engine/backup.h"
#include "engine/pathhelpers.h"
#include "engine/registryaccess.h"
#include "engine/scanstate.h"
#include "engine/trim.h"

#include <QSet>
#include <QStringList>

#include <optional>

namespace engine {

namespace {

const QString kDefaultValueName = QStringLiteral("(Default)");

struct RootEntry {
    qint64 number;  // the handle as signed 32-bit decimal
    HKEY handle;
    const char* name;
};

const RootEntry kRoots[] = {
    {-2147483648LL, HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {-2147483647LL, HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {-2147483646LL, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {-2147483645LL, HKEY_USERS, "HKEY_USERS"},
    {-2147483643LL, HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
    {-2147483642LL, HKEY_DYN_DATA, "HKEY_DYN_DATA"},
};

QString normalised(const QString& text)
{
    return text.toUpper().trimmed();
}

// A value named twice in one run (two rows, two sections) is recorded once:
// a second record of the emptied unnamed value would restore it empty.
QString valueIdentity(HKEY root, const ProblemRow& row)
{
    const QString name = row.KeyName == kDefaultValueName ? QString() : row.KeyName;
    return QString::number(root) + QLatin1Char('\\') + row.FullKeyPath.toLower() + QLatin1Char('\\')
        + QLatin1Char('"') + name.toLower();
}

FixOutcome fixRow(const ProblemRow& row, const QString& backupFile, QSet<QString>& handled)
{
    if (!row.Checked)
        return FixOutcome::NotChecked;
    if (row.KeyName.isEmpty())
        return FixOutcome::NoValueName;
    const HKEY root = RootOfRow(row);
    if (root == 0)
        return FixOutcome::UnknownRoot;
    // The list may be older than the disk (a results file saved days ago, or
    // on another prefix): a file found missing then may be there now.
    if (!trimBlanks(row.KeyValue).isEmpty() && FileExists(row.KeyValue))
        return FixOutcome::FileOnDisk;
    const QString identity = valueIdentity(root, row);
    if (handled.contains(identity))
        return FixOutcome::NothingThere;
    const std::optional<RegistryValueData> value = ReadValueForBackup(root, row.FullKeyPath, row.KeyName);
    if (!value)
        return FixOutcome::NothingThere;
    // An unnamed value the fix emptied before: recording it again would
    // restore it empty over the record of the data it had.
    if (IsEmptiedUnnamedValue(row.KeyName, *value))
        return FixOutcome::NothingThere;
    const QString record = BackupRecordLine(row, value);
    if (record.isEmpty() || !ValueFitsBackup(root, row.FullKeyPath, row.KeyName))
        return FixOutcome::RecordNotCarried;
    // The record is on disk before the registry is touched.
    if (!AppendBackupRecord(backupFile, record))
        return FixOutcome::RecordNotWritten;
    LONG rc;
    if (row.KeyName == kDefaultValueName)
        rc = WriteRegistryValue(root, row.FullKeyPath, QString(), QString());
    else
        rc = DeleteRegistryValue(root, row.FullKeyPath, row.KeyName);
    if (rc != ERROR_SUCCESS)
        return FixOutcome::NotDeleted;
    handled.insert(identity);
    return FixOutcome::Fixed;
}

}  // namespace

bool LeavesList(FixOutcome outcome)
{
    switch (outcome) {
    case FixOutcome::Fixed:
    case FixOutcome::NoValueName:
    case FixOutcome::NothingThere:
        return true;
    default:
        return false;
    }
}

void FixObserver::pump()
{
    DoEvents();
}

int FixReport::count(FixOutcome outcome) const
{
    int n = 0;
    for (const FixOutcome o : outcomes)
        n += o == outcome ? 1 : 0;
    return n;
}

HKEY RootOfRow(const ProblemRow& row)
{
    bool ok = false;
    const qint64 number = row.MainKey.trimmed().toLongLong(&ok);
    if (!ok)
        return 0;
    for (const RootEntry& r : kRoots) {
        if (r.number == number)
            return normalised(row.mainkeyname) == QLatin1String(r.name) ? r.handle : 0;
    }
    return 0;
}

FixReport FixRows(ProblemList& list, FixObserver& observer)
{
    FixReport report;
    report.backupFile = NewBackupFilePath();
    const int n = list.count();
    report.outcomes.assign(static_cast<size_t>(n), FixOutcome::NotChecked);
    QSet<QString> handled;
    for (int i = 1; i <= n; ++i) {
        // A handler run by the pump may have shortened the list.
        if (i <= list.count()) {
            const ProblemRow row = list.row(i);
            const FixOutcome outcome = fixRow(row, report.backupFile, handled);
            report.outcomes[static_cast<size_t>(i - 1)] = outcome;
            if (outcome != FixOutcome::NotChecked && !LeavesList(outcome))
                report.keptRows.push_back(row);
        }
        observer.pump();
    }
    for (int i = std::min(n, list.count()); i >= 1; --i) {
        if (i <= list.count() && LeavesList(report.outcomes[static_cast<size_t>(i - 1)]))
            list.remove(i);
        observer.pump();
    }
    return report;
}

void RemoveRowsOneByOne(int rowCount, const std::function<int()>& currentCount,
                        const std::function<bool(int)>& removable, const std::function<void(int)>& remove,
                        FixObserver& observer, int pumpsBefore)
{
    for (int i = rowCount; i >= 1; --i) {
        for (int p = 0; p < pumpsBefore; ++p)
            observer.pump();
        if (i <= currentCount() && removable(i))
            remove(i);
        observer.pump();
    }
}

bool NamesKeptRow(const FixReport& report, const QString& section, const QString& valueName, const QString& filePath)
{
    const QString s = normalised(section), v = normalised(valueName), f = normalised(filePath);
    for (const ProblemRow& row : report.keptRows) {
        if (s == normalised(row.RegistryScanners) && v == normalised(row.KeyName) && f == normalised(row.KeyValue))
            return true;
    }
    return false;
}

QString KeptRowsSentence(const FixReport& report)
{
    static const struct {
        FixOutcome outcome;
        const char* why;
    } reasons[] = {
        {FixOutcome::RecordNotWritten, "the backup file could not be written"},
        {FixOutcome::RecordNotCarried, "a backup line cannot carry their text (a \"^\", a control character or a character outside the code page)"},
        {FixOutcome::UnknownRoot, "their root key is blank or not one of the registry's root keys"},
        {FixOutcome::NotDeleted, "the registry refused to delete them"},
        {FixOutcome::FileOnDisk, "the file they name is on disk now"},
    };
    QStringList parts;
    for (const auto& r : reasons) {
        const int n = report.count(r.outcome);
        if (n > 0)
            parts << QStringLiteral("%1 because %2").arg(n).arg(QLatin1String(r.why));
    }
    const int kept = static_cast<int>(report.keptRows.size());
    if (kept == 0)
        return {};
    return QStringLiteral("%1 checked value(s) were left in the registry and stay checked in the list: %2.")
        .arg(kept)
        .arg(parts.join(QStringLiteral(", ")));
}

}  // namespace engine
