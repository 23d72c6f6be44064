#pragma once
// Bitmaps and icons addressed by their numbers, from the PNGs compiled into
// the program (resources/artwork/, drawn by tools/make_artwork).

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>

namespace resources {

// Bitmap `id` (":/bitmaps/<id>.png") as it is stored; a null image when unknown.
QImage BitmapImage(int id);
// The same as a pixmap (needs a QGuiApplication).
QPixmap Bitmap(int id);
// Icon `id` with all of its sizes (":/icons/<id>-<size>.png").
QIcon Icon(int id);
// An image list: bitmap `id` cut into pieces `imageWidth` pixels wide, the
// pixels of `maskColour` made transparent.
QList<QPixmap> ImageList(int id, int imageWidth, QColor maskColour);

}  // namespace resources
