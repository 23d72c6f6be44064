#include "recorder/waveform_view.h"

#include <cstdlib>
#include <QPainter>

namespace {
const QColor kBackground(0, 0, 0);
const QColor kTrace(0, 255, 0);
}  // namespace

WaveformView::WaveformView(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    // Every pixel inside is painted from the surface: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WaveformView::Initialize()
{
    const QRect r = contentsRect();
    m_pointCount = std::max(0, r.width());
    m_points.assign(size_t(m_pointCount), 0);
    m_memoryBitmap = QPixmap(r.size() * devicePixelRatio());
    m_memoryBitmap.setDevicePixelRatio(devicePixelRatio());
}

void WaveformView::refresh() { update(contentsRect()); }

void WaveformView::PaintSurface()
{
    const int w = m_memoryBitmap.width() / std::max<qreal>(1, m_memoryBitmap.devicePixelRatio());
    const int h = m_memoryBitmap.height() / std::max<qreal>(1, m_memoryBitmap.devicePixelRatio());
    const int mid = h / 2;
    const int fullScale = m_fullScale == 0 ? 1 : m_fullScale;

    QPainter p(&m_memoryBitmap);
    p.fillRect(QRect(0, 0, w, h), kBackground);
    p.setPen(QPen(kTrace, 1));
    p.drawLine(0, mid, w - 1, mid);
    // Column 0 stays empty; rows mid - a ... mid + a are lit in column i.
    for (int i = 1; i < m_pointCount; ++i) {
        const int a = std::abs(int(m_points[size_t(i)]) * h / 2 / fullScale);
        p.drawLine(i, mid - a, i, mid + a);
    }
}

void WaveformView::paintEvent(QPaintEvent*)
{
    QPainter screen(this);
    drawFrame(&screen);
    if (m_memoryBitmap.isNull())
        return;
    PaintSurface();
    screen.drawPixmap(contentsRect().topLeft(), m_memoryBitmap);
}
