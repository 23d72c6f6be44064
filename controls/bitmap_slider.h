#pragma once
// A horizontal slider drawn from four pictures: the unfilled channel, the
// filled channel left of the thumb, and the thumb at rest or dragged. It
// reports like a trackbar but carries no position: the receiver asks.
//
// Notifications: for the press and every move while dragging, code
// SB_THUMBTRACK (5); at the release exactly one SB_ENDSCROLL (8). Each is
// posted as a BitmapSlider::ScrollEvent to the notify object (the parent
// widget when none is set), so it arrives after the slider has redrawn, and
// the signal Scrolled(code) is emitted at the same moment for connections.
//
// Range and position may exceed what an int counts (a playlist item reaches
// 2^32 - 1 frames): the slider then moves in steps of several units.

#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "controls/long_range.h"

namespace controls {

class BitmapSlider : public QWidget {
    Q_OBJECT
public:
    enum ScrollCode { SB_THUMBTRACK = 5, SB_ENDSCROLL = 8 };

    class ScrollEvent : public QEvent {
    public:
        ScrollEvent(int code, BitmapSlider* slider)
            : QEvent(RegisteredType())
            , m_code(code)
            , m_slider(slider)
        {
        }
        static QEvent::Type RegisteredType();
        int Code() const { return m_code; }
        BitmapSlider* Slider() const { return m_slider; }

    private:
        int m_code;
        BitmapSlider* m_slider;
    };

    explicit BitmapSlider(QWidget* parent = nullptr);

    // Unfilled channel, filled channel, thumb, pressed thumb (137, 134, 135,
    // 138 in the recorder window). Like a bitmap label, the slider takes the
    // unfilled channel's size; its owner may stretch it afterwards.
    void LoadBitmaps(int channelEmptyId, int channelFilledId, int thumbId, int thumbPressedId);
    void LoadBitmaps(const QImage& channelEmpty, const QImage& channelFilled, const QImage& thumb,
                     const QImage& thumbPressed);
    void SetRange(qint64 min, qint64 max);
    void SetPos(qint64 pos);
    qint64 GetPos() const { return m_range.FromSteps(m_pos); }
    qint64 GetMin() const { return qint64(m_min) * m_range.Scale(); }
    qint64 GetMax() const { return m_range.FromSteps(m_max); }
    bool IsDragging() const { return m_dragging; }
    void SetNotifyWindow(QObject* target) { m_notifyWindow = target; }

    // Geometry, for the client width w, in the slider's steps.
    int ThumbCentre() const;
    int PosFromX(int x) const;

    QSize sizeHint() const override;

signals:
    void Scrolled(int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int ClampToRange(int pos) const;
    void SetPosFromX(int x);
    void Notify(int code);

    QImage m_channelEmpty;
    QImage m_channelFilled;
    QImage m_thumb;
    QImage m_thumbPressed;
    int m_channelWidth = 0;
    int m_channelHeight = 0;
    int m_thumbWidth = 0;
    int m_thumbHeight = 0;
    // In steps of m_range.scale() units.
    int m_min = 1;
    int m_max = 0;
    int m_pos = 0;
    LongRange m_range;
    bool m_dragging = false;
    QPointer<QObject> m_notifyWindow;
    QPixmap m_backBuffer;  // 600 x 20, made at the first paint and kept
};

}  // namespace controls
