#include "engine/take_levels.h"

#include <algorithm>
#include <cstdlib>

void TakeLevelMeter::Begin(const platform::audio::PcmFormat& format)
{
    m_format = format;
    Take();
}

void TakeLevelMeter::Add(const uint8_t* data, uint32_t bytes)
{
    const int channels = std::clamp<int>(m_format.channels, 1, 2);
    if (m_format.bitsPerSample == 8) {
        for (uint32_t i = 0; i < bytes; ++i) {
            const int c = int(i % uint32_t(channels));
            const uint32_t level = uint32_t(std::abs(int(data[i]) - 128));
            m_levels.peak[c] = std::max(m_levels.peak[c], level);
            // 0 and 255 are the ends of the 8-bit scale.
            m_levels.clipped[c] += (data[i] == 0 || data[i] == 255) ? 1 : 0;
        }
        return;
    }
    const uint32_t samples = bytes / 2;
    for (uint32_t i = 0; i < samples; ++i) {
        const int c = int(i % uint32_t(channels));
        const int16_t s = int16_t(uint16_t(data[2 * i]) | uint16_t(data[2 * i + 1]) << 8);
        const uint32_t level = uint32_t(std::abs(int(s)));
        m_levels.peak[c] = std::max(m_levels.peak[c], level);
        m_levels.clipped[c] += (s == INT16_MAX || s == INT16_MIN) ? 1 : 0;
    }
}

TakeLevels TakeLevelMeter::Take()
{
    TakeLevels taken = m_levels;
    taken.channels = std::clamp<int>(m_format.channels, 1, 2);
    m_levels = TakeLevels{};
    return taken;
}
