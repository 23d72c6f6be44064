#pragma once
// Copies the start of an audio block into the waveform view's points.

#include <cstdint>
#include <functional>

#include "platform/audio/audio_types.h"

// The live waveform a snapshot fills: a fixed array of points that the view
// scales by its full-scale value and draws on Refresh().
class WaveformTarget {
public:
    virtual ~WaveformTarget() = default;
    virtual int PointCount() const = 0;
    virtual int16_t* Points() = 0;
    virtual void SetFullScale(int16_t fullScale) = 0;
    // One flag per point: its stretch of the block holds a sample at the
    // format's full scale. Null when the view does not mark clipping.
    virtual uint8_t* ClipMarks() { return nullptr; }
    // Redraw without erasing the background.
    virtual void Refresh() = 0;
};

// Milliseconds of a monotonic clock, wrapping in 32 bits.
using TickClock = std::function<uint32_t()>;
uint32_t MonotonicTickCount();

inline constexpr uint32_t kSnapshotIntervalMs = 100;

// Every other sample of the block (the first channel in stereo) from its start,
// whatever part of it holds fresh data; never reads past `blockSize` bytes:
// points that one block cannot fill are set to 0. The view's clip marks, if
// it keeps them, tell which points' stretches hold a sample at full scale.
// Then the view is redrawn.
void TakeWaveformSnapshot(WaveformTarget& view, const uint8_t* block, uint32_t blockSize, uint16_t bitsPerSample);

// The full-scale value for a recording's sample size.
int16_t FullScaleFor(uint16_t bitsPerSample);
