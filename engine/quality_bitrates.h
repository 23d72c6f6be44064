#pragma once
// MP3 bit rates in kbit/s by quality setting 0..15.

#include <algorithm>
#include <array>
#include <cstdint>

inline constexpr std::array<int, 16> QualityBitrates = {8,  16,  32,  40,  48,  56,  64,  80,
                                                        96, 112, 128, 160, 192, 224, 256, 320};

// The bit rate the encoder writes for quality `quality` at `sampleRate`. A
// layer III frame carries only its MPEG version's bit rates: MPEG-1 (32 kHz
// and up) 32..320, MPEG-2 (16..24 kHz) 8..160, MPEG-2.5 (below 16 kHz) 8..64,
// the last bounded by the encoding engine. Every quality's rate inside that
// range is one of them, so the rate written is the quality's, held to it.
constexpr int EncodedBitrate(uint32_t sampleRate, int quality)
{
    const int asked = QualityBitrates[size_t(std::clamp(quality, 0, int(QualityBitrates.size()) - 1))];
    if (sampleRate >= 32000)
        return std::clamp(asked, 32, 320);
    return std::clamp(asked, 8, sampleRate >= 16000 ? 160 : 64);
}
