#include "platform/settings.h"

#include <QSettings>

#include <cmath>

namespace platform {

namespace {

QString settingKey(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

std::optional<double> textToNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    double d = 0;
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        const qlonglong v = t.mid(2).toLongLong(&ok, 16);
        d = static_cast<double>(v);
    } else {
        d = t.toDouble(&ok);
    }
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

}  // namespace

QString GetSetting(const QString& appName, const QString& section, const QString& key, const QString& defaultValue)
{
    QSettings store(QSettings::IniFormat, QSettings::UserScope, appName);
    const QVariant v = store.value(settingKey(section, key));
    if (!v.isValid())
        return defaultValue;
    return v.toString();
}

void SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value)
{
    QSettings store(QSettings::IniFormat, QSettings::UserScope, appName);
    store.setValue(settingKey(section, key), value);
    store.sync();
}

std::optional<short> textToInteger(const QString& text)
{
    const auto d = textToNumber(text);
    if (!d)
        return std::nullopt;
    const double r = std::nearbyint(*d);  // default rounding mode: half to even
    if (r < -32768.0 || r > 32767.0)
        return std::nullopt;
    return static_cast<short>(r);
}

std::optional<bool> textToBoolean(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    const auto d = textToNumber(t);
    if (!d)
        return std::nullopt;
    return *d != 0.0;
}

}  // namespace platform
