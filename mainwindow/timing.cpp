#include "mainwindow/timing.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace mainwindow {

namespace {
double g_scale = 1.0;
}  // namespace

int scaledInterval(int ms)
{
    const double scaled = std::round(ms * g_scale);
    if (!(scaled >= 1.0))
        return 1;
    return static_cast<int>(std::min(scaled, 2147483647.0));
}

void setTimingScale(double factor)
{
    g_scale = factor;
}

double timingScale()
{
    return g_scale;
}

QTimer* makeTimer(QObject* parent, const QString& name, int ms)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(name);
    timer->setInterval(scaledInterval(ms));
    return timer;
}

}  // namespace mainwindow
