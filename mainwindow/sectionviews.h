#pragma once
// How the main window shows each scan section, in the order of the engine's
// section table: its check box on the section panel, its caption, its counter
// on the scanning page, the column of the section marker and the picture its
// rows get in the problem list. Places in twips.
#include "engine/scansections.h"

#include <array>

namespace mainwindow {

struct SectionView {
    const char* checkBox;  // also the section's settings key
    const char* caption;   // beside the box and beside the counter
    const char* counter;   // the scanning page's counter label
    int counterLeft;
    int counterTop;
    int markerLeft;  // 990 left column, 3885 right column
    int boxTop;      // on the section panel
    int icon;        // the problem-list picture beside the box
    // Rows whose section name is the caption (in any case, blanks trimmed)
    // get the picture in the problem list; false: they keep the one of the
    // row before.
    bool rowsShowIcon;
};

inline constexpr std::array<SectionView, engine::kSectionCount> kSectionViews{{
    {"ChkChosseSettingsActiveXProgramID", "Active X Objects", "lblActiveX", 1290, 1800, 990, 630, 1, true},
    {"ChkChosseSettingsApplicationPaths", "Application Paths", "lblApplicationPath", 1290, 2160, 990, 1196, 2, true},
    {"ChkeFilePathsAndHistory", "File paths and history list", "lblFilepathsandhistorylist", 1290, 2520, 990, 1762, 4, true},
    {"ChkFileTypes", "File Types", "lblFileTypes", 1290, 2880, 990, 2328, 3, false},
    {"ChkChosseSettingsInstalledHelpFiles", "Help Files", "lblHelpFiles", 4245, 1725, 3885, 2894, 5, true},
    {"ChkChosseSettingsInstalledFiles", "Fonts", "lblFonts", 4245, 2070, 3885, 3460, 6, true},
    {"ChkChosseSettingsSharedProgramFiles", "Shared Program Files", "lblSharedProgFiles", 4245, 2370, 3885, 4026, 7, true},
    {"ChkStartupMenu", "Startup Menu", "lblStartupMenu", 4245, 2700, 3885, 4592, 8, false},
    {"ChkChosseSettingsStartupPrograms", "Startup Programs", "lblStartupProg", 4245, 3000, 3885, 5160, 9, true},
}};

}  // namespace mainwindow
