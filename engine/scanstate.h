#pragma once
// Program-wide flags and the two seams the windows fill: the message pump
// (DoEvents) and the scan-position display.
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
