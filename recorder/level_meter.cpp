#include "recorder/level_meter.h"

#include <algorithm>
#include <cmath>
#include <QMouseEvent>
#include <QPainter>

#include "engine/take_levels.h"

namespace {
// The waveform's own colours: green on black, red for clipping.
const QColor kBackground(0, 0, 0);
const QColor kLit(0, 255, 0);
const QColor kLoud(255, 255, 0);
const QColor kUnlit(0, 64, 0);
const QColor kClipLit(255, 0, 0);
const QColor kClipUnlit(80, 0, 0);
}  // namespace

LevelMeter::LevelMeter(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_fall.setSingleShot(true);
    m_fall.setInterval(kFallMs);
    connect(&m_fall, &QTimer::timeout, this, [this] { Fall(); });
}

void LevelMeter::StartTake()
{
    m_clipLit = false;
    m_meters = {};
    show();
    update();
}

void LevelMeter::ShowLevels(const TakeLevels& levels)
{
    m_channels = std::clamp(levels.channels, 1, 2);
    for (int c = 0; c < m_channels; ++c) {
        Channel& ch = m_meters[size_t(c)];
        ch.peakDb = LevelDbfs(levels.peak[size_t(c)], levels.fullScale);
        if (ch.peakDb >= ch.holdDb || !ch.held.isValid() || ch.held.hasExpired(kHoldMs)) {
            ch.holdDb = ch.peakDb;
            ch.held.start();
        }
        m_clipLit |= levels.clipped[size_t(c)] > 0;
    }
    m_fall.start();
    update();
}

void LevelMeter::Fall()
{
    m_meters = {};
    update();
}

QRect LevelMeter::Bars() const
{
    const int top = kClipMarkRows + 1;
    return QRect(1, top, width() - 2, std::max(0, height() - top));
}

int LevelMeter::RowsFor(double db, int rows)
{
    if (!(db > kFloorDb))
        return 0;
    return std::clamp(int(std::lround((db - kFloorDb) / -kFloorDb * rows)), 1, rows);
}

void LevelMeter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.fillRect(QRect(1, 0, width() - 2, kClipMarkRows), m_clipLit ? kClipLit : kClipUnlit);

    const QRect bars = Bars();
    const int rows = bars.height();
    const int warningRows = RowsFor(kWarningDb, rows);
    // Stereo: two bars with a column between them; mono: one bar.
    const int barWidth = m_channels == 2 ? (bars.width() - 1) / 2 : bars.width();
    for (int c = 0; c < m_channels; ++c) {
        const int x = bars.left() + c * (barWidth + 1);
        const Channel& ch = m_meters[size_t(c)];
        const int lit = RowsFor(ch.peakDb, rows);
        const int hold = RowsFor(ch.holdDb, rows);
        // Rows count from the bottom; [from, to) of them in one colour.
        const auto fillRows = [&](int from, int to, const QColor& colour) {
            if (to > from)
                p.fillRect(QRect(x, bars.bottom() - to + 1, barWidth, to - from), colour);
        };
        fillRows(0, rows, kUnlit);
        fillRows(0, std::min(lit, warningRows), kLit);
        fillRows(warningRows, lit, kLoud);
        if (hold > 0)
            fillRows(hold - 1, hold, hold > warningRows ? kLoud : kLit);
    }
}

void LevelMeter::mousePressEvent(QMouseEvent* event)
{
    if (event->position().y() <= kClipMarkRows) {
        m_clipLit = false;
        update();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}
