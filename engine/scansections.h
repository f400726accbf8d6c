#pragma once
// The fixed table of the nine scan sections, in the driver's order, the
// walks each hands to the engine and the rule that judges its values. How a
// section is shown (its check box, caption, counter and marker place) is the
// main window's.
#include "platform/wintypes.h"

#include <QString>

#include <array>
#include <vector>

namespace engine {

struct ScanContext;

// The rule that judges a section's values: (context, root key, root name,
// value name, data, section name, key path).
using SectionRule = void (*)(const ScanContext&, HKEY, const QString&, const QString&, QString, const QString&,
                             const QString&);

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
    bool cancelTestBefore;   // test for a cancel before the first walk
    bool cancelTestBetween;  // test for a cancel between the two walks
    bool cancelTestAfter;    // sections 1 to 8: total shown and test after
    SectionRule rule;        // nullptr: its values are never judged
};

constexpr int kSectionCount = 9;

// The nine sections in order.
const std::array<ScanSection, kSectionCount>& scanSections();

// The walks of section `index` (0-based); the Fonts path depends on the
// platform id (2: the "Windows NT" key).
std::vector<ScanWalk> sectionWalks(int index, DWORD platformId);

// The rule of the section so named (names compared exactly): one of the
// table's, or the history list's, whose rows only a results file brings.
SectionRule RuleOfSection(const QString& sectionName);

// Runs one walk (ScanSubKeys or ScanKeyValues).
void runWalk(const ScanContext& ctx, const ScanWalk& walk, const QString& sectionName);

}  // namespace engine
