#include "engine/mp3_encoding.h"

#include <algorithm>
#include <cstring>

#include "engine/quality_bitrates.h"

namespace {

constexpr uint16_t kQualityWord = 10;

}  // namespace

BeConfig EncoderConfig(const platform::audio::PcmFormat& format, uint32_t bitrate)
{
    BeConfig config;
    std::memset(&config, 0, sizeof config);
    config.kind = BE_CONFIG_EXTENDED;
    config.version = BE_CONFIG_VERSION;
    config.size = BE_CONFIG_SIZE;
    config.sampleRate = format.sampleRate;
    config.outputRate = 0;  // the encoder's choice
    config.mode = format.channels == 1 ? BE_MODE_MONO : BE_MODE_STEREO;
    config.bitrate = bitrate;
    config.preset = BE_PRESET_HIGH_QUALITY;
    config.mpegVersion = 1;
    config.originalBit = 1;
    config.writeVbrHeader = 1;
    config.noBitReservoir = 1;
    config.quality = kQualityWord;
    return config;
}

uint32_t BitrateOfQuality(int quality)
{
    return uint32_t(QualityBitrates[std::clamp(quality, 0, int(QualityBitrates.size()) - 1)]);
}

bool WriteEncoded(QFileDevice& file, const uint8_t* data, uint32_t bytes)
{
    return bytes == 0 || file.write(reinterpret_cast<const char*>(data), qint64(bytes)) == qint64(bytes);
}

bool EncodeIntoFile(const EncoderPlugin& plugin, HBE_STREAM stream, const uint8_t* pcm, uint32_t samples,
                    uint8_t* outputBuffer, uint32_t outputBufferSize, QFileDevice& file)
{
    const uint32_t mostPerCall = outputBufferSize / 2;
    if (samples > 0 && mostPerCall == 0)
        return false;
    const auto* values = reinterpret_cast<const int16_t*>(pcm);
    while (samples > 0) {
        const uint32_t n = std::min(samples, mostPerCall);
        uint32_t produced = 0;
        if (plugin.beEncodeChunk(stream, n, values, outputBuffer, &produced) != BE_ERR_SUCCESSFUL)
            return false;
        if (!WriteEncoded(file, outputBuffer, std::min(produced, outputBufferSize)))
            return false;
        values += n;
        samples -= n;
    }
    return true;
}
