#pragma once
// Peak and clipping per channel over the audio of one report.

#include <cstdint>

#include "engine/take_writer.h"

class TakeLevelMeter {
public:
    void Begin(const platform::audio::PcmFormat& format);
    // Whole frames of the take's format.
    void Add(const uint8_t* data, uint32_t bytes);
    // What was measured since the previous call, and start anew.
    TakeLevels Take();

private:
    platform::audio::PcmFormat m_format;
    TakeLevels m_levels;
};

// `peak` against `fullScale` in dB; minus infinity for silence.
double LevelDbfs(uint32_t peak, uint32_t fullScale);
