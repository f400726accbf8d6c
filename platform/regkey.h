#pragma once
// One open registry key that closes itself, and one reader of value data, so
// that callers need not repeat "open, query the size, query the data, close"
// each with its own idea of where a string ends.
#include "platform/wintypes.h"

#include <QByteArray>
#include <QString>

#include <initializer_list>
#include <optional>

namespace platform {

// A key handle opened by one of the factories below and closed when the
// object goes (or by close()). Move-only. A failed open leaves no handle and
// keeps the Windows result code.
class RegKey {
public:
    RegKey() = default;
    ~RegKey();
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // RegOpenKeyExA with `access`.
    static RegKey open(HKEY root, const QString& path, REGSAM access);
    // RegOpenKeyA: the most the key allows (read access in a registry file
    // that cannot be written). An empty path gives back `root` itself, which
    // stays open when this object goes.
    static RegKey openDefault(HKEY root, const QString& path);
    // RegCreateKeyExA: the key and any missing key above it, lasting, no class.
    static RegKey create(HKEY root, const QString& path, REGSAM access, DWORD* disposition = nullptr);

    bool ok() const { return m_result == ERROR_SUCCESS; }
    // The open's result code: 0 when the key is open.
    LONG result() const { return m_result; }
    HKEY handle() const { return m_handle; }
    void close();

private:
    RegKey(HKEY handle, LONG result, bool owned = true) : m_handle(handle), m_result(result), m_owned(owned) {}
    HKEY m_handle = 0;
    LONG m_result = ERROR_INVALID_HANDLE;
    bool m_owned = false;  // closed by this object
};

// A value as the ANSI functions give it: strings in the ANSI code page.
struct RegValue {
    LONG result = ERROR_INVALID_HANDLE;  // 0 when read
    DWORD type = REG_NONE;
    QByteArray data;
    bool ok() const { return result == ERROR_SUCCESS; }
};

// Reads one value of an open key (empty name: the unnamed value): its type
// and size first, then the data at that exact size, asked again when the
// value grew in between.
RegValue readRegValue(HKEY key, const QString& name);

// Where the text of string data ends.
enum class RegNul {
    // At the first NUL, or the whole data when it holds none: a multi-string
    // gives its first string, a NUL inside a string cuts it there.
    FirstNul,
    // Only a NUL that ends the data is dropped: NULs inside stay in the
    // text, and a string stored without its NUL keeps its last character.
    TerminatingNul,
};

// String data (ANSI bytes) as text under `rule`.
QString regText(const QByteArray& data, RegNul rule);

// The text of a value when it can be read and is of one of `types`.
std::optional<QString> readRegString(HKEY key, const QString& name, RegNul rule,
                                     std::initializer_list<DWORD> types = {REG_SZ, REG_EXPAND_SZ});

// REG_DWORD data as a signed number: up to 4 bytes, little-endian, missing
// high bytes taken as 0; nothing for longer data.
std::optional<qint32> regDword(const QByteArray& data);

}  // namespace platform
