#pragma once
// The results file "Scan.ocx": one scrambled line per problem row, its
// seven fields joined by "^^", each line ended by CR LF. No header, no
// count: the logon start counts its lines as problems.
#include "engine/problemlist.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace engine {

// The plain line of a row: its seven fields joined by "^^".
QString ResultsLine(const ProblemRow& row);

// The line as the file stores it: scrambled, in ANSI bytes, without its
// line end. Empty when the stored line would not read back as the same
// seven fields: a field holding "^^" or ending with "^", a
// character the code page lacks, or one that scrambles into a line end.
QByteArray StoredResultsLine(const ProblemRow& row);

// A stored line (without its line end) unscrambled and split at "^^".
QStringList ResultsLineFields(const QByteArray& stored);

// The stored lines of a file's bytes that are not empty; a line ends at CR
// or CR LF, and a last line without an end counts.
QList<QByteArray> ResultsFileLines(const QByteArray& bytes);

// Appends one stored line and CR LF to the file at `linuxPath`, opening and
// closing it; a missing file is created. False when it was not all written.
bool AppendResultsLine(const QString& linuxPath, const QByteArray& stored);

}  // namespace engine
