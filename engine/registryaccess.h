#pragma once
// The program's small layer over the registry: each procedure opens its key,
// acts and closes it again, and reports no error to the user. The writers
// return the Windows result code (0: done); a caller may ignore it.
#include "platform/wintypes.h"

#include <QString>
#include <QVariant>

namespace engine {

// Writes a value, REG_DWORD when `value` reads as a number, else a trimmed
// REG_SZ stored without its terminating NUL. The key must exist (a missing
// key gives the open's code and nothing is created).
LONG WriteRegistryValue(HKEY root, const QString& keyPath, const QString& valueName, const QVariant& value);

// Writes a REG_SZ (NUL stored) or REG_DWORD, creating the key when missing.
// Another type writes nothing and gives ERROR_INVALID_PARAMETER.
LONG SetRegistryValue(HKEY root, const QString& keyPath, const QString& valueName, const QVariant& value,
                      DWORD valueType);

// Writes into an open key; returns the RegSetValueExA result (0 for a type
// other than REG_SZ and REG_DWORD, which writes nothing).
LONG SetValueEx(HKEY key, const QString& valueName, DWORD valueType, const QVariant& value);

// Reads a REG_SZ or REG_DWORD value as text; false (and `out` untouched)
// when it cannot be read.
bool QueryRegistryValue(HKEY root, const QString& keyPath, const QString& valueName, QString& out);

// Reads a REG_SZ (QString) or REG_DWORD (qint32) from an open key. Returns 0
// on success, the failing call's code, or -1 for any other type.
LONG QueryValueEx(HKEY key, const QString& valueName, QVariant& out);

// Creates the key and any missing key above it.
LONG CreateRegistryKey(HKEY root, const QString& keyPath);

// Deletes one value; a missing key or value changes nothing and gives a
// non-zero code (ERROR_FILE_NOT_FOUND for a value that is not there).
LONG DeleteRegistryValue(HKEY root, const QString& keyPath, const QString& valueName);

// The Windows platform id (2: the NT family).
DWORD GetPlatformId();

}  // namespace engine
