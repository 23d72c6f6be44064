#pragma once
// Reads MP3 files the way a checker should: frame by frame from the
// standard's header tables, independently of the plug-in's own code; decodes
// them with the reference decoder mpg123.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace encodertest {

struct Mp3Frame {
    size_t offset = 0;
    size_t size = 0;
    int version = 0;      // 10 = MPEG-1, 20 = MPEG-2, 25 = MPEG-2.5
    int kbps = 0;
    int rate = 0;
    int mode = 0;         // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool crcProtected = false;
    bool privateBit = false;
    bool copyright = false;
    bool original = false;
    int emphasis = 0;
    int mainDataBegin = 0;
};

// Every frame from offset 0 to the end; `error` says where the chain broke.
struct Mp3Frames {
    std::vector<Mp3Frame> frames;
    std::string error;
};
Mp3Frames walkFrames(const QByteArray& file);

// The "Info" or "Xing" tag with the LAME extension in the first frame.
struct InfoTag {
    bool present = false;
    std::string id;
    uint32_t flags = 0;
    uint32_t frames = 0;
    uint32_t bytes = 0;
    std::string encoder;
    uint32_t encoderDelay = 0;
    uint32_t padding = 0;
    uint32_t musicLength = 0;
    uint16_t musicCrc = 0;
    uint16_t tagCrc = 0;
    uint16_t computedTagCrc = 0;    // over the frame's bytes before the tag checksum
    uint16_t computedMusicCrc = 0;  // over the frames after the tag frame
};
InfoTag readInfoTag(const QByteArray& file, const Mp3Frames& walk);

uint16_t crc16(const char* data, size_t size);

struct Decoded {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;
    std::string error;
    uint32_t frames() const { return channels ? uint32_t(samples.size() / size_t(channels)) : 0; }
};
// mpg123 -w: its gapless decoding honours the tag's delay and padding.
Decoded decodeWithMpg123(const QString& mp3Path);

// Power of one channel at a frequency (Goertzel) relative to the channel's
// whole power: 1 for a pure sine of that frequency.
double toneShare(const std::vector<int16_t>& samples, int channels, int channel, int rate, double hz);
double rms(const std::vector<int16_t>& samples, int channels, int channel);

}  // namespace encodertest
