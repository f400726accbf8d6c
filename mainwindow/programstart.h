#pragma once
// What the program does before its first window: open the user's prefix.

namespace mainwindow {

// Opens the prefix named by WINEPREFIX (else ~/.wine). When it cannot be
// opened, says why in one sentence, in a message box and on standard error,
// and returns false; nothing is written then.
bool openUsersPrefix();

}  // namespace mainwindow
