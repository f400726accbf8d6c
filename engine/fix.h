#pragma once
// The fix of the checked problems: each value is written to the backup file
// first and deleted only once its record is on disk. The work of each row and
// its outcome live here, so the main window and the bench run the same code;
// the message-pump passes go through an observer.
#include "engine/messagepump.h"
#include "engine/problemlist.h"
#include "platform/wintypes.h"

#include <QString>

#include <functional>
#include <utility>
#include <vector>

namespace engine {

enum class FixOutcome {
    NotChecked,        // left alone; the row stays
    Fixed,             // recorded, then deleted; the row leaves the lists
    NoValueName,       // nothing to back up or delete; the row leaves the lists
    NothingThere,      // the value is gone already; the row leaves the lists
    UnknownRoot,       // MainKey blank, no root key's number, or not the root named
    RecordNotCarried,  // a field, or the value's text, that the record cannot carry
    RecordNotWritten,  // the backup file could not be written
    NotDeleted,        // recorded, but the registry kept the value
    FileOnDisk,        // the file found missing is there now; left alone
    DataChanged,       // the value no longer names the row's missing file; left alone
    NotReadable,       // the key or the value could not be read; left alone
    Ambiguous,         // more than one value of the key could be the row's; left alone
    NoRule,            // no rule judges the row's section, so it cannot be judged again
};

// Whether a row with this outcome leaves both problem lists.
bool LeavesList(FixOutcome outcome);

class FixObserver {
public:
    // `messages` lets the caller's window messages run: by default once per
    // row (pump()), and once per character as a backup record is scrambled.
    explicit FixObserver(MessagePump messages = {}) : m_messages(std::move(messages)) {}
    virtual ~FixObserver() = default;
    // One pass of pending window messages; by default the messages pump.
    virtual void pump();
    const MessagePump& messages() const { return m_messages; }

private:
    MessagePump m_messages;
};

struct FixReport {
    QString backupFile;                // named once, before the first row
    qint64 backupSizeBefore = -1;      // its size then, -1 when there was none
    std::vector<FixOutcome> outcomes;  // one per row of the list as it was
    std::vector<quint64> rowIds;       // the list's id of each of those rows
    std::vector<ProblemRow> keptRows;  // checked rows left in the registry, in list order

    int count(FixOutcome outcome) const;
};

// The root a row's MainKey names (its signed decimal text, trimmed), when it
// is one of the six root keys and agrees with the row's root name; else 0.
HKEY RootOfRow(const ProblemRow& row);

// Which value of a key a row stands for, and whether it still names the
// row's missing file: the value is read again now and its data judged by
// the rule of the row's section, as the scan judged it. A "(Default)" row
// may stand for the unnamed value, a value named with blanks only or one
// literally named "(Default)": the one whose data gives the row is meant.
// Never lets messages run and never adds to the current problem list.
struct ValueOfRow {
    FixOutcome verdict = FixOutcome::Fixed;  // Fixed: found and still wrong
    QString name;                            // its own name; empty: the unnamed value
};
ValueOfRow FindValueOfRow(HKEY root, const ProblemRow& row);

// Backs up and deletes the value of every row of `list` that is checked
// when it starts, in list order, into the backup file NewBackupFilePath()
// names; the unnamed value is emptied instead. Each value is judged again
// just before (FindValueOfRow) and left alone unless it still names the
// missing file. The rows are taken as they stand at the start, so handlers
// run by the pump cannot shift them; the list is not changed. The caller
// has checked that changes can be kept and holds the registry batch. One
// pump per row.
FixReport FixCheckedRows(const ProblemList& list, FixObserver& observer);

// Removes from `list` the rows of `report` that leave it, found by their
// id wherever they stand now. One pump per row of the list.
void RemoveFixedRows(ProblemList& list, const FixReport& report, FixObserver& observer);

// Both, one after the other, for callers that show no list.
FixReport FixRows(ProblemList& list, FixObserver& observer);

// The problem page's list loses its rows the slow way: for each row from the
// last, `pumpsBefore` passes, then the row when `removable` says so, then one
// pass. Rows that vanished meanwhile are skipped.
constexpr int kPumpsBeforeVisibleRow = 10000;
void RemoveRowsOneByOne(int rowCount, const std::function<int()>& currentCount,
                        const std::function<bool(int)>& removable, const std::function<void(int)>& remove,
                        FixObserver& observer, int pumpsBefore = kPumpsBeforeVisibleRow);

// Whether a visible row (section, value name, file path) names a row the fix
// left in the registry, compared upper-cased and trimmed.
bool NamesKeptRow(const FixReport& report, const QString& section, const QString& valueName,
                  const QString& filePath);

// One sentence on the checked values left in the registry and why; empty
// when there are none.
QString KeptRowsSentence(const FixReport& report);

}  // namespace engine
