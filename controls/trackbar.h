#pragma once
// A horizontal slider that reports as a trackbar does: a code for each
// step of the keys, the wheel and the mouse on the channel, thumb tracking
// while the thumb is dragged, and one end of tracking when the mouse button
// or the key is let go. The receiver asks GetPos() for the position.
//
// Its range may exceed what an int counts (a recording's frames reach
// 2^32 - 1): such a range is scaled down for the slider underneath, and
// GetPos() still reaches the maximum exactly.

#include <QBasicTimer>
#include <QSlider>

#include "controls/long_range.h"

namespace controls {

class Trackbar : public QSlider {
    Q_OBJECT
public:
    // The trackbar's notification codes.
    enum Code {
        LineUp = 0,
        LineDown = 1,
        PageUp = 2,
        PageDown = 3,
        ThumbPosition = 4,
        ThumbTrack = 5,
        Top = 6,
        Bottom = 7,
        EndTrack = 8,
    };

    explicit Trackbar(QWidget* parent = nullptr);

    // Range and position in the trackbar's own units, of any size up to 2^32.
    void SetRange(qint64 minimum, qint64 maximum);
    void SetPos(qint64 position);
    // Both at once, with one repaint at most and none when the thumb stays
    // where it is drawn (a take growing with the thumb at its end).
    void SetRangeAndPos(qint64 minimum, qint64 maximum, qint64 position);
    qint64 GetPos() const;
    qint64 RangeMax() const { return m_range.Maximum(); }

    // Units of the range per step of the slider underneath (1 unless the
    // range is beyond an int).
    qint64 Scale() const { return m_range.Scale(); }

    // How long the mouse pages along the channel before repeating, and how often.
    static constexpr int kRepeatDelayMs = 500;
    static constexpr int kRepeatPeriodMs = 50;

signals:
    void Scrolled(int code);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Step(int code);
    bool ThumbReached() const;
    int ValueAt(QPoint pos) const;
    QRect ThumbRect() const;
    void RepaintIfThumbMoved();

    LongRange m_range;
    int m_autoPageStep;
    // Paging along the channel while the left button is held there.
    int m_pagingCode = -1;
    QPoint m_pagingPoint;
    QBasicTimer m_repeat;
    int m_wheelRemainder = 0;
    QRect m_drawnThumb;  // where the last paint put the thumb
    bool m_holdRepaints = false;
};

}  // namespace controls
