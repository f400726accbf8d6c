#include "platform/winreg.h"

#include "platform/ansi.h"
#include "platform/registry.h"

#include <cstring>
#include <optional>
#include <vector>

namespace {

using platform::registry::Key;
using platform::registry::Value;

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | 0x10000 /* DELETE */
                                | 0x40000 /* WRITE_DAC */ | 0x80000 /* WRITE_OWNER */;
constexpr DWORD kMaxValueName = 16383;

struct OpenKey {
    Key* key;
    REGSAM access;
};

// Keys opened by the program. Handle n*4 is entry n-1; cleared whenever
// another registry is loaded, so an old handle is simply invalid.
std::vector<std::optional<OpenKey>> g_handles;
std::vector<size_t> g_freeHandles;  // closed entries, reused first
quint32 g_handlesGeneration = 0;

void syncHandles()
{
    const quint32 gen = platform::registry::generation();
    if (gen != g_handlesGeneration) {
        g_handles.clear();
        g_freeHandles.clear();
        g_handlesGeneration = gen;
    }
}

bool isPredefined(HKEY h)
{
    return h >= 0x80000000u && h <= 0x800000FFu;
}

// Without a search for a free entry: a walk down a deep tree keeps a
// handle open on every level.
HKEY newHandle(Key* key, REGSAM access)
{
    if (!g_freeHandles.empty()) {
        const size_t i = g_freeHandles.back();
        g_freeHandles.pop_back();
        g_handles[i] = OpenKey{key, access};
        return static_cast<HKEY>((i + 1) * 4);
    }
    g_handles.push_back(OpenKey{key, access});
    return static_cast<HKEY>(g_handles.size() * 4);
}

LONG resolve(HKEY h, Key** key, REGSAM* access)
{
    syncHandles();
    if (!platform::registry::isLoaded())
        return ERROR_INVALID_HANDLE;
    if (isPredefined(h)) {
        QStringList path;
        if (!platform::registry::predefinedPath(h, &path))
            return ERROR_INVALID_HANDLE;
        *access = KEY_ALL_ACCESS;
        return platform::registry::walk(platform::registry::registryRoot(), path, false, key);
    }
    if (h == 0 || h % 4 != 0 || h / 4 > g_handles.size() || !g_handles[h / 4 - 1])
        return ERROR_INVALID_HANDLE;
    *key = g_handles[h / 4 - 1]->key;
    *access = g_handles[h / 4 - 1]->access;
    return ERROR_SUCCESS;
}

// The key behind a handle opened with at least the rights `needed`.
LONG resolveWithAccess(HKEY h, REGSAM needed, Key** key)
{
    REGSAM access = 0;
    const LONG rc = resolve(h, key, &access);
    if (rc != ERROR_SUCCESS)
        return rc;
    return (access & needed) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// The key named by a handle and a subkey path. Predefined roots are walked
// from \Registry with the subkey in one go, so that a create under
// HKEY_CLASSES_ROOT makes Software\Classes when it is missing.
LONG resolvePath(HKEY h, const char* subKey, bool create, Key** out, bool* created)
{
    QStringList sub;
    if (!platform::registry::splitPath(subKey ? platform::fromAnsi(QByteArray(subKey)) : QString(), &sub))
        return ERROR_BAD_PATHNAME;
    syncHandles();
    if (!platform::registry::isLoaded())
        return ERROR_INVALID_HANDLE;
    if (isPredefined(h)) {
        QStringList path;
        if (!platform::registry::predefinedPath(h, &path))
            return ERROR_INVALID_HANDLE;
        return platform::registry::walk(platform::registry::registryRoot(), path + sub, create, out, created);
    }
    Key* base = nullptr;
    REGSAM access = 0;
    const LONG rc = resolve(h, &base, &access);
    if (rc != ERROR_SUCCESS)
        return rc;
    return platform::registry::walk(base, sub, create, out, created);
}

bool isStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// A value's data as the A functions hand it out: strings in the ANSI code page.
QByteArray ansiData(const Value& v)
{
    if (!isStringType(v.type))
        return v.data;
    const qsizetype units = v.data.size() / 2;
    QString text(units, Qt::Uninitialized);
    const auto* b = reinterpret_cast<const unsigned char*>(v.data.constData());
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8)));
    return platform::toAnsi(text);
}

// ANSI string data as the registry stores it: UTF-16LE.
QByteArray utf16FromAnsi(const char* bytes, int length)
{
    const QString text = platform::fromAnsi(bytes, length);
    QByteArray data(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        data[2 * i] = static_cast<char>(text.at(i).unicode() & 0xFF);
        data[2 * i + 1] = static_cast<char>(text.at(i).unicode() >> 8);
    }
    return data;
}

