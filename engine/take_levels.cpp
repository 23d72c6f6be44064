#include "engine/take_levels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

void TakeLevelMeter::Begin(const platform::audio::PcmFormat& format)
{
    m_format = format;
    Take();
}

namespace {

// One pass over a block. The sums are kept in locals: written through the
// members, every sample would be stored back, since the audio bytes may
// alias them as far as the compiler knows.
template <uint32_t Channels, uint32_t BytesPerSample, typename Read>
void Measure(const uint8_t* data, uint32_t frames, Read read, TakeLevels& levels)
{
    std::array<uint32_t, 2> peak = levels.peak, clipped = levels.clipped;
    uint32_t clippedFrames = levels.clippedFrames;
    for (uint32_t f = 0; f < frames; ++f) {
        bool frameClipped = false;
        for (uint32_t c = 0; c < Channels; ++c) {
            const auto [magnitude, atEnd] = read(data + (f * Channels + c) * BytesPerSample);
            peak[c] = std::max(peak[c], magnitude);
            clipped[c] += atEnd ? 1 : 0;
            frameClipped |= atEnd;
        }
        clippedFrames += frameClipped ? 1 : 0;
    }
    levels.peak = peak;
    levels.clipped = clipped;
    levels.clippedFrames = clippedFrames;
}

struct Level {
    uint32_t magnitude;
    bool atEnd;  // the sample sits at an end of its scale
};

// Lambdas, so that each reader is a type of its own and is inlined.
constexpr auto Read8 = [](const uint8_t* p) -> Level {
    return {uint32_t(std::abs(int(*p) - 128)), *p == 0 || *p == 255};
};

constexpr auto Read16 = [](const uint8_t* p) -> Level {
    const int16_t s = int16_t(uint16_t(p[0]) | uint16_t(p[1]) << 8);
    return {uint32_t(std::abs(int(s))), s == INT16_MAX || s == INT16_MIN};
};

}  // namespace

void TakeLevelMeter::Add(const uint8_t* data, uint32_t bytes)
{
    const bool stereo = m_format.channels >= 2;
    const uint32_t bytesPerSample = m_format.bitsPerSample == 8 ? 1 : 2;
    const uint32_t frames = bytes / bytesPerSample / (stereo ? 2 : 1);
    if (bytesPerSample == 1)
        stereo ? Measure<2, 1>(data, frames, Read8, m_levels) : Measure<1, 1>(data, frames, Read8, m_levels);
    else
        stereo ? Measure<2, 2>(data, frames, Read16, m_levels) : Measure<1, 2>(data, frames, Read16, m_levels);
}

TakeLevels TakeLevelMeter::Take()
{
    TakeLevels taken = m_levels;
    taken.channels = std::clamp<int>(m_format.channels, 1, 2);
    taken.fullScale = m_format.bitsPerSample == 8 ? 128 : 32768;
    m_levels = TakeLevels{};
    return taken;
}

double LevelDbfs(uint32_t peak, uint32_t fullScale)
{
    if (peak == 0 || fullScale == 0)
        return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(double(peak) / double(fullScale));
}
