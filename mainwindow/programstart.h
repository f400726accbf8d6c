#pragma once
// The program's life: which road it starts on, the first window, the loaded
// windows, and its end.
#include <QString>

class FrmStart;
class FrmSplash;

namespace mainwindow {

// Opens the prefix named by WINEPREFIX (else ~/.wine). When it cannot be
// opened, says why in one sentence, in a message box and on standard error,
// and returns false; nothing is written then.
bool openUsersPrefix();

// The command line without the program's own path, as the runtime gives it:
// the arguments joined by one blank. Tests set their own; an empty override
// (the default) reads the real arguments again.
QString Command();
void setCommand(const QString& command);
void clearCommand();
// The logon start: the command line, trimmed of blanks, is exactly "ShowError".
bool isLogonStart();

// The results file of the program folder (the last scan's saved problems).
QString resultsPath();

// Runs the program from its start-up window to its end; returns the exit
// status. The prefix is opened here (after the summary on a logon start).
int runProgram();

// Ends the program: every window is closed, every running loop is left, and
// callers on the way out do nothing more once they see programEnded().
void End(int exitCode = 0);
bool programEnded();
int programExitCode();

// The loaded windows. FrmStart is loaded on its first show (its Form_Load
// runs inside); showing it first opens the prefix when that is not open yet.
FrmStart* loadedFrmStart();
FrmSplash* loadedFrmSplash();
void showFrmStart();
// Closes and destroys the start-up window; nothing when it is not loaded.
void unloadFrmSplash();

// The logon road's first half, run before the prefix is opened: counts the
// saved problems and shows the start-up summary. False when the program ended
// (nothing saved, or the summary's Exit).
bool askStartupSummary();

// The logon road's second half, after Continue or Scan & Fix: Wine starts
// the program at logon while its server runs for the prefix, so this waits,
// in a small window with a Cancel, until that server has ended. False when
// the program ended (Cancel); true when the prefix may be opened now, or
// when the wait gave up (opening it then says why it cannot be).
bool waitForWineServer();

// Forgets the loaded windows and an End, for a fresh start (tests).
void resetProgram();

}  // namespace mainwindow
