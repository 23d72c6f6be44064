#include "engine/take_levels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

void TakeLevelMeter::Begin(const platform::audio::PcmFormat& format)
{
    m_format = format;
    Take();
}

void TakeLevelMeter::Add(const uint8_t* data, uint32_t bytes)
{
    const uint32_t channels = uint32_t(std::clamp<int>(m_format.channels, 1, 2));
    if (m_format.bitsPerSample == 8) {
        const uint32_t frames = bytes / channels;
        for (uint32_t f = 0; f < frames; ++f) {
            bool clipped = false;
            for (uint32_t c = 0; c < channels; ++c) {
                const uint8_t s = data[f * channels + c];
                m_levels.peak[c] = std::max(m_levels.peak[c], uint32_t(std::abs(int(s) - 128)));
                // 0 and 255 are the ends of the 8-bit scale.
                const bool atEnd = s == 0 || s == 255;
                m_levels.clipped[c] += atEnd ? 1 : 0;
                clipped |= atEnd;
            }
            m_levels.clippedFrames += clipped ? 1 : 0;
        }
        return;
    }
    const uint32_t frames = bytes / 2 / channels;
    for (uint32_t f = 0; f < frames; ++f) {
        bool clipped = false;
        for (uint32_t c = 0; c < channels; ++c) {
            const uint8_t* p = data + 2 * (f * channels + c);
            const int16_t s = int16_t(uint16_t(p[0]) | uint16_t(p[1]) << 8);
            m_levels.peak[c] = std::max(m_levels.peak[c], uint32_t(std::abs(int(s))));
            const bool atEnd = s == INT16_MAX || s == INT16_MIN;
            m_levels.clipped[c] += atEnd ? 1 : 0;
            clipped |= atEnd;
        }
        m_levels.clippedFrames += clipped ? 1 : 0;
    }
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
