#pragma once
// Sine tones in any of the PCM formats, for the fake back end, the tests and
// the benchmark.

#include <cstdint>
#include <QByteArray>

#include "platform/audio/audio_types.h"

namespace platform::audio {

class ToneGenerator {
public:
    // amplitude: fraction of full scale (0..1); every channel gets the same sample.
    ToneGenerator(const PcmFormat& format, double frequency, double amplitude);

    // The next `frames` frames; consecutive calls continue the wave seamlessly.
    QByteArray Next(uint32_t frames);

private:
    PcmFormat m_format;
    double m_step;
    double m_amplitude;
    double m_phase = 0.0;
};

}  // namespace platform::audio
