#pragma once
// Window geometry is given in twips: 15 twips make one pixel.
#include <QRect>

namespace twips {

constexpr int kPerPixel = 15;

constexpr int px(int twips) { return twips / kPerPixel; }
QRect rect(int left, int top, int width, int height);

}  // namespace twips
