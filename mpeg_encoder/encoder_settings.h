#pragma once
// The configuration record read into what the encoder honours.

#include "mpeg_encoder/mpeg_encoder.h"
#include "mpeg_encoder/mpeg_format.h"

#include <cstdint>
#include <optional>

namespace mpeg_encoder {

enum class ChannelMode { Stereo, JointStereo, Mono };

struct EncoderSettings {
    uint32_t inputRate = 0;
    uint32_t outputRate = 0;
    MpegVersion version = MpegVersion::Mpeg1;
    ChannelMode mode = ChannelMode::Stereo;
    uint32_t bitrateKbps = 0;             // legal at outputRate
    std::optional<int> algorithmQuality;  // 0 best .. 9 fastest; none = engine default
    uint32_t emphasis = 0;
    bool privateBit = false;
    bool crc = false;
    bool copyrightBit = false;
    bool originalBit = false;
    bool writeInfoTag = false;
    bool noBitReservoir = false;
    bool strictIso = false;

    int Channels() const { return mode == ChannelMode::Mono ? 1 : 2; }
};

// Checks the record's kind, version and size, then its values.
// BE_ERR_INVALID_FORMAT for a wrong record, BE_ERR_INVALID_FORMAT_PARAMETERS
// for a value the encoder cannot honour.
BE_ERR ReadSettings(const void* record, EncoderSettings& settings);

}  // namespace mpeg_encoder
