#include "recorder/waveform_view.h"

#include <algorithm>
#include <cstdlib>
#include <QPaintEvent>
#include <QPainter>

#include "recorder/level_meter.h"

namespace {
const QRgb kBackground = qRgb(0, 0, 0);
const QRgb kTrace = qRgb(0, 255, 0);
const QRgb kClippedTrace = qRgb(255, 0, 0);
}  // namespace

WaveformView::WaveformView(QWidget* parent)
    : QFrame(parent)
    , m_levelMeter(new LevelMeter(this))
{
    m_levelMeter->hide();
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
    m_clipMarks.assign(size_t(m_pointCount), 0);
    m_memoryBitmap = QImage(r.size(), QImage::Format_RGB32);
    m_memoryBitmap.fill(kBackground);
    m_drawn.assign(size_t(m_pointCount), -1);
    // Over the last columns: the newest sound is at the left.
    const int meterWidth = std::min(LevelMeter::kWidth, r.width());
    m_levelMeter->setGeometry(r.right() + 1 - meterWidth, r.top(), meterWidth, r.height());
}

int WaveformView::Look(int i, int height) const
{
    // Column 0 is never drawn: only the centre line crosses it.
    if (i == 0)
        return 0;
    const int fullScale = m_fullScale == 0 ? 1 : m_fullScale;
    return 2 * std::abs(int(m_points[size_t(i)]) * height / 2 / fullScale) + (m_clipMarks[size_t(i)] ? 1 : 0);
}

void WaveformView::Refresh()
{
    const int h = m_memoryBitmap.height();
    int first = m_pointCount, last = -1;
    for (int i = 0; i < m_pointCount; ++i) {
        if (Look(i, h) != m_drawn[size_t(i)]) {
            first = std::min(first, i);
            last = i;
        }
    }
    if (last >= first) {
        const QRect inside = contentsRect();
        update(inside.left() + first, inside.top(), last - first + 1, inside.height());
    }
}

void WaveformView::DrawColumn(int i, int look)
{
    const int halfLine = look / 2;
    const QRgb trace = look % 2 ? kClippedTrace : kTrace;
    const int h = m_memoryBitmap.height();
    const int mid = h / 2;
    // Rows mid - a ... mid + a are lit; a line longer than the panel is cut.
    const int top = std::max(0, mid - halfLine);
    const int bottom = std::min(h - 1, mid + halfLine);
    const qsizetype stride = m_memoryBitmap.bytesPerLine() / qsizetype(sizeof(QRgb));
    QRgb* pixel = reinterpret_cast<QRgb*>(m_memoryBitmap.bits()) + i;
    for (int y = 0; y < h; ++y, pixel += stride)
        *pixel = y >= top && y <= bottom ? trace : kBackground;
    m_drawn[size_t(i)] = look;
}

void WaveformView::PaintSurface()
{
    const int h = m_memoryBitmap.height();
    for (int i = 0; i < m_pointCount; ++i) {
        const int a = Look(i, h);
        if (a != m_drawn[size_t(i)])
            DrawColumn(i, a);
    }
}

void WaveformView::paintEvent(QPaintEvent* event)
{
    QPainter screen(this);
    const QRect inside = contentsRect();
    if (!inside.contains(event->rect()))
        drawFrame(&screen);
    if (m_memoryBitmap.isNull())
        return;
    PaintSurface();
    const QRect part = event->rect() & inside;
    screen.drawImage(part.topLeft(), m_memoryBitmap, part.translated(-inside.topLeft()));
}
