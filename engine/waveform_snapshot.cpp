#include "engine/waveform_snapshot.h"

#include <algorithm>
#include <ctime>

namespace {
bool IsFullScale16(const uint8_t* s)
{
    const auto v = int16_t(uint16_t(s[0] | s[1] << 8));
    return v == INT16_MAX || v == INT16_MIN;
}
bool IsFullScale8(uint8_t s) { return s == 0 || s == 255; }
}  // namespace

uint32_t MonotonicTickCount()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

void TakeWaveformSnapshot(WaveformTarget& view, const uint8_t* block, uint32_t blockSize, uint16_t bitsPerSample)
{
    int16_t* points = view.Points();
    const int count = view.PointCount();
    if (!points || count <= 0)
        return;
    const bool wide = bitsPerSample == 16;
    const int stride = wide ? 4 : 2;
    const int filled = std::min<int>(count, int(blockSize / uint32_t(stride)));
    for (int i = 0; i < filled; ++i) {
        const uint8_t* s = block + i * stride;
        points[i] = wide ? int16_t(uint16_t(s[0] | s[1] << 8)) : int16_t(int(s[0]) - 127);
    }
    std::fill(points + filled, points + count, int16_t(0));
    if (uint8_t* marks = view.ClipMarks()) {
        // Both samples of a point's stretch count, the one drawn and the one skipped.
        for (int i = 0; i < filled; ++i) {
            const uint8_t* s = block + i * stride;
            marks[i] = wide ? IsFullScale16(s) || IsFullScale16(s + 2) : IsFullScale8(s[0]) || IsFullScale8(s[1]);
        }
        std::fill(marks + filled, marks + count, uint8_t(0));
    }
    view.Refresh();
}

int16_t FullScaleFor(uint16_t bitsPerSample) { return bitsPerSample == 16 ? 32767 : 130; }
