#pragma once
// The seam guard with the windows' own seams besides: the timing scale of
// every window timer and the program's command line.
#include "tests/support/seamguard.h"

#include <QString>

#include <optional>

namespace testenv {

class WindowSeamGuard : public SeamGuard {
public:
    WindowSeamGuard() = default;
    ~WindowSeamGuard();

    WindowSeamGuard& timingScale(double factor);
    // The command line the program sees (empty: started with no arguments).
    WindowSeamGuard& command(const QString& command);

private:
    std::optional<double> m_keptScale;
    bool m_commandChanged = false;
    std::optional<QString> m_keptCommand;  // none: the real arguments
};

}  // namespace testenv
