#pragma once
// The 44-byte header of a PCM WAVE file: RIFF, one "fmt " chunk, one "data" chunk.

#include <array>
#include <cstdint>

#include "platform/audio/audio_types.h"

struct WaveHeader {
    static constexpr int kSize = 44;
    // WriteWaveHeader writes the image in these three pieces: RIFF and the
    // start of "fmt ", the rest of the format, then the "data" chunk head.
    static constexpr int kPieceSizes[3] = {20, 16, 8};

    platform::audio::PcmFormat format;
    uint32_t riffSize = 36;  // file length - 8
    uint32_t dataSize = 0;   // file length - 44

    static WaveHeader ForEmptyFile(const platform::audio::PcmFormat& format);
    // Sizes for a file of `fileLength` bytes (header included).
    void SetSizesFromFileLength(uint64_t fileLength);

    std::array<uint8_t, kSize> Image() const;
    // Reads an image back; false unless it is a 16-byte PCM "fmt " header.
    static bool Parse(const uint8_t* bytes, int size, WaveHeader& header);
};
