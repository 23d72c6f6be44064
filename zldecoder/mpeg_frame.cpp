#include "mpeg_frame.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zldecoder {
namespace {

constexpr int kBitrates[2][3][15] = {
    {
        // MPEG-1: layers 1, 2, 3
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    },
    {
        // MPEG-2 and 2.5
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    },
};
constexpr int kRates[3][3] = {
    {44100, 48000, 32000},  // MPEG-1
    {22050, 24000, 16000},  // MPEG-2
    {11025, 12000, 8000},   // MPEG-2.5
};

// The first frame is searched this far past the tags: encoders and taggers
// leave padding, but a file that is mostly junk is not an MPEG stream.
constexpr uint64_t kSearchWindow = 64 * 1024;
constexpr uint64_t kFirstLook = 4 * 1024;
constexpr int kMaxId3Tags = 16;

bool SameStream(const MpegHeader& a, const MpegHeader& b)
{
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

uint32_t Syncsafe(const uint8_t* p)
{
    return (uint32_t(p[0] & 0x7f) << 21) | (uint32_t(p[1] & 0x7f) << 14) | (uint32_t(p[2] & 0x7f) << 7) |
        uint32_t(p[3] & 0x7f);
}

uint32_t LittleEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t BigEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// The size of a frame like `header` at another bit rate index.
uint32_t FrameBytesAt(const uint8_t header[4], int bitrateIndex)
{
    uint8_t changed[4] = {header[0], header[1], uint8_t((header[2] & 0x0d) | bitrateIndex << 4), header[3]};
    const auto h = ParseMpegHeader(changed);
    return h ? h->frameBytes : 0;
}

// Skips ID3v2 tags at `position`; false on a read error.
bool SkipId3v2(const ByteRange& range, uint64_t& position, bool& found)
{
    for (int i = 0; i < kMaxId3Tags; ++i) {
        uint8_t tag[10];
        const int64_t got = range.Read(position, tag, sizeof tag);
        if (got < 0)
            return false;
        if (got < 10 || std::memcmp(tag, "ID3", 3) != 0 || tag[3] == 0xff || tag[4] == 0xff ||
            (tag[6] | tag[7] | tag[8] | tag[9]) & 0x80)
            return true;
        const bool footer = tag[5] & 0x10;
        position += 10 + uint64_t(Syncsafe(tag + 6)) + (footer ? 10 : 0);
        found = true;
    }
    return true;
}

// The end of the frames: before an ID3v1 tag and an APEv2 tag, if any.
bool FindAudioEnd(const ByteRange& range, uint64_t start, uint64_t& end)
{
    end = range.length;
    uint8_t buf[32];
    if (end >= start + 128) {
        const int64_t got = range.Read(end - 128, buf, 3);
        if (got < 0)
            return false;
        if (got == 3 && std::memcmp(buf, "TAG", 3) == 0)
            end -= 128;
    }
    if (end >= start + 32) {
        const int64_t got = range.Read(end - 32, buf, 32);
        if (got < 0)
            return false;
        if (got == 32 && std::memcmp(buf, "APETAGEX", 8) == 0) {
            const uint64_t size = LittleEndian32(buf + 12);
            const bool hasHeader = buf[23] & 0x80;
            const uint64_t total = size + (hasHeader ? 32 : 0);
            if (total <= end - start)
                end -= total;
        }
    }
    return true;
}

void DetectInfoFrame(const uint8_t* frame, size_t available, MpegLayout& layout)
{
    const MpegHeader& h = layout.header;
    if (h.layer != 3)
        return;
    size_t sideInfo = h.version == 10 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
    const size_t xing = 4 + (h.crc ? 2 : 0) + sideInfo;
    if (xing + 8 <= available) {
        if (std::memcmp(frame + xing, "Xing", 4) == 0) {
            layout.hasInfoFrame = true;
        } else if (std::memcmp(frame + xing, "Info", 4) == 0) {
            layout.hasInfoFrame = true;
            layout.infoSaysConstant = true;
        }
        if (layout.hasInfoFrame) {
            const uint32_t flags = BigEndian32(frame + xing + 4);
            size_t field = xing + 8;
            if ((flags & 1) && field + 4 <= available) {
                layout.infoFrames = BigEndian32(frame + field);
                field += 4;
            }
            if ((flags & 2) && field + 4 <= available)
                layout.infoBytes = BigEndian32(frame + field);
        }
    }
    if (!layout.hasInfoFrame && 36 + 4 <= available && std::memcmp(frame + 36, "VBRI", 4) == 0)
        layout.hasInfoFrame = true;
}

}  // namespace

std::optional<MpegHeader> ParseMpegHeader(const uint8_t b[4])
{
    if (b[0] != 0xff || (b[1] & 0xe0) != 0xe0)
        return std::nullopt;
    const int versionBits = (b[1] >> 3) & 3;
    const int layerBits = (b[1] >> 1) & 3;
    const int bitrateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 15 || rateIndex == 3 || (b[3] & 3) == 2)
        return std::nullopt;

