#pragma once
// The small black panel of the recorder window that shows the latest stretch
// of sound as a green envelope, one vertical line per pixel column. It holds
// no sound: the engine copies points into it and asks for a redraw.

#include <vector>
#include <QFrame>
#include <QPixmap>

#include "engine/engine_view.h"

class WaveformView : public QFrame, public WaveformTarget {
    Q_OBJECT
public:
    static constexpr int16_t kInitialFullScale = 25000;

    explicit WaveformView(QWidget* parent = nullptr);

    // Once the widget has its final size: one point per column of the inside.
    void Initialize();

    int pointCount() const override { return m_pointCount; }
    int16_t* points() override { return m_points.empty() ? nullptr : m_points.data(); }
    void setFullScale(int16_t fullScale) override { m_fullScale = fullScale; }
    void refresh() override;

    int16_t fullScale() const { return m_fullScale; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintSurface();

    int m_pointCount = 0;
    std::vector<int16_t> m_points;
    int16_t m_fullScale = kInitialFullScale;
    // Drawn here first and copied to the screen in one piece: no flicker.
    QPixmap m_memoryBitmap;
};
