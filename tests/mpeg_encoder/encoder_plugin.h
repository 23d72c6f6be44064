#pragma once
// The plug-in as a program sees it: loaded with dlopen, used only through
// its C functions.

#include "engine/encoder_plugin.h"
#include "engine/mp3_encoding.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace encodertest {

// The program's own binding of the plug-in, loaded from build/bin once per process.
const EncoderPlugin& Plugin();
QString PluginPath();

// The record the recorder fills for a recording.
inline BeConfig ProgramConfig(uint32_t rate, int channels, uint32_t kbps)
{
    return EncoderConfig({rate, 16, uint16_t(channels)}, kbps);
}

struct Pcm {
    uint32_t rate = 0;
    int channels = 1;
    std::vector<int16_t> samples;  // interleaved
    uint32_t Frames() const { return uint32_t(samples.size() / size_t(channels)); }
};
// A sine in each channel, with its own amplitude (0..1 of full scale).
Pcm Tone(uint32_t rate, int channels, uint32_t frames, double hz, double leftAmplitude, double rightAmplitude);
// Chords with an envelope and a little noise: closer to music than a sine.
Pcm MusicLike(uint32_t rate, int channels, uint32_t frames, uint32_t seed);

enum class TagCall { InfoTag, VbrHeader, None };

struct EncodeResult {
    std::string failed;  // the step that failed and its error; empty on success
    HBE_STREAM stream = 0;
    bool Ok() const { return failed.empty(); }
};

// Encodes as the recorder does: the file open for writing the whole time;
// blocks of the given sample counts in turn (the recorder's 6144-byte buffer
// is 3072) through the program's own feeding; deinit, close, then the tag
// call while the file is still open.
EncodeResult EncodeToFile(const BeConfig& config, const Pcm& pcm, const QString& path,
                          TagCall tagCall = TagCall::InfoTag, const std::vector<uint32_t>& callSamples = {3072});

}  // namespace encodertest
