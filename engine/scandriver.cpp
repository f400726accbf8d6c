#include "engine/scandriver.h"

#include "engine/registryaccess.h"
#include "platform/winfile.h"

#include <optional>

namespace engine {

DWORD ScanObserver::platformId()
{
    return GetPlatformId();
}

int ScanObserver::countSectionProblems(const ScanContext& ctx, const QString& sectionName)
{
    return CountSectionProblems(ctx, sectionName);
}

int CountSectionProblems(const ScanContext& ctx, const QString& sectionName)
{
    const ProblemList& list = ctx.problems;
    // Counted in full width: a list can hold more rows than a 16-bit count.
    // Rows may leave while messages run, so the end is checked again.
    const int rows = list.count();
    int n = 0;
    for (int i = 1; i <= rows && i <= list.count(); ++i) {
        if (list.row(i).RegistryScanners == sectionName)
            ++n;
        ctx.DoEvents();
    }
    return n;
}

ScanEnd runScanDriver(ScanObserver& observer, const ScanContext& ctx)
{
    platform::LookupCacheScope cache;
    const auto& sections = scanSections();
    for (int i = 0; i < kSectionCount; ++i) {
        const ScanSection& section = sections[static_cast<size_t>(i)];
        if (observer.sectionChosen(i)) {
            observer.sectionStarting(i);
            if (section.cancelTestBefore && ctx.cancelled())
                return ScanEnd::Cancelled;
            const DWORD platformId = section.keyByPlatform ? observer.platformId() : 0;
            const std::vector<ScanWalk> walks = sectionWalks(i, platformId);
            for (size_t w = 0; w < walks.size(); ++w) {
                if (w > 0 && section.cancelTestBetween && ctx.cancelled())
                    return ScanEnd::Cancelled;
                runWalk(ctx, walks[w], section.sectionName);
            }
            observer.sectionCounted(i, section.counted ? observer.countSectionProblems(ctx, section.sectionName) : 0);
            observer.totalCounted(ctx.problems.count());
        }
        if (section.cancelTestAfter) {
            observer.sectionPassed(i);
            if (ctx.cancelled())
                return ScanEnd::Cancelled;
        }
    }
    return ScanEnd::Completed;
}

namespace {

// Every section chosen; the counters kept as the scanning page would show them.
class SummaryRecorder final : public ScanObserver {
public:
    explicit SummaryRecorder(std::optional<DWORD> platformId) : m_platformId(platformId)
    {
        summary.counters.fill(QStringLiteral("0"));
        summary.problemsFound = QStringLiteral("0");
    }
    bool sectionChosen(int) override { return true; }
    void sectionStarting(int) override {}
    DWORD platformId() override { return m_platformId ? *m_platformId : ScanObserver::platformId(); }
    void sectionCounted(int index, int count) override
    {
        summary.counters[static_cast<size_t>(index)] = QString::number(count);
    }
    void totalCounted(int total) override { summary.problemsFound = QString::number(total); }
    void sectionPassed(int) override { summary.problemsFoundShown = summary.problemsFound; }

    ScanSummary summary;

private:
    std::optional<DWORD> m_platformId;
};

ScanSummary scanAll(const ScanContext& ctx, std::optional<DWORD> platformId)
{
    ctx.problems.clear();
    ctx.setCancelled(false);
    SummaryRecorder recorder(platformId);
    recorder.summary.cancelled = runScanDriver(recorder, ctx) == ScanEnd::Cancelled;
    return recorder.summary;
}

}  // namespace

ScanSummary scanAllSections(const ScanContext& ctx, DWORD platformId)
{
    return scanAll(ctx, platformId);
}

ScanSummary scanAllSections(const ScanContext& ctx)
{
    return scanAll(ctx, std::nullopt);
}

}  // namespace engine
