#pragma once
// The program's name: the main window's caption and every message box's title.
#include <QString>

namespace mainwindow {

inline QString productName() { return QStringLiteral("Velmora 2007"); }

}  // namespace mainwindow
