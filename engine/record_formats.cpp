#include "engine/record_formats.h"

namespace RecordFormats {
namespace {

constexpr std::array<uint16_t, 7> kRateBlocks = {8000, 11025, 16000, 22050, 32000, 44100, 48000};

constexpr std::array<uint16_t, kCount> MakeRates()
{
    std::array<uint16_t, kCount> t{};
    for (int r = 0; r < kCount; ++r)
        t[r] = kRateBlocks[r / 4];
    return t;
}
constexpr std::array<uint16_t, kCount> MakeBits()
{
    std::array<uint16_t, kCount> t{};
    for (int r = 0; r < kCount; ++r)
        t[r] = r % 2 == 0 ? 8 : 16;
    return t;
}
constexpr std::array<uint16_t, kCount> MakeChannels()
{
    std::array<uint16_t, kCount> t{};
    for (int r = 0; r < kCount; ++r)
        t[r] = (r / 2) % 2 == 0 ? 1 : 2;
    return t;
}

}  // namespace

const std::array<uint16_t, kCount> kRates = MakeRates();
const std::array<uint16_t, kCount> kBits = MakeBits();
const std::array<uint16_t, kCount> kChannels = MakeChannels();

platform::audio::PcmFormat Format(int row)
{
    if (row < 0 || row >= kCount)
        row = 0;
    return {kRates[row], kBits[row], kChannels[row]};
}

}  // namespace RecordFormats
