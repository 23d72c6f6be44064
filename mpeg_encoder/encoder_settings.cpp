#include "mpeg_encoder/encoder_settings.h"

#include <cstring>

namespace mpeg_encoder {

BE_ERR ReadSettings(const void* record, EncoderSettings& settings)
{
    if (!record)
        return BE_ERR_INVALID_FORMAT;
    // Read the head first: a record of another kind may be shorter than ours.
    uint32_t head[3];
    std::memcpy(head, record, sizeof head);
    if (head[0] != BE_CONFIG_EXTENDED || head[1] != BE_CONFIG_VERSION || head[2] != BE_CONFIG_SIZE)
        return BE_ERR_INVALID_FORMAT;
    BeConfig config;
    std::memcpy(&config, record, sizeof config);

    const auto inputVersion = VersionForRate(config.sampleRate);
    if (!inputVersion)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    // "Encoder's choice" keeps the input rate, so the decoded sound has
    // exactly the recording's rate and length.
    const uint32_t outputRate = config.outputRate == 0 ? config.sampleRate : config.outputRate;
    const auto version = VersionForRate(outputRate);
    if (!version)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;

    EncoderSettings s;
    s.inputRate = config.sampleRate;
    s.outputRate = outputRate;
    s.version = *version;
    switch (config.mode) {
    case BE_MODE_STEREO:
        s.mode = ChannelMode::Stereo;
        break;
    case BE_MODE_JOINT_STEREO:
        s.mode = ChannelMode::JointStereo;
        break;
    case BE_MODE_MONO:
        s.mode = ChannelMode::Mono;
        break;
    default:
        return BE_ERR_INVALID_FORMAT_PARAMETERS;  // LAME has no dual channel
    }
    if (config.bitrate == 0 || config.enableVbr != 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    // The record's MPEG version cannot hold below 32 kHz; the output rate
    // decides the version and with it the bit rates a frame may carry.
    s.bitrateKbps = NearestLegalBitrate(s.version, config.bitrate);

    if (config.preset == BE_PRESET_HIGH_QUALITY)
        s.algorithmQuality = 2;
    else if (config.quality <= 9)
        s.algorithmQuality = config.quality;

    if (config.emphasis != 0 && config.emphasis != 1 && config.emphasis != 3)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    s.emphasis = config.emphasis;
    s.privateBit = config.privateBit != 0;
    s.crc = config.crc != 0;
    s.copyrightBit = config.copyrightBit != 0;
    s.originalBit = config.originalBit != 0;
    s.writeInfoTag = config.writeVbrHeader != 0;
    s.noBitReservoir = config.noBitReservoir != 0;
    s.strictIso = config.strictIso != 0;
    settings = s;
    return BE_ERR_SUCCESSFUL;
}

}  // namespace mpeg_encoder
