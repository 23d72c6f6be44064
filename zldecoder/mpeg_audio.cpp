// MPEG audio, layers 1 to 3, through libmpg123: 16-bit PCM at the stream's
// rate and channel count, with the encoder's delay and padding removed where
// a LAME/Info frame records them.

#include "audio.h"
#include "mpeg_frame.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>
#include <vector>

namespace zldecoder {
namespace {

// libmpg123 keeps state from frame to frame (the bit reservoir, the overlap
// of the filter banks and the ring positions inside them), and a seek starts
// it afresh. So that any first frame gives exactly the samples of a decode
// from the start, the decoder always produces the frames of one block of
// kBlockFrames MPEG frames the same way: from a freshly opened handle that
// starts at the block's first frame. Sequential decoding restarts at each
// block as well. kFramesDecodedBeforeBlock frames before the block fill the
// reservoir (at the lowest bit rates it reaches back 8 frames). Restarting
// at multiples of 16 frames keeps the ring positions where a plain decode
// has them: MPEG-1 streams come out as a plain decode gives them, to the bit;
// MPEG-2 and 2.5 layer III streams differ from it by 1 in a few samples in a
// million, an inaudible price for exact random access.
constexpr off_t kBlockFrames = 128;
constexpr long kFramesDecodedBeforeBlock = 16;
// An index entry every few frames even in long files (8 bytes each).
constexpr long kIndexEntries = 16384;
constexpr int kMaxIdleReads = 16;
constexpr long kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

struct HandleDeleter {
    void operator()(mpg123_handle* h) const { mpg123_delete(h); }
};
using Mpg123 = std::unique_ptr<mpg123_handle, HandleDeleter>;

mpg123_ssize_t IoRead(void* cursor, void* buffer, size_t n)
{
    return static_cast<RangeCursor*>(cursor)->Read(buffer, n);
}
off_t IoSeek(void* cursor, off_t offset, int whence)
{
    return static_cast<off_t>(static_cast<RangeCursor*>(cursor)->Seek(offset, whence));
}

// A new mpg123 handle that allows the given channel counts at the given rate
// (or at every MPEG rate when rate is 0). Only decoding jumps about and
// needs the index of frame offsets.
Mpg123 NewHandle(long rate, int channels, bool indexed)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { mpg123_init(); });

    int error = MPG123_OK;
    Mpg123 mh(mpg123_new(nullptr, &error));
    if (!mh)
        return nullptr;
    // Output is little-endian whatever the host; no messages on stderr;
    // no stitched streams, so that the format stays fixed and a stream ends
    // where its Info frame says.
    mpg123_param(mh.get(), MPG123_ADD_FLAGS,
                 MPG123_GAPLESS | MPG123_QUIET | MPG123_SKIP_ID3V2 | MPG123_FORCE_ENDIAN | MPG123_NO_FRANKENSTEIN, 0);
    mpg123_param(mh.get(), MPG123_REMOVE_FLAGS, MPG123_BIG_ENDIAN | MPG123_PICTURE, 0);
    mpg123_param(mh.get(), MPG123_PREFRAMES, kFramesDecodedBeforeBlock, 0);
    mpg123_param(mh.get(), MPG123_INDEX_SIZE, indexed ? kIndexEntries : 0, 0);
    mpg123_param(mh.get(), MPG123_RESYNC_LIMIT, kResyncBytes, 0);
    mpg123_format_none(mh.get());
    if (rate == 0) {
        for (long r : kRates)
            mpg123_format(mh.get(), r, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    } else {
        mpg123_format(mh.get(), rate, channels, MPG123_ENC_SIGNED_16);
    }
    if (mpg123_replace_reader_handle(mh.get(), IoRead, IoSeek, nullptr) != MPG123_OK)
        return nullptr;
    return mh;
}

Mpg123 OpenHandle(RangeCursor& cursor, long rate, int channels)
{
    Mpg123 mh = NewHandle(rate, channels, true);
    if (!mh || mpg123_open_handle(mh.get(), &cursor) != MPG123_OK)
        return nullptr;
    return mh;
}

// Measuring opens many files one after another: each thread keeps one
// handle for it, since a new handle costs more than measuring most files.
class MeasuringHandle {
public:
    explicit MeasuringHandle(RangeCursor& cursor)
    {
        thread_local const Mpg123 handle = NewHandle(0, 0, false);
        if (handle && mpg123_open_handle(handle.get(), &cursor) == MPG123_OK)
            m_handle = handle.get();
    }
    ~MeasuringHandle()
    {
        if (m_handle)
            mpg123_close(m_handle);
    }
    MeasuringHandle(const MeasuringHandle&) = delete;
    MeasuringHandle& operator=(const MeasuringHandle&) = delete;

