#include "engine/registrychange.h"

#include "platform/prefix.h"

namespace engine {

QString WhyRegistryCannotChangeNow()
{
    const platform::PrefixError reread = platform::reloadRegistryIfChangedOnDisk();
    if (!reread.ok && !reread.message.isEmpty())
        return reread.message;
    return platform::whyChangesCannotBeKept();
}

QString RegistryChangeSaved::sentence(const QString& consequence) const
{
    if (consequence.isEmpty())
        return message;
    QString reason = message.trimmed();
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason + QStringLiteral("; ") + consequence;
}

RegistryChangeSaved ChangeRegistryNow(const std::function<void()>& change)
{
    platform::RegistryBatch batch;
    change();
    const platform::PrefixError saved = batch.finish();
    if (!saved.ok)
        platform::dropUnsavedRegistryChanges();
    return {saved.ok, saved.partly, saved.message};
}

}  // namespace engine
