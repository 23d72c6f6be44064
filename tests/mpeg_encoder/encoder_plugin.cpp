#include "encoder_plugin.h"

#include "support/test_support.h"

#include <QDir>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <numbers>
#include <random>
#include <unistd.h>

namespace encodertest {

namespace {

template <typename Function>
void resolve(void* library, const char* name, Function& function, std::string& error)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (!function)
        error += std::string("missing ") + name + "; ";
}

EncoderPlugin load()
{
    EncoderPlugin p;
    p.libraryPath = QDir(testsupport::binDir()).filePath("libmpeg_encoder.so");
    void* library = dlopen(p.libraryPath.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        p.loadError = dlerror();
        return p;
    }
    resolve(library, "beInitStream", p.initStream, p.loadError);
    resolve(library, "beEncodeChunk", p.encodeChunk, p.loadError);
    resolve(library, "beDeinitStream", p.deinitStream, p.loadError);
    resolve(library, "beCloseStream", p.closeStream, p.loadError);
    resolve(library, "beVersion", p.version, p.loadError);
    resolve(library, "beWriteVBRHeader", p.writeVbrHeader, p.loadError);
    resolve(library, "beWriteInfoTag", p.writeInfoTag, p.loadError);
    return p;
}

bool writeAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

int16_t clampSample(double value)
{
    return int16_t(std::clamp(std::lround(value * 32767.0), -32768L, 32767L));
}

}  // namespace

const EncoderPlugin& plugin()
{
    static const EncoderPlugin loaded = load();
    return loaded;
}

BeConfig programConfig(uint32_t rate, int channels, uint32_t kbps)
{
    BeConfig c;
    std::memset(&c, 0, sizeof c);
    c.kind = BE_CONFIG_EXTENDED;
    c.version = BE_CONFIG_VERSION;
    c.size = BE_CONFIG_SIZE;
    c.sampleRate = rate;
    c.outputRate = 0;
    c.mode = channels == 1 ? BE_MODE_MONO : BE_MODE_STEREO;
    c.bitrate = kbps;
    c.preset = BE_PRESET_HIGH_QUALITY;
    c.mpegVersion = 1;
    c.originalBit = 1;
    c.writeVbrHeader = 1;
    c.noBitReservoir = 1;
    c.quality = 10;
    return c;
}

Pcm tone(uint32_t rate, int channels, uint32_t frames, double hz, double leftAmplitude, double rightAmplitude)
{
    Pcm pcm{rate, channels, {}};
    pcm.samples.resize(size_t(frames) * size_t(channels));
    for (uint32_t i = 0; i < frames; ++i) {
        const double s = std::sin(2 * std::numbers::pi * hz * i / rate);
        pcm.samples[size_t(i) * channels] = clampSample(leftAmplitude * s);
        if (channels == 2)
            pcm.samples[size_t(i) * 2 + 1] = clampSample(rightAmplitude * s);
    }
    return pcm;
}

Pcm musicLike(uint32_t rate, int channels, uint32_t frames, uint32_t seed)
{
    Pcm pcm{rate, channels, {}};
    pcm.samples.resize(size_t(frames) * size_t(channels));
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 0.02);
    const double chords[4][3] = {{220.0, 277.2, 329.6}, {196.0, 246.9, 293.7}, {174.6, 220.0, 261.6}, {196.0, 246.9, 311.1}};
    const uint32_t beat = rate / 2;
    for (uint32_t i = 0; i < frames; ++i) {
        const auto& chord = chords[(i / beat) % 4];
        const double t = double(i) / rate;
        const double envelope = std::exp(-3.0 * double(i % beat) / rate);
        for (int c = 0; c < channels; ++c) {
            double v = 0;
            for (int k = 0; k < 3; ++k)
                v += std::sin(2 * std::numbers::pi * chord[k] * (1.0 + 0.002 * c) * t + k)
                    + 0.3 * std::sin(4 * std::numbers::pi * chord[k] * t);
            pcm.samples[size_t(i) * channels + c] = clampSample(0.18 * envelope * v + noise(random));
        }
    }
    return pcm;
}

