#pragma once
// The plug-in as a foreign program sees it: loaded from build/bin with
// dlopen, used only through its C functions.

#include "mpeg_encoder/mpeg_encoder.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace encodertest {

struct EncoderPlugin {
    BeInitStreamFunction initStream = nullptr;
    BeEncodeChunkFunction encodeChunk = nullptr;
    BeDeinitStreamFunction deinitStream = nullptr;
    BeCloseStreamFunction closeStream = nullptr;
    BeVersionFunction version = nullptr;
    BeWriteVBRHeaderFunction writeVbrHeader = nullptr;
    BeWriteInfoTagFunction writeInfoTag = nullptr;
    std::string loadError;  // empty when every function was found

    QString libraryPath;
};

// Loaded once per process.
const EncoderPlugin& plugin();

// The record the recorder fills for a recording.
BeConfig programConfig(uint32_t rate, int channels, uint32_t kbps);

struct Pcm {
    uint32_t rate = 0;
    int channels = 1;
    std::vector<int16_t> samples;  // interleaved
    uint32_t frames() const { return uint32_t(samples.size() / size_t(channels)); }
};

// A sine in each channel, with its own amplitude (0..1 of full scale).
Pcm tone(uint32_t rate, int channels, uint32_t frames, double hz, double leftAmplitude, double rightAmplitude);
// Chords with an envelope and a little noise: closer to music than a sine.
Pcm musicLike(uint32_t rate, int channels, uint32_t frames, uint32_t seed);

enum class TagCall { InfoTag, VbrHeader, None };

struct EncodeResult {
    BE_ERR error = BE_ERR_SUCCESSFUL;
    std::string failedStep;  // the function that failed
    HBE_STREAM stream = 0;
    uint32_t outputBufferSize = 0;
    uint32_t samplesPerChunk = 0;
    bool ok() const { return error == BE_ERR_SUCCESSFUL && failedStep.empty(); }
};

// Encodes as the recorder does: the target file open for writing the whole
// time; capture buffers of `bufferBytes` split into calls of at most
// outputBufferSize / 2 samples; deinit, close, then the tag call while the
// file is still open.
EncodeResult encodeLikeTheRecorder(const BeConfig& config, const Pcm& pcm, const QString& path,
                                   TagCall tagCall = TagCall::InfoTag, size_t bufferBytes = 6144);

// The MP3 bytes of a stream fed in calls of the given sample counts
// (repeated until the input ends), with no tag written.
std::vector<uint8_t> encodeInCalls(const BeConfig& config, const Pcm& pcm, const std::vector<uint32_t>& callSamples,
                                   EncodeResult& result);

}  // namespace encodertest
