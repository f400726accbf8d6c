#include "engine/scanstate.h"

#include "engine/scanwalk.h"

#include <utility>

namespace engine {

bool bCancelScan = false;
bool bResultsLoaded = false;
bool bScanAndFixChosen = false;
int FileLineCount = 0;

namespace {
std::function<void()>& pump()
{
    static std::function<void()> p;
    return p;
}
std::function<void(const QString&)>& display()
{
    static std::function<void(const QString&)> d;
    return d;
}
int g_paused = 0;
}  // namespace

void DoEvents()
{
    if (g_paused == 0 && pump())
        pump()();
}

DoEventsPaused::DoEventsPaused()
{
    ++g_paused;
}

DoEventsPaused::~DoEventsPaused()
{
    --g_paused;
}

void setMessagePump(std::function<void()> p)
{
    pump() = std::move(p);
}

void setScanPathDisplay(std::function<void(const QString&)> d)
{
    display() = std::move(d);
}

void ShowScanPath(const QString& text)
{
    if (display())
        display()(AbbreviateScanPath(text));
}

}  // namespace engine
