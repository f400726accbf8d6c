#pragma once
// The pictures of the start-up window and the start-up summary, drawn in code
// in the look of the main window's pictures.
#include <QPixmap>

namespace pictures {

// The 338 x 240 start-up picture.
QPixmap splashPicture();
// The 48 x 48 picture of the start-up summary.
QPixmap summaryPicture();

}  // namespace pictures
