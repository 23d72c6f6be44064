#include "window_art.h"

#include <QPainterPath>

#include "painting.h"

namespace artwork {

// ---- transport glyphs ----------------------------------------------------

void PlayGlyph(QPainter& p, QPointF centre, double size)
{
    const double h = size, w = size * 0.85;
    QPolygonF tri;
    tri << QPointF(centre.x() - w * 0.42, centre.y() - h / 2) << QPointF(centre.x() + w * 0.58, centre.y())
        << QPointF(centre.x() - w * 0.42, centre.y() + h / 2);
    p.setPen(QPen(kGreenDark, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Vertical(centre.y() - h / 2, centre.y() + h / 2, kGreenLight, kGreen));
    p.drawPolygon(tri);
}

void StopGlyph(QPainter& p, QPointF centre, double size)
{
    const QRectF r(centre.x() - size / 2, centre.y() - size / 2, size, size);
    p.setPen(QPen(kInk.darker(120), 1.0));
    p.setBrush(Vertical(r.top(), r.bottom(), kInk.lighter(150), kInk));
    p.drawRoundedRect(r, 1.5, 1.5);
}

void PauseGlyph(QPainter& p, QPointF centre, double size)
{
    const double barW = size * 0.33;
    for (double dx : {-size / 2, size / 2 - barW}) {
        const QRectF r(centre.x() + dx, centre.y() - size / 2, barW, size);
        p.setPen(QPen(kInk.darker(120), 1.0));
        p.setBrush(Vertical(r.top(), r.bottom(), kInk.lighter(150), kInk));
        p.drawRoundedRect(r, 1.0, 1.0);
    }
}

static void RecordGlyph(QPainter& p, QPointF centre, double size)
{
    QRadialGradient g(centre - QPointF(size * 0.15, size * 0.2), size * 0.6);
    g.setColorAt(0, kRedLight);
    g.setColorAt(1, kRed);
    p.setPen(QPen(kRedDark, 1.0));
    p.setBrush(g);
    p.drawEllipse(centre, size / 2, size / 2);
}

// A bar and a triangle: towards the start (pointing left) or the end.
static void SeekGlyph(QPainter& p, QPointF centre, double size, bool toEnd)
{
    const double h = size, triW = size * 0.7, barW = 2.0, gap = 1.0;
    const double total = triW + gap + barW;
    const double left = centre.x() - total / 2;
    QRectF bar;
    QPolygonF tri;
    if (toEnd) {
        tri << QPointF(left, centre.y() - h / 2) << QPointF(left + triW, centre.y())
            << QPointF(left, centre.y() + h / 2);
        bar = QRectF(left + triW + gap, centre.y() - h / 2, barW, h);
    } else {
        bar = QRectF(left, centre.y() - h / 2, barW, h);
        const double tl = left + barW + gap;
        tri << QPointF(tl + triW, centre.y() - h / 2) << QPointF(tl, centre.y())
            << QPointF(tl + triW, centre.y() + h / 2);
    }
    p.setPen(QPen(kAccentDark, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Vertical(centre.y() - h / 2, centre.y() + h / 2, kAccentLight, kAccent));
    p.drawPolygon(tri);
    p.drawRect(bar);
}

QImage TransportButton(const std::function<void(QPainter&, QPointF, double)>& glyph, double size)
{
    QImage art = Canvas(16, 16);
    QPainter p(&art);
    Smooth(p);
    glyph(p, QPointF(8, 8), size);
    p.end();
    return Keyed(art, kFace);
}

QImage TransportStrip()
{
    // start, end, play, stop, record; 25 x 16 each.
    QImage art = Canvas(125, 16);
    QPainter p(&art);
    Smooth(p);
    const double cy = 8;
    SeekGlyph(p, QPointF(12.5, cy), 10, false);
    SeekGlyph(p, QPointF(37.5, cy), 10, true);
    PlayGlyph(p, QPointF(62.5, cy), 11);
    StopGlyph(p, QPointF(87.5, cy), 9);
    RecordGlyph(p, QPointF(112.5, cy), 10);
    p.end();
    return Keyed(art, kFace);
}

// ---- show / hide the playlist -------------------------------------------

QImage PanelArrow(bool pointRight)
{
    QImage art = Canvas(7, 15);
    QPainter p(&art);
    Smooth(p);
    QPolygonF tri;
    if (pointRight)
        tri << QPointF(1.5, 3.5) << QPointF(5.5, 7.5) << QPointF(1.5, 11.5);
    else
        tri << QPointF(5.5, 3.5) << QPointF(1.5, 7.5) << QPointF(5.5, 11.5);
    p.setPen(QPen(kInk, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kInk);
    p.drawPolygon(tri);
    p.end();
    return Keyed(art, kFace);
}

// ---- playlist slider ----------------------------------------------------

QImage Channel(bool filled)
{
    QImage art = Canvas(332, 12);
    QPainter p(&art);
    Smooth(p);
    const QRectF groove(1.5, 3.5, 329, 5);
    if (filled) {
        p.setPen(QPen(kAccentDark, 1.0));
        p.setBrush(Vertical(groove.top(), groove.bottom(), kAccentLight, kAccent));
    } else {
        p.setPen(QPen(QColor(0xa3, 0xab, 0xb6), 1.0));
        p.setBrush(Vertical(groove.top(), groove.bottom(), QColor(0xc9, 0xcf, 0xd7), QColor(0xe4, 0xe8, 0xed)));
    }
    p.drawRoundedRect(groove, 2.5, 2.5);
    p.end();
    // The background around the groove stays one connected area of 236 grey.
    QImage out = Opaque(art, kChannelBack);
    return out;
}

QImage Thumb(bool pressed)
{
    QImage art = Canvas(17, 11);
    QPainter p(&art);
    Smooth(p);
    const QRectF body(0.5, 0.5, 16, 10);
    if (pressed) {
        p.setPen(QPen(kAccentDark, 1.0));
        p.setBrush(Vertical(0, 11, kAccentLight, kAccent));
    } else {
        p.setPen(QPen(QColor(0x7d, 0x87, 0x96), 1.0));
        p.setBrush(Vertical(0, 11, QColor(0xff, 0xff, 0xff), QColor(0xd9, 0xde, 0xe5)));
    }
    p.drawRoundedRect(body, 3, 3);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pressed ? QColor(0xe6, 0xf0, 0xfc) : QColor(0x95, 0x9e, 0xab));
    for (int x : {6, 8, 10})
        p.drawLine(x, 3, x, 7);
    p.end();
    return Keyed(art, kFace);
}

}  // namespace artwork
