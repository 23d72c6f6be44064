#include "saving_harness.h"

#include <cmath>
#include <dlfcn.h>
#include <numeric>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "platform/audio/audio_backend.h"
#include "support/test_support.h"

namespace savingtest {

using platform::audio::FakeBackend;

QString realPluginFolder() { return testsupport::binDir(); }

QString shimFolder(const char* variant)
{
    return QStringLiteral(QUILLON_SHIM_ROOT "/") + QString::fromLatin1(variant);
}

ShimState* loadedShim(const char* variant)
{
    const QByteArray path = QFile::encodeName(shimFolder(variant) + QStringLiteral("/libmpeg_encoder.so"));
    void* module = dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD);
    if (!module)
        return nullptr;
    auto state = reinterpret_cast<ShimState* (*)()>(dlsym(module, "shimState"));
    ShimState* result = state ? state() : nullptr;
    dlclose(module);  // the probe's own reference; the holder keeps it loaded
    return result;
}

bool encoderLibraryLoaded()
{
    void* module = dlopen("libmpeg_encoder.so", RTLD_NOW | RTLD_NOLOAD);
    if (module)
        dlclose(module);
    return module != nullptr;
}

// ---------------------------------------------------------------- session

SavingSession::SavingSession(const QString& pluginFolder, Audio audio)
{
    m_oldTmpDir = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    if (audio == Audio::Fake) {
        backend.addInputDevice(QStringLiteral("Microphone"));
        platform::audio::setBackendForTesting(&backend);
    } else {
        engineView.device = -1;
    }

    plugin = std::make_shared<EncoderPlugin>();
    plugin->LoadEncoder(pluginFolder.isEmpty() ? m_temp.path() : pluginFolder);
    engine = std::make_unique<RecordingEngine>(engineView);
    engine->SetMp3Side(std::make_unique<Mp3TempEncoder>(plugin, [this] { return saveView.quality; }));
    saver = std::make_unique<RecordingSaver>(*engine, saveView, plugin);
    saver->SetSleep([this](int ms) { sleeps.push_back(ms); });
    saver->SetClock([] { return QDateTime(QDate(2008, 3, 5), QTime(14, 7, 9)); });
    saveView.folder = m_saves.path();
}

SavingSession::~SavingSession()
{
    saver.reset();
    engine.reset();
    plugin.reset();
    platform::audio::setBackendForTesting(nullptr);
    if (m_oldTmpDir.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", m_oldTmpDir);
}

void SavingSession::StartRecording(int formatRow)
{
    engineView.formatRow = formatRow;
    engine->OnRecord();
}

void SavingSession::Capture(double frequency, uint32_t frames)
{
    auto* stream = backend.captureStream();
    if (!stream)
        return;
    // Fifteen blocks are queued at a time: hand the sound over in portions
    // the engine can take, as a sound card would.
    const uint32_t portion = 4 * 6144 / stream->format().blockAlign();
    while (frames > 0) {
        const uint32_t n = std::min(frames, portion);
        stream->deliverTone(frequency, 0.5, n);
        FakeBackend::processCallbacks();
        frames -= n;
    }
}

void SavingSession::StopRecording()
{
    engine->OnStop();
    for (int i = 0; i < 100 && engine->IsRecording(); ++i)
        FakeBackend::processCallbacks();
    FakeBackend::processCallbacks();
}

void SavingSession::Record(int formatRow, double frequency, uint32_t frames)
{
    StartRecording(formatRow);
    Capture(frequency, frames);
    StopRecording();
}

int SavingSession::totalSleepMs() const { return std::accumulate(sleeps.begin(), sleeps.end(), 0); }

// ------------------------------------------------------------------ tools

namespace {

QString soxiValue(const QString& option, const QString& path)
{
    const auto r = testsupport::runTool(QStringLiteral("soxi"), {option, path});
    return r.exitCode == 0 ? QString::fromLocal8Bit(r.out).trimmed() : QString();
}

}  // namespace

DecodedMp3 decodeMp3(const QString& path)
{
    DecodedMp3 d;
    d.rate = soxiValue(QStringLiteral("-r"), path).toInt();
    d.channels = soxiValue(QStringLiteral("-c"), path).toInt();
    // mpg123 names the stream: "MPEG 1.0 L III cbr128 44100 stereo".
    const auto probe = testsupport::runTool(QStringLiteral("mpg123"), {QStringLiteral("-t"), QStringLiteral("-v"), path});
    const auto match = QRegularExpression(QStringLiteral("MPEG \\S+ L III (cbr|vbr|abr)(\\d+) (\\d+)"))
                           .match(QString::fromLocal8Bit(probe.err + probe.out));
    if (match.hasMatch()) {
        d.bitrateKbps = match.captured(1) == QLatin1String("cbr") ? match.captured(2).toInt() : -1;
        if (match.captured(3).toInt() != d.rate)
            d.rate = -1;  // the two tools disagree
    }
    if (d.rate == 0 || d.channels == 0) {
        d.problem = QStringLiteral("soxi cannot read ") + path;
        return d;
    }
    // Raw 16-bit output; mpg123 drops the encoder delay and padding that the
    // information frame announces, so the length is the recording's.
    const auto r = testsupport::runTool(QStringLiteral("mpg123"), {QStringLiteral("-q"), QStringLiteral("-s"), path});
    if (r.exitCode != 0) {
        d.problem = QStringLiteral("mpg123 failed: ") + QString::fromLocal8Bit(r.err);
        return d;
    }
    d.samples.resize(size_t(r.out.size() / 2));
    std::memcpy(d.samples.data(), r.out.constData(), d.samples.size() * 2);
    d.frames = uint32_t(d.samples.size() / size_t(d.channels));
    d.ok = true;
    return d;
}

WaveInfo probeWave(const QString& path)
{
    WaveInfo w;
    w.rate = soxiValue(QStringLiteral("-r"), path).toInt();
    w.channels = soxiValue(QStringLiteral("-c"), path).toInt();
    w.bits = soxiValue(QStringLiteral("-b"), path).toInt();
    w.frames = soxiValue(QStringLiteral("-s"), path).toUInt();
    w.ok = w.rate > 0 && w.channels > 0;
    return w;
}

double toneFrequency(const std::vector<int16_t>& interleaved, int channels, int rate)
{
    if (channels <= 0 || rate <= 0)
        return 0.0;
    const size_t frames = interleaved.size() / size_t(channels);
    int peak = 0;
    for (size_t i = 0; i < frames; ++i)
        peak = std::max(peak, std::abs(int(interleaved[i * size_t(channels)])));
    const int threshold = peak / 10;  // hysteresis against coding noise near zero
    if (threshold == 0)
        return 0.0;
    // Rising crossings: the sample where the signal goes from below
    // -threshold to above +threshold, refined by interpolation through zero.
    bool low = false;
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    int previous = 0;
    for (size_t i = 0; i < frames; ++i) {
        const int v = interleaved[i * size_t(channels)];
        if (v < -threshold)
            low = true;
        if (low && v >= 0 && previous < 0) {
            const double at = double(i - 1) + double(-previous) / double(v - previous);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
            low = false;
        }
        previous = v;
    }
    if (crossings < 2)
        return 0.0;
    return double(crossings - 1) * rate / (last - first);
}

QByteArray fileBytes(const QString& path) { return testsupport::readFile(path); }

}  // namespace savingtest
