#pragma once
// Program-wide flags and the program-wide message pump (DoEvents) that work
// outside a scan context lets run: the backup file's reading and writing,
// the line count and the window's own list loops.
#include <QString>

#include <functional>

namespace engine {

extern bool bCancelScan;
extern bool bResultsLoaded;
extern bool bScanAndFixChosen;
extern int FileLineCount;

// Lets pending window messages run once. The main window installs
// QCoreApplication::processEvents; without a pump this does nothing.
void DoEvents();
void setMessagePump(std::function<void()> pump);

}  // namespace engine
