#pragma once
// What the windows of one run remember between their commands. Only
// windows read and set these; the engine knows nothing of them.
namespace mainwindow {

// The problem list came from the results file, and no scan or Return has
// replaced it since.
extern bool bResultsLoaded;
// The start-up summary was answered with Scan & Fix.
extern bool bScanAndFixChosen;

}  // namespace mainwindow
