#include "engine/scancontext.h"

#include "engine/rules.h"
#include "engine/scanwalk.h"

namespace engine {

const RuleEnvironment& ScanContext::env() const
{
    return environment ? *environment : machineRuleEnvironment();
}

void ScanContext::ShowScanPath(const QString& text) const
{
    if (scanPathDisplay)
        scanPathDisplay(AbbreviateScanPath(text));
}

}  // namespace engine
