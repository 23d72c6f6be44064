#pragma once
// The formats the audio layer takes: PCM, u8 or s16le, one or two channels,
// 1 Hz to 192 kHz. Both back ends refuse the rest the same way.

#include <QString>

#include "platform/audio/audio_types.h"

namespace platform::audio {

// Empty when the format can be opened, else the reason.
QString UnsupportedFormatReason(const PcmFormat& format);

}  // namespace platform::audio