    mpg123_handle* get() const { return m_handle; }

private:
    mpg123_handle* m_handle = nullptr;
};

// Opens the stream again on the same handle: all decoding state starts afresh.
bool Reopen(mpg123_handle* mh, RangeCursor& cursor)
{
    mpg123_close(mh);
    cursor.Seek(0, SEEK_SET);
    return mpg123_open_handle(mh, &cursor) == MPG123_OK;
}

uint32_t FailureOf(const RangeCursor& cursor) { return cursor.Failed() ? ZLDEC_ERR_CANNOT_OPEN : ZLDEC_ERR_DAMAGED; }

// Bit rate in bits per second. A constant-rate stream reports its frames' own
// rate exactly; otherwise the average over the audio bytes.
uint32_t StreamBitrate(const MpegLayout& layout, int firstKbps, off_t mpegFrames, long rate)
{
    const double headerRate = firstKbps * 1000.0;
    if (layout.hasInfoFrame && layout.infoSaysConstant && firstKbps > 0)
        return static_cast<uint32_t>(headerRate);
    const uint64_t infoBytes = layout.hasInfoFrame ? layout.header.frameBytes : 0;
    const uint64_t start = layout.firstFrame + infoBytes;
    if (mpegFrames <= 0 || layout.audioEnd <= start || rate <= 0)
        return static_cast<uint32_t>(headerRate);
    const double seconds = double(mpegFrames) * layout.header.samplesPerFrame / double(rate);
    const double average = double(layout.audioEnd - start) * 8.0 / seconds;
    if (!layout.hasInfoFrame && firstKbps > 0 && std::fabs(average - headerRate) <= 0.02 * headerRate)
        return static_cast<uint32_t>(headerRate);
    return static_cast<uint32_t>(std::min(average, 1.0e9));
}

class MpegDecoder final : public AudioDecoder {
public:
    MpegDecoder(const ByteRange& range, const AudioInfo& info)
        : m_cursor(range)
        , m_scoutCursor(range)
        , m_info(info)
    {
    }

    uint32_t Start()
    {
        const int channels = m_info.format.channels == 1 ? MPG123_MONO : MPG123_STEREO;
        m_handle = OpenHandle(m_cursor, m_info.format.samplesPerSec, channels);
        m_scout = OpenHandle(m_scoutCursor, m_info.format.samplesPerSec, channels);
        if (!m_handle || !m_scout)
            return FailureOf(m_cursor);
        if (!FormatIsOurs())
            return m_cursor.Failed() ? ZLDEC_ERR_READ : ZLDEC_ERR_CHANGED;
        LearnBlockLayout();
        return ZLDEC_OK;
    }

    uint32_t Decode(uint32_t firstFrame, uint32_t maxFrames, uint8_t* output, uint32_t& written) override
    {
        written = 0;
        if (firstFrame >= m_info.length)
            return ZLDEC_OK;
        const uint32_t wanted = std::min(maxFrames, m_info.length - firstFrame);
        const size_t frameBytes = m_info.format.blockAlign;
        bool broken = false;
        while (written < wanted) {
            const uint64_t position = uint64_t(firstFrame) + written;
            if (position != m_next || position >= m_blockEnd) {
                if (!EnterBlockAt(position)) {
                    broken = true;
                    break;
                }
            }
            const uint64_t room = std::min<uint64_t>(wanted - written, m_blockEnd - m_next);
            const uint64_t got = Read(output + size_t(written) * frameBytes, room, broken);
            written += static_cast<uint32_t>(got);
            if (got < room)
                break;  // the end of the stream, or damage
        }
        if (written == 0 && broken)
            return Failure();
        return ZLDEC_OK;
    }

private:
    uint32_t Failure() const { return m_cursor.Failed() ? ZLDEC_ERR_READ : ZLDEC_ERR_DAMAGED; }

