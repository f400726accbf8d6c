#pragma once
// The shell: opening a program or document, and finding the program the
// desktop opens a kind of file with.
//
// A Windows program (a path ending in ".exe") is started with wine in the
// open prefix; a desktop entry (".desktop" file) by its Exec line; anything
// else as a Linux program. Everything starts detached.
#include <QString>
#include <QStringList>

#include <functional>

class QObject;

namespace platform {

constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMAXIMIZED = 3;

// Results as the shell gives them: greater than 32 on success, else an error.
constexpr long SE_ERR_FNF = 2;
constexpr long SE_ERR_NOASSOC = 31;

// `window` only owns what is started (not used on this desktop). `file` is a
// Windows path or an absolute Linux path; `parameters` a command-line tail,
// split as a shell would split it. Only the verbs "open" and empty are known.
long ShellExecuteA(QObject* window, const char* operation, const char* file, const char* parameters,
                   const char* directory, int showCommand);

// Writes into `result` (MAX_PATH bytes) the program that opens `file` (a
// Windows path of an existing file): the Linux path of the desktop entry the
// desktop names as default for the file's type. Returns > 32 when found,
// SE_ERR_FNF for a missing file, SE_ERR_NOASSOC when nothing is registered.
long FindExecutableA(const char* file, const char* directory, char* result);

// Test hooks. The default answers ask `xdg-mime query default <type>` and
// start real processes.
using DefaultAppQuery = std::function<QString(const QString& mimeType)>;  // a desktop id or empty
using ProcessStarter = std::function<bool(const QString& program, const QStringList& arguments,
                                          const QStringList& extraEnvironment)>;
void setDefaultAppQuery(DefaultAppQuery query);  // empty: the default
void setProcessStarter(ProcessStarter starter);  // empty: the default

// The command line of a desktop entry's Exec key, split into words, with its
// field codes: %u %U %f %F take `arguments`; the others are dropped.
QStringList desktopEntryCommand(const QString& desktopFile, const QStringList& arguments);

}  // namespace platform
