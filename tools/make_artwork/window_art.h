#pragma once
// The window's bitmaps: the transport buttons and strip, the arrows that
// show and hide the playlist, the slider's channel and thumb.

#include <functional>
#include <QImage>
#include <QPainter>

namespace artwork {

void playGlyph(QPainter& p, QPointF centre, double size);
void stopGlyph(QPainter& p, QPointF centre, double size);
void pauseGlyph(QPainter& p, QPointF centre, double size);
QImage transportButton(const std::function<void(QPainter&, QPointF, double)>& glyph, double size);
QImage transportStrip();
QImage panelArrow(bool pointRight);
QImage channel(bool filled);
QImage thumb(bool pressed);

}  // namespace artwork
