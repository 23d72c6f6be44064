#pragma once
// Our PCM formats in PulseAudio's terms, and buffer sizes in whole frames.

#include <algorithm>
#include <pulse/sample.h>

#include "platform/audio/audio_types.h"

namespace platform::audio {

inline pa_sample_spec ToSampleSpec(const PcmFormat& format)
{
    pa_sample_spec sampleSpec;
    sampleSpec.format = format.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    sampleSpec.rate = format.sampleRate;
    sampleSpec.channels = uint8_t(format.channels);
    return sampleSpec;
}

// Bytes of `milliseconds` of audio, rounded to whole frames, at least one frame.
inline uint32_t BytesForMilliseconds(const PcmFormat& format, uint32_t milliseconds)
{
    const uint64_t frames = uint64_t(format.sampleRate) * milliseconds / 1000;
    return uint32_t(std::max<uint64_t>(frames, 1) * format.BlockAlign());
}

}  // namespace platform::audio
