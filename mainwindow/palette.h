#pragma once
// The program's two colours, shared by every drawn picture: a deep blue for
// faces and frames, an orange for what draws the eye.
#include <QColor>
#include <QLinearGradient>
#include <QPainter>

namespace pictures {

inline const QColor kBlueLight(0x5b, 0x9b, 0xe0);
inline const QColor kBlue(0x24, 0x5f, 0xa8);
inline const QColor kBlueDark(0x13, 0x3b, 0x70);
inline const QColor kOrange(0xf0, 0x8a, 0x24);

// The blue plate under a picture `height` pixels high: a light-to-deep
// gradient with a dark edge.
inline void setPlateStyle(QPainter& p, int height, double edgeWidth)
{
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0, kBlueLight);
    g.setColorAt(1, kBlue);
    p.setPen(QPen(kBlueDark, edgeWidth));
    p.setBrush(g);
}

}  // namespace pictures
