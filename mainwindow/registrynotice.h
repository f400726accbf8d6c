#pragma once
// The box every window shows when the registry was not changed: a change
// refused before it began (Wine's server runs, a file cannot be written) or
// one whose save failed. One style for the fix, the Rescue Center, the
// logon option and the scan's refusal, the program's style for notices.
#include "mainwindow/productname.h"
#include "platform/desktop.h"

#include <QString>

namespace mainwindow {

inline void TellRegistryNotChanged(const QString& sentence)
{
    platform::MsgBox(sentence, 64, productName());
}

}  // namespace mainwindow
