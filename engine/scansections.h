#pragma once
// The fixed table of the nine scan sections, in the driver's order, and the
// walks each hands to the engine.
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
    QString checkBoxName;  // the FrmStart check box, also its settings key
    QString caption;       // text beside the box and the counter
    QString sectionName;   // handed to the rules, stored in the rows
    QString counterName;   // the scanning page's counter label
    bool counted;          // false: the counter always reads "0"
    int markerLeft;        // twips: 990 left column, 3885 right column
    bool cancelTestBefore;   // test bCancelScan before the first walk
    bool cancelTestBetween;  // test bCancelScan between the two walks
    bool cancelTestAfter;    // sections 1 to 8: panel 3 update and test after
};

// The nine sections in order.
const std::array<ScanSection, 9>& scanSections();

// The walks of section `index` (0-based); the Fonts path depends on the
// platform id (2: the "Windows NT" key).
std::vector<ScanWalk> sectionWalks(int index, DWORD platformId);

// Runs one walk (ScanSubKeys or ScanKeyValues).
void runWalk(const ScanWalk& walk, const QString& sectionName);

}  // namespace engine
