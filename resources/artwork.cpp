#include "resources/artwork.h"

#include <QFile>

// Outside any namespace, as the resource initialiser requires. Calling it
// keeps the resource data linked in from this static library.
static void initArtwork() { Q_INIT_RESOURCE(artwork); }

namespace resources {
namespace {

void ensureArtwork()
{
    static const bool done = (initArtwork(), true);
    Q_UNUSED(done);
}

}  // namespace

QImage bitmapImage(int id)
{
    ensureArtwork();
    return QImage(QStringLiteral(":/bitmaps/%1.png").arg(id));
}

QPixmap bitmap(int id) { return QPixmap::fromImage(bitmapImage(id)); }

QIcon icon(int id)
{
    ensureArtwork();
    QIcon result;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral(":/icons/%1-%2.png").arg(id).arg(size);
        if (QFile::exists(path))
            result.addFile(path, QSize(size, size));
    }
    return result;
}

QList<QPixmap> imageList(int id, int imageWidth, QColor maskColour)
{
    QList<QPixmap> pieces;
    const QImage strip = bitmapImage(id).convertToFormat(QImage::Format_ARGB32);
    if (strip.isNull() || imageWidth <= 0)
        return pieces;
    const QRgb key = maskColour.rgb() & 0xffffffu;
    for (int left = 0; left + imageWidth <= strip.width(); left += imageWidth) {
        QImage piece = strip.copy(left, 0, imageWidth, strip.height());
        for (int y = 0; y < piece.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(piece.scanLine(y));
            for (int x = 0; x < piece.width(); ++x)
                if ((row[x] & 0xffffffu) == key)
                    row[x] = 0;
        }
        pieces.append(QPixmap::fromImage(piece));
    }
    return pieces;
}

}  // namespace resources