    MpegHeader h;
    h.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    h.layer = 4 - layerBits;
    h.crc = !(b[1] & 1);
    h.bitrateKbps = kBitrates[h.version == 10 ? 0 : 1][h.layer - 1][bitrateIndex];
    h.sampleRate = kRates[h.version == 10 ? 0 : h.version == 20 ? 1 : 2][rateIndex];
    h.channels = (b[3] >> 6) == 3 ? 1 : 2;
    const uint32_t padding = (b[2] >> 1) & 1;
    const uint32_t bitsPerSecond = uint32_t(h.bitrateKbps) * 1000;
    if (h.layer == 1) {
        h.samplesPerFrame = 384;
        h.frameBytes = bitsPerSecond ? (12 * bitsPerSecond / h.sampleRate + padding) * 4 : 0;
    } else {
        const bool half = h.layer == 3 && h.version != 10;
        h.samplesPerFrame = half ? 576 : 1152;
        h.frameBytes = bitsPerSecond ? (half ? 72 : 144) * bitsPerSecond / h.sampleRate + padding : 0;
    }
    return h;
}

MpegSearch FindMpegLayout(const ByteRange& range, MpegLayout& layout)
{
    uint64_t start = 0;
    if (!SkipId3v2(range, start, layout.hadId3v2))
        return MpegSearch::ReadError;
    if (start >= range.length)
        return layout.hadId3v2 ? MpegSearch::TagWithoutAudio : MpegSearch::NotMpeg;

    // Most streams begin right away: a short look first, then the whole
    // search window. Each read covers its part of the window plus the
    // longest frame after it, so every candidate can be confirmed.
    constexpr size_t kLongestFrame = 2881 + 4;
    std::vector<uint8_t> window;
    size_t at = 0;
    for (const uint64_t part : {kFirstLook, kSearchWindow}) {
        window.resize(static_cast<size_t>(std::min<uint64_t>(part + kLongestFrame, range.length - start)));
        const int64_t got = range.Read(start, window.data(), window.size());
        if (got < 0)
            return MpegSearch::ReadError;
        window.resize(static_cast<size_t>(got));
        const size_t lastStart = std::min<size_t>(window.size(), part);
        for (; at + 4 <= window.size() && at < lastStart; ++at) {
            const auto first = ParseMpegHeader(&window[at]);
            if (!first)
                continue;
            bool confirmed = false;
            if (first->frameBytes == 0) {
                // Free format: only trusted right where the stream must begin.
                confirmed = at == 0;
            } else {
                const uint64_t next = at + first->frameBytes;
                const uint64_t absoluteNext = start + next;
                if (absoluteNext == range.length) {
                    confirmed = true;  // a single frame that fills the rest
                } else if (next + 4 <= window.size()) {
                    const auto second = ParseMpegHeader(&window[next]);
                    confirmed = second && SameStream(*first, *second);
                }
            }
            if (!confirmed)
                continue;
            layout.firstFrame = start + at;
            layout.header = *first;
            layout.smallestFrame = FrameBytesAt(&window[at], 1);
            layout.largestFrame = FrameBytesAt(&window[at], 14) + 4;  // padding
            DetectInfoFrame(&window[at], window.size() - at, layout);
            if (!FindAudioEnd(range, layout.firstFrame, layout.audioEnd))
                return MpegSearch::ReadError;
            return MpegSearch::Found;
        }
        if (window.size() < part)
            break;  // the range ends inside this part
    }
    return layout.hadId3v2 ? MpegSearch::TagWithoutAudio : MpegSearch::NotMpeg;
}

