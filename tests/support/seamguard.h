#pragma once
// One guard for the seams the tests put in place of the program's own: the
// desktop, the program folder, the clock, the shell's process starter and
// default-program query, and the registry's save-stage hook. Whatever a
// guard installs is put back when the guard goes, also when the test failed
// half-way. Guards nest: an inner one gives each seam back to what the outer
// one had installed.
#include "platform/desktop.h"
#include "platform/registrytesting.h"
#include "platform/shell.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace testenv {

class SeamGuard {
public:
    SeamGuard() = default;
    SeamGuard(const SeamGuard&) = delete;
    SeamGuard& operator=(const SeamGuard&) = delete;
    ~SeamGuard();

    // Each installs one seam (an empty one: the program's default) and
    // returns the guard, so that a fixture can chain them.
    SeamGuard& desktop(platform::Desktop* desktop);  // not owned
    SeamGuard& programFolder(const QString& linuxDir);
    SeamGuard& clock(std::function<QDateTime()> clock);
    SeamGuard& processStarter(platform::ProcessStarter starter);
    SeamGuard& defaultAppQuery(platform::DefaultAppQuery query);
    SeamGuard& saveStageHook(void (*hook)(platform::registry::SaveStage));

private:
    // The seams as the tests have installed them; each guard keeps the
    // values it replaced.
    struct Seams {
        platform::Desktop* desktop = nullptr;
        QString programFolder;  // empty: the running executable's
        std::function<QDateTime()> clock;
        platform::ProcessStarter processStarter;
        platform::DefaultAppQuery defaultAppQuery;
        void (*saveStageHook)(platform::registry::SaveStage) = nullptr;
    };
    enum Seam : unsigned {
        Desktop = 1u << 0,
        ProgramFolder = 1u << 1,
        Clock = 1u << 2,
        ProcessStarter = 1u << 3,
        DefaultAppQuery = 1u << 4,
        SaveStageHook = 1u << 5,
    };
    // Installs `value` as `seam`, keeping the value it had the first time
    // this guard changes it.
    template <typename T>
    SeamGuard& replace(Seam seam, T Seams::*field, T value);
    static Seams& installed();
    static void apply(const Seams& seams, unsigned which);

    Seams m_kept;
    unsigned m_changed = 0;
};

}  // namespace testenv
