#include "mpeg_encoder/encoder_stream.h"

#include <lame/lame.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace mpeg_encoder {

namespace {

// LAME builds shared tables when a context is first set up.
std::mutex g_lameSetUp;

constexpr uint32_t WorstCaseBytes(uint32_t framesPerChannel) { return framesPerChannel + framesPerChannel / 4 + 7200; }

constexpr uint32_t kLargestInfoFrame = 1441;

// Mono is the worst case: every sample is a frame. A stereo call may add one
// carried value.
static_assert(WorstCaseBytes(EncoderStream::kMostSamplesPerCall) + kLargestInfoFrame <=
                  EncoderStream::kOutputBufferSize,
              "the output buffer holds the largest call's output");

MPEG_mode LameMode(ChannelMode mode)
{
    switch (mode) {
    case ChannelMode::Stereo:
        return STEREO;
    case ChannelMode::JointStereo:
        return JOINT_STEREO;
    case ChannelMode::Mono:
        return MONO;
    }
    return STEREO;
}

bool Configure(lame_global_flags* lame, const EncoderSettings& s)
{
    lame_set_in_samplerate(lame, int(s.inputRate));
    lame_set_out_samplerate(lame, int(s.outputRate));
    lame_set_num_channels(lame, s.Channels());
    lame_set_mode(lame, LameMode(s.mode));
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, int(s.bitrateKbps));
    if (s.algorithmQuality)
        lame_set_quality(lame, *s.algorithmQuality);
    lame_set_emphasis(lame, int(s.emphasis));
    lame_set_extension(lame, s.privateBit);
    lame_set_error_protection(lame, s.crc);
    lame_set_copyright(lame, s.copyrightBit);
    lame_set_original(lame, s.originalBit);
    lame_set_disable_reservoir(lame, s.noBitReservoir);
    if (s.strictIso)
        lame_set_strict_ISO(lame, 1);
    // The plug-in writes the information frame itself and no ID3 tags.
    lame_set_bWriteVbrTag(lame, 0);
    lame_set_write_id3tag_automatic(lame, 0);
    if (lame_init_params(lame) < 0)
        return false;
    // LAME would quietly move a rate it dislikes; the header must say what was chosen.
    return lame_get_brate(lame) == int(s.bitrateKbps) && lame_get_out_samplerate(lame) == int(s.outputRate);
}

}  // namespace

// The caller's output buffer, filled from the front.
class EncoderStream::Output {
public:
    explicit Output(uint8_t* base)
        : m_base(base)
    {
    }
    uint8_t* end() const { return m_base + m_used; }
    uint32_t Space() const { return kOutputBufferSize - m_used; }
    uint32_t Used() const { return m_used; }
    void Advance(uint32_t bytes) { m_used += bytes; }

private:
    uint8_t* m_base;
    uint32_t m_used = 0;
};

std::unique_ptr<EncoderStream> EncoderStream::Open(const EncoderSettings& settings, BE_ERR& error)
{
    std::lock_guard lock(g_lameSetUp);
    lame_global_flags* lame = lame_init();
    if (!lame) {
        error = BE_ERR_NO_MORE_HANDLES;
        return nullptr;
    }
    if (!Configure(lame, settings)) {
        lame_close(lame);
        error = BE_ERR_INVALID_FORMAT_PARAMETERS;
        return nullptr;
    }
    error = BE_ERR_SUCCESSFUL;
    return std::unique_ptr<EncoderStream>(new EncoderStream(settings, lame));
}

EncoderStream::EncoderStream(const EncoderSettings& settings, lame_global_struct* lame)
    : m_settings(settings)
    , m_lame(lame)
    , m_infoFrame(settings)
{
}

EncoderStream::~EncoderStream() { lame_close(m_lame); }

uint32_t EncoderStream::SamplesPerChunk() const
{
    return SamplesPerFrame(m_settings.version) * uint32_t(m_settings.Channels());
}

