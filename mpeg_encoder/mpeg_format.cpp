#include "mpeg_encoder/mpeg_format.h"

#include <array>
#include <cstdlib>

namespace mpeg_encoder {

namespace {

// Frame header bit rate tables of layer III, index 1..14 (0 is free format).
constexpr std::array<uint16_t, 14> kMpeg1Table{32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<uint16_t, 14> kLowRateTable{8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
// LAME encodes MPEG-2.5 only up to 64 kbit/s.
constexpr size_t kMpeg25Count = 8;

}  // namespace

std::optional<MpegVersion> VersionForRate(uint32_t rate)
{
    switch (rate) {
    case 32000:
    case 44100:
    case 48000:
        return MpegVersion::Mpeg1;
    case 16000:
    case 22050:
    case 24000:
        return MpegVersion::Mpeg2;
    case 8000:
    case 11025:
    case 12000:
        return MpegVersion::Mpeg25;
    default:
        return std::nullopt;
    }
}

std::span<const uint16_t> LegalBitrates(MpegVersion version)
{
    switch (version) {
    case MpegVersion::Mpeg1:
        return kMpeg1Table;
    case MpegVersion::Mpeg2:
        return kLowRateTable;
    case MpegVersion::Mpeg25:
        return std::span<const uint16_t>(kLowRateTable).first(kMpeg25Count);
    }
    return {};
}

uint32_t NearestLegalBitrate(MpegVersion version, uint32_t askedKbps)
{
    uint32_t best = 0;
    uint32_t bestDistance = UINT32_MAX;
    // Ascending order with a strict comparison keeps the lower rate on a tie.
    for (uint16_t kbps : LegalBitrates(version)) {
        const uint32_t distance = kbps > askedKbps ? kbps - askedKbps : askedKbps - kbps;
        if (distance < bestDistance) {
            best = kbps;
            bestDistance = distance;
        }
    }
    return best;
}

uint32_t BitrateIndex(MpegVersion version, uint32_t kbps)
{
    const auto& table = version == MpegVersion::Mpeg1 ? kMpeg1Table : kLowRateTable;
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i] == kbps)
            return uint32_t(i + 1);
    return 0;
}

uint32_t RateIndex(uint32_t rate)
{
    switch (rate) {
    case 44100:
    case 22050:
    case 11025:
        return 0;
    case 48000:
    case 24000:
    case 12000:
        return 1;
    default:
        return 2;  // 32000, 16000, 8000
    }
}

uint32_t SamplesPerFrame(MpegVersion version) { return version == MpegVersion::Mpeg1 ? 1152 : 576; }

uint32_t FrameBytes(MpegVersion version, uint32_t kbps, uint32_t rate)
{
    // samples per frame / 8 bits * bit rate / rate
    const uint32_t factor = version == MpegVersion::Mpeg1 ? 144000 : 72000;
    return uint32_t(uint64_t(factor) * kbps / rate);
}

uint32_t SideInfoBytes(MpegVersion version, bool mono)
{
    if (version == MpegVersion::Mpeg1)
        return mono ? 17 : 32;
    return mono ? 9 : 17;
}

}  // namespace mpeg_encoder
