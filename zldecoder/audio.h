#pragma once
// What the readers learn about an audio payload, and the decoder interface
// both formats implement.

#include "byte_source.h"
#include "zldecoder.h"

#include <cstdint>
#include <memory>

namespace zldecoder {

// Xiph: FLAC, Ogg Vorbis and Ogg Opus, read by the same libsndfile decoder as WAVE.
enum class AudioKind : uint8_t { Wave, Mpeg, Xiph };

struct AudioInfo {
    ZLWaveFormat format{};
    uint32_t length = 0;           // sample frames
    uint64_t extent = UINT64_MAX;  // MPEG: the decoder reads no further into its window
};

class AudioDecoder {
public:
    virtual ~AudioDecoder() = default;
    // Up to maxFrames frames from firstFrame into output; fewer at the end.
    virtual uint32_t Decode(uint32_t firstFrame, uint32_t maxFrames, uint8_t* output, uint32_t& written) = 0;
};

// PCM, little-endian, as WAVEFORMATEX describes it.
ZLWaveFormat PcmFormat(uint32_t rate, uint16_t channels, uint16_t bits, uint32_t avgBytesPerSec);

// The readers work on a window: the whole file, or a payload in a ZLA file.
uint32_t ProbeWave(const ByteRange& range, AudioInfo& info);
uint32_t ProbeMpeg(const ByteRange& range, AudioInfo& info);
uint32_t ProbeXiph(const ByteRange& range, AudioInfo& info);
uint32_t StartWaveDecoder(const ByteRange& range, const AudioInfo& info, std::unique_ptr<AudioDecoder>& out);
uint32_t StartMpegDecoder(const ByteRange& range, const AudioInfo& info, std::unique_ptr<AudioDecoder>& out);

}  // namespace zldecoder
