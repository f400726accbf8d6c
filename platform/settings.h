#pragma once
// The per-user settings store, addressed by application, section and key.
// Kept in QSettings' INI format in the user's configuration folder, one
// file per application name. Only a regular file (or a link to one) is read
// or replaced there; anything else reads as an empty store and is never
// written to.
#include <QString>

#include <optional>

namespace platform {

// The store's file: "<appName>.ini" in XDG_CONFIG_HOME, else ~/.config.
QString settingsFilePath(const QString& appName);

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
