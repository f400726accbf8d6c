#pragma once
// Every picture of the windows is drawn here, in code, so that the program
// carries no image files and all pictures share one look.
#include <QPixmap>
#include <QString>

namespace pictures {

// The picture of the given name; a null pixmap for an unknown name.
// Names:
//   "<Button>Normal", "<Button>Hover", "<Button>Pressed" for the buttons
//     Scan, FindMissingFiles, FixProblems, Help, Support, Cancel, Return,
//     Restore, DeleteBackup (the last two are the wide ones)
//   "Section1" .. "Section9": the 22 x 22 icons of the problem list
//   "Busy1" .. "Busy4": the frames of the busy animation
//   "Marker": the section marker of the scanning page
//   "ToolRegistryCleaner", "ToolRescueCenter", "ToolRegistryEditor"
//   "AppIcon": the window icon
//   "AboutBanner": the 499 x 64 banner of the About box
QPixmap picture(const QString& name);

// Drawn in a file of their own.
QPixmap aboutBanner();

}  // namespace pictures
