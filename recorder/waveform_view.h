#pragma once
// The small black panel of the recorder window that shows the latest stretch
// of sound as a green envelope, one vertical line per pixel column. It holds
// no sound: the window copies points into it and asks for a redraw. Columns
// whose stretch of sound reached full scale are drawn red; while recording,
// a level meter stands along the right edge.

#include <vector>
#include <QFrame>
#include <QImage>

#include "engine/waveform_snapshot.h"

class LevelMeter;

class WaveformView : public QFrame, public WaveformTarget {
    Q_OBJECT
public:
    static constexpr int16_t kInitialFullScale = 25000;

    explicit WaveformView(QWidget* parent = nullptr);

    // Once the widget has its final size: one point per column of the inside.
    void Initialize();

    int PointCount() const override { return m_pointCount; }
    int16_t* Points() override { return m_points.empty() ? nullptr : m_points.data(); }
    uint8_t* ClipMarks() override { return m_clipMarks.empty() ? nullptr : m_clipMarks.data(); }
    void SetFullScale(int16_t fullScale) override { m_fullScale = fullScale; }
    // Repaints only the columns whose line changed, if any.
    void Refresh() override;

    int16_t FullScale() const { return m_fullScale; }
    LevelMeter& GetLevelMeter() { return *m_levelMeter; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Half the height of the line of column `i`, in rows, doubled, plus 1
    // when the column is marked clipped: what the column shows.
    int Look(int i, int height) const;
    // Brings the surface up to date with the points, column by column.
    void PaintSurface();
    void DrawColumn(int i, int look);

    int m_pointCount = 0;
    std::vector<int16_t> m_points;
    std::vector<uint8_t> m_clipMarks;
    int16_t m_fullScale = kInitialFullScale;
    // Drawn here first and copied to the screen in one piece: no flicker.
    QImage m_memoryBitmap;
    // The look each column of the surface shows now; -1 before the first paint.
    std::vector<int> m_drawn;
    LevelMeter* m_levelMeter;
};
