#pragma once
// Pieces shared by the files layer's sources (not for use outside platform/).
#include "platform/winfile.h"

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace platform::files {

// One drive of the map: its letter (0 = A) and root folder as the link names it.
struct DriveLink {
    int index = -1;
    QString root;  // absolute Linux path, not resolved through links
};

// The drive map read by attachDrives(): 26 slots, empty root = no drive.
const QString& driveRoot(int index);
QString prefixDir();

// Whether the drive's root folder can be read (false: "drive not ready").
bool driveReady(int index);

// Reads a string value of the open prefix's registry; nullopt when it
// cannot be read (no prefix, no key, no value, not a string type).
std::optional<QString> readRegistryString(unsigned root, const char* keyPath, const char* valueName);

// True while a LookupCacheScope lives.
bool cacheActive();

// What a scope remembers besides folder listings; each slot is filled on
// first use and dropped when the last scope ends.
struct ScopeCache {
    std::optional<bool> showDotFiles;
    std::optional<QString> windowsDir;
    std::optional<std::vector<DriveInfo>> drives;
    QHash<int, bool> driveReady;
};
ScopeCache& scopeCache();

// Forgets everything the lookups remembered (the drive map changed).
void clearLookupCache();

}  // namespace platform::files
