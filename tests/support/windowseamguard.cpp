#include "tests/support/windowseamguard.h"

#include "mainwindow/programstart.h"
#include "mainwindow/timing.h"

namespace testenv {

namespace {
// The command line as the guards have set it; none: the real arguments.
std::optional<QString>& installedCommand()
{
    static std::optional<QString> command;
    return command;
}

void applyCommand(const std::optional<QString>& command)
{
    installedCommand() = command;
    if (command)
        mainwindow::setCommand(*command);
    else
        mainwindow::clearCommand();
}
}  // namespace

WindowSeamGuard::~WindowSeamGuard()
{
    if (m_keptScale)
        mainwindow::setTimingScale(*m_keptScale);
    if (m_commandChanged)
        applyCommand(m_keptCommand);
}

WindowSeamGuard& WindowSeamGuard::timingScale(double factor)
{
    if (!m_keptScale)
        m_keptScale = mainwindow::timingScale();
    mainwindow::setTimingScale(factor);
    return *this;
}

WindowSeamGuard& WindowSeamGuard::command(const QString& command)
{
    if (!m_commandChanged) {
        m_commandChanged = true;
        m_keptCommand = installedCommand();
    }
    applyCommand(command);
    return *this;
}

}  // namespace testenv
