#include "engine/fix.h"

#include "engine/backup.h"
#include "engine/backupstore.h"
#include "engine/pathhelpers.h"
#include "engine/registryaccess.h"
#include "engine/scancontext.h"
#include "engine/scanwalk.h"
#include "engine/trim.h"
#include "platform/ansi.h"
#include "platform/regkey.h"
#include "platform/winfile.h"
#include "platform/winreg.h"

#include <QSet>
#include <QStringList>

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

// Names the scan lists as "(Default)": the unnamed value, a name of blanks
// only, and a value literally so named.
bool listedAsDefault(const QString& name)
{
    return trimBlanks(name).isEmpty() || name.compare(kDefaultValueName, Qt::CaseInsensitive) == 0;
}

// Whether the section's rule, given the value's data as it is now, lists
// the row's problem again. The rule adds to a list of its own and has no
// message pump and no cancel, so nothing else runs and the window's lists
// stay.
bool judgedMissingAgain(HKEY root, const ProblemRow& row, const QString& valueName, const QString& text)
{
    ProblemList judged;
    const ScanContext judging{judged};
    ScanValueBySection(judging, text, row.RegistryScanners, valueName, root, row.mainkeyname, row.FullKeyPath);
    for (const ProblemRow& r : judged.rows()) {
        if (r.KeyName == row.KeyName && r.KeyValue.compare(row.KeyValue, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The names of a key's values that a "(Default)" row may stand for; false
// when they could not all be listed.
bool defaultCandidates(HKEY key, QStringList* names)
{
    QByteArray name(16384, '\0');  // the longest name a value can have, and its NUL
    for (DWORD index = 0;; ++index) {
        DWORD size = static_cast<DWORD>(name.size());
        const LONG rc = RegEnumValueA(key, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            return true;
        if (rc != ERROR_SUCCESS)
            return false;
        const QString text = platform::fromAnsi(name.constData(), static_cast<int>(size));
        if (listedAsDefault(text))
            *names << text;
    }
}

// A problem listed twice (by two sections, or a key path in another case)
// is fixed once; its second row then finds its value gone, or, for a
// "(Default)" row, may find another of the key's values.
QString problemIdentity(HKEY root, const ProblemRow& row)
{
    return QString::number(root) + QLatin1Char('\\') + row.FullKeyPath.toLower() + QLatin1Char('\\')
        + QLatin1Char('"') + row.KeyName.toLower() + QLatin1Char('"') + row.KeyValue.toLower();
}

FixOutcome fixRow(const ProblemRow& row, const QString& backupFile, QSet<QString>& fixedProblems,
                  const MessagePump& messages)
{
    if (!row.Checked)
        return FixOutcome::NotChecked;
    if (row.KeyName.isEmpty())
        return FixOutcome::NoValueName;
    const HKEY root = RootOfRow(row);
    if (root == 0)
        return FixOutcome::UnknownRoot;
    const QString identity = problemIdentity(root, row);
    if (fixedProblems.contains(identity))
        return FixOutcome::NothingThere;
    // The list may be older than the registry (a results file saved days
    // ago, a value changed since the scan): only a value that still names
    // the missing file is touched.
    const ValueOfRow found = FindValueOfRow(root, row);
    if (found.verdict != FixOutcome::Fixed)
        return found.verdict;
    platform::RegKey key = platform::RegKey::open(root, row.FullKeyPath, KEY_QUERY_VALUE);
    const platform::RegValue value = platform::readRegValue(key.handle(), found.name);
    if (!key.ok() || !value.ok())
        return FixOutcome::NotReadable;
    if (!platform::RegValueSurvivesAnsi(key.handle(), platform::toAnsi(found.name).constData()))
        return FixOutcome::RecordNotCarried;
    key.close();
    const QString record = BackupRecordLine(row, RegistryValueData{value.type, value.data}, found.name);
    if (record.isEmpty())
        return FixOutcome::RecordNotCarried;
    // The record is on disk before the registry is touched; it is taken
    // out again when the value stays after all.
    const qint64 backupSize = BackupFileSize(backupFile);
    if (!AppendBackupRecord(backupFile, record, messages))
        return FixOutcome::RecordNotWritten;
    // Writing the record let messages run: the value must still be the one
    // recorded.
    key = platform::RegKey::open(root, row.FullKeyPath, KEY_QUERY_VALUE);
    const platform::RegValue now = platform::readRegValue(key.handle(), found.name);
    if (!key.ok() || !now.ok() || now.type != value.type || now.data != value.data) {
        CutBackupFile(backupFile, backupSize);
        return FixOutcome::DataChanged;
    }
    key.close();
    // The unnamed value stays, emptied; any other value goes.
    const LONG rc = found.name.isEmpty() ? WriteRegistryValue(root, row.FullKeyPath, QString(), QString())
                                         : DeleteRegistryValue(root, row.FullKeyPath, found.name);
    if (rc != ERROR_SUCCESS) {
        CutBackupFile(backupFile, backupSize);
        return FixOutcome::NotDeleted;
    }
    fixedProblems.insert(identity);
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
    runPump(m_messages);
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

ValueOfRow FindValueOfRow(HKEY root, const ProblemRow& row)
{
    if (!SectionHasRule(row.RegistryScanners))
        return {FixOutcome::NoRule, {}};
    const platform::RegKey key = platform::RegKey::open(root, row.FullKeyPath, KEY_QUERY_VALUE);
    if (!key.ok())
        return {key.result() == ERROR_FILE_NOT_FOUND ? FixOutcome::NothingThere : FixOutcome::NotReadable, {}};
    const bool plainName = row.KeyName != kDefaultValueName;
    QStringList names;
    if (plainName)
        names << row.KeyName;
    else if (!defaultCandidates(key.handle(), &names))
        return {FixOutcome::NotReadable, {}};

    bool unreadable = false;
    bool present = false;
    QStringList matching;
    for (const QString& name : names) {
        const platform::RegValue value = platform::readRegValue(key.handle(), name);
        if (!value.ok()) {
            // A name just listed that does not read is no value that is gone.
            if (!(plainName && value.result == ERROR_FILE_NOT_FOUND))
                unreadable = true;
            continue;
        }
        // The unnamed value as an earlier fix left it: nothing is there.
        if (name.isEmpty() && IsEmptiedUnnamedValue(kDefaultValueName, RegistryValueData{value.type, value.data}))
            continue;
        present = true;
        if (judgedMissingAgain(root, row, name, GetValueAsString(key.handle(), name)))
            matching << name;
    }
    if (unreadable)
        return {FixOutcome::NotReadable, {}};
    if (matching.size() == 1)
        return {FixOutcome::Fixed, matching.first()};
    if (matching.size() > 1)
        return {FixOutcome::Ambiguous, {}};
    if (!present)
        return {FixOutcome::NothingThere, {}};
    if (!trimBlanks(row.KeyValue).isEmpty() && FileExists(row.KeyValue))
        return {FixOutcome::FileOnDisk, {}};
    return {FixOutcome::DataChanged, {}};
}

FixReport FixCheckedRows(const ProblemList& list, FixObserver& observer)
{
    FixReport report;
    // What the lookups learn of folders is kept for the fix, as for a
    // scan: each row's judgement would list the same folders again.
    const platform::LookupCacheScope lookups;
    report.backupFile = NewBackupFilePath();
    report.backupSizeBefore = BackupFileSize(report.backupFile);
    // The rows and check boxes of this moment: handlers run by the pump may
    // change the list, and the fix goes on with what the user had checked.
    const std::vector<ProblemRow> rows = list.rows();
    const int n = list.count();
    report.outcomes.assign(static_cast<size_t>(n), FixOutcome::NotChecked);
    for (int i = 1; i <= n; ++i)
        report.rowIds.push_back(list.id(i));
    QSet<QString> fixedProblems;
    for (int i = 0; i < n; ++i) {
        const ProblemRow& row = rows[static_cast<size_t>(i)];
        const FixOutcome outcome = fixRow(row, report.backupFile, fixedProblems, observer.messages());
        report.outcomes[static_cast<size_t>(i)] = outcome;
        if (outcome != FixOutcome::NotChecked && !LeavesList(outcome))
            report.keptRows.push_back(row);
        observer.pump();
    }
    return report;
}

void RemoveFixedRows(ProblemList& list, const FixReport& report, FixObserver& observer)
{
    QSet<quint64> leaving;
    for (size_t i = 0; i < report.outcomes.size() && i < report.rowIds.size(); ++i) {
        if (LeavesList(report.outcomes[i]))
            leaving.insert(report.rowIds[i]);
    }
    for (int i = list.count(); i >= 1; --i) {
        // A handler run by the pump may have shortened the list.
        if (i <= list.count() && leaving.contains(list.id(i)))
            list.remove(i);
        observer.pump();
    }
}

FixReport FixRows(ProblemList& list, FixObserver& observer)
{
    FixReport report = FixCheckedRows(list, observer);
    RemoveFixedRows(list, report, observer);
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
        {FixOutcome::DataChanged, "their value has changed and no longer names the missing file"},
        {FixOutcome::NotReadable, "their value could not be read"},
        {FixOutcome::Ambiguous, "more than one value of their key could be the one listed"},
        {FixOutcome::NoRule, "no rule of the scan judges their section"},
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
