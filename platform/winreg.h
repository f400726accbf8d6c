#pragma once
// The Windows registry functions the program needs, answered from the
// registry files of the open Wine prefix (see prefix.h). ANSI forms: names
// and string data are Windows-1252 bytes; results are Windows result codes.
//
// Root handles are the predefined HKEY_* values. Handles returned by the
// open and create functions are valid until RegCloseKey.
#include "platform/wintypes.h"

#include <QtGlobal>

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};

LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult);
LONG RegOpenKeyA(HKEY hKey, const char* lpSubKey, HKEY* phkResult);
LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD Reserved, const char* lpClass, DWORD dwOptions,
                     REGSAM samDesired, const void* lpSecurityAttributes, HKEY* phkResult, DWORD* lpdwDisposition);
// lpcchName / lpcchClass: in, the buffer size in characters (NUL included);
// out, the length without the NUL. ERROR_MORE_DATA when a name does not fit.
LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD* lpReserved, char* lpClass,
                   DWORD* lpcchClass, FILETIME* lpftLastWriteTime);
LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName, DWORD* lpReserved,
                   DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                      DWORD* lpcbData);
LONG RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData);
LONG RegDeleteValueA(HKEY hKey, const char* lpValueName);
LONG RegCloseKey(HKEY hKey);

BOOL GetVersionExA(OSVERSIONINFOA* lpVersionInformation);

namespace platform {

// What an open key handle stands for, the same number for every handle of
// one key (links followed) while the registry stays loaded; 0 for a handle
// that is not open. Lets a walk tell a key it has already been in.
quintptr RegKeyIdentity(HKEY hKey);

// Whether a value read with RegQueryValueExA and written back with
// RegSetValueExA gets the very bytes it holds now: false for string data
// with a character the code page lacks or an odd number of bytes, and for
// a value that cannot be read.
bool RegValueSurvivesAnsi(HKEY hKey, const char* lpValueName);

}  // namespace platform
