// WAVE, FLAC, Ogg Vorbis and Ogg Opus through libsndfile. 8-bit and 16-bit
// PCM come out as they are stored; every other encoding libsndfile reads
// comes out as 16-bit PCM, rounded to the nearest value.

#include "audio.h"

#include <sndfile.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

namespace zldecoder {
namespace {

constexpr int kMaxChannels = 16;
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;
constexpr sf_count_t kChunkFrames = 4096;
// Vorbis overlaps blocks of up to 8192 frames; Opus pre-rolls 80 ms.
constexpr uint32_t kOggPreroll = 8192;

sf_count_t IoLength(void* cursor) { return static_cast<sf_count_t>(static_cast<RangeCursor*>(cursor)->Length()); }
sf_count_t IoSeek(sf_count_t offset, int whence, void* cursor)
{
    return static_cast<RangeCursor*>(cursor)->Seek(offset, whence);
}
sf_count_t IoRead(void* buffer, sf_count_t count, void* cursor)
{
    if (count <= 0)
        return 0;
    const int64_t got = static_cast<RangeCursor*>(cursor)->Read(buffer, static_cast<size_t>(count));
    return got < 0 ? 0 : got;
}
sf_count_t IoWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t IoTell(void* cursor) { return static_cast<RangeCursor*>(cursor)->Tell(); }

SF_VIRTUAL_IO g_io = {IoLength, IoSeek, IoRead, IoWrite, IoTell};

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using Sndfile = std::unique_ptr<SNDFILE, SndfileCloser>;

bool IsWaveContainer(int format)
{
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
    case SF_FORMAT_W64:
        return true;
    default:
        return false;
    }
}

bool IsXiphContainer(int format)
{
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_FLAC:
    case SF_FORMAT_OGG:
        return true;
    default:
        return false;
    }
}

// The encoding tags libsndfile reads in a WAVE file.
bool IsKnownEncoding(uint16_t tag)
{
    switch (tag) {
    case 0x0001:  // PCM
    case 0x0002:  // Microsoft ADPCM
    case 0x0003:  // IEEE float
    case 0x0006:  // A-law
    case 0x0007:  // µ-law
    case 0x0011:  // IMA ADPCM
    case 0x0031:  // GSM 6.10
    case 0x0040:  // G.721 ADPCM
    case 0x0050:  // MPEG
    case 0x0055:  // MPEG layer III
    case 0xfffe:  // extensible
        return true;
    default:
        return false;
    }
}

// The encoding tag of a RIFF/RIFX/RF64 file's fmt chunk, if it can be found.
std::optional<uint16_t> EncodingTag(const ByteRange& range)
{
    uint8_t head[12];
    if (range.Read(0, head, sizeof head) != sizeof head)
        return std::nullopt;
    const bool bigEndian = std::memcmp(head, "RIFX", 4) == 0;
    auto number = [bigEndian](const uint8_t* p, int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= uint32_t(p[bigEndian ? bytes - 1 - i : i]) << (8 * i);
        return v;
    };
    uint64_t position = 12;
    for (int chunk = 0; chunk < 64; ++chunk) {
        uint8_t header[10];
        if (range.Read(position, header, sizeof header) != sizeof header)
            return std::nullopt;
        if (std::memcmp(header, "fmt ", 4) == 0)
            return uint16_t(number(header + 8, 2));
        position += 8 + uint64_t(number(header + 4, 4)) + (number(header + 4, 4) & 1);
    }
    return std::nullopt;
}

// An Ogg stream whose first packet is neither Vorbis nor Opus (video, Speex,
// Ogg FLAC): nothing here decodes it.
bool IsForeignOgg(const ByteRange& range)
{
    uint8_t page[27];
    if (range.Read(0, page, sizeof page) != sizeof page || std::memcmp(page, "OggS", 4) != 0)
        return false;
    uint8_t packet[8];
    if (range.Read(sizeof page + page[26], packet, sizeof packet) != sizeof packet)
        return false;
    return std::memcmp(packet, "\x01vorbis", 7) != 0 && std::memcmp(packet, "OpusHead", 8) != 0;
}

uint32_t CodeForOpenFailure(const RangeCursor& cursor, const ByteRange& range)
{
    if (cursor.Failed())
        return ZLDEC_ERR_CANNOT_OPEN;
    if (IsForeignOgg(range))
        return ZLDEC_ERR_UNRECOGNISED;
    // libsndfile calls a fmt chunk it cannot read malformed; an encoding
    // nobody here knows is rather an unrecognised format.
    if (const auto tag = EncodingTag(range); tag && !IsKnownEncoding(*tag))
        return ZLDEC_ERR_UNRECOGNISED;
    switch (sf_error(nullptr)) {
    case SF_ERR_UNRECOGNISED_FORMAT:
    case SF_ERR_UNSUPPORTED_ENCODING:
        return ZLDEC_ERR_UNRECOGNISED;
    case SF_ERR_SYSTEM:
        return ZLDEC_ERR_CANNOT_OPEN;
    default:
        return ZLDEC_ERR_DAMAGED;
    }
}

