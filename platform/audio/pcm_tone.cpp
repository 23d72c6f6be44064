#include "platform/audio/pcm_tone.h"

#include <cmath>
#include <numbers>

namespace platform::audio {

ToneGenerator::ToneGenerator(const PcmFormat& format, double frequency, double amplitude)
    : m_format(format)
    , m_step(2.0 * std::numbers::pi * frequency / format.sampleRate)
    , m_amplitude(amplitude)
{
}

QByteArray ToneGenerator::Next(uint32_t frames)
{
    QByteArray out(qsizetype(frames) * m_format.BlockAlign(), Qt::Uninitialized);
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    for (uint32_t i = 0; i < frames; ++i) {
        const double s = m_amplitude * std::sin(m_phase);
        m_phase = std::fmod(m_phase + m_step, 2.0 * std::numbers::pi);
        for (uint16_t c = 0; c < m_format.channels; ++c) {
            if (m_format.bitsPerSample == 8) {
                *p++ = uint8_t(std::lround(128.0 + 127.0 * s));
            } else {
                const auto v = int16_t(std::lround(32767.0 * s));
                *p++ = uint8_t(uint16_t(v) & 0xff);
                *p++ = uint8_t(uint16_t(v) >> 8);
            }
        }
    }
    return out;
}

}  // namespace platform::audio
