#include "tests/support/seamguard.h"

#include "platform/clock.h"
#include "platform/prefix.h"

#include <utility>

namespace testenv {

SeamGuard::Seams& SeamGuard::installed()
{
    static Seams seams;
    return seams;
}

void SeamGuard::apply(const Seams& seams, unsigned which)
{
    Seams& now = installed();
    if (which & Desktop) {
        now.desktop = seams.desktop;
        platform::setDesktop(now.desktop);
    }
    if (which & ProgramFolder) {
        now.programFolder = seams.programFolder;
        platform::setProgramFolderLinux(now.programFolder);
    }
    if (which & Clock) {
        now.clock = seams.clock;
        platform::setClock(now.clock);
    }
    if (which & ProcessStarter) {
        now.processStarter = seams.processStarter;
        platform::setProcessStarter(now.processStarter);
    }
    if (which & DefaultAppQuery) {
        now.defaultAppQuery = seams.defaultAppQuery;
        platform::setDefaultAppQuery(now.defaultAppQuery);
    }
    if (which & SaveStageHook) {
        now.saveStageHook = seams.saveStageHook;
        platform::registry::setSaveStageHook(now.saveStageHook);
    }
}

SeamGuard::~SeamGuard()
{
    apply(m_kept, m_changed);
}

template <typename T>
SeamGuard& SeamGuard::replace(Seam seam, T Seams::*field, T value)
{
    Seams& now = installed();
    if (!(m_changed & seam)) {
        m_changed |= seam;
        m_kept.*field = now.*field;
    }
    Seams s;
    s.*field = std::move(value);
    apply(s, seam);
    return *this;
}

SeamGuard& SeamGuard::desktop(platform::Desktop* desktop)
{
    return replace(Desktop, &Seams::desktop, desktop);
}

SeamGuard& SeamGuard::programFolder(const QString& linuxDir)
{
    return replace(ProgramFolder, &Seams::programFolder, linuxDir);
}

SeamGuard& SeamGuard::clock(std::function<QDateTime()> clock)
{
    return replace(Clock, &Seams::clock, std::move(clock));
}

SeamGuard& SeamGuard::processStarter(platform::ProcessStarter starter)
{
    return replace(ProcessStarter, &Seams::processStarter, std::move(starter));
}

SeamGuard& SeamGuard::defaultAppQuery(platform::DefaultAppQuery query)
{
    return replace(DefaultAppQuery, &Seams::defaultAppQuery, std::move(query));
}

SeamGuard& SeamGuard::saveStageHook(void (*hook)(platform::registry::SaveStage))
{
    return replace(SaveStageHook, &Seams::saveStageHook, hook);
}

}  // namespace testenv
