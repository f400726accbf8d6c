#pragma once
// The logon entry: a value of the prefix's HKEY_LOCAL_MACHINE Run key that
// starts this program with the argument "ShowError" when the prefix boots.
#include "platform/wintypes.h"

#include <QString>

namespace engine {

// "SOFTWARE\Microsoft\Windows\CurrentVersion\Run", under HKEY_LOCAL_MACHINE.
QString StartupRunKey();
// The executable's base name (App.EXEName).
QString StartupRunValueName();
// A double quote, App.Path, "\", App.EXEName, ".exe", a double quote and
// " ShowError". At a drive root App.Path already ends with "\", so the data
// holds two there (Windows reads that path all the same).
QString StartupRunValueData();

// True when a value of the entry's name is in the Run key.
bool StartupRunValueExists();
// True when the entry stands in the registry exactly as it would be written
// (with its NUL: one without is written again at the next load).
bool StartupRunValueIsCurrent();

// Writes the entry as a string value with its terminating NUL into the
// existing Run key (the key is not created). Returns the registry's result
// code, 0 when written; an entry whose name or data the code page cannot
// carry is not written.
LONG WriteStartupRunValue();
// Deletes the entry; a missing entry changes nothing (non-zero code), nor
// does a name the code page cannot carry.
LONG DeleteStartupRunValue();

}  // namespace engine
