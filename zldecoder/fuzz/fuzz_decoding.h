#pragma once
// What every fuzz target does with a stream that opened: decode it to the end
// in pieces and from a few positions taken from the input, checking the
// promises of the interface on the way. A broken promise traps.

#include "audio.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zldecoder::fuzz {

inline void Require(bool promise)
{
    if (!promise)
        __builtin_trap();
}

inline void CheckFormat(const AudioInfo& info)
{
    const ZLWaveFormat& f = info.format;
    Require(f.formatTag == 1 && f.cbSize == 0);
    Require(f.channels >= 1 && f.channels <= 16);
    Require(f.bitsPerSample == 8 || f.bitsPerSample == 16);
    Require(f.blockAlign == f.channels * f.bitsPerSample / 8);
}

inline void DecodeSome(AudioDecoder& decoder, const AudioInfo& info, const uint8_t* data, size_t size)
{
    constexpr uint32_t kPiece = 4096;
    constexpr uint32_t kMostFrames = 1 << 20;  // keeps one input fast
    std::vector<uint8_t> out(size_t(kPiece) * info.format.blockAlign + 1);
    const uint8_t guard = 0xa5;
    out.back() = guard;
    uint32_t position = 0;
    while (position < kMostFrames) {
        uint32_t written = 0;
        const uint32_t code = decoder.Decode(position, kPiece, out.data(), written);
        Require(written <= kPiece && out.back() == guard);
        position += written;
        if (written == 0 || code != 0)
            break;
    }
    Require(position <= info.length);
    for (size_t i = 0; i < 3 && size >= 4 * (i + 1); ++i) {
        const uint32_t seed = uint32_t(data[size - 1 - i]) << 16 | uint32_t(data[i]) << 8 | data[size / 2];
        const uint32_t first = uint32_t(seed % (uint64_t(info.length) + 1));
        uint32_t written = 0;
        decoder.Decode(first, 1000, out.data(), written);
        Require(written <= 1000 && out.back() == guard);
        Require(uint64_t(first) + written <= info.length);
    }
}

}  // namespace zldecoder::fuzz
