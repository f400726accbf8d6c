#pragma once
// Hooks into the registry's saving for the tests and benchmarks only: the
// program itself never calls them (the build checks that only tests/ and
// bench/ include this header).
#include <QtGlobal>

namespace platform::registry {

// Files written by save() since the program started.
quint64 filesWritten();

// Points a save goes through, for tests that stop a saving process there:
// part of a new file is written; all of it is written and flushed (each
// changed file in turn); it has replaced the old file (then the next).
enum class SaveStage { PartWritten, Flushed, Renamed };
void setSaveStageHook(void (*hook)(SaveStage));

// Marks every key as changed, its time kept, so that the next save writes
// every block anew (how the writer is checked against Wine's own files).
void markAllKeysChanged();
// Marks every file as changed and no key, so that the next save writes each
// file anew with every block copied as it is (how the bench times a save).
void markAllFilesChanged();

}  // namespace platform::registry
