#pragma once
// The Wine prefix the program works on: which one, opening it (registry
// files and drives), saving registry changes, and the program folder.
#include <QString>

#include <functional>

namespace platform {

// WINEPREFIX from the environment, else ~/.wine (Wine's own rule).
QString defaultPrefixPath();

struct PrefixError {
    bool ok = true;
    QString message;  // one clear sentence for the user when !ok
    bool partly = false;  // a failed save that still replaced some file
};

// Opens the prefix at `prefixDir` (a Linux path): loads its registry files and
// its drive map. Fails, with nothing written, when the prefix or system.reg is
// missing or unreadable, a registry file is no regular file (a FIFO, a
// device) or over 1 GiB, a file does not parse, or a wineserver runs for it.
PrefixError openPrefix(const QString& prefixDir);

// Writes pending registry changes (atomically) and forgets the prefix.
PrefixError closePrefix();

// True while a wineserver runs for the prefix at `prefixDir` (a Linux path),
// or when that cannot be told: Wine would then overwrite any change made to
// the prefix's registry files.
bool wineServerRunning(const QString& prefixDir);

bool prefixIsOpen();
QString prefixPath();  // Linux path of the open prefix, empty when none

// Writes every changed registry file now: all of them, or none when one
// cannot be written (its changes then stay unsaved). Also scheduled
// automatically after a change, for when control next returns to the event
// loop (but not while a RegistryBatch is open). Saves at once even inside a
// batch.
PrefixError flushRegistry();

// Before a user action changes the registry: empty when its changes could
// be saved and kept now (no wineserver runs for the prefix, the registry
// files on disk are still the ones that were read, and they and their folder
// can be written); otherwise one sentence for the user saying why not.
QString whyChangesCannotBeKept();

// Reads the registry files again when Wine changed them on disk since they
// were read, provided the program holds no unsaved change. Called before a
// scan, a fix and a restore.
PrefixError reloadRegistryIfChangedOnDisk();

// Before a scan, after reloadRegistryIfChangedOnDisk: empty when the
// registry read is the one Wine has; otherwise the sentence of
// whyChangesCannotBeKept that says why not (a wineserver runs for the
// prefix and holds keys it has not written yet, or a file changed on disk
// could not be read again).
QString whyRegistryReadMayBeStale();

// Drops the registry changes not saved yet: the registry is read again as
// it is on disk. An action whose save failed calls it, so that what it did
// not save is not written later by another action's save, nor read by a
// scan as done.
PrefixError dropUnsavedRegistryChanges();

// One save for one user action: while any batch is open, changes are not
// saved; when the outermost ends, every changed file is saved once. End
// it with finish() to tell the user the result in one sentence. A batch
// ended by its destructor, like a save scheduled after a lone change, tells
// a failed save in a message box of the desktop seam (platform/desktop.h),
// titled with the application's name.
class RegistryBatch {
public:
    RegistryBatch();
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    // Ends the batch now. The outermost returns the save's result; an inner
    // one, or a second call, returns ok.
    PrefixError finish();

private:
    bool m_open = true;
};

// The program folder (App.Path) as a Windows path, and App.EXEName. Default:
// the folder and base name of the running executable. Tests may override.
QString programFolder();
QString programExeName();
// The program folder as a Linux path (where the program's own files lie).
QString programFolderLinux();
void setProgramFolderLinux(const QString& linuxDir);

}  // namespace platform
