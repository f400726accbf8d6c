#pragma once
// Windows file and system functions, answered from the open Wine prefix's
// drives (dosdevices/). Every path here is a Windows path in Windows-1252
// (ANSI) bytes or, for the runtime-style helpers, program text.
#include "platform/wintypes.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    DWORD ftCreationTime[2];
    DWORD ftLastAccessTime[2];
    DWORD ftLastWriteTime[2];
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14];
};

using HANDLE = std::intptr_t;
constexpr HANDLE INVALID_HANDLE_VALUE = -1;

DWORD GetFileAttributesA(const char* lpFileName);
HANDLE FindFirstFileA(const char* lpFileName, WIN32_FIND_DATAA* lpFindFileData);
BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* lpFindFileData);
BOOL FindClose(HANDLE hFindFile);
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
// Results are lengths without the NUL; a too small buffer gets the size needed.
DWORD GetShortPathNameA(const char* lpszLongPath, char* lpszShortPath, DWORD cchBuffer);
unsigned GetWindowsDirectoryA(char* lpBuffer, unsigned uSize);
unsigned GetSystemDirectoryA(char* lpBuffer, unsigned uSize);
DWORD GetTempPathA(DWORD nBufferLength, char* lpBuffer);
BOOL GetVolumeInformationA(const char* lpRootPathName, char* lpVolumeNameBuffer, DWORD nVolumeNameSize,
                           DWORD* lpVolumeSerialNumber, DWORD* lpMaximumComponentLength,
                           DWORD* lpFileSystemFlags, char* lpFileSystemNameBuffer, DWORD nFileSystemNameSize);

namespace platform {

// Drive types as the scripting runtime numbers them.
enum class DriveType { Unknown = 0, Removable = 1, Fixed = 2, Network = 3, CdRom = 4, RamDisk = 5 };

struct DriveInfo {
    QChar letter;      // upper case
    DriveType type;
    QString rootLinux; // the drive's root folder on Linux
};

// The prefix's drives, A to Z.
std::vector<DriveInfo> drives();

// A Windows path to the Linux path it names, looked up as Windows would
// (separators, "." and "..", trailing blanks and dots, case). Empty when
// nothing is found. Only this layer and the tests should need it.
QString toLinuxPath(const QString& windowsPath);
// A Linux path back to a Windows path through the drive map (longest drive
// root that holds it; normally Z: for "/"). Empty when no drive holds it.
QString toWindowsPath(const QString& linuxPath);

// Windows paths of the folders Wine serves its own fonts from (beside the
// Windows Fonts folder), for the Wine installed on this machine; the ones
// that exist, each once.
QStringList wineFontFolders();

// The runtime's Dir: a first call with a pattern and an attribute mask starts
// the one program-wide listing and returns its first name (empty when none);
// DirNext() returns the next name. `error` is set non-zero where the runtime
// raises an error (bad file name, drive not ready, wildcards before the last
// segment, UNC path); the listing then holds nothing.
QString Dir(const QString& pattern, int attributes, int* error = nullptr);
QString DirNext();

// While one of these lives, what case-insensitive lookups learn about folders
// is kept (nothing on disk is expected to change meanwhile).
class LookupCacheScope {
public:
    LookupCacheScope();
    ~LookupCacheScope();
    LookupCacheScope(const LookupCacheScope&) = delete;
    LookupCacheScope& operator=(const LookupCacheScope&) = delete;
};

// Forgets what the living scope has learned, for a caller that has just made
// a file the lookups must now see. Nothing happens while no scope lives.
void forgetCachedLookups();

// A number of its own for the outermost LookupCacheScope now living (also
// renewed when the drive map changes meanwhile); 0 while none lives. Lets the
// layers above keep what they work out for as long as the lookups do.
quint64 lookupScopeGeneration();

// Which real folder a Windows path names: the device and inode of the Linux
// folder it leads to, links followed. Two paths that reach one folder through
// links give the same identity. Empty when the path names no folder.
struct FolderIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FolderIdentity&) const = default;
};
std::optional<FolderIdentity> folderIdentity(const QString& windowsPath);

// Within a LookupCacheScope: forgets what the lookups learnt of the folder a
// Windows path names (its listing and its entries), so a long walk that is
// done with a folder does not keep it. Folders above it stay known.
void forgetFolderLookups(const QString& windowsFolder);

// Called by openPrefix(): reads the drive map of the prefix.
void attachDrives(const QString& prefixDir);
void detachDrives();

}  // namespace platform