EncodeResult encodeLikeTheRecorder(const BeConfig& config, const Pcm& pcm, const QString& path, TagCall tagCall,
                                   size_t bufferBytes)
{
    const EncoderPlugin& p = plugin();
    EncodeResult r;
    const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        r.failedStep = "open the file";
        return r;
    }
    auto fail = [&](const char* step, BE_ERR error) {
        r.failedStep = step;
        r.error = error;
        if (r.stream)
            p.closeStream(r.stream);
        ::close(fd);
        return r;
    };
    BE_ERR e = p.initStream(&config, &r.samplesPerChunk, &r.outputBufferSize, &r.stream);
    if (e != BE_ERR_SUCCESSFUL || r.stream == 0)
        return fail("beInitStream", e);
    std::vector<uint8_t> output(r.outputBufferSize);
    const size_t samplesPerBuffer = bufferBytes / 2;
    for (size_t at = 0; at < pcm.samples.size(); at += samplesPerBuffer) {
        const int16_t* data = pcm.samples.data() + at;
        size_t left = std::min(samplesPerBuffer, pcm.samples.size() - at);
        while (left > 0) {
            const uint32_t n = uint32_t(std::min<size_t>(left, r.outputBufferSize / 2));
            uint32_t produced = 0;
            e = p.encodeChunk(r.stream, n, data, output.data(), &produced);
            if (e != BE_ERR_SUCCESSFUL)
                return fail("beEncodeChunk", e);
            if (produced > r.outputBufferSize || !writeAll(fd, output.data(), produced))
                return fail("write", BE_ERR_SUCCESSFUL);
            data += n;
            left -= n;
        }
    }
    uint32_t produced = 0;
    e = p.deinitStream(r.stream, output.data(), &produced);
    if (e != BE_ERR_SUCCESSFUL)
        return fail("beDeinitStream", e);
    if (produced > r.outputBufferSize || !writeAll(fd, output.data(), produced))
        return fail("write", BE_ERR_SUCCESSFUL);
    p.closeStream(r.stream);
    const QByteArray localPath = path.toLocal8Bit();
    if (tagCall == TagCall::InfoTag)
        e = p.writeInfoTag(r.stream, localPath.constData());
    else if (tagCall == TagCall::VbrHeader)
        e = p.writeVbrHeader(localPath.constData());
    ::close(fd);
    if (e != BE_ERR_SUCCESSFUL) {
        r.failedStep = "tag";
        r.error = e;
    }
    return r;
}

std::vector<uint8_t> encodeInCalls(const BeConfig& config, const Pcm& pcm, const std::vector<uint32_t>& callSamples,
                                   EncodeResult& r)
{
    const EncoderPlugin& p = plugin();
    std::vector<uint8_t> mp3;
    r = EncodeResult{};
    r.error = p.initStream(&config, &r.samplesPerChunk, &r.outputBufferSize, &r.stream);
    if (r.error != BE_ERR_SUCCESSFUL) {
        r.failedStep = "beInitStream";
        return mp3;
    }
    std::vector<uint8_t> output(r.outputBufferSize);
    size_t at = 0;
    for (size_t call = 0; at < pcm.samples.size(); ++call) {
        const uint32_t n = uint32_t(std::min<size_t>(callSamples[call % callSamples.size()], pcm.samples.size() - at));
        uint32_t produced = 0;
        r.error = p.encodeChunk(r.stream, n, pcm.samples.data() + at, output.data(), &produced);
        if (r.error != BE_ERR_SUCCESSFUL) {
            r.failedStep = "beEncodeChunk";
            p.closeStream(r.stream);
            return mp3;
        }
        mp3.insert(mp3.end(), output.begin(), output.begin() + produced);
        at += n;
    }
    uint32_t produced = 0;
    r.error = p.deinitStream(r.stream, output.data(), &produced);
    if (r.error != BE_ERR_SUCCESSFUL)
        r.failedStep = "beDeinitStream";
    else
        mp3.insert(mp3.end(), output.begin(), output.begin() + produced);
    p.closeStream(r.stream);
    return mp3;
}

}  // namespace encodertest
