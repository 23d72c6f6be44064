#include "engine/wave_header.h"

#include <cstring>

namespace {

void Put32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

void Put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

WaveHeader WaveHeader::ForEmptyFile(const platform::audio::PcmFormat& format)
{
    WaveHeader h;
    h.format = format;
    h.SetSizesFromFileLength(kSize);
    return h;
}

void WaveHeader::SetSizesFromFileLength(uint64_t fileLength)
{
    riffSize = uint32_t(fileLength - 8);
    dataSize = uint32_t(fileLength - kSize);
}

std::array<uint8_t, WaveHeader::kSize> WaveHeader::Image() const
{
    std::array<uint8_t, kSize> b{};
    uint8_t* p = b.data();
    std::memcpy(p, "RIFF", 4);
    Put32(p + 4, riffSize);
    std::memcpy(p + 8, "WAVE", 4);
    std::memcpy(p + 12, "fmt ", 4);
    Put32(p + 16, 16);
    Put16(p + 20, 1);
    Put16(p + 22, format.channels);
    Put32(p + 24, format.sampleRate);
    Put32(p + 28, format.BytesPerSecond());
    Put16(p + 32, format.BlockAlign());
    Put16(p + 34, format.bitsPerSample);
    std::memcpy(p + 36, "data", 4);
    Put32(p + 40, dataSize);
    return b;
}

bool WaveHeader::Parse(const uint8_t* p, int size, WaveHeader& header)
{
    if (size < kSize || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0 ||
        std::memcmp(p + 12, "fmt ", 4) != 0 || Get32(p + 16) != 16 || Get16(p + 20) != 1 ||
        std::memcmp(p + 36, "data", 4) != 0)
        return false;
    header.riffSize = Get32(p + 4);
    header.format.channels = Get16(p + 22);
    header.format.sampleRate = Get32(p + 24);
    header.format.bitsPerSample = Get16(p + 34);
    header.dataSize = Get32(p + 40);
    return true;
}