QString valueName(const char* name)
{
    return name ? platform::fromAnsi(QByteArray(name)) : QString();
}

LONG openKey(HKEY hKey, const char* subKey, REGSAM samDesired, bool maximumAllowed, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    Key* key = nullptr;
    const LONG rc = resolvePath(hKey, subKey, false, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    const bool writable = platform::registry::isWritable(key);
    REGSAM access = samDesired;
    if (maximumAllowed)
        access = writable ? KEY_ALL_ACCESS : KEY_READ;
    else if ((samDesired & kWriteRights) && !writable)
        return ERROR_ACCESS_DENIED;
    *result = newHandle(key, access);
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD, REGSAM samDesired, HKEY* phkResult)
{
    return openKey(hKey, lpSubKey, samDesired, false, phkResult);
}

LONG RegOpenKeyA(HKEY hKey, const char* lpSubKey, HKEY* phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    if (!lpSubKey || !*lpSubKey) {
        // As Windows: the same handle comes back.
        Key* key = nullptr;
        REGSAM access = 0;
        const LONG rc = resolve(hKey, &key, &access);
        *phkResult = rc == ERROR_SUCCESS ? hKey : 0;
        return rc;
    }
    return openKey(hKey, lpSubKey, 0, true, phkResult);
}

LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD, const char* lpClass, DWORD dwOptions, REGSAM samDesired,
                     const void*, HKEY* phkResult, DWORD* lpdwDisposition)
{
    if (!phkResult || !lpSubKey)
        return ERROR_INVALID_PARAMETER;
    *phkResult = 0;
    // Only lasting keys: nothing here could keep a volatile one apart.
    if (dwOptions != REG_OPTION_NON_VOLATILE)
        return ERROR_INVALID_PARAMETER;
    Key* key = nullptr;
    bool created = false;
    const LONG rc = resolvePath(hKey, lpSubKey, true, &key, &created);
    if (rc != ERROR_SUCCESS)
        return rc;
    if ((samDesired & kWriteRights) && !platform::registry::isWritable(key))
        return ERROR_ACCESS_DENIED;
    if (created && lpClass && *lpClass) {
        key->cls = std::make_unique<QString>(platform::fromAnsi(QByteArray(lpClass)));
    }
    if (lpdwDisposition)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = newHandle(key, samDesired);
    return ERROR_SUCCESS;
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD*, char* lpClass, DWORD* lpcchClass,
                   FILETIME* lpftLastWriteTime)
{
    if (!lpName || !lpcchName)
        return ERROR_INVALID_PARAMETER;
    Key* key = nullptr;
    if (const LONG rc = resolveWithAccess(hKey, KEY_ENUMERATE_SUB_KEYS, &key); rc != ERROR_SUCCESS)
        return rc;
    if (dwIndex >= key->children.size())
        return ERROR_NO_MORE_ITEMS;
    const Key* child = key->children[dwIndex].get();
    const QByteArray name = platform::toAnsi(child->name);
    const QByteArray cls = child->cls ? platform::toAnsi(*child->cls) : QByteArray();
    if (static_cast<DWORD>(name.size()) >= *lpcchName)
        return ERROR_MORE_DATA;
    if (lpClass && lpcchClass && static_cast<DWORD>(cls.size()) >= *lpcchClass)
        return ERROR_MORE_DATA;
    std::memcpy(lpName, name.constData(), static_cast<size_t>(name.size()) + 1);
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpClass && lpcchClass) {
        std::memcpy(lpClass, cls.constData(), static_cast<size_t>(cls.size()) + 1);
        *lpcchClass = static_cast<DWORD>(cls.size());
    }
    if (lpftLastWriteTime) {
        lpftLastWriteTime->dwLowDateTime = static_cast<DWORD>(child->time & 0xFFFFFFFFu);
        lpftLastWriteTime->dwHighDateTime = static_cast<DWORD>(child->time >> 32);
    }
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName, DWORD*, DWORD* lpType,
                   BYTE* lpData, DWORD* lpcbData)
{
    if (!lpValueName || !lpcchValueName || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    Key* key = nullptr;
    if (const LONG rc = resolveWithAccess(hKey, KEY_QUERY_VALUE, &key); rc != ERROR_SUCCESS)
        return rc;
    const auto& vals = platform::registry::values(key);
    if (dwIndex >= vals.size())
        return ERROR_NO_MORE_ITEMS;
    const Value& v = vals[dwIndex];
    const QByteArray name = platform::toAnsi(v.name);
    const QByteArray data = ansiData(v);
    if (static_cast<DWORD>(name.size()) >= *lpcchValueName)
        return ERROR_MORE_DATA;
    if (lpType)
        *lpType = v.type;
    if (lpData && static_cast<DWORD>(data.size()) > *lpcbData) {
        *lpcbData = static_cast<DWORD>(data.size());
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpValueName, name.constData(), static_cast<size_t>(name.size()) + 1);
    *lpcchValueName = static_cast<DWORD>(name.size());
    if (lpData)
        std::memcpy(lpData, data.constData(), static_cast<size_t>(data.size()));
    if (lpcbData)
        *lpcbData = static_cast<DWORD>(data.size());
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD*, DWORD* lpType, BYTE* lpData, DWORD* lpcbData)
{
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    Key* key = nullptr;
    if (const LONG rc = resolveWithAccess(hKey, KEY_QUERY_VALUE, &key); rc != ERROR_SUCCESS)
        return rc;
    const Value* v = platform::registry::findValue(key, valueName(lpValueName));
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    const QByteArray data = ansiData(*v);
    if (lpType)
        *lpType = v->type;
    if (lpData && static_cast<DWORD>(data.size()) > *lpcbData) {
        *lpcbData = static_cast<DWORD>(data.size());
        return ERROR_MORE_DATA;
    }
    if (lpData)
        std::memcpy(lpData, data.constData(), static_cast<size_t>(data.size()));
    if (lpcbData)
        *lpcbData = static_cast<DWORD>(data.size());
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    Key* key = nullptr;
    if (const LONG rc = resolveWithAccess(hKey, KEY_SET_VALUE, &key); rc != ERROR_SUCCESS)
        return rc;
    if (!lpData && cbData)
        return ERROR_NOACCESS;
    const QString name = valueName(lpValueName);
    if (static_cast<DWORD>(name.size()) > kMaxValueName)
        return ERROR_INVALID_PARAMETER;
    QByteArray data;
    if (isStringType(dwType)) {
        data = utf16FromAnsi(reinterpret_cast<const char*>(lpData), static_cast<int>(cbData));
    } else if (cbData) {
        data = QByteArray(reinterpret_cast<const char*>(lpData), static_cast<qsizetype>(cbData));
    }
    return platform::registry::setValue(key, name, dwType, data);
}

LONG RegDeleteValueA(HKEY hKey, const char* lpValueName)
{
    Key* key = nullptr;
    if (const LONG rc = resolveWithAccess(hKey, KEY_SET_VALUE, &key); rc != ERROR_SUCCESS)
        return rc;
    return platform::registry::deleteValue(key, valueName(lpValueName));
}

LONG RegCloseKey(HKEY hKey)
{
    syncHandles();
    if (isPredefined(hKey))
        return ERROR_SUCCESS;
    if (hKey == 0 || hKey % 4 != 0 || hKey / 4 > g_handles.size() || !g_handles[hKey / 4 - 1])
        return ERROR_INVALID_HANDLE;
    g_handles[hKey / 4 - 1].reset();
    g_freeHandles.push_back(hKey / 4 - 1);
    return ERROR_SUCCESS;
}

BOOL GetVersionExA(OSVERSIONINFOA* info)
{
    // The plain and the extended record; the extended one's extra fields
    // lie beyond this structure and are left alone.
    if (!info || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) && info->dwOSVersionInfoSize != 156))
        return 0;
    // What Wine tells a program without a manifest: the NT family, 6.2.
    info->dwMajorVersion = 6;
    info->dwMinorVersion = 2;
    info->dwBuildNumber = 9200;
    info->dwPlatformId = 2;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return 1;
}

namespace platform {

quintptr RegKeyIdentity(HKEY hKey)
{
    Key* key = nullptr;
    REGSAM access = 0;
    if (resolve(hKey, &key, &access) != ERROR_SUCCESS || !key)
        return 0;
    return reinterpret_cast<quintptr>(key);
}

bool RegValueSurvivesAnsi(HKEY hKey, const char* lpValueName)
{
    Key* key = nullptr;
    if (resolveWithAccess(hKey, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    const Value* v = platform::registry::findValue(key, valueName(lpValueName));
    if (!v)
        return false;
    if (!isStringType(v->type))
        return true;
    const QByteArray ansi = ansiData(*v);
    return utf16FromAnsi(ansi.constData(), static_cast<int>(ansi.size())) == v->data;
}

}  // namespace platform