Sndfile OpenSndfile(RangeCursor& cursor, const ByteRange& range, SF_INFO& info, uint32_t& code)
{
    // libsndfile keeps the reason of a failed open in one global: opening on
    // two threads at once must not mix up the reasons.
    static std::mutex openLock;
    std::lock_guard lock(openLock);
    info = SF_INFO{};
    Sndfile file(sf_open_virtual(&g_io, SFM_READ, &info, &cursor));
    code = file ? ZLDEC_OK : CodeForOpenFailure(cursor, range);
    return file;
}

uint16_t BitsDelivered(const SF_INFO& info) { return (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8 ? 8 : 16; }

// 8-bit and 16-bit PCM pass through libsndfile's 16-bit reading unchanged.
// Everything else is read as normalised floats: libsndfile's own conversion
// to 16 bits truncates wider samples and leaves float samples unscaled.
bool ReadsAsShorts(const SF_INFO& info)
{
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_16:
        return true;
    default:
        return false;
    }
}

int16_t RoundToShort(float value)
{
    const float scaled = value * 32768.0f;
    if (scaled >= 32767.0f)
        return 32767;
    if (scaled <= -32768.0f)
        return -32768;
    if (!(scaled == scaled))
        return 0;  // a float file may hold NaN
    return static_cast<int16_t>(std::nearbyint(scaled));
}

class WaveDecoder final : public AudioDecoder {
public:
    WaveDecoder(const ByteRange& range, const AudioInfo& info)
        : m_range(range)
        , m_cursor(range)
        , m_info(info)
    {
    }

    uint32_t Start()
    {
        SF_INFO sfInfo;
        uint32_t code = ZLDEC_OK;
        m_file = OpenSndfile(m_cursor, m_range, sfInfo, code);
        if (!m_file)
            return code;
        if (sfInfo.channels != m_info.format.channels || uint32_t(sfInfo.samplerate) != m_info.format.samplesPerSec ||
            BitsDelivered(sfInfo) != m_info.format.bitsPerSample)
            return ZLDEC_ERR_CHANGED;
        m_readsShorts = ReadsAsShorts(sfInfo);
        if ((sfInfo.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG)
            m_preroll = kOggPreroll;
        m_samples.resize(static_cast<size_t>(kChunkFrames) * sfInfo.channels);
        if (!m_readsShorts)
            m_floats.resize(m_samples.size());
        return ZLDEC_OK;
    }

    uint32_t Decode(uint32_t firstFrame, uint32_t maxFrames, uint8_t* output, uint32_t& written) override
    {
        written = 0;
        if (firstFrame >= m_info.length)
            return ZLDEC_OK;
        uint32_t wanted = std::min(maxFrames, m_info.length - firstFrame);
        if (firstFrame != m_next && !SeekTo(firstFrame))
            return Failure();
        const int channels = m_info.format.channels;
        while (wanted > 0) {
            const sf_count_t asked = std::min<sf_count_t>(wanted, kChunkFrames);
            const sf_count_t got = ReadChunk(asked);
            if (got <= 0)
                break;
            Store(static_cast<size_t>(got) * channels, output + size_t(written) * m_info.format.blockAlign);
            written += static_cast<uint32_t>(got);
            m_next += static_cast<uint32_t>(got);
            wanted -= static_cast<uint32_t>(got);
            if (got < asked)
                break;
        }
        if (written == 0 && sf_error(m_file.get()) != SF_ERR_NO_ERROR)
            return Failure();
        return ZLDEC_OK;
    }

private:
    uint32_t Failure() const { return m_cursor.Failed() ? ZLDEC_ERR_READ : ZLDEC_ERR_DAMAGED; }

    bool SeekTo(uint32_t frame)
    {
        if (m_seeks) {
            // After a seek libsndfile's Ogg decoders start without the
            // overlap of the block before: land earlier and read up to it.
            const uint32_t landing = frame > m_preroll ? frame - m_preroll : 0;
            if (m_file && sf_seek(m_file.get(), landing, SEEK_SET) == sf_count_t(landing)) {
                m_next = landing;
            } else {
                m_seeks = false;  // and the refused seek may have left the reader anywhere
                m_next = kNowhere;
            }
        }
        // Some codecs cannot seek (GSM 6.10): read forward to the frame,
        // from the start again when it lies behind.
        if (!m_seeks && (!m_file || m_next == kNowhere || frame < m_next)) {
            m_next = kNowhere;
            SF_INFO sfInfo;
            uint32_t code = ZLDEC_OK;
            m_file.reset();
            m_cursor.Seek(0, SEEK_SET);
            m_file = OpenSndfile(m_cursor, m_range, sfInfo, code);
            if (!m_file)
                return false;
            m_next = 0;
        }
        while (m_next < frame) {
            const sf_count_t got = ReadChunk(std::min<sf_count_t>(frame - m_next, kChunkFrames));
            if (got <= 0) {
                m_next = kNowhere;
                return false;
            }
            m_next += uint32_t(got);
        }
        return true;
    }

    // Reads up to `frames` frames into m_samples.
    sf_count_t ReadChunk(sf_count_t frames)
    {
        if (m_readsShorts)
            return sf_readf_short(m_file.get(), m_samples.data(), frames);
        const sf_count_t got = sf_readf_float(m_file.get(), m_floats.data(), frames);
        for (size_t i = 0; i < size_t(std::max<sf_count_t>(got, 0)) * m_info.format.channels; ++i)
            m_samples[i] = RoundToShort(m_floats[i]);
        return got;
    }

    // libsndfile gives host-order 16-bit samples; 8-bit WAVE is unsigned.
    void Store(size_t samples, uint8_t* out) const
    {
        if (m_info.format.bitsPerSample == 8) {
            for (size_t i = 0; i < samples; ++i)
                out[i] = static_cast<uint8_t>((m_samples[i] >> 8) + 128);
            return;
        }
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, m_samples.data(), samples * 2);
        } else {
            for (size_t i = 0; i < samples; ++i) {
                const auto v = static_cast<uint16_t>(m_samples[i]);
                out[2 * i] = static_cast<uint8_t>(v);
                out[2 * i + 1] = static_cast<uint8_t>(v >> 8);
            }
        }
    }

    ByteRange m_range;
    RangeCursor m_cursor;
    AudioInfo m_info;
    Sndfile m_file;
    bool m_readsShorts = true;
    std::vector<short> m_samples;
    std::vector<float> m_floats;
    static constexpr uint32_t kNowhere = UINT32_MAX;  // the next decode must seek
    uint32_t m_next = 0;
    bool m_seeks = true;     // until libsndfile refuses a seek in this encoding
    uint32_t m_preroll = 0;  // frames decoded before a seek's target
};

}  // namespace

