#pragma once
// The loudest moment and the clipping of a whole recording, summed from the
// writer's reports while it records, or counted anew from the file when
// part of it was cleared or overwritten.

#include <atomic>
#include <cstdint>
#include <QString>

#include "engine/take_writer.h"

struct TakeTally {
    uint32_t peak = 0;  // in the units of `fullScale`
    uint32_t fullScale = 32768;
    uint64_t clippedFrames = 0;  // frames with any channel at full scale
    bool hasAudio = false;

    void Add(const TakeLevels& levels);
    void Add(const TakeTally& other);
    double PeakDbfs() const;
};

// Counts the first `dataBytes` bytes of data of the WAVE file at `path`
// (data from byte `dataStart`); gives up early, with what it has, when
// `cancel` is set or the file cannot be read.
TakeTally CountTakeLevels(const QString& path, uint64_t dataStart, uint64_t dataBytes,
                          const platform::audio::PcmFormat& format, const std::atomic<bool>& cancel);
