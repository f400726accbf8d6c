#include "engine/scanstate.h"

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
}  // namespace

void DoEvents()
{
    if (pump())
        pump()();
}

void setMessagePump(std::function<void()> p)
{
    pump() = std::move(p);
}

}  // namespace engine
