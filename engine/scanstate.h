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

// While one lives, DoEvents lets no message run: for a short piece of work
// that no other handler may enter or change under it.
class DoEventsPaused {
public:
    DoEventsPaused();
    ~DoEventsPaused();
    DoEventsPaused(const DoEventsPaused&) = delete;
    DoEventsPaused& operator=(const DoEventsPaused&) = delete;
};

// Where ShowScanPath writes (the main window's lblRegistryFilesScan).
void setScanPathDisplay(std::function<void(const QString&)> display);
void ShowScanPath(const QString& text);

}  // namespace engine
