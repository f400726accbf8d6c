#pragma once
// One timing scale for every timer of the windows (the busy animation, the
// splash fade, the restore box's ticks), so that tests run them fast. A
// window never sets a timer's interval in plain milliseconds: it asks
// scaledInterval, or builds the timer with makeTimer.
#include <QString>

class QObject;
class QTimer;

namespace mainwindow {

// `ms` times the scale, rounded, never below 1 ms.
int scaledInterval(int ms);

// 1.0 (the default) is real time; tests set e.g. 0.01. A scale of 0 or less
// gives every timer the 1 ms floor. Timers built before a change keep their
// interval.
void setTimingScale(double factor);
double timingScale();

// A stopped timer of the window `parent`, named `name`, ticking every `ms`
// (scaled).
QTimer* makeTimer(QObject* parent, const QString& name, int ms);

}  // namespace mainwindow