    // Block k starts at output frame k * kBlockFrames * spf - begin, where
    // begin is what gapless decoding cuts from the front. It is learnt the
    // way every restart will find it: on a freshly opened handle.
    void LearnBlockLayout()
    {
        mpg123_handle* mh = m_handle.get();
        m_samplesPerFrame = mpg123_spf(mh);
        m_next = UINT64_MAX;  // the first decode enters its block
        m_blockEnd = 0;
        if (m_samplesPerFrame <= 0 || !IndexFrame(kBlockFrames) || !RestartHandle())
            return;
        if (mpg123_seek_frame(mh, kBlockFrames, SEEK_SET) != kBlockFrames)
            return;  // one block holds the whole stream
        const off_t second = mpg123_tell(mh);
        const off_t plain = kBlockFrames * m_samplesPerFrame;
        if (second > 0 && second <= plain)
            m_begin = plain - second;
    }

    bool RestartHandle()
    {
        mpg123_handle* mh = m_handle.get();
        if (!Reopen(mh, m_cursor) || !FormatIsOurs())
            return false;
        if (!m_index.empty())
            mpg123_set_index(mh, m_index.data(), m_indexStep, m_index.size());
        return true;
    }

    uint64_t BlockStart(uint64_t block) const
    {
        if (block == 0 || m_samplesPerFrame <= 0)
            return 0;
        return block * kBlockFrames * uint64_t(m_samplesPerFrame) - uint64_t(m_begin);
    }

    uint64_t BlockOf(uint64_t position) const
    {
        if (m_samplesPerFrame <= 0 || m_begin < 0)
            return 0;
        return (position + uint64_t(m_begin)) / (uint64_t(kBlockFrames) * uint64_t(m_samplesPerFrame));
    }

    // Restarts the decoder at the block holding `position` and decodes up to it.
    bool EnterBlockAt(uint64_t position)
    {
        mpg123_handle* mh = m_handle.get();
        const uint64_t block = BlockOf(position);
        if (!IndexFrame(off_t(block) * kBlockFrames) || !RestartHandle())
            return false;
        m_next = 0;
        if (block > 0) {
            if (mpg123_seek_frame(mh, off_t(block) * kBlockFrames, SEEK_SET) < 0)
                return false;
            const off_t reached = mpg123_tell(mh);
            if (reached < 0 || uint64_t(reached) != BlockStart(block))
                return false;
            m_next = uint64_t(reached);
        }
        const bool hasNextBlock = m_samplesPerFrame > 0 && m_begin >= 0;
        m_blockEnd = hasNextBlock ? BlockStart(block + 1) : UINT64_MAX;
        return SkipTo(position);
    }

    // A second handle, never reopened, walks the frames ahead of the
    // restarts and keeps the index of their offsets; every restart takes that
    // index along, so that it jumps to its block instead of reading the file
    // from the start. The walk reads frames without decoding them, and only
    // as far as playing or seeking has gone.
    bool IndexFrame(off_t frame)
    {
        if (frame > m_indexedUpTo) {
            if (mpg123_seek_frame(m_scout.get(), frame, SEEK_SET) < 0)
                return false;
            m_indexedUpTo = frame;
            off_t* offsets = nullptr;
            off_t step = 0;
            size_t fill = 0;
            if (mpg123_index(m_scout.get(), &offsets, &step, &fill) == MPG123_OK && offsets && step > 0) {
                m_index.assign(offsets, offsets + fill);
                m_indexStep = step;
            }
        }
        return true;
    }

    bool SkipTo(uint64_t position)
    {
        const size_t frameBytes = m_info.format.blockAlign;
        m_scratch.resize(4096 * frameBytes);
        bool broken = false;
        while (m_next < position) {
            const uint64_t room = std::min<uint64_t>(position - m_next, 4096);
            if (Read(m_scratch.data(), room, broken) < room)
                return false;
        }
        return true;
    }

    // Reads up to `frames` frames at m_next; fewer at the end or on damage.
    uint64_t Read(uint8_t* out, uint64_t frames, bool& broken)
    {
        const size_t frameBytes = m_info.format.blockAlign;
        const size_t wantedBytes = size_t(frames) * frameBytes;
        size_t done = 0;
        for (int idle = 0; done < wantedBytes && idle < kMaxIdleReads;) {
            size_t got = 0;
            const int rc = mpg123_read(m_handle.get(), out + done, wantedBytes - done, &got);
            done += got;
            idle = got ? 0 : idle + 1;
            if (rc == MPG123_OK || (rc == MPG123_NEW_FORMAT && FormatIsOurs()))
                continue;
            broken = rc != MPG123_DONE;
            break;
        }
        // A partial frame would shift every later one: the next call restarts.
        m_next = done % frameBytes ? UINT64_MAX : m_next + done / frameBytes;
        return done / frameBytes;
    }

