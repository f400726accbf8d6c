// The About box's banner: the program's name on a band of its blues, with
// the tool bar's magnifier as its sign.
#include "mainwindow/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

namespace pictures {

QPixmap aboutBanner()
{
    const QColor blueLight(0x5b, 0x9b, 0xe0);
    const QColor blue(0x24, 0x5f, 0xa8);
    const QColor blueDark(0x13, 0x3b, 0x70);
    const QColor orange(0xf0, 0x8a, 0x24);
    const int width = 499;
    const int height = 64;

    QPixmap pm(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient band(0, 0, width, 0);
    band.setColorAt(0, blueDark);
    band.setColorAt(0.55, blue);
    band.setColorAt(1, blueLight);
    p.fillRect(pm.rect(), band);
    // A thin orange rule along the foot.
    p.fillRect(QRect(0, height - 4, width, 4), orange);

    p.drawPixmap(14, 14, picture(QStringLiteral("AppIcon")));

    QFont name(QStringLiteral("DejaVu Sans"));
    name.setBold(true);
    name.setPixelSize(22);
    p.setFont(name);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRect(61, 9, width - 70, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Velmora 2007"));
    p.setPen(Qt::white);
    p.drawText(QRect(60, 8, width - 70, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Velmora 2007"));

    QFont line(QStringLiteral("DejaVu Sans"));
    line.setPixelSize(12);
    p.setFont(line);
    p.setPen(QColor(0xdd, 0xe8, 0xf6));
    p.drawText(QRect(60, 36, width - 70, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Registry cleaner for Wine prefixes"));
    return pm;
}

}  // namespace pictures
