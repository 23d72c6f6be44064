#pragma once
// One encoding stream over LAME: PCM in, MP3 bytes out, with the information
// frame reserved at the start and completed when the stream ends.

#include "mpeg_encoder/encoder_settings.h"
#include "mpeg_encoder/info_frame.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct lame_global_struct;

namespace mpeg_encoder {

// What a tag call needs once the stream is gone.
struct FinishedTag {
    std::vector<uint8_t> frame;  // goes over the reserved frame at offset 0
    // The stream's whole output, summed up to recognise its file: streams
    // that begin alike (silence) are told apart by what follows.
    uint64_t streamBytes = 0;
    uint32_t streamCrc = 0;  // CRC-32 of every byte written
};

class EncoderStream {
public:
    // Enough for LAME's worst case (1.25 bytes per sample and channel + 7200)
    // for the most samples a call may bring, plus the reserved frame.
    static constexpr uint32_t kOutputBufferSize = 32768;
    static constexpr uint32_t kMostSamplesPerCall = kOutputBufferSize / 2;

    // Null with the reason in `error` when LAME refuses the settings.
    static std::unique_ptr<EncoderStream> Open(const EncoderSettings& settings, BE_ERR& error);
    ~EncoderStream();
    EncoderStream(const EncoderStream&) = delete;
    EncoderStream& operator=(const EncoderStream&) = delete;

    uint32_t SamplesPerChunk() const;

    // `output` holds kOutputBufferSize bytes.
    BE_ERR Encode(uint32_t samples, const int16_t* pcm, uint8_t* output, uint32_t& outputBytes);
    BE_ERR Finish(uint8_t* output, uint32_t& outputBytes);

    // The finished information frame, once; none before finish, after a
    // failure, or when the settings asked for no frame.
    std::optional<FinishedTag> TakeTag();

private:
    class Output;
    enum class State { Open, Finished, Failed };

    EncoderStream(const EncoderSettings& settings, lame_global_struct* lame);
    BE_ERR EncodeFrames(const int16_t* interleaved, uint32_t frames, Output& out);
    void ReservePlaceholder(Output& out);
    void Count(const uint8_t* bytes, size_t size, bool musicData);
    StreamSummary Summary() const;

    EncoderSettings m_settings;
    lame_global_struct* m_lame;
    InfoFrame m_infoFrame;
    State m_state = State::Open;
    bool m_placeholderWritten = false;
    std::optional<int16_t> m_carriedSample;  // a stereo frame's left value waiting for its right
    uint64_t m_streamBytes = 0;
    uint16_t m_musicCrc = 0;
    uint32_t m_streamCrc = 0;
    std::optional<FinishedTag> m_tag;
};

}  // namespace mpeg_encoder
