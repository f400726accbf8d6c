#pragma once
// The program's one clock: backup file names and registry time stamps read
// it, and tests put a fixed or stepping clock in its place.
#include <QDateTime>

#include <functional>

namespace platform {

// Local date and time now, from the installed clock or the system's.
QDateTime currentDateTime();
// Empty: back to the system's clock.
void setClock(std::function<QDateTime()> clock);

}  // namespace platform
