#pragma once
// Copies the start of an audio block into the waveform view's points.

#include <cstdint>
#include <functional>

#include "engine/engine_view.h"
#include "platform/audio/audio_types.h"

// Milliseconds of a monotonic clock, wrapping in 32 bits.
using TickClock = std::function<uint32_t()>;
uint32_t MonotonicTickCount();

inline constexpr uint32_t kSnapshotIntervalMs = 100;

// Every other sample of the block (the first channel in stereo) from its start,
// whatever part of it holds fresh data; never reads past `blockSize` bytes:
// points that one block cannot fill are set to 0. The view's clip marks, if
// it keeps them, tell which points' stretches hold a sample at full scale.
// Then the view is redrawn.
void TakeWaveformSnapshot(WaveformTarget& view, const uint8_t* block, uint32_t blockSize,
                          uint16_t bitsPerSample);

// The full-scale value for a recording's sample size.
int16_t FullScaleFor(uint16_t bitsPerSample);
