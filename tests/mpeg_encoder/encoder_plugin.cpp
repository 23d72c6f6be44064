#include "encoder_plugin.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace encodertest {

static int16_t ClampSample(double value) { return int16_t(std::clamp(std::lround(value * 32767.0), -32768L, 32767L)); }

QString PluginPath() { return QDir(testsupport::BinDir()).filePath(EncoderPlugin::kLibraryName); }

const EncoderPlugin& Plugin()
{
    static EncoderPlugin* const plugin = [] {
        auto* loaded = new EncoderPlugin;  // kept to the end of the process
        loaded->LoadEncoder(testsupport::BinDir());
        return loaded;
    }();
    return *plugin;
}

Pcm Tone(uint32_t rate, int channels, uint32_t frames, double hz, double leftAmplitude, double rightAmplitude)
{
    Pcm pcm{rate, channels, std::vector<int16_t>(size_t(frames) * size_t(channels))};
    for (uint32_t i = 0; i < frames; ++i) {
        const double s = std::sin(2 * std::numbers::pi * hz * i / rate);
        pcm.samples[size_t(i) * channels] = ClampSample(leftAmplitude * s);
        if (channels == 2)
            pcm.samples[size_t(i) * 2 + 1] = ClampSample(rightAmplitude * s);
    }
    return pcm;
}

Pcm MusicLike(uint32_t rate, int channels, uint32_t frames, uint32_t seed)
{
    Pcm pcm{rate, channels, std::vector<int16_t>(size_t(frames) * size_t(channels))};
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 0.02);
    for (size_t i = 0; i < pcm.samples.size(); ++i) {
        // A decaying chord each half second, the channels slightly detuned.
        const double t = double(i / size_t(channels)) / rate, f = 220.0 * (1.0 + 0.002 * double(i % size_t(channels)));
        const double chord = std::sin(2 * std::numbers::pi * f * t) +
            std::sin(2 * std::numbers::pi * f * 1.26 * t + 1) +
            std::sin(2 * std::numbers::pi * f * 1.5 * (1 + int(t * 2) % 4 * 0.06) * t + 2);
        pcm.samples[i] = ClampSample(0.25 * std::exp(-3.0 * std::fmod(t, 0.5)) * chord + noise(random));
    }
    return pcm;
}

EncodeResult EncodeToFile(const BeConfig& config, const Pcm& pcm, const QString& path, TagCall tagCall,
                          const std::vector<uint32_t>& callSamples)
{
    const EncoderPlugin& p = Plugin();
    EncodeResult r;
    QFile file(path);
    uint32_t chunk = 0, bufferSize = 0, produced = 0;
    auto step = [&](const char* what, bool ok) {
        if (r.Ok() && !ok)
            r.failed = std::string(what) + " failed";
    };
    step("opening the file", file.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    step("beInitStream", p.beInitStream(&config, &chunk, &bufferSize, &r.stream) == BE_ERR_SUCCESSFUL && r.stream);
    std::vector<uint8_t> output(bufferSize);
    // The program's own feeding: at most outputBufferSize / 2 values a call.
    for (size_t at = 0, call = 0, n = 0; at < pcm.samples.size() && r.Ok(); at += n, ++call) {
        n = std::min<size_t>(callSamples[call % callSamples.size()], pcm.samples.size() - at);
        step("beEncodeChunk",
             EncodeIntoFile(p, r.stream, reinterpret_cast<const uint8_t*>(pcm.samples.data() + at), uint32_t(n),
                            output.data(), bufferSize, file));
    }
    if (r.Ok())
        step("beDeinitStream",
             p.beDeinitStream(r.stream, output.data(), &produced) == BE_ERR_SUCCESSFUL && produced <= bufferSize &&
                 WriteEncoded(file, output.data(), produced));
    if (r.stream)
        p.beCloseStream(r.stream);
    const QByteArray name = QFile::encodeName(path);
    if (r.Ok() && tagCall == TagCall::InfoTag)
        step("beWriteInfoTag", p.beWriteInfoTag(r.stream, name.constData()) == BE_ERR_SUCCESSFUL);
    else if (r.Ok() && tagCall == TagCall::VbrHeader)
        step("beWriteVBRHeader", p.beWriteVBRHeader(name.constData()) == BE_ERR_SUCCESSFUL);
    return r;
}

}  // namespace encodertest
