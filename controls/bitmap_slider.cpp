#include "controls/bitmap_slider.h"

#include "controls/flood_fill.h"
#include "controls/system_colours.h"
#include "resources/artwork.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace controls {
namespace {

constexpr QSize kBackBufferSize(600, 20);
constexpr int kChannelEnd = 20;  // channel ends copied 1:1, the middle stretched
const QColor kChannelBackground(236, 236, 236);
const QColor kThumbTransparent(192, 192, 192);

}  // namespace

QEvent::Type BitmapSlider::ScrollEvent::RegisteredType()
{
    static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
    return registered;
}

BitmapSlider::BitmapSlider(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize BitmapSlider::sizeHint() const { return m_channelEmpty.isNull() ? QSize(100, 12) : m_channelEmpty.size(); }

namespace {

// a * b / c rounded half away from zero, without overflow for the spans
// of a long range; -1 when c is 0.
std::int64_t MulDivRounded(std::int64_t a, std::int64_t b, std::int64_t c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = a * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = (std::llabs(product) + std::llabs(c) / 2) / std::llabs(c);
    return negative ? -magnitude : magnitude;
}

}  // namespace

void BitmapSlider::LoadBitmaps(int channelEmptyId, int channelFilledId, int thumbId, int thumbPressedId)
{
    LoadBitmaps(resources::BitmapImage(channelEmptyId), resources::BitmapImage(channelFilledId),
                resources::BitmapImage(thumbId), resources::BitmapImage(thumbPressedId));
}

void BitmapSlider::LoadBitmaps(const QImage& channelEmpty, const QImage& channelFilled, const QImage& thumb,
                               const QImage& thumbPressed)
{
    m_channelEmpty = channelEmpty.convertToFormat(QImage::Format_RGB32);
    m_channelFilled = channelFilled.convertToFormat(QImage::Format_RGB32);
    m_thumb = thumb.convertToFormat(QImage::Format_RGB32);
    m_thumbPressed = thumbPressed.convertToFormat(QImage::Format_RGB32);
    m_channelWidth = m_channelEmpty.width();
    m_channelHeight = m_channelEmpty.height();
    m_thumbWidth = m_thumb.width();
    m_thumbHeight = m_thumb.height();

    // Matched once to the button face; a later theme change is not followed.
    const QColor face = controls::syscolour::Face(palette());
    for (QImage* channel : {&m_channelEmpty, &m_channelFilled})
        controls::FloodFillSurface(*channel, {0, 0}, kChannelBackground, face);
    for (QImage* t : {&m_thumb, &m_thumbPressed}) {
        if (t->isNull())
            continue;
        const int r = t->width() - 1, b = t->height() - 1;
        for (QPoint corner : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)})
            controls::FloodFillSurface(*t, corner, kThumbTransparent, face);
    }
    if (!m_channelEmpty.isNull())
        resize(m_channelEmpty.size());
    update();
}

int BitmapSlider::ClampToRange(int pos) const
{
    if (pos < m_min)
        pos = m_min;
    if (pos > m_max)
        pos = m_max;
    return pos;
}

void BitmapSlider::SetRange(qint64 min, qint64 max)
{
    m_range.Set(min, max);
    m_min = m_range.MinSteps();
    m_max = m_range.MaxSteps();
    m_pos = ClampToRange(m_pos);
    update();
}

void BitmapSlider::SetPos(qint64 pos)
{
    const int before = ThumbCentre();
    m_pos = ClampToRange(m_range.ToSteps(pos));
    if (ThumbCentre() != before)
        update();
}

int BitmapSlider::ThumbCentre() const
{
    if (m_max == m_min)
        return m_thumbWidth / 2;
    const int usable = width() - m_thumbWidth;
    return static_cast<int>(static_cast<double>(usable) / (m_max - m_min) * m_pos) + m_thumbWidth / 2;
}

int BitmapSlider::PosFromX(int x) const
{
    if (m_max == m_min)
        return m_max;
    const int usable = width() - m_thumbWidth;
    const int offset = std::max(0, x - m_thumbWidth / 2);
    // In 64 bits: a range of INT_MAX steps has one more than an int holds.
    const std::int64_t p = MulDivRounded(std::int64_t(m_max) - m_min + 1, std::min(usable, offset), usable);
    return ClampToRange(
        int(std::clamp<std::int64_t>(p, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
}

void BitmapSlider::SetPosFromX(int x) { m_pos = PosFromX(x); }

void BitmapSlider::Notify(int code)
{
    QObject* target = m_notifyWindow ? m_notifyWindow.data() : parent();
    if (target)
        QCoreApplication::postEvent(target, new ScrollEvent(code, this));
    emit Scrolled(code);
}

void BitmapSlider::paintEvent(QPaintEvent*)
{
    if (m_backBuffer.isNull())
        m_backBuffer = QPixmap(kBackBufferSize);
    const int w = width();
    const int h = height();
    {
        QPainter p(&m_backBuffer);
        p.fillRect(m_backBuffer.rect(), controls::syscolour::Face(palette()));
        if (!m_channelEmpty.isNull() && !m_thumb.isNull()) {
            // Unfilled channel: ends 1:1, middle stretched to the width. The
            // right end would be 21 columns wide; its last one lies outside
            // the client area, so 20 are copied.
            const int endHeight = std::min(h, m_channelHeight);
            p.drawImage(QRect(0, 0, kChannelEnd, endHeight), m_channelEmpty, QRect(0, 0, kChannelEnd, endHeight));
            p.drawImage(QRect(w - kChannelEnd, 0, kChannelEnd, endHeight), m_channelEmpty,
                        QRect(m_channelWidth - kChannelEnd, 0, kChannelEnd, endHeight));
            p.drawImage(QRect(kChannelEnd, 0, w - 2 * kChannelEnd, h), m_channelEmpty,
                        QRect(kChannelEnd, 0, m_channelWidth - 2 * kChannelEnd, m_channelHeight));

            const int centre = ThumbCentre();
            const int filled = centre - m_thumbWidth / 2 + 1;
            if (filled > 0) {
                p.drawImage(QRect(0, 0, filled, h), m_channelFilled,
                            QRect(0, 0, std::min(filled, m_channelWidth), m_channelHeight));
            }
            const QImage& thumb = m_dragging ? m_thumbPressed : m_thumb;
            p.drawImage(centre - m_thumbWidth / 2, h / 2 - m_thumbHeight / 2, thumb);
        }
    }
    QPainter screen(this);
    screen.fillRect(rect(), controls::syscolour::Face(palette()));
    screen.drawPixmap(QPoint(0, 0), m_backBuffer, QRect(0, 0, w, h));
}

void BitmapSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    // The press grabs the mouse until the release, as a capture would.
    m_dragging = true;
    const int x = event->position().toPoint().x();
    const int before = m_pos;
    SetPosFromX(x);
    if (m_pos == before) {
        // A click that maps to the current position steps towards the click.
        const int centre = ThumbCentre();
        if (x > centre + m_thumbWidth / 2)
            m_pos = std::min(m_pos + 1, m_max);
        else if (x < centre - m_thumbWidth / 2)
            m_pos = std::max(m_pos - 1, m_min);
    }
    update();
    Notify(SB_THUMBTRACK);
}

void BitmapSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    SetPosFromX(event->position().toPoint().x());
    update();
    Notify(SB_THUMBTRACK);
}

void BitmapSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    SetPosFromX(event->position().toPoint().x());
    update();
    Notify(SB_ENDSCROLL);
}

void BitmapSlider::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void BitmapSlider::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void BitmapSlider::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    update();
}

}  // namespace controls
