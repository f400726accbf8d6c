#include "engine/registryaccess.h"

#include "engine/trim.h"
#include "platform/ansi.h"
#include "platform/winreg.h"

#include <QRegularExpression>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace engine {

namespace {

// The number a value stands for, when it reads as one: optional blanks and
// sign, digits, an optional decimal part and exponent. No hexadecimal forms,
// no separators: a bare file name made of digits and dots stays text.
std::optional<double> numericValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return value.toDouble();
    case QMetaType::Bool:
        return value.toBool() ? -1.0 : 0.0;
    default:
        break;
    }
    static const QRegularExpression pattern(
        QStringLiteral("^ *[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)? *$"));
    const QString text = value.toString();
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double d = trimBlanks(text).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return d;
}

// Rounded to the nearest whole number, a half to the even one; nothing when
// it does not fit a signed 32-bit number.
std::optional<qint32> toLong(double d)
{
    if (!std::isfinite(d))
        return std::nullopt;
    const double r = std::nearbyint(d);
    if (r < static_cast<double>(std::numeric_limits<qint32>::min())
        || r > static_cast<double>(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return static_cast<qint32>(r);
}

LONG setDword(HKEY key, const QByteArray& name, qint32 number)
{
    const auto u = static_cast<quint32>(number);
    const BYTE bytes[4] = {static_cast<BYTE>(u & 0xFF), static_cast<BYTE>((u >> 8) & 0xFF),
                           static_cast<BYTE>((u >> 16) & 0xFF), static_cast<BYTE>(u >> 24)};
    return RegSetValueExA(key, name.constData(), 0, REG_DWORD, bytes, 4);
}

}  // namespace

void WriteRegistryValue(HKEY root, const QString& keyPath, const QString& valueName, const QVariant& value)
{
    HKEY key = 0;
    if (RegOpenKeyA(root, platform::toAnsi(keyPath).constData(), &key) != ERROR_SUCCESS)
        return;
    const QByteArray name = platform::toAnsi(valueName);
    const std::optional<double> number = numericValue(value);
    const std::optional<qint32> whole = number ? toLong(*number) : std::nullopt;
    if (whole) {
        setDword(key, name, *whole);
    } else {
        // Text, or a number too large for a REG_DWORD: kept as the text it is
        // rather than changed into another number. No terminating NUL stored.
        const QByteArray text = platform::toAnsi(trimBlanks(value.toString()));
        RegSetValueExA(key, name.constData(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.constData()),
                       static_cast<DWORD>(text.size()));
    }
    RegCloseKey(key);
}

void SetRegistryValue(HKEY root, const QString& keyPath, const QString& valueName, const QVariant& value,
                      DWORD valueType)
{
    const QByteArray path = platform::toAnsi(keyPath);
    HKEY key = 0;
    if (RegOpenKeyExA(root, path.constData(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        CreateRegistryKey(root, keyPath);
        if (RegOpenKeyExA(root, path.constData(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            return;
    }
    SetValueEx(key, valueName, valueType, value);
    RegCloseKey(key);
}

LONG SetValueEx(HKEY key, const QString& valueName, DWORD valueType, const QVariant& value)
{
    const QByteArray name = platform::toAnsi(valueName);
    if (valueType == REG_SZ) {
        const QByteArray text = platform::toAnsi(value.toString());
        return RegSetValueExA(key, name.constData(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.constData()),
                              static_cast<DWORD>(text.size() + 1));
    }
    if (valueType == REG_DWORD) {
        const std::optional<double> number = numericValue(value);
        const std::optional<qint32> whole = number ? toLong(*number) : std::nullopt;
        // A value that is no 32-bit number is not written as some other one.
        if (!whole)
            return ERROR_INVALID_PARAMETER;
        return setDword(key, name, *whole);
    }
    return ERROR_SUCCESS;
}

bool QueryRegistryValue(HKEY root, const QString& keyPath, const QString& valueName, QString& out)
{
    HKEY key = 0;
    if (RegOpenKeyExA(root, platform::toAnsi(keyPath).constData(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    QVariant value;
    const bool read = QueryValueEx(key, valueName, value) == 0;
    if (read)
        out = value.typeId() == QMetaType::Int ? QString::number(value.toInt()) : value.toString();
    RegCloseKey(key);
    return read;
}

LONG QueryValueEx(HKEY key, const QString& valueName, QVariant& out)
{
    const QByteArray name = platform::toAnsi(valueName);
    DWORD type = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name.constData(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type == REG_SZ) {
        QByteArray buffer(static_cast<qsizetype>(size), '\0');
        rc = RegQueryValueExA(key, name.constData(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (rc != ERROR_SUCCESS)
            return rc;
        buffer.truncate(size);
        // Only a terminating NUL is dropped: a string stored without one
        // keeps its last character.
        if (buffer.endsWith('\0'))
            buffer.chop(1);
        out = platform::fromAnsi(buffer);
        return ERROR_SUCCESS;
    }
    if (type == REG_DWORD) {
        BYTE bytes[4] = {0, 0, 0, 0};
        DWORD n = sizeof bytes;
        rc = RegQueryValueExA(key, name.constData(), nullptr, nullptr, bytes, &n);
        if (rc != ERROR_SUCCESS)
            return rc;
        const quint32 u = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (quint32(bytes[3]) << 24);
        out = static_cast<qint32>(u);
        return ERROR_SUCCESS;
    }
    return -1;
}

void CreateRegistryKey(HKEY root, const QString& keyPath)
{
    HKEY key = 0;
    DWORD disposition = 0;
    if (RegCreateKeyExA(root, platform::toAnsi(keyPath).constData(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, &disposition)
        == ERROR_SUCCESS)
        RegCloseKey(key);
}

void DeleteRegistryValue(HKEY root, const QString& keyPath, const QString& valueName)
{
    HKEY key = 0;
    if (RegOpenKeyA(root, platform::toAnsi(keyPath).constData(), &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, platform::toAnsi(valueName).constData());
    RegCloseKey(key);
}

DWORD GetPlatformId()
{
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    std::memset(info.szCSDVersion, ' ', sizeof info.szCSDVersion);
    if (!GetVersionExA(&info))
        return 0;
    return info.dwPlatformId;
}

}  // namespace engine
