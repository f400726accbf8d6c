#include "tests/support/seamguard.h"

#include "platform/clock.h"
#include "platform/prefix.h"

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

void SeamGuard::keep(Seam seam)
{
    if (m_changed & seam)
        return;
    m_changed |= seam;
    const Seams& now = installed();
    switch (seam) {
    case Desktop: m_kept.desktop = now.desktop; break;
    case ProgramFolder: m_kept.programFolder = now.programFolder; break;
    case Clock: m_kept.clock = now.clock; break;
    case ProcessStarter: m_kept.processStarter = now.processStarter; break;
    case DefaultAppQuery: m_kept.defaultAppQuery = now.defaultAppQuery; break;
    case SaveStageHook: m_kept.saveStageHook = now.saveStageHook; break;
    }
}

SeamGuard& SeamGuard::desktop(platform::Desktop* desktop)
{
    keep(Desktop);
    Seams s;
    s.desktop = desktop;
    apply(s, Desktop);
    return *this;
}

SeamGuard& SeamGuard::programFolder(const QString& linuxDir)
{
    keep(ProgramFolder);
    Seams s;
    s.programFolder = linuxDir;
    apply(s, ProgramFolder);
    return *this;
}

SeamGuard& SeamGuard::clock(std::function<QDateTime()> clock)
{
    keep(Clock);
    Seams s;
    s.clock = std::move(clock);
    apply(s, Clock);
    return *this;
}

SeamGuard& SeamGuard::processStarter(platform::ProcessStarter starter)
{
    keep(ProcessStarter);
    Seams s;
    s.processStarter = std::move(starter);
    apply(s, ProcessStarter);
    return *this;
}

SeamGuard& SeamGuard::defaultAppQuery(platform::DefaultAppQuery query)
{
    keep(DefaultAppQuery);
    Seams s;
    s.defaultAppQuery = std::move(query);
    apply(s, DefaultAppQuery);
    return *this;
}

SeamGuard& SeamGuard::saveStageHook(void (*hook)(platform::registry::SaveStage))
{
    keep(SaveStageHook);
    Seams s;
    s.saveStageHook = hook;
    apply(s, SaveStageHook);
    return *this;
}

}  // namespace testenv
