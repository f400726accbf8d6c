#include "engine/scansections.h"

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

const std::array<ScanSection, 9>& scanSections()
{
    // check box, caption, section name, counter, counted, marker Left,
    // cancel test before, between, after.
    static const std::array<ScanSection, 9> table{{
        {QStringLiteral("ChkChosseSettingsActiveXProgramID"), QStringLiteral("Active X Objects"),
         QStringLiteral("Active X Objects"), QStringLiteral("lblActiveX"), true, 990, false, false, true},
        {QStringLiteral("ChkChosseSettingsApplicationPaths"), QStringLiteral("Application Paths"),
         QStringLiteral("Application Paths"), QStringLiteral("lblApplicationPath"), true, 990, false, false, true},
        {QStringLiteral("ChkeFilePathsAndHistory"), QStringLiteral("File paths and history list"),
         QStringLiteral("None"), QStringLiteral("lblFilepathsandhistorylist"), false, 990, false, false, true},
        {QStringLiteral("ChkFileTypes"), QStringLiteral("File Types"), QStringLiteral("File Types"),
         QStringLiteral("lblFileTypes"), true, 990, false, false, true},
        {QStringLiteral("ChkChosseSettingsInstalledHelpFiles"), QStringLiteral("Help Files"),
         QStringLiteral("Help Files"), QStringLiteral("lblHelpFiles"), true, 3885, false, true, true},
        {QStringLiteral("ChkChosseSettingsInstalledFiles"), QStringLiteral("Fonts"), QStringLiteral("Fonts"),
         QStringLiteral("lblFonts"), true, 3885, false, false, true},
        {QStringLiteral("ChkChosseSettingsSharedProgramFiles"), QStringLiteral("Shared Program Files"),
         QStringLiteral("Shared Program Files"), QStringLiteral("lblSharedProgFiles"), true, 3885, true, false,
         true},
        {QStringLiteral("ChkStartupMenu"), QStringLiteral("Startup Menu"), QStringLiteral("Installed Sound Files"),
         QStringLiteral("lblStartupMenu"), false, 3885, true, false, true},
        {QStringLiteral("ChkChosseSettingsStartupPrograms"), QStringLiteral("Startup Programs"),
         QStringLiteral("Startup Programs"), QStringLiteral("lblStartupProg"), true, 3885, true, true, false},
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

void runWalk(const ScanWalk& walk, const QString& sectionName)
{
    if (walk.kind == WalkKind::AllSubKeys)
        ScanSubKeys(walk.root, walk.keyPath, sectionName, walk.rootName);
    else
        ScanKeyValues(walk.root, walk.keyPath, sectionName, walk.rootName);
}

}  // namespace engine
