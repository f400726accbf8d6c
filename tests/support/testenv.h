#pragma once
// Helpers shared by the tests.
#include <QString>

namespace testenv {

// A private temporary folder for the whole test program (removed at exit).
QString scratchRoot();

// Ends every process whose WINEPREFIX lies inside `folder`.
void stopWineProcessesUnder(const QString& folder);

// Removes scratchRoot() and everything in it, after ending the Wine
// processes of the prefixes made there.
void removeScratch();

// A new empty folder below scratchRoot().
QString makeTempDir(const QString& tag);

// Writes bytes to a file, creating its folders. Returns false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// True when `wine` can be started here (tests that need it skip otherwise,
// except in CI where a missing Wine is a failure).
bool wineAvailable();

}  // namespace testenv
