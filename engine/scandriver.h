#pragma once
// The scan driver: the nine sections in the table's order, each chosen one's
// one or two walks, its counter and the running total, and the thirteen
// points where the context's cancel request ends the scan. The driver shows
// nothing itself; it tells an observer (the main window, or a recorder for
// the bench and the tests) what happens, in order.
#include "engine/problemlist.h"
#include "engine/scancontext.h"
#include "engine/scansections.h"
#include "platform/wintypes.h"

#include <QString>

#include <array>

namespace engine {

class ScanObserver {
public:
    virtual ~ScanObserver() = default;

    // Whether section `index` (0-based, table order) is scanned. Asked once
    // per section, when the driver reaches it.
    virtual bool sectionChosen(int index) = 0;
    // A chosen section begins, before its first cancel test and its walks.
    virtual void sectionStarting(int index) = 0;
    // The platform id that picks the Fonts key (2: "Windows NT"). Asked only
    // when the Fonts section is scanned, just before its walk.
    virtual DWORD platformId();
    // Rows of the scan's list whose section name equals `sectionName`;
    // asked for counted sections only. By default CountSectionProblems.
    virtual int countSectionProblems(const ScanContext& ctx, const QString& sectionName);
    // A chosen section's walks are done: its counter (0 for the two sections
    // that are never counted), then the hidden list's row count.
    virtual void sectionCounted(int index, int count) = 0;
    virtual void totalCounted(int total) = 0;
    // After each of sections 1 to 8 (index 0 to 7), chosen or not, just before
    // the cancel test there: the moment the total goes to the status bar.
    virtual void sectionPassed(int index) = 0;
};

enum class ScanEnd { Completed, Cancelled };

// Runs the sections of the table that the observer chooses. Returns
// Cancelled when a test point found the context's cancel request set (the
// sections after it are not walked), Completed after the last section. It
// neither clears the list nor the request: that is the caller's, before. Folder lookups are cached
// while it runs. The rules add to the context's list.
ScanEnd runScanDriver(ScanObserver& observer, const ScanContext& ctx);

// Rows of the context's list whose section name equals `sectionName` exactly,
// counted over the rows there were at the start; the context's pump runs once
// per row.
int CountSectionProblems(const ScanContext& ctx, const QString& sectionName);

// What the scanning page shows after a scan of every section.
struct ScanSummary {
    std::array<QString, kSectionCount> counters;  // counter texts, table order ("0" until set)
    QString problemsFound;                        // lblProblemsFound
    QString problemsFoundShown;                   // the total as the status bar last showed it
    bool cancelled = false;                       // ended at a cancel test point
};

// Scans every section into the context's list without a window: clears the
// list and its cancel request first, as the Scan command does, then runs
// the driver.
ScanSummary scanAllSections(const ScanContext& ctx, DWORD platformId);
// The same with the platform id the registry layer reports.
ScanSummary scanAllSections(const ScanContext& ctx);

}  // namespace engine