    bool FormatIsOurs()
    {
        long rate = 0;
        int channels = 0, encoding = 0;
        return mpg123_getformat(m_handle.get(), &rate, &channels, &encoding) == MPG123_OK &&
            rate == long(m_info.format.samplesPerSec) && channels == m_info.format.channels &&
            encoding == MPG123_ENC_SIGNED_16;
    }

    RangeCursor m_cursor;
    RangeCursor m_scoutCursor;
    AudioInfo m_info;
    Mpg123 m_handle;
    Mpg123 m_scout;
    off_t m_indexedUpTo = 0;
    std::vector<uint8_t> m_scratch;
    std::vector<off_t> m_index;
    off_t m_indexStep = 1;
    int m_samplesPerFrame = 0;
    off_t m_begin = -1;
    uint64_t m_next = UINT64_MAX;
    uint64_t m_blockEnd = 0;
};

}  // namespace

uint32_t ProbeMpeg(const ByteRange& range, AudioInfo& info)
{
    MpegLayout layout;
    switch (FindMpegLayout(range, layout)) {
    case MpegSearch::Found:
        break;
    case MpegSearch::NotMpeg:
        return ZLDEC_ERR_UNRECOGNISED;
    case MpegSearch::TagWithoutAudio:
        return ZLDEC_ERR_DAMAGED;
    case MpegSearch::ReadError:
        return ZLDEC_ERR_CANNOT_OPEN;
    }
    // An Info frame whose byte count matches the file tells the length. Else
    // the frame headers are walked: they give the length of a stream without
    // an Info frame, and where the frames end, so that nothing after them is
    // ever read, neither here nor by the decoder.
    std::optional<MpegFrameWalk> walk;
    if (!layout.InfoFrameIsTrustworthy() && layout.header.frameBytes > 0) {
        if (!WalkMpegFrames(range, layout, walk.emplace()))
            return ZLDEC_ERR_CANNOT_OPEN;
        layout.audioEnd = walk->end;
    }
    long rate = 0;
    int channels = 0, firstKbps = 0;
    off_t samples = 0, mpegFrames = 0;
    if (walk && !layout.hasInfoFrame) {
        // No delay or padding recorded: every frame plays whole, and the
        // headers tell the format. No decoder is needed to measure.
        if (walk->frames == 0)
            return ZLDEC_ERR_DAMAGED;
        rate = layout.header.sampleRate;
        channels = layout.header.channels;
        firstKbps = layout.header.bitrateKbps;
        mpegFrames = off_t(walk->frames);
        samples = mpegFrames * off_t(layout.header.samplesPerFrame);
    } else {
        RangeCursor cursor(range.Sub(0, layout.audioEnd));
        const MeasuringHandle mh(cursor);
        if (!mh.get())
            return FailureOf(cursor);
        int encoding = 0;
        if (mpg123_getformat(mh.get(), &rate, &channels, &encoding) != MPG123_OK || channels < 1 || channels > 2)
            return FailureOf(cursor);
        mpg123_frameinfo2 first{};
        mpg123_info2(mh.get(), &first);
        firstKbps = first.bitrate;
        // The delay and padding the Info frame records are libmpg123's to
        // apply. A file cut short still carries the Info frame of the whole:
        // then libmpg123 counts the frames that are there.
        if (!layout.InfoFrameIsTrustworthy() && mpg123_scan(mh.get()) != MPG123_OK)
            return FailureOf(cursor);
        samples = mpg123_length(mh.get());
        mpegFrames = mpg123_framelength(mh.get());
        if (samples < 0)
            return FailureOf(cursor);
    }

    const uint32_t bitsPerSecond = StreamBitrate(layout, firstKbps, mpegFrames, rate);
    info.format = PcmFormat(static_cast<uint32_t>(rate), static_cast<uint16_t>(channels), 16,
                            static_cast<uint32_t>((uint64_t(bitsPerSecond) + 4) / 8));
    info.length = static_cast<uint32_t>(std::min<off_t>(samples, UINT32_MAX));
    info.extent = layout.audioEnd;
    return ZLDEC_OK;
}

uint32_t StartMpegDecoder(const ByteRange& range, const AudioInfo& info, std::unique_ptr<AudioDecoder>& out)
{
    auto decoder = std::make_unique<MpegDecoder>(range.Sub(0, std::min(range.length, info.extent)), info);
    const uint32_t code = decoder->Start();
    if (code == ZLDEC_OK)
        out = std::move(decoder);
    return code;
}

}  // namespace zldecoder
