#pragma once
// The registry walk: enumerates keys and values, turns each value's data
// into text and hands it to the rule of its section.
#include "platform/wintypes.h"

#include <QString>

namespace engine {

struct ScanContext;

// Every key below keyPath, depth first; the start key's own values are not
// judged. Keys more than kMaxKeyDepth names below the root are not entered:
// Windows keeps its trees that shallow, and each key costs the walk its
// whole path, so a file nesting keys far deeper would make the scan
// quadratic in its depth.
constexpr int kMaxKeyDepth = 512;
void ScanSubKeys(const ScanContext& ctx, HKEY root, const QString& keyPath, const QString& sectionName,
                 const QString& rootName);
// The values of the one key at keyPath.
void ScanKeyValues(const ScanContext& ctx, HKEY root, const QString& keyPath, const QString& sectionName,
                   const QString& rootName);
// The data of a value of an open key as text (REG_SZ, REG_MULTI_SZ first
// string, REG_DWORD signed decimal; empty otherwise).
QString GetValueAsString(HKEY key, const QString& valueName);
// Hands one value to the rule of its section.
void ScanValueBySection(const ScanContext& ctx, QString data, const QString& sectionName, const QString& valueName,
                        HKEY root, const QString& rootName, const QString& keyPath);
// Whether a rule judges the values of this section (names compared exactly).
bool SectionHasRule(const QString& sectionName);
// The abbreviated form ScanContext::ShowScanPath shows.
QString AbbreviateScanPath(const QString& text);

// What the walks have read since the last reset (for the bench and tests).
struct WalkStats {
    long long keys = 0;    // keys whose values were enumerated
    long long values = 0;  // values read and handed on
};
WalkStats& walkStats();

}  // namespace engine
