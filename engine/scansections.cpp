#include "engine/scansections.h"

#include "engine/rules.h"
#include "engine/scanwalk.h"

namespace engine {

namespace {
const QString kHKCR = QStringLiteral("HKEY_CLASSES_ROOT");
const QString kHKLM = QStringLiteral("HKEY_LOCAL_MACHINE");
const QString kHKCU = QStringLiteral("HKEY_CURRENT_USER");
const QString kAppPaths = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths");
const QString kNtFonts = QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
const QString kRun = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
}  // namespace

const std::array<ScanSection, kSectionCount>& scanSections()
{
    // section name, counted, key by platform, cancel test before, between, after, rule.
    static const std::array<ScanSection, kSectionCount> table{{
        {QStringLiteral("Active X Objects"), true, false, false, false, true, &ScanActiveXValue},
        {QStringLiteral("Application Paths"), true, false, false, false, true, &ScanAppPathValue},
        {QStringLiteral("None"), false, false, false, false, true, nullptr},
        {QStringLiteral("File Types"), true, false, false, false, true, &ScanUninstallValue},
        {QStringLiteral("Help Files"), true, false, false, true, true, &ScanHelpFileValue},
        {QStringLiteral("Fonts"), true, true, false, false, true, &ScanFontValue},
        {QStringLiteral("Shared Program Files"), true, false, true, false, true, &ScanSharedFileValue},
        {QStringLiteral("Installed Sound Files"), false, false, true, false, true, nullptr},
        {QStringLiteral("Startup Programs"), true, false, true, true, false, &ScanCommandLineValue},
    }};
    return table;
}

std::vector<ScanWalk> sectionWalks(int index, DWORD platformId)
{
    const auto subKeys = WalkKind::AllSubKeys;
    const auto values = WalkKind::KeyValues;
    switch (index) {
    case 0:
        return {{subKeys, HKEY_CLASSES_ROOT, kHKCR, QStringLiteral("CLSID")}};
    case 1:
        return {{subKeys, HKEY_LOCAL_MACHINE, kHKLM, kAppPaths}};
    case 2:
        return {{subKeys, HKEY_LOCAL_MACHINE, kHKLM, QStringLiteral("SOFTWARE\\Classes\\CLSID")}};
    case 3:
        return {{values, HKEY_LOCAL_MACHINE, kHKLM,
                 QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\VirtualDeviceDrivers")}};
    case 4:
        return {{values, HKEY_LOCAL_MACHINE, kHKLM, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\Help")},
                {values, HKEY_LOCAL_MACHINE, kHKLM, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\HTML Help")}};
    case 5:
        return {{values, HKEY_LOCAL_MACHINE, kHKLM,
                 platformId == 2 ? kNtFonts : QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts")}};
    case 6:
        return {{subKeys, HKEY_LOCAL_MACHINE, kHKLM, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools")}};
    case 7:
        return {{values, HKEY_LOCAL_MACHINE, kHKLM, kNtFonts}, {subKeys, HKEY_LOCAL_MACHINE, kHKLM, kAppPaths}};
    case 8:
        return {{values, HKEY_LOCAL_MACHINE, kHKLM, kRun}, {values, HKEY_CURRENT_USER, kHKCU, kRun}};
    default:
        return {};
    }
}

SectionRule RuleOfSection(const QString& sectionName)
{
    for (const ScanSection& section : scanSections()) {
        if (section.sectionName == sectionName)
            return section.rule;
    }
    if (sectionName == QLatin1String("File paths and history list"))
        return &ScanHistoryPathValue;
    return nullptr;
}

void runWalk(const ScanContext& ctx, const ScanWalk& walk, const QString& sectionName)
{
    if (walk.kind == WalkKind::AllSubKeys)
        ScanSubKeys(ctx, walk.root, walk.keyPath, sectionName, walk.rootName);
    else
        ScanKeyValues(ctx, walk.root, walk.keyPath, sectionName, walk.rootName);
}

}  // namespace engine
