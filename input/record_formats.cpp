#include "input/record_formats.h"

#include "resources/strings.h"

namespace RecordFormats {
namespace {

constexpr std::array<uint16_t, 7> kRateBlocks = {8000, 11025, 16000, 22050, 32000, 44100, 48000};

constexpr std::array<uint16_t, kCount> makeRates()
{
    std::array<uint16_t, kCount> t{};
    for (int r = 0; r < kCount; ++r)
        t[r] = kRateBlocks[r / 4];
    return t;
}
constexpr std::array<uint16_t, kCount> makeBits()
{
    std::array<uint16_t, kCount> t{};
    for (int r = 0; r < kCount; ++r)
        t[r] = r % 2 == 0 ? 8 : 16;
    return t;
}
constexpr std::array<uint16_t, kCount> makeChannels()
{
    std::array<uint16_t, kCount> t{};
    for (int r = 0; r < kCount; ++r)
        t[r] = (r / 2) % 2 == 0 ? 1 : 2;
    return t;
}

}  // namespace

const std::array<uint16_t, kCount> kRates = makeRates();
const std::array<uint16_t, kCount> kBits = makeBits();
const std::array<uint16_t, kCount> kChannels = makeChannels();

platform::audio::PcmFormat format(int row)
{
    if (row < 0 || row >= kCount)
        row = 0;
    return {kRates[row], kBits[row], kChannels[row]};
}

QString label(int row)
{
    const QString pattern = resources::text(kChannels[row] == 1 ? 367 : 368);
    return QString::asprintf(pattern.toUtf8().constData(), int(kRates[row]), int(kBits[row]));
}

}  // namespace RecordFormats
