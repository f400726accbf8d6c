#include "platform/clock.h"

namespace platform {

namespace {
std::function<QDateTime()> g_clock;
}  // namespace

QDateTime currentDateTime()
{
    return g_clock ? g_clock() : QDateTime::currentDateTime();
}

void setClock(std::function<QDateTime()> clock)
{
    g_clock = std::move(clock);
}

}  // namespace platform
