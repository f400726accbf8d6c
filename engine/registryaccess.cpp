#include "engine/registryaccess.h"

#include "engine/trim.h"
#include "platform/ansi.h"
#include "platform/regkey.h"
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

LONG WriteRegistryValue(HKEY root, const QString& keyPath, const QString& valueName, const QVariant& value)
{
    const platform::RegKey key = platform::RegKey::openDefault(root, keyPath);
    if (!key.ok())
        return key.result();
    const QByteArray name = platform::toAnsi(valueName);
    const std::optional<double> number = numericValue(value);
    const std::optional<qint32> whole = number ? toLong(*number) : std::nullopt;
    if (whole)
        return setDword(key.handle(), name, *whole);
    // Text, or a number too large for a REG_DWORD: kept as the text it is
    // rather than changed into another number. No terminating NUL stored.
    const QByteArray text = platform::toAnsi(trimBlanks(value.toString()));
    return RegSetValueExA(key.handle(), name.constData(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.constData()),
                          static_cast<DWORD>(text.size()));
}

LONG SetRegistryValue(HKEY root, const QString& keyPath, const QString& valueName, const QVariant& value,
                      DWORD valueType)
{
    platform::RegKey key = platform::RegKey::open(root, keyPath, KEY_ALL_ACCESS);
    if (!key.ok()) {
        if (const LONG created = CreateRegistryKey(root, keyPath); created != ERROR_SUCCESS)
            return created;
        key = platform::RegKey::open(root, keyPath, KEY_ALL_ACCESS);
        if (!key.ok())
            return key.result();
    }
    const LONG rc = SetValueEx(key.handle(), valueName, valueType, value);
    // SetValueEx calls another type fine, but nothing was written.
    if (rc == ERROR_SUCCESS && valueType != REG_SZ && valueType != REG_DWORD)
        return ERROR_INVALID_PARAMETER;
    return rc;
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
    const platform::RegKey key = platform::RegKey::open(root, keyPath, KEY_ALL_ACCESS);
    if (!key.ok())
        return false;
    QVariant value;
    if (QueryValueEx(key.handle(), valueName, value) != ERROR_SUCCESS)
        return false;
    out = value.typeId() == QMetaType::Int ? QString::number(value.toInt()) : value.toString();
    return true;
}

LONG QueryValueEx(HKEY key, const QString& valueName, QVariant& out)
{
    const platform::RegValue value = platform::readRegValue(key, valueName);
    if (!value.ok())
        return value.result;
    if (value.type == REG_SZ) {
        // Only a terminating NUL is dropped: a string stored without one
        // keeps its last character.
        out = platform::regText(value.data, platform::RegNul::TerminatingNul);
        return ERROR_SUCCESS;
    }
    if (value.type == REG_DWORD) {
        // Data longer than a number does not fit the 4-byte buffer.
        const std::optional<qint32> number = platform::regDword(value.data);
        if (!number)
            return ERROR_MORE_DATA;
        out = *number;
        return ERROR_SUCCESS;
    }
    return -1;
}

LONG CreateRegistryKey(HKEY root, const QString& keyPath)
{
    return platform::RegKey::create(root, keyPath, KEY_ALL_ACCESS).result();
}

LONG DeleteRegistryValue(HKEY root, const QString& keyPath, const QString& valueName)
{
    const platform::RegKey key = platform::RegKey::openDefault(root, keyPath);
    if (!key.ok())
        return key.result();
    return RegDeleteValueA(key.handle(), platform::toAnsi(valueName).constData());
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
