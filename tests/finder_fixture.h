#pragma once
// A small prefix of its own for the finder's tests: drive C: (with the
// Windows folder C:\windows), a drive D: whose root is missing (not ready),
// Z: for "/" (where the program folder lies),
// and helpers to plant files, folders and links below drive_c.
#include "engine/problemlist.h"
#include "tests/support/printto.h"

#include <QString>
#include <QStringList>

#include <ostream>

namespace finderfixture {

// Writes a new prefix below the scratch folder and opens it; returns its
// folder (empty on failure).
QString openNewPrefix();
void closePrefix();

QString driveC();  // of the open fixture prefix

// Below drive_c: a file (folders made as needed), a folder, a symbolic link.
bool touch(const QString& relative);
bool makeFolder(const QString& relative);
bool link(const QString& target, const QString& relative);

// A problem list whose rows name these files (other fields filled plainly).
engine::ProblemList rowsNaming(const QStringList& keyValues);
QStringList keyValues(const engine::ProblemList& rows);

}  // namespace finderfixture
