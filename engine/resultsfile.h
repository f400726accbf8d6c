#pragma once
// The results file "Scan.ocx": one scrambled line per problem row, its
// seven fields joined by "^^", each line ended by CR LF. No header, no
// count: the logon start counts its lines as problems.
#include "engine/messagepump.h"
#include "engine/problemlist.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace engine {

// The plain line of a row: its seven fields joined by "^^".
QString ResultsLine(const ProblemRow& row);

// The line as the file stores it: scrambled, in ANSI bytes, without its
// line end. Empty when the stored line would not read back as the same
// seven fields: a field holding "^^" or ending with "^", a
// character the code page lacks, or one that scrambles into a line end.
// The pump runs once per character scrambled.
QByteArray StoredResultsLine(const ProblemRow& row, const MessagePump& pump = {});

// A stored line (without its line end) unscrambled and split at "^^"; the
// pump runs once per character.
QStringList ResultsLineFields(const QByteArray& stored, const MessagePump& pump = {});

// The stored lines of a file's bytes that are not empty; a line ends at CR
// or CR LF, and a last line without an end counts.
QList<QByteArray> ResultsFileLines(const QByteArray& bytes);

// The program folder & "/Scan.ocx".
QString ResultsFilePath();
// Whether the folder listing finds the file (plain files only).
bool ResultsFileSaved();
// The lines of the file: the problems the logon start reports (0 when
// there is no file). The pump runs once per line.
int SavedProblemCount(const MessagePump& pump = {});
// Removes the file; false when it was not there or stays.
bool DeleteResultsFile();

struct ResultsSave {
    bool saved = false;
    int leftOut = 0;  // rows whose line could not carry their text
    // When not saved, why; when saved with rows left out, what that means.
    QString sentence;
};

// Rewrites the file whole with `rows`, one line each, letting window
// messages run (the pump) as each is scrambled and after each. The lines
// go to a new file beside it that takes the old one's place only when
// every line is written, so a failed save leaves the last good file. A row
// whose line would read back as another row is left out.
ResultsSave SaveResultsFile(const std::vector<ProblemRow>& rows, const MessagePump& pump = {});

struct ResultsRead {
    enum Outcome { Read, Missing, Unreadable };
    Outcome outcome = Missing;  // Missing: the folder listing finds no file
    QString sentence;           // when unreadable: why, for the user
    QByteArray bytes;
};
ResultsRead ReadResultsFile();

// The rows a file's bytes hold, checked, letting window messages run (the
// pump) as each line is unscrambled and after it. A line of fewer than
// three fields names no file; one of more than seven had a field holding
// the separator, so its later fields moved and the row would point at
// another key; a line whose file path is the text of a field after the
// first of a row loaded before it (without regard to case) repeats that
// row. Those give no row.
std::vector<ProblemRow> ResultsRows(const QByteArray& bytes, const MessagePump& pump = {});

}  // namespace engine
