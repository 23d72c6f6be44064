#include "controls/flood_fill.h"

#include <vector>

namespace controls {

int FloodFillSurface(QImage& image, QPoint start, QColor surface, QColor fill)
{
    if (!image.rect().contains(start))
        return 0;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(QImage::Format_ARGB32);
    const QRgb from = surface.rgb() & 0xffffffu;
    const QRgb to = fill.rgb();
    auto matches = [&](int x, int y) { return (image.pixel(x, y) & 0xffffffu) == from; };
    if (!matches(start.x(), start.y()) || from == (to & 0xffffffu))
        return 0;

    int changed = 0;
    std::vector<QPoint> pending{start};
    while (!pending.empty()) {
        const QPoint p = pending.back();
        pending.pop_back();
        if (!image.rect().contains(p) || !matches(p.x(), p.y()))
            continue;
        image.setPixel(p, to);
        ++changed;
        pending.push_back({p.x() + 1, p.y()});
        pending.push_back({p.x() - 1, p.y()});
        pending.push_back({p.x(), p.y() + 1});
        pending.push_back({p.x(), p.y() - 1});
    }
    return changed;
}

}  // namespace controls
