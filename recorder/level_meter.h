#pragma once
// The recording level along the right edge of the waveform panel: one bar
// per channel from -60 dBFS at the bottom to full scale at the top, a mark of
// the highest peak of the last moment and a clip mark above the bars. The
// clip mark stays lit until the next take starts or it is clicked.

#include <array>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include "engine/take_writer.h"

class LevelMeter : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 11;
    static constexpr double kFloorDb = -60.0;
    static constexpr double kWarningDb = -6.0;
    static constexpr int kHoldMs = 1500;
    // Without reports (the take ended) the bars fall after this long.
    static constexpr int kFallMs = 400;
    static constexpr int kClipMarkRows = 4;

    explicit LevelMeter(QWidget* parent = nullptr);

    // A take starts: shown, empty, the clip mark off.
    void StartTake();
    void ShowLevels(const TakeLevels& levels);
    bool ClipLit() const { return m_clipLit; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Channel {
        double peakDb = -1000;
        double holdDb = -1000;
        QElapsedTimer held;
    };
    // The rows of the bars, bottom first.
    QRect Bars() const;
    // Lit rows of a bar `rows` high for `db`.
    static int RowsFor(double db, int rows);
    void Fall();

    int m_channels = 1;
    std::array<Channel, 2> m_meters;
    bool m_clipLit = false;
    QTimer m_fall;
};
