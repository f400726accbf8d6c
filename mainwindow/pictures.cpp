#include "mainwindow/pictures.h"

#include "mainwindow/palette.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace pictures {
namespace {

QPixmap blank(int w, int h)
{
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

enum class Face { Normal, Hover, Pressed };

// A button face: a rounded bar with its word centred, shrunk until it fits.
QPixmap buttonFace(const QString& word, Face face, int width)
{
    const int height = 24;
    QPixmap pm = blank(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient g(0, 0, 0, height);
    switch (face) {
    case Face::Normal:
        g.setColorAt(0, kBlueLight);
        g.setColorAt(1, kBlue);
        break;
    case Face::Hover:
        g.setColorAt(0, kBlueLight.lighter(125));
        g.setColorAt(1, kBlueLight);
        break;
    case Face::Pressed:
        g.setColorAt(0, kBlueDark);
        g.setColorAt(1, kBlue);
        break;
    }
    const QRectF bar(0.5, 0.5, width - 1.0, height - 1.0);
    p.setPen(QPen(face == Face::Hover ? kOrange : kBlueDark, 1));
    p.setBrush(g);
    p.drawRoundedRect(bar, 6, 6);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    // Long words are set narrower before they are set smaller.
    if (QFontMetrics(font).horizontalAdvance(word) > width - 10)
        font.setStretch(QFont::SemiCondensed);
    int size = 12;
    font.setPixelSize(size);
    while (size > 8 && QFontMetrics(font).horizontalAdvance(word) > width - 10) {
        font.setPixelSize(--size);
    }
    p.setFont(font);
    const int shift = face == Face::Pressed ? 1 : 0;
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRect(1 + shift, 1 + shift, width, height), Qt::AlignCenter, word);
    p.setPen(Qt::white);
    p.drawText(QRect(shift, shift, width, height), Qt::AlignCenter, word);
    return pm;
}

// A section icon: a rounded tile of its own colour with a white sign.
QPixmap sectionIcon(int index)
{
    static const QColor tiles[9] = {
        QColor(0x6a, 0x4c, 0xb0), QColor(0x24, 0x5f, 0xa8), QColor(0x8a, 0x6d, 0x3b),
        QColor(0x2e, 0x8b, 0x57), QColor(0xd0, 0x7a, 0x12), QColor(0xb0, 0x3a, 0x2e),
        QColor(0x1f, 0x8a, 0x9a), QColor(0x55, 0x60, 0x6e), QColor(0xc0, 0x3a, 0x7a),
    };
    QPixmap pm = blank(22, 22);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(tiles[index - 1]);
    p.drawRoundedRect(QRectF(1, 1, 20, 20), 4, 4);
    QPen white(Qt::white, 1.6);
    white.setCapStyle(Qt::RoundCap);
    p.setPen(white);
    p.setBrush(Qt::NoBrush);
    switch (index) {
    case 1:  // Active X: a cube
        p.drawPolygon(QPolygonF({{11, 4}, {17, 7}, {17, 15}, {11, 18}, {5, 15}, {5, 7}}));
        p.drawPolyline(QPolygonF({{5, 7}, {11, 10}, {17, 7}}));
        p.drawLine(QPointF(11, 10), QPointF(11, 18));
        break;
    case 2:  // application paths: a window with a title bar
        p.drawRect(QRectF(5, 5, 12, 12));
        p.drawLine(QPointF(5, 8.5), QPointF(17, 8.5));
        break;
    case 3:  // file types and backups: a page with a folded corner
        p.drawPolygon(QPolygonF({{6, 4}, {13, 4}, {16, 7}, {16, 18}, {6, 18}}));
        p.drawLine(QPointF(8.5, 11), QPointF(13.5, 11));
        p.drawLine(QPointF(8.5, 14), QPointF(13.5, 14));
        break;
    case 4:  // file paths and history: a clock
        p.drawEllipse(QPointF(11, 11), 6.5, 6.5);
        p.drawPolyline(QPolygonF({{11, 7}, {11, 11}, {14, 13}}));
        break;
    case 5: {  // help files: a question mark
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setBold(true);
        f.setPixelSize(15);
        p.setFont(f);
        p.drawText(QRect(0, 0, 22, 22), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case 6: {  // fonts: a letter
        QFont f(QStringLiteral("DejaVu Serif"));
        f.setBold(true);
        f.setPixelSize(15);
        p.setFont(f);
        p.drawText(QRect(0, 0, 22, 22), Qt::AlignCenter, QStringLiteral("A"));
        break;
    }
    case 7:  // shared program files: two linked rings
        p.drawEllipse(QPointF(8.5, 11), 4, 4);
        p.drawEllipse(QPointF(13.5, 11), 4, 4);
        break;
    case 8:  // startup menu: three lines of a menu
        for (int y : {7, 11, 15})
            p.drawLine(QPointF(6, y), QPointF(16, y));
        break;
    case 9:  // startup programs: a play sign
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({{8, 5.5}, {16.5, 11}, {8, 16.5}}));
        break;
    }
    return pm;
}

// One frame of the busy animation: a ring of four dots, one of them lit,
// turning a quarter each frame.
QPixmap busyFrame(int frame)
{
    const int size = 64;
    QPixmap pm = blank(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kBlue, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(32, 32), 22, 22);
    for (int i = 0; i < 4; ++i) {
        const double angle = qDegreesToRadians(-90.0 + 90.0 * i);
        const QPointF c(32 + 22 * qCos(angle), 32 + 22 * qSin(angle));
        const bool lit = i == frame - 1;
        p.setPen(QPen(kBlueDark, 1.5));
        p.setBrush(lit ? kOrange : kBlueLight);
        p.drawEllipse(c, lit ? 8.0 : 5.5, lit ? 8.0 : 5.5);
    }
    return pm;
}

QPixmap marker()
{
    QPixmap pm = blank(16, 16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kBlueDark, 1));
    p.setBrush(kOrange);
    p.drawPolygon(QPolygonF({{2, 2}, {14, 8}, {2, 14}, {5, 8}}));
    return pm;
}

// Tool bar pictures: 32 x 32 on a rounded blue plate.
QPixmap toolPicture(const QString& which)
{
    QPixmap pm = blank(32, 32);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    setPlateStyle(p, 32, 1);
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    QPen white(Qt::white, 2.2);
    white.setCapStyle(Qt::RoundCap);
    p.setPen(white);
    p.setBrush(Qt::NoBrush);
    if (which == QLatin1String("RegistryCleaner")) {
        // a magnifier over a tick: looking for faults and mending them
        p.drawEllipse(QPointF(13, 13), 7, 7);
        p.drawLine(QPointF(18, 18), QPointF(25, 25));
        p.setPen(QPen(kOrange, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawPolyline(QPolygonF({{9.5, 13}, {12, 15.5}, {16.5, 10.5}}));
    } else if (which == QLatin1String("RescueCenter")) {
        // a ring buoy
        p.setPen(QPen(Qt::white, 5));
        p.drawEllipse(QPointF(16, 16), 8.5, 8.5);
        p.setPen(QPen(kOrange, 5, Qt::SolidLine, Qt::FlatCap));
        for (int a = 0; a < 4; ++a)
            p.drawArc(QRectF(7.5, 7.5, 17, 17), (45 + 90 * a - 15) * 16, 30 * 16);
    } else {
        // the registry editor: a tree of keys
        p.drawRect(QRectF(6, 6, 7, 6));
        p.drawRect(QRectF(17, 13, 8, 5));
        p.drawRect(QRectF(17, 21, 8, 5));
        p.drawPolyline(QPolygonF({{9.5, 12}, {9.5, 23.5}, {17, 23.5}}));
        p.drawLine(QPointF(9.5, 15.5), QPointF(17, 15.5));
    }
    return pm;
}

QPixmap draw(const QString& name)
{
    if (name == QLatin1String("AboutBanner"))
        return aboutBanner();
    struct ButtonWord {
        const char* name;
        const char* word;
        int width;
    };
    static const ButtonWord buttons[] = {
        {"Scan", "Scan", 109},
        {"FindMissingFiles", "Find Missing Files", 109},
        {"FixProblems", "Fix Problems", 109},
        {"Help", "Help", 109},
        {"Support", "Support", 109},
        {"Cancel", "Cancel", 109},
        {"Return", "Return", 109},
        {"Restore", "Restore Backup", 170},
        {"DeleteBackup", "Delete Backup", 170},
    };
    for (const ButtonWord& b : buttons) {
        const QString base = QLatin1String(b.name);
        if (!name.startsWith(base))
            continue;
        const QString rest = name.mid(base.size());
        const QString word = QLatin1String(b.word);
        if (rest == QLatin1String("Normal"))
            return buttonFace(word, Face::Normal, b.width);
        if (rest == QLatin1String("Hover"))
            return buttonFace(word, Face::Hover, b.width);
        if (rest == QLatin1String("Pressed"))
            return buttonFace(word, Face::Pressed, b.width);
    }
    auto numbered = [&name](const char* prefix, int last) {
        const QString p = QLatin1String(prefix);
        if (!name.startsWith(p))
            return 0;
        bool ok = false;
        const int n = name.mid(p.size()).toInt(&ok);
        return ok && n >= 1 && n <= last ? n : 0;
    };
    if (int n = numbered("Section", 9))
        return sectionIcon(n);
    if (int n = numbered("Busy", 4))
        return busyFrame(n);
    if (name == QLatin1String("Marker"))
        return marker();
    if (name.startsWith(QLatin1String("Tool")))
        return toolPicture(name.mid(4));
    if (name == QLatin1String("AppIcon"))
        return toolPicture(QStringLiteral("RegistryCleaner"));
    return QPixmap();
}

}  // namespace

QPixmap picture(const QString& name)
{
    static QHash<QString, QPixmap> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.insert(name, draw(name));
    return it.value();
}

}  // namespace pictures
