#include "engine/logonentry.h"

#include "engine/registryaccess.h"
#include "engine/trim.h"
#include "platform/ansi.h"
#include "platform/prefix.h"
#include "platform/regkey.h"
#include "platform/winreg.h"

namespace engine {

QString StartupRunKey()
{
    return QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
}

QString StartupRunValueName()
{
    return platform::programExeName();
}

QString StartupRunValueData()
{
    return QLatin1Char('"') + platform::programFolder() + QLatin1Char('\\') + platform::programExeName()
        + QStringLiteral(".exe\" ShowError");
}

namespace {

// The registry takes names and data through the code page: a letter it
// lacks would come out as '?', naming some other path or value.
bool fitsCodePage(const QString& text)
{
    return platform::fromAnsi(platform::toAnsi(text)) == text;
}

// The trimmed text with its terminating NUL, as Wine stores its strings:
// Wine's tools take a string's last byte for the NUL, so "reg export"
// would cut one stored without it to "...ShowErro", an ordinary start.
QByteArray storedData()
{
    return platform::toAnsi(trimBlanks(StartupRunValueData())) + '\0';
}

platform::RegValue readStartupRunValue()
{
    const platform::RegKey key = platform::RegKey::openDefault(HKEY_LOCAL_MACHINE, StartupRunKey());
    if (!key.ok())
        return {};
    return platform::readRegValue(key.handle(), StartupRunValueName());
}

}  // namespace

bool StartupRunValueExists()
{
    return readStartupRunValue().ok();
}

bool StartupRunValueIsCurrent()
{
    const platform::RegValue value = readStartupRunValue();
    // Only as written now: an entry of the same text without its NUL is
    // written again, so that Wine's tools carry it whole.
    return value.ok() && value.type == REG_SZ && value.data == storedData();
}

LONG WriteStartupRunValue()
{
    if (!fitsCodePage(StartupRunValueName()) || !fitsCodePage(StartupRunValueData()))
        return ERROR_INVALID_PARAMETER;
    // The key is opened, never made.
    const platform::RegKey key = platform::RegKey::openDefault(HKEY_LOCAL_MACHINE, StartupRunKey());
    if (!key.ok())
        return key.result();
    const QByteArray name = platform::toAnsi(StartupRunValueName());
    const QByteArray data = storedData();
    return RegSetValueExA(key.handle(), name.constData(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.constData()),
                          static_cast<DWORD>(data.size()));
}

LONG DeleteStartupRunValue()
{
    if (!fitsCodePage(StartupRunValueName()))
        return ERROR_INVALID_PARAMETER;
    return DeleteRegistryValue(HKEY_LOCAL_MACHINE, StartupRunKey(), StartupRunValueName());
}

}  // namespace engine
