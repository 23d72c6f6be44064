#include "painting.h"

namespace artwork {

QImage Canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage Keyed(const QImage& art, QColor under, QColor key)
{
    QImage out(art.size(), QImage::Format_RGB32);
    const QImage src = art.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < src.height(); ++y) {
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = src.pixel(x, y);
            const int a = qAlpha(c);
            if (a == 0) {
                out.setPixel(x, y, key.rgb());
                continue;
            }
            auto mix = [&](int fg, int bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
            QRgb flat = qRgb(mix(qRed(c), under.red()), mix(qGreen(c), under.green()), mix(qBlue(c), under.blue()));
            if ((flat & 0xffffffu) == (key.rgb() & 0xffffffu))
                flat = qRgb(qRed(flat), qGreen(flat), qBlue(flat) + 1);
            out.setPixel(x, y, flat);
        }
    }
    return out;
}

QImage Opaque(const QImage& art, QColor under)
{
    QImage out(art.size(), QImage::Format_RGB32);
    out.fill(under);
    QPainter p(&out);
    p.drawImage(0, 0, art);
    return out;
}

void Smooth(QPainter& p) { p.setRenderHint(QPainter::Antialiasing, true); }

QLinearGradient Vertical(double top, double bottom, QColor a, QColor b)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

}  // namespace artwork
