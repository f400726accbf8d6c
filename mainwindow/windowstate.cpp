#include "mainwindow/windowstate.h"

namespace mainwindow {

bool bResultsLoaded = false;
bool bScanAndFixChosen = false;

}  // namespace mainwindow
