#pragma once
// What every picture is drawn with: the palette, an empty canvas, and the
// flattening onto the background the program shows it on.

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace artwork {

// One palette for all pictures.
inline const QColor kInk(0x3b, 0x44, 0x52);
inline const QColor kAccent(0x2f, 0x76, 0xc9);
inline const QColor kAccentLight(0x6a, 0xa6, 0xea);
inline const QColor kAccentDark(0x1d, 0x54, 0x9a);
inline const QColor kGreen(0x2e, 0x9d, 0x52);
inline const QColor kGreenLight(0x5c, 0xc2, 0x7c);
inline const QColor kGreenDark(0x1f, 0x73, 0x3b);
inline const QColor kRed(0xd0, 0x38, 0x3b);
inline const QColor kRedLight(0xef, 0x6a, 0x6a);
inline const QColor kRedDark(0x9c, 0x22, 0x25);

// Colours the program treats specially.
inline const QColor kKey(192, 192, 192);          // transparent pixels
inline const QColor kChannelBack(236, 236, 236);  // matched to the button face
inline const QColor kFace(236, 236, 236);         // what keyed edges are blended against
inline const QColor kWhite(255, 255, 255);

QImage Canvas(int w, int h);
// Flattens a drawing: fully transparent pixels take the key colour, the rest
// is laid over `under`, so that soft edges blend into the background they
// will be shown on. A drawn pixel never equals the key by accident.
QImage Keyed(const QImage& art, QColor under, QColor key = kKey);
QImage Opaque(const QImage& art, QColor under);
void Smooth(QPainter& p);
QLinearGradient Vertical(double top, double bottom, QColor a, QColor b);

}  // namespace artwork
