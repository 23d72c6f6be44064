#include "platform/audio/format_check.h"

namespace platform::audio {

QString UnsupportedFormatReason(const PcmFormat& format)
{
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16)
        return QStringLiteral("Unsupported sample size: %1 bits").arg(format.bitsPerSample);
    if (format.channels != 1 && format.channels != 2)
        return QStringLiteral("Unsupported channel count: %1").arg(format.channels);
    if (format.sampleRate == 0 || format.sampleRate > 192000)
        return QStringLiteral("Unsupported sample rate: %1 Hz").arg(format.sampleRate);
    return {};
}

}  // namespace platform::audio