namespace {

// The headers are a few bytes in every few hundred, but one read per frame
// would cost more than copying the bodies along: large reads, a window at a
// time, so that junk after the frames is barely touched.
class FrameReader {
public:
    static constexpr size_t kReadBytes = 64 * 1024;

    FrameReader(const ByteRange& range, uint64_t end)
        : m_range(range)
        , m_end(end)
    {
    }

    // The four bytes at `at` (below the end), or null; m_failed on a read error.
    const uint8_t* HeaderAt(uint64_t at)
    {
        if (at + 4 > m_end)
            return nullptr;
        if (at < m_start || at + 4 > m_start + m_bytes.size()) {
            m_bytes.resize(size_t(std::min<uint64_t>(kReadBytes, m_end - at)));
            const int64_t got = m_range.Read(at, m_bytes.data(), m_bytes.size());
            if (got < 0) {
                m_failed = true;
                m_bytes.clear();
                return nullptr;
            }
            m_bytes.resize(size_t(got));
            m_start = at;
            if (m_bytes.size() < 4)
                return nullptr;
        }
        return &m_bytes[size_t(at - m_start)];
    }
    bool Failed() const { return m_failed; }

private:
    const ByteRange& m_range;
    const uint64_t m_end;
    std::vector<uint8_t> m_bytes;
    uint64_t m_start = 0;
    bool m_failed = false;
};

}  // namespace

bool WalkMpegFrames(const ByteRange& range, const MpegLayout& layout, MpegFrameWalk& walk)
{
    walk = MpegFrameWalk{0, layout.firstFrame};
    FrameReader reader(range, layout.audioEnd);
    // Frames mostly repeat the second and third header bytes of those before
    // them, but for the bit rate, padding and private bits: their sizes are
    // remembered by bit rate, and only a header unlike those is parsed.
    uint8_t known[2] = {};            // the second byte, and the rate bits of the third
    uint32_t unpaddedBytes[16] = {};  // by bit rate index; 0 until parsed
    const uint32_t paddingBytes = layout.header.layer == 1 ? 4 : 1;
    // A whole frame of the stream's kind at `at`, or 0.
    auto frameAt = [&](uint64_t at) -> uint32_t {
        const uint8_t* b = reader.HeaderAt(at);
        if (!b)
            return 0;
        uint32_t& unpadded = unpaddedBytes[b[2] >> 4];
        const uint32_t padding = b[2] & 2 ? paddingBytes : 0;
        uint32_t bytes = 0;
        if (unpadded && b[0] == 0xff && b[1] == known[0] && (b[2] & 0x0c) == known[1] && (b[3] & 3) != 2) {
            bytes = unpadded + padding;
        } else {
            const auto header = ParseMpegHeader(b);
            if (!header || !SameStream(*header, layout.header) || header->frameBytes == 0)
                return 0;
            bytes = header->frameBytes;
            if (b[1] != known[0] || (b[2] & 0x0c) != known[1])
                std::fill(std::begin(unpaddedBytes), std::end(unpaddedBytes), 0u);
            known[0] = b[1];
            known[1] = b[2] & 0x0c;
            unpadded = bytes - padding;
        }
        return at + bytes <= layout.audioEnd ? bytes : 0;
    };
    uint64_t at = layout.firstFrame;
    while (true) {
        if (const uint32_t bytes = frameAt(at)) {
            ++walk.frames;
            at += bytes;
            walk.end = at;
            continue;
        }
        if (reader.Failed())
            return false;
        // Past junk only onto a frame that the next one confirms, as at the start.
        bool resynced = false;
        for (uint64_t next = at + 1; next <= at + kResyncBytes && next + 4 <= layout.audioEnd; ++next) {
            const uint32_t bytes = frameAt(next);
            if (bytes && (next + bytes == layout.audioEnd || frameAt(next + bytes))) {
                at = next;
                resynced = true;
                break;
            }
        }
        if (reader.Failed())
            return false;
        if (!resynced)
            return true;
    }
}

}  // namespace zldecoder
