#include "engine/logonentry.h"

#include "engine/registryaccess.h"
#include "engine/trim.h"
#include "platform/ansi.h"
#include "platform/prefix.h"
#include "platform/regkey.h"

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
    // The writer stores the trimmed text without a terminating NUL.
    return value.ok() && value.type == REG_SZ && value.data == platform::toAnsi(trimBlanks(StartupRunValueData()));
}

LONG WriteStartupRunValue()
{
    if (!fitsCodePage(StartupRunValueName()) || !fitsCodePage(StartupRunValueData()))
        return ERROR_INVALID_PARAMETER;
    return WriteRegistryValue(HKEY_LOCAL_MACHINE, StartupRunKey(), StartupRunValueName(), StartupRunValueData());
}

LONG DeleteStartupRunValue()
{
    if (!fitsCodePage(StartupRunValueName()))
        return ERROR_INVALID_PARAMETER;
    return DeleteRegistryValue(HKEY_LOCAL_MACHINE, StartupRunKey(), StartupRunValueName());
}

}  // namespace engine
