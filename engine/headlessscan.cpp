#include "engine/headlessscan.h"

#include "engine/problemlist.h"
#include "engine/registryaccess.h"
#include "engine/scansections.h"
#include "engine/scanstate.h"
#include "platform/winfile.h"

namespace engine {

int CountSectionProblems(const QString& sectionName)
{
    const ProblemList& list = lvwErrors();
    const int rows = list.count();
    int n = 0;
    for (int i = 1; i <= rows && i <= list.count(); ++i) {
        if (list.row(i).RegistryScanners == sectionName)
            ++n;
        DoEvents();
    }
    return n;
}

HeadlessScanResult runHeadlessScan()
{
    return runHeadlessScan(GetPlatformId());
}

HeadlessScanResult runHeadlessScan(DWORD platformId)
{
    platform::LookupCacheScope cache;
    HeadlessScanResult result;
    result.counters.fill(QStringLiteral("0"));
    result.problemsFound = QStringLiteral("0");
    lvwErrors().clear();
    bCancelScan = false;

    const auto& sections = scanSections();
    for (int i = 0; i < static_cast<int>(sections.size()); ++i) {
        const ScanSection& section = sections[static_cast<size_t>(i)];
        if (section.cancelTestBefore && bCancelScan) {
            result.cancelled = true;
            return result;
        }
        const std::vector<ScanWalk> walks = sectionWalks(i, platformId);
        for (size_t w = 0; w < walks.size(); ++w) {
            if (w > 0 && section.cancelTestBetween && bCancelScan) {
                result.cancelled = true;
                return result;
            }
            runWalk(walks[w], section.sectionName);
        }
        result.counters[static_cast<size_t>(i)] =
            section.counted ? QString::number(CountSectionProblems(section.sectionName)) : QStringLiteral("0");
        result.problemsFound = QString::number(lvwErrors().count());
        if (section.cancelTestAfter && bCancelScan) {
            result.cancelled = true;
            return result;
        }
    }
    return result;
}

}  // namespace engine
