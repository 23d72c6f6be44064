#pragma once
// What the reference decoder mpg123 reports about an MP3 file: the stream
// header, every frame's bit rate, and the gapless decoding as 16-bit samples.

#include <QString>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace encodertest {

struct Mp3Report {
    std::string error;    // empty when mpg123 decoded the file
    std::string version;  // "1.0", "2.0", "2.5"
    std::string mode;     // "Stereo", "Joint-Stereo", "Single-Channel", ...
    int rate = 0;
    int channels = 0;
    bool copyright = false, original = false, crc = false;
    int emphasis = -1;
    std::vector<int> frameKbps;    // one per sound frame, as decoded
    std::vector<int16_t> samples;  // interleaved; delay and padding cut by the information frame
    uint32_t Frames() const { return channels ? uint32_t(samples.size() / size_t(channels)) : 0; }
    std::set<int> Bitrates() const { return {frameKbps.begin(), frameKbps.end()}; }
};
Mp3Report ProbeMp3(const QString& path);

// Power of one channel at a frequency (Goertzel) relative to the channel's
// whole power: 1 for a pure sine of that frequency.
double ToneShare(const std::vector<int16_t>& samples, int channels, int channel, int rate, double hz);

}  // namespace encodertest
