#include "mainwindow/pictures_startup.h"

#include "mainwindow/palette.h"
#include "mainwindow/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPainter>
#include <QRadialGradient>

namespace pictures {
namespace {

QFont sans(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(bold);
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace

QPixmap splashPicture()
{
    const int w = 338;
    const int h = 240;
    QPixmap pm(w, h);
    pm.fill(kBlueDark);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, kBlue);
    sky.setColorAt(1, kBlueDark);
    p.fillRect(QRect(0, 0, w, h), sky);

    // A soft light behind the emblem.
    QRadialGradient glow(QPointF(78, 104), 70);
    glow.setColorAt(0, QColor(255, 255, 255, 70));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(78, 104), 70, 70);

    // The emblem: the registry cleaner's magnifier and tick, drawn large.
    p.drawPixmap(QRect(38, 64, 80, 80), picture(QStringLiteral("ToolRegistryCleaner")).scaled(
                                              80, 80, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));

    p.setPen(Qt::white);
    p.setFont(sans(30, true));
    p.drawText(QRect(132, 66, 200, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Velmora"));
    p.setPen(kOrange);
    p.setFont(sans(22, true));
    p.drawText(QRect(134, 104, 200, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("2007"));
    p.setPen(QColor(255, 255, 255, 200));
    p.setFont(sans(12, false));
    p.drawText(QRect(134, 134, 200, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Registry Cleaner"));

    // An orange rule and a thin frame, as the button faces have.
    p.setPen(QPen(kOrange, 3));
    p.drawLine(QPointF(24, 186), QPointF(w - 24, 186));
    p.setPen(QColor(255, 255, 255, 160));
    p.setFont(sans(10, false));
    p.drawText(QRect(24, 194, w - 48, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Loading ..."));
    p.setPen(QPen(kBlueLight, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, w - 1.0, h - 1.0));
    return pm;
}

QPixmap summaryPicture()
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // A shield on a blue plate with an orange exclamation mark: saved
    // problems waiting.
    setPlateStyle(p, 48, 1.5);
    p.drawPath([] {
        QPainterPath shield;
        shield.moveTo(24, 3);
        shield.lineTo(42, 9);
        shield.cubicTo(42, 28, 35, 38, 24, 45);
        shield.cubicTo(13, 38, 6, 28, 6, 9);
        shield.closeSubpath();
        return shield;
    }());
    p.setPen(Qt::NoPen);
    p.setBrush(kOrange);
    p.drawRoundedRect(QRectF(21, 11, 6, 18), 3, 3);
    p.drawEllipse(QPointF(24, 35), 3.5, 3.5);
    return pm;
}

}  // namespace pictures
