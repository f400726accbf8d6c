#include "mainwindow/twips.h"

namespace twips {

QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

}  // namespace twips
