#include "resources/artwork.h"

#include <QFile>

// Outside any namespace, as the resource initialiser requires. Calling it
// keeps the resource data linked in from this static library.
static void InitArtwork() { Q_INIT_RESOURCE(artwork); }

namespace resources {
namespace {

void EnsureArtwork()
{
    static const bool done = (InitArtwork(), true);
    Q_UNUSED(done);
}

}  // namespace

QImage BitmapImage(int id)
{
    EnsureArtwork();
    return QImage(QStringLiteral(":/bitmaps/%1.png").arg(id));
}

QPixmap Bitmap(int id) { return QPixmap::fromImage(BitmapImage(id)); }

QIcon Icon(int id)
{
    EnsureArtwork();
    QIcon result;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral(":/icons/%1-%2.png").arg(id).arg(size);
        if (QFile::exists(path))
            result.addFile(path, QSize(size, size));
    }
    return result;
}

QList<QPixmap> ImageList(int id, int imageWidth, QColor maskColour)
{
    QList<QPixmap> pieces;
    const QImage strip = BitmapImage(id).convertToFormat(QImage::Format_ARGB32);
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
