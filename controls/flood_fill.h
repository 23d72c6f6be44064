#pragma once
// Surface flood fill: the 4-connected area of exactly one colour that
// contains a start pixel takes another colour. Used to match pictures to the
// button face and to tint the white surround of a selected row's picture.

#include <QColor>
#include <QImage>
#include <QPoint>

namespace controls {

// Returns the number of pixels changed; 0 when the start pixel lies outside
// the image or does not have the surface colour.
int FloodFillSurface(QImage& image, QPoint start, QColor surface, QColor fill);

}  // namespace controls