namespace {

uint32_t ProbeSndfile(const ByteRange& range, AudioInfo& info, bool (*acceptsContainer)(int))
{
    RangeCursor cursor(range);
    SF_INFO sfInfo;
    uint32_t code = ZLDEC_OK;
    const Sndfile file = OpenSndfile(cursor, range, sfInfo, code);
    if (!file)
        return code;
    if (!acceptsContainer(sfInfo.format))
        return ZLDEC_ERR_UNRECOGNISED;
    if (sfInfo.channels < 1 || sfInfo.channels > kMaxChannels || sfInfo.samplerate < kMinRate ||
        sfInfo.samplerate > kMaxRate)
        return ZLDEC_ERR_UNRECOGNISED;
    if (sfInfo.frames < 0)
        return ZLDEC_ERR_DAMAGED;
    const uint16_t bits = BitsDelivered(sfInfo);
    const auto channels = static_cast<uint16_t>(sfInfo.channels);
    const auto rate = static_cast<uint32_t>(sfInfo.samplerate);
    info.format = PcmFormat(rate, channels, bits, rate * channels * (bits / 8));
    // Longer streams play their first 2^32 - 1 frames.
    info.length = static_cast<uint32_t>(std::min<sf_count_t>(sfInfo.frames, UINT32_MAX));
    return ZLDEC_OK;
}

}  // namespace

uint32_t ProbeWave(const ByteRange& range, AudioInfo& info) { return ProbeSndfile(range, info, IsWaveContainer); }
uint32_t ProbeXiph(const ByteRange& range, AudioInfo& info) { return ProbeSndfile(range, info, IsXiphContainer); }

uint32_t StartWaveDecoder(const ByteRange& range, const AudioInfo& info, std::unique_ptr<AudioDecoder>& out)
{
    auto decoder = std::make_unique<WaveDecoder>(range, info);
    const uint32_t code = decoder->Start();
    if (code == ZLDEC_OK)
        out = std::move(decoder);
    return code;
}

ZLWaveFormat PcmFormat(uint32_t rate, uint16_t channels, uint16_t bits, uint32_t avgBytesPerSec)
{
    ZLWaveFormat f{};
    f.formatTag = 1;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.avgBytesPerSec = avgBytesPerSec;
    f.blockAlign = static_cast<uint16_t>(channels * (bits / 8));
    f.bitsPerSample = bits;
    f.cbSize = 0;
    return f;
}

}  // namespace zldecoder
