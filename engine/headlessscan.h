#pragma once
// A scan of all nine sections without windows: the section table's walks in
// order, the driver's cancel test points, and the counters as the scanning
// page would show them. For the bench and the tests.
#include "platform/wintypes.h"

#include <QString>

#include <array>

namespace engine {

struct HeadlessScanResult {
    std::array<QString, 9> counters;  // counter texts, in table order ("0" until set)
    QString problemsFound;             // lblProblemsFound
    bool cancelled = false;            // ended at a cancel test point
};

// Scans every section into lvwErrors() (which it clears first, as the Scan
// command does) while holding a lookup cache. bCancelScan is cleared at the
// start and honoured at the driver's test points.
HeadlessScanResult runHeadlessScan(DWORD platformId);
// The same with the platform id the registry layer reports.
HeadlessScanResult runHeadlessScan();

// Rows of lvwErrors() whose section name equals `sectionName` exactly.
int CountSectionProblems(const QString& sectionName);

}  // namespace engine
