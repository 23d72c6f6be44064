#include "controls/trackbar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimerEvent>
#include <QWheelEvent>

namespace controls {
namespace {

int StepKeyCode(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        return Trackbar::LineUp;
    case Qt::Key_Right:
    case Qt::Key_Down:
        return Trackbar::LineDown;
    case Qt::Key_PageUp:
        return Trackbar::PageUp;
    case Qt::Key_PageDown:
        return Trackbar::PageDown;
    case Qt::Key_Home:
        return Trackbar::Top;
    case Qt::Key_End:
        return Trackbar::Bottom;
    default:
        return -1;
    }
}

}  // namespace

Trackbar::Trackbar(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
    , m_autoPageStep(pageStep())
{
    m_range.Set(minimum(), maximum());
    setTickPosition(QSlider::NoTicks);
    // Dragging the thumb is followed as it happens.
    connect(this, &QSlider::sliderPressed, this, [this] { emit Scrolled(ThumbTrack); });
    connect(this, &QSlider::sliderMoved, this, [this] { emit Scrolled(ThumbTrack); });
    connect(this, &QSlider::sliderReleased, this, [this] {
        emit Scrolled(ThumbPosition);
        emit Scrolled(EndTrack);
    });
}

void Trackbar::SetRange(qint64 minimum, qint64 maximum)
{
    m_range.Set(minimum, maximum);
    setRange(m_range.MinSteps(), m_range.MaxSteps());
}

void Trackbar::SetPos(qint64 position) { setValue(m_range.ToSteps(position)); }

qint64 Trackbar::GetPos() const { return m_range.FromSteps(sliderPosition()); }

void Trackbar::sliderChange(SliderChange change)
{
    // A page is a fifth of the range unless someone chose another size.
    if (change == SliderRangeChange && pageStep() == m_autoPageStep) {
        m_autoPageStep = std::max(1, int((qint64(maximum()) - minimum()) / 5));
        setPageStep(m_autoPageStep);
    }
    // The steps are not drawn, and a new range or value changes the picture
    // only where it moves the thumb.
    if (change == SliderStepsChange)
        return;
    if (change == SliderRangeChange || change == SliderValueChange) {
        if (!m_holdRepaints)
            RepaintIfThumbMoved();
        return;
    }
    QSlider::sliderChange(change);
}

void Trackbar::SetRangeAndPos(qint64 minimum, qint64 maximum, qint64 position)
{
    m_holdRepaints = true;
    SetRange(minimum, maximum);
    SetPos(position);
    m_holdRepaints = false;
    RepaintIfThumbMoved();
}

void Trackbar::RepaintIfThumbMoved()
{
    if (ThumbRect() != m_drawnThumb)
        update();
}

void Trackbar::paintEvent(QPaintEvent* event)
{
    m_drawnThumb = ThumbRect();
    QSlider::paintEvent(event);
}

QRect Trackbar::ThumbRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void Trackbar::Step(int code)
{
    const qint64 position = sliderPosition();
    qint64 next = position;
    switch (code) {
    case LineUp:
        next = position - singleStep();
        break;
    case LineDown:
        next = position + singleStep();
        break;
    case PageUp:
        next = position - pageStep();
        break;
    case PageDown:
        next = position + pageStep();
        break;
    case Top:
        next = minimum();
        break;
    case Bottom:
        next = maximum();
        break;
    default:
        return;
    }
    setSliderPosition(int(std::clamp<qint64>(next, minimum(), maximum())));
    emit Scrolled(code);
}

void Trackbar::keyPressEvent(QKeyEvent* event)
{
    const int code = StepKeyCode(event->key());
    if (code < 0) {
        QSlider::keyPressEvent(event);
        return;
    }
    Step(code);
    event->accept();
}

void Trackbar::keyReleaseEvent(QKeyEvent* event)
{
    if (StepKeyCode(event->key()) < 0) {
        QSlider::keyReleaseEvent(event);
        return;
    }
    // A held key repeats its step; the end comes when it is let go.
    if (!event->isAutoRepeat())
        emit Scrolled(EndTrack);
    event->accept();
}

void Trackbar::wheelEvent(QWheelEvent* event)
{
    // Each notch is the desktop's number of lines, as line steps; the wheel
    // turned away from the user moves on, as everywhere on this desktop.
    m_wheelRemainder += event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    const int notches = m_wheelRemainder / QWheelEvent::DefaultDeltasPerStep;
    m_wheelRemainder -= notches * QWheelEvent::DefaultDeltasPerStep;
    const int lines = std::abs(notches) * std::max(1, QApplication::wheelScrollLines());
    for (int i = 0; i < lines; ++i)
        Step(notches > 0 ? LineDown : LineUp);
    event->accept();
}

int Trackbar::ValueAt(QPoint pos) const
{
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    return QStyle::sliderValueFromPosition(minimum(), maximum(), pos.x() - groove.x() - handle.width() / 2, span);
}

bool Trackbar::ThumbReached() const
{
    const int target = ValueAt(m_pagingPoint);
    return m_pagingCode == PageDown ? sliderPosition() >= target : sliderPosition() <= target;
}

void Trackbar::mousePressEvent(QMouseEvent* event)
{
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QPoint pos = event->position().toPoint();
    const auto hit = style()->hitTestComplexControl(QStyle::CC_Slider, &opt, pos, this);
    if (event->button() != Qt::LeftButton || hit == QStyle::SC_SliderHandle || minimum() == maximum()) {
        QSlider::mousePressEvent(event);
        return;
    }
    // A press on the channel pages towards the pointer, and goes on paging
    // while the button is held until the thumb has reached it.
    setFocus(Qt::MouseFocusReason);
    m_pagingPoint = pos;
    m_pagingCode = ValueAt(pos) > sliderPosition() ? PageDown : PageUp;
    Step(m_pagingCode);
    m_repeat.start(kRepeatDelayMs, this);
    event->accept();
}

void Trackbar::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_repeat.timerId()) {
        QSlider::timerEvent(event);
        return;
    }
    if (ThumbReached()) {
        m_repeat.stop();
        return;
    }
    Step(m_pagingCode);
    m_repeat.start(kRepeatPeriodMs, this);
}

void Trackbar::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_pagingCode < 0 || event->button() != Qt::LeftButton) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    m_repeat.stop();
    m_pagingCode = -1;
    emit Scrolled(EndTrack);
    event->accept();
}

}  // namespace controls
