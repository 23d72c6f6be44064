#pragma once
// MPEG audio frame headers and the tags around a stream: enough to recognise
// a stream, find its first frame and tell how many bytes carry audio. The
// decoding itself is libmpg123's.

#include "byte_source.h"

#include <cstdint>
#include <optional>

namespace zldecoder {

struct MpegHeader {
    int version = 0;      // 10 = MPEG-1, 20 = MPEG-2, 25 = MPEG-2.5
    int layer = 0;        // 1, 2 or 3
    int bitrateKbps = 0;  // 0: free format
    int sampleRate = 0;
    int channels = 0;
    bool crc = false;
    uint32_t frameBytes = 0;  // 0 for free format
    uint32_t samplesPerFrame = 0;
};

std::optional<MpegHeader> ParseMpegHeader(const uint8_t bytes[4]);

// Where the audio frames of a stream begin and end.
struct MpegLayout {
    uint64_t firstFrame = 0;        // offset of the first frame (after ID3v2 tags and junk)
    MpegHeader header;              // the first frame's header
    bool hasInfoFrame = false;      // the first frame is a Xing/Info/VBRI frame, not audio
    bool infoSaysConstant = false;  // an "Info" frame: constant bit rate
    uint32_t infoFrames = 0;        // the Xing/Info frame's counts, 0 when absent
    uint32_t infoBytes = 0;
    uint32_t smallestFrame = 0;  // frame sizes at the lowest and highest bit rate
    uint32_t largestFrame = 0;   // of the stream's version, layer and rate
    uint64_t audioEnd = 0;       // end of the frames (before ID3v1 and APE tags)
    bool hadId3v2 = false;

    // An encoder's Info frame whose byte count matches the stream, and whose
    // frame count frames of this kind can fill, tells the length without
    // reading every frame.
    bool InfoFrameIsTrustworthy() const
    {
        if (infoFrames == 0 || infoBytes == 0 || infoBytes != audioEnd - firstFrame)
            return false;
        const uint64_t frames = infoFrames;
        return frames * smallestFrame <= infoBytes && (frames + 1) * largestFrame >= infoBytes;
    }
};

enum class MpegSearch { Found, NotMpeg, TagWithoutAudio, ReadError };

// Junk between frames is skipped up to this many bytes, by the walk below and
// by libmpg123 alike; a longer run ends the stream.
inline constexpr long kResyncBytes = 1024;

// The frames that follow each other from the first one, found from their
// headers alone: nothing after them (junk, a run of zeros) belongs to the audio.
struct MpegFrameWalk {
    uint64_t frames = 0;  // whole frames of the stream's kind, the Info frame included
    uint64_t end = 0;     // where the last of them ends
};

// Walks the headers from layout.firstFrame up to layout.audioEnd. False on a
// read error; a free-format stream (no frame sizes) cannot be walked.
bool WalkMpegFrames(const ByteRange& range, const MpegLayout& layout, MpegFrameWalk& walk);

// Looks for two consecutive matching frame headers near the start of the
// range (after any ID3v2 tags), as players do before they trust a stream.
MpegSearch FindMpegLayout(const ByteRange& range, MpegLayout& layout);

}  // namespace zldecoder