BE_ERR EncoderStream::Encode(uint32_t samples, const int16_t* pcm, uint8_t* output, uint32_t& outputBytes)
{
    outputBytes = 0;
    if (m_state != State::Open)
        return BE_ERR_INVALID_HANDLE;
    if (samples > kMostSamplesPerCall)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (samples > 0 && !pcm)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;

    Output out(output);
    if (samples == 0)
        return BE_ERR_SUCCESSFUL;
    ReservePlaceholder(out);
    BE_ERR result = BE_ERR_SUCCESSFUL;
    if (m_settings.Channels() == 1) {
        result = EncodeFrames(pcm, samples, out);
    } else {
        if (m_carriedSample && samples > 0) {
            const int16_t frame[2] = {*m_carriedSample, pcm[0]};
            m_carriedSample.reset();
            result = EncodeFrames(frame, 1, out);
            ++pcm;
            --samples;
        }
        if (result == BE_ERR_SUCCESSFUL) {
            result = EncodeFrames(pcm, samples / 2, out);
            if (samples % 2)
                m_carriedSample = pcm[samples - 1];
        }
    }
    outputBytes = out.Used();
    return result;
}

BE_ERR EncoderStream::Finish(uint8_t* output, uint32_t& outputBytes)
{
    outputBytes = 0;
    if (m_state != State::Open)
        return BE_ERR_INVALID_HANDLE;
    Output out(output);
    ReservePlaceholder(out);
    if (m_carriedSample) {
        const int16_t frame[2] = {*m_carriedSample, 0};
        m_carriedSample.reset();
        if (const BE_ERR result = EncodeFrames(frame, 1, out); result != BE_ERR_SUCCESSFUL) {
            outputBytes = out.Used();
            return result;
        }
    }
    const int flushed = lame_encode_flush(m_lame, out.end(), int(out.Space()));
    if (flushed < 0) {
        m_state = State::Failed;
        outputBytes = out.Used();
        return BE_ERR_ENCODING_FAILED;
    }
    Count(out.end(), size_t(flushed), true);
    out.Advance(uint32_t(flushed));
    outputBytes = out.Used();
    m_state = State::Finished;
    if (m_settings.writeInfoTag)
        m_tag = FinishedTag{m_infoFrame.Finished(Summary()), m_streamBytes, m_streamCrc};
    return BE_ERR_SUCCESSFUL;
}

std::optional<FinishedTag> EncoderStream::TakeTag()
{
    std::optional<FinishedTag> tag = std::move(m_tag);
    m_tag.reset();
    return tag;
}

BE_ERR EncoderStream::EncodeFrames(const int16_t* interleaved, uint32_t frames, Output& out)
{
    if (frames == 0)
        return BE_ERR_SUCCESSFUL;
    int produced;
    if (m_settings.Channels() == 1) {
        produced = lame_encode_buffer(m_lame, interleaved, interleaved, int(frames), out.end(), int(out.Space()));
    } else {
        // LAME only reads the samples; its declaration lacks the const.
        produced = lame_encode_buffer_interleaved(m_lame, const_cast<int16_t*>(interleaved), int(frames), out.end(),
                                                  int(out.Space()));
    }
    if (produced < 0) {
        m_state = State::Failed;
        return BE_ERR_ENCODING_FAILED;
    }
    Count(out.end(), size_t(produced), true);
    out.Advance(uint32_t(produced));
    return BE_ERR_SUCCESSFUL;
}

void EncoderStream::ReservePlaceholder(Output& out)
{
    if (!m_settings.writeInfoTag || m_placeholderWritten)
        return;
    const std::vector<uint8_t> frame = m_infoFrame.Placeholder();
    std::memcpy(out.end(), frame.data(), frame.size());
    Count(out.end(), frame.size(), false);
    out.Advance(uint32_t(frame.size()));
    m_placeholderWritten = true;
}

void EncoderStream::Count(const uint8_t* bytes, size_t size, bool musicData)
{
    m_streamBytes += size;
    m_streamCrc = uint32_t(crc32_z(m_streamCrc, bytes, size));
    if (musicData && m_settings.writeInfoTag)
        m_musicCrc = Crc16(bytes, size, m_musicCrc);
}

StreamSummary EncoderStream::Summary() const
{
    StreamSummary s;
    s.audioFrames = uint32_t(lame_get_frameNum(m_lame));
    s.streamBytes = uint32_t(std::min<uint64_t>(m_streamBytes, UINT32_MAX));
    s.musicCrc = m_musicCrc;
    s.encoderDelay = uint32_t(lame_get_encoder_delay(m_lame));
    s.padding = uint32_t(lame_get_encoder_padding(m_lame));
    s.lowpassHz = uint32_t(std::max(lame_get_lowpassfreq(m_lame), 0));
    s.athType = lame_get_ATHtype(m_lame);
    s.qualityIndicator = 100 - 10 * lame_get_VBR_q(m_lame) - lame_get_quality(m_lame);
    s.encoderName = get_lame_very_short_version();
    return s;
}

}  // namespace mpeg_encoder
