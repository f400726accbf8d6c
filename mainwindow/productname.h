#pragma once
// The program's name (the main window's caption, every message box's title
// and the settings' application name) and the names every window shares.
#include <QString>

namespace mainwindow {

inline QString productName() { return QStringLiteral("Velmora 2007"); }
// The settings section of every option.
inline QString settingsSection() { return QStringLiteral("MySettings"); }
// The extension whose program the shell opens web pages with.
inline QString webPageExtension() { return QStringLiteral("htm"); }

}  // namespace mainwindow
