#pragma once
// The per-user settings store, addressed by application, section and key.
// Kept by QSettings as an INI file in the user's configuration folder, one
// file per application name.
#include <QString>

#include <optional>

namespace platform {

// The stored text, or `defaultValue` when the key is missing.
QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
void SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value);

// The runtime's conversions of a stored text. Empty when the text does not
// convert (the caller then leaves its control as it was).
// A 16-bit integer: a number, rounded half to even; out of range fails.
std::optional<short> textToInteger(const QString& text);
// A Boolean: "True"/"False" in any case, or a number (0 false, else true).
std::optional<bool> textToBoolean(const QString& text);

}  // namespace platform
