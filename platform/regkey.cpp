#include "platform/regkey.h"

#include "platform/ansi.h"
#include "platform/winreg.h"

#include <utility>

namespace platform {

RegKey::~RegKey()
{
    close();
}

RegKey::RegKey(RegKey&& other) noexcept
    : m_handle(std::exchange(other.m_handle, 0)),
      m_result(std::exchange(other.m_result, ERROR_INVALID_HANDLE)),
      m_owned(std::exchange(other.m_owned, false))
{
}

RegKey& RegKey::operator=(RegKey&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, 0);
        m_result = std::exchange(other.m_result, ERROR_INVALID_HANDLE);
        m_owned = std::exchange(other.m_owned, false);
    }
    return *this;
}

RegKey RegKey::open(HKEY root, const QString& path, REGSAM access)
{
    HKEY handle = 0;
    const LONG rc = RegOpenKeyExA(root, toAnsi(path).constData(), 0, access, &handle);
    return rc == ERROR_SUCCESS ? RegKey(handle, rc, true) : RegKey(0, rc, false);
}

RegKey RegKey::openDefault(HKEY root, const QString& path)
{
    HKEY handle = 0;
    const LONG rc = RegOpenKeyA(root, toAnsi(path).constData(), &handle);
    return rc == ERROR_SUCCESS ? RegKey(handle, rc, handle != root) : RegKey(0, rc);
}

RegKey RegKey::create(HKEY root, const QString& path, REGSAM access, DWORD* disposition)
{
    HKEY handle = 0;
    DWORD how = 0;
    const LONG rc = RegCreateKeyExA(root, toAnsi(path).constData(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                    nullptr, &handle, &how);
    if (disposition)
        *disposition = rc == ERROR_SUCCESS ? how : 0;
    return rc == ERROR_SUCCESS ? RegKey(handle, rc, true) : RegKey(0, rc, false);
}

void RegKey::close()
{
    if (m_handle != 0 && m_owned)
        RegCloseKey(m_handle);
    m_handle = 0;
    m_result = ERROR_INVALID_HANDLE;
    m_owned = false;
}

RegValue readRegValue(HKEY key, const QString& name)
{
    const QByteArray ansiName = toAnsi(name);
    RegValue value;
    DWORD size = 0;
    value.result = RegQueryValueExA(key, ansiName.constData(), nullptr, &value.type, nullptr, &size);
    // A few tries: the value may grow between the two queries.
    for (int attempt = 0; attempt < 4 && value.result == ERROR_SUCCESS; ++attempt) {
        QByteArray data(static_cast<qsizetype>(size), '\0');
        DWORD got = size;
        value.result = RegQueryValueExA(key, ansiName.constData(), nullptr, &value.type,
                                        reinterpret_cast<BYTE*>(data.data()), &got);
        if (value.result == ERROR_MORE_DATA) {
            size = got > size ? got : size * 2 + 16;
            value.result = ERROR_SUCCESS;
            continue;
        }
        if (value.result == ERROR_SUCCESS) {
            data.truncate(static_cast<qsizetype>(got));
            value.data = std::move(data);
        }
        return value;
    }
    if (value.result == ERROR_SUCCESS)
        value.result = ERROR_MORE_DATA;  // kept growing
    return value;
}

QString regText(const QByteArray& data, RegNul rule)
{
    switch (rule) {
    case RegNul::FirstNul: {
        const qsizetype nul = data.indexOf('\0');
        return fromAnsi(nul < 0 ? data : data.left(nul));
    }
    case RegNul::TerminatingNul:
        return fromAnsi(data.endsWith('\0') ? data.left(data.size() - 1) : data);
    }
    return {};
}

std::optional<QString> readRegString(HKEY key, const QString& name, RegNul rule, std::initializer_list<DWORD> types)
{
    const RegValue value = readRegValue(key, name);
    if (!value.ok())
        return std::nullopt;
    for (const DWORD type : types) {
        if (value.type == type)
            return regText(value.data, rule);
    }
    return std::nullopt;
}

std::optional<qint32> regDword(const QByteArray& data)
{
    if (data.size() > 4)
        return std::nullopt;
    quint32 u = 0;
    for (qsizetype i = 0; i < data.size(); ++i)
        u |= static_cast<quint32>(static_cast<unsigned char>(data[i])) << (8 * i);
    return static_cast<qint32>(u);
}

}  // namespace platform
