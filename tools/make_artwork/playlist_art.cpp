#include "playlist_art.h"

#include <cmath>
#include <QPainterPath>
#include <QRadialGradient>

#include "painting.h"

namespace artwork {

// ---- playlist rows ------------------------------------------------------

// The row picture's tile: crisp edges, so that the white around it stays
// exactly white (a selected row floods that white with its colour).
static void Tile(QPainter& p, QColor top, QColor bottom, QColor border)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath path;
    path.moveTo(3, 1);
    path.lineTo(27, 1);
    path.lineTo(29, 3);
    path.lineTo(29, 27);
    path.lineTo(27, 29);
    path.lineTo(3, 29);
    path.lineTo(1, 27);
    path.lineTo(1, 3);
    path.closeSubpath();
    p.fillPath(path, Vertical(1, 29, top, bottom));
    p.setPen(border);
    p.drawLine(3, 1, 26, 1);
    p.drawLine(3, 28, 26, 28);
    p.drawLine(1, 3, 1, 26);
    p.drawLine(28, 3, 28, 26);
    p.drawPoint(2, 2);
    p.drawPoint(27, 2);
    p.drawPoint(2, 27);
    p.drawPoint(27, 27);
    p.restore();
}

QImage RowDefault()
{
    QImage art(30, 30, QImage::Format_ARGB32_Premultiplied);
    art.fill(kWhite);
    QPainter p(&art);
    Tile(p, QColor(0xe9, 0xf1, 0xfb), QColor(0xc4, 0xd8, 0xf0), QColor(0x8f, 0xb0, 0xd8));
    Smooth(p);
    // A pair of beamed eighth notes.
    p.setPen(Qt::NoPen);
    p.setBrush(kAccentDark);
    p.drawEllipse(QPointF(10.5, 20.5), 3.2, 2.5);
    p.drawEllipse(QPointF(19.5, 18.5), 3.2, 2.5);
    p.setPen(QPen(kAccentDark, 1.6));
    p.drawLine(QPointF(13.2, 20), QPointF(13.2, 8.5));
    p.drawLine(QPointF(22.2, 18), QPointF(22.2, 6.5));
    p.setPen(QPen(kAccentDark, 2.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(13.2, 8.8), QPointF(22.2, 6.8));
    p.end();
    return art.convertToFormat(QImage::Format_RGB32);
}

// Loading animation: eight dots round a circle; frame k lights dots k and
// k + 4 with a fading tail, so four frames make a seamless turn.
QImage RowLoading(int frame)
{
    QImage art(30, 30, QImage::Format_ARGB32_Premultiplied);
    art.fill(kWhite);
    QPainter p(&art);
    Tile(p, QColor(0xf3, 0xf5, 0xf8), QColor(0xdc, 0xe2, 0xea), QColor(0xb0, 0xbb, 0xc8));
    Smooth(p);
    p.setPen(Qt::NoPen);
    const QColor dim(0xbc, 0xc5, 0xd1);
    for (int i = 0; i < 8; ++i) {
        const double angle = (i * 45.0 - 90.0) * M_PI / 180.0;
        const QPointF c(15 + 8 * std::cos(angle), 15 + 8 * std::sin(angle));
        const int age = ((frame - i) % 4 + 4) % 4;  // 0: lit now, 1: one frame ago
        QColor colour = dim;
        if (age == 0)
            colour = kAccent;
        else if (age == 1)
            colour = kAccentLight;
        p.setBrush(colour);
        p.drawEllipse(c, age == 0 ? 2.3 : 1.9, age == 0 ? 2.3 : 1.9);
    }
    p.end();
    return art.convertToFormat(QImage::Format_RGB32);
}

QImage RowFailed()
{
    QImage art(30, 30, QImage::Format_ARGB32_Premultiplied);
    art.fill(kWhite);
    QPainter p(&art);
    Tile(p, QColor(0xfc, 0xee, 0xee), QColor(0xf2, 0xd2, 0xd2), QColor(0xd9, 0x9a, 0x9a));
    Smooth(p);
    p.setPen(QPen(kRedDark, 1.0));
    QRadialGradient g(QPointF(13, 12), 10);
    g.setColorAt(0, kRedLight);
    g.setColorAt(1, kRed);
    p.setBrush(g);
    p.drawEllipse(QPointF(15, 15), 8, 8);
    p.setPen(QPen(kWhite, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11.5, 11.5), QPointF(18.5, 18.5));
    p.drawLine(QPointF(18.5, 11.5), QPointF(11.5, 18.5));
    p.end();
    return art.convertToFormat(QImage::Format_RGB32);
}

// Queue markers: the colour of the top-left pixel is transparent.
QImage QueueMarker(bool current)
{
    QImage art = Canvas(9, 9);
    QPainter p(&art);
    Smooth(p);
    if (current) {
        QPolygonF tri;
        tri << QPointF(2, 1) << QPointF(8, 4.5) << QPointF(2, 8);
        p.setPen(QPen(kGreenDark, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(kGreen);
        p.drawPolygon(tri);
    } else {
        p.setPen(QPen(kAccentDark, 0.8));
        p.setBrush(kAccent);
        p.drawEllipse(QPointF(4.5, 4.5), 3.3, 3.3);
    }
    p.end();
    return Keyed(art, kWhite);
}

// ---- the playlist's corner picture --------------------------------------

// A faint microphone with sound arcs, printed behind the rows on white.
static void Microphone(QPainter& p, QColor body, QColor line, double lineWidth)
{
    p.setPen(QPen(line, lineWidth));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(24, 6, 16, 26), 8, 8);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(line, lineWidth * 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(18, 12, 28, 28), 200 * 16, 140 * 16);
    p.drawLine(QPointF(32, 40), QPointF(32, 46));
    p.drawLine(QPointF(25, 47), QPointF(39, 47));
}

QImage CornerPicture()
{
    QImage art(55, 51, QImage::Format_ARGB32_Premultiplied);
    art.fill(kWhite);
    QPainter p(&art);
    Smooth(p);
    Microphone(p, QColor(0xee, 0xf3, 0xf9), QColor(0xd6, 0xe1, 0xee), 1.4);
    // Sound waves on both sides of the capsule.
    p.setBrush(Qt::NoBrush);
    const QPointF centre(32, 19);
    for (int i = 0; i < 2; ++i) {
        const double r = 13 + i * 6;
        p.setPen(QPen(QColor(0xdc, 0xe6, 0xf2), 1.4, Qt::SolidLine, Qt::RoundCap));
        const QRectF box(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
        p.drawArc(box, 150 * 16, 60 * 16);
        p.drawArc(box, -30 * 16, 60 * 16);
    }
    p.end();
    return art.convertToFormat(QImage::Format_RGB32);
}

}  // namespace artwork
