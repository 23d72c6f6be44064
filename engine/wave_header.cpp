#include "engine/wave_header.h"

#include <cstring>

namespace {

void put32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

void put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

uint32_t get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

WaveHeader WaveHeader::forEmptyFile(const platform::audio::PcmFormat& format)
{
    WaveHeader h;
    h.format = format;
    h.setSizesFromFileLength(kSize);
    return h;
}

void WaveHeader::setSizesFromFileLength(uint64_t fileLength)
{
    riffSize = uint32_t(fileLength - 8);
    dataSize = uint32_t(fileLength - kSize);
}

std::array<uint8_t, WaveHeader::kSize> WaveHeader::image() const
{
    std::array<uint8_t, kSize> b{};
    uint8_t* p = b.data();
    std::memcpy(p, "RIFF", 4);
    put32(p + 4, riffSize);
    std::memcpy(p + 8, "WAVE", 4);
    std::memcpy(p + 12, "fmt ", 4);
    put32(p + 16, 16);
    put16(p + 20, 1);
    put16(p + 22, format.channels);
    put32(p + 24, format.sampleRate);
    put32(p + 28, format.bytesPerSecond());
    put16(p + 32, format.blockAlign());
    put16(p + 34, format.bitsPerSample);
    std::memcpy(p + 36, "data", 4);
    put32(p + 40, dataSize);
    return b;
}

bool WaveHeader::parse(const uint8_t* p, int size, WaveHeader& header)
{
    if (size < kSize || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0 ||
        std::memcmp(p + 12, "fmt ", 4) != 0 || get32(p + 16) != 16 || get16(p + 20) != 1 ||
        std::memcmp(p + 36, "data", 4) != 0)
        return false;
    header.riffSize = get32(p + 4);
    header.format.channels = get16(p + 22);
    header.format.sampleRate = get32(p + 24);
    header.format.bitsPerSample = get16(p + 34);
    header.dataSize = get32(p + 40);
    return true;
}
