#pragma once
// The fixed table of the nine scan sections, in the driver's order, and the
// walks each hands to the engine. How a section is shown (its check box,
// caption, counter and marker place) is the main window's.
#include "platform/wintypes.h"

#include <QString>

#include <array>
#include <vector>

namespace engine {

enum class WalkKind { AllSubKeys, KeyValues };

struct ScanWalk {
    WalkKind kind;
    HKEY root;
    QString rootName;  // e.g. "HKEY_LOCAL_MACHINE"
    QString keyPath;
};

struct ScanSection {
    QString sectionName;     // handed to the rules, stored in the rows
    bool counted;            // false: the counter always reads "0"
    bool keyByPlatform;      // the key path depends on the platform id (Fonts)
    bool cancelTestBefore;   // test bCancelScan before the first walk
    bool cancelTestBetween;  // test bCancelScan between the two walks
    bool cancelTestAfter;    // sections 1 to 8: total shown and test after
};

constexpr int kSectionCount = 9;

// The nine sections in order.
const std::array<ScanSection, kSectionCount>& scanSections();

// The walks of section `index` (0-based); the Fonts path depends on the
// platform id (2: the "Windows NT" key).
std::vector<ScanWalk> sectionWalks(int index, DWORD platformId);

// Runs one walk (ScanSubKeys or ScanKeyValues).
void runWalk(const ScanWalk& walk, const QString& sectionName);

}  // namespace engine
