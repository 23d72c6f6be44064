#pragma once
// The window's bitmaps: the transport buttons and strip, the arrows that
// show and hide the playlist, the slider's channel and thumb.

#include <functional>
#include <QImage>
#include <QPainter>

namespace artwork {

void PlayGlyph(QPainter& p, QPointF centre, double size);
void StopGlyph(QPainter& p, QPointF centre, double size);
void PauseGlyph(QPainter& p, QPointF centre, double size);
QImage TransportButton(const std::function<void(QPainter&, QPointF, double)>& glyph, double size);
QImage TransportStrip();
QImage PanelArrow(bool pointRight);
QImage Channel(bool filled);
QImage Thumb(bool pressed);

}  // namespace artwork
