// How fast a save encodes a recording into MP3, against the lame command line
// encoding the same WAVE file with the same settings. The save's deliberate
// pacing (the progress display's minimum time) is left out; what remains is
// reading the recording, the encoder calls and writing the file.
//
// Prints both times and the throughput ratio; fails when the save is more
// than 10 % slower than lame. Both sides run three times, alternating, and
// the best time of each counts; the ratio is taken from processor time (user
// and system), which other work on a shared machine disturbs less than the
// wall clock. Both are printed.

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
#include <sys/resource.h>
#include <time.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "engine/encoder_plugin.h"
#include "engine/record_formats.h"
#include "engine/recording_engine.h"
#include "engine/take_exporter.h"
#include "platform/audio/audio_backend.h"
#include "platform/audio/fake_backend.h"

namespace {

constexpr int kSeconds = 60;
constexpr int kRate = 44100;
constexpr int kFormatRow = 23;  // 44100 Hz, 16-bit, stereo
constexpr int kQuality = 10;    // 128 kbit/s
constexpr double kTarget = 0.90;
constexpr int kRounds = 3;

// Something like music: three voices that wander, and a little noise.
QByteArray MusicLike(uint32_t frames, uint32_t offset, std::mt19937& random)
{
    std::normal_distribution<double> noise(0.0, 300.0);
    QByteArray bytes(qsizetype(frames) * 4, Qt::Uninitialized);
    auto* out = reinterpret_cast<int16_t*>(bytes.data());
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(offset + i) / kRate;
        const double left = 6000 * std::sin(2 * M_PI * (220 + 30 * std::sin(t)) * t) +
            4000 * std::sin(2 * M_PI * 660 * t) + 2500 * std::sin(2 * M_PI * 3100 * t);
        const double right = 6000 * std::sin(2 * M_PI * 330 * t + 1) + 3000 * std::sin(2 * M_PI * 1250 * t);
        out[2 * i] = int16_t(std::lround(left + noise(random)));
        out[2 * i + 1] = int16_t(std::lround(right + noise(random)));
    }
    return bytes;
}

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Processor time of the children that have been waited for.
double ChildrenCpuSeconds()
{
    rusage r{};
    getrusage(RUSAGE_CHILDREN, &r);
    auto seconds = [](const timeval& v) { return double(v.tv_sec) + double(v.tv_usec) / 1e6; };
    return seconds(r.ru_utime) + seconds(r.ru_stime);
}

struct Timing {
    double cpu = 0;
    double wall = 0;
};

std::optional<Timing> TimeSave(TakeExporter& exporter, const TakeSource& source, const QString& target)
{
    const std::atomic<bool> cancel = false;
    QElapsedTimer timer;
    const double cpu = ProcessCpuSeconds();
    timer.start();
    const ExportTarget to{target.chopped(4), QStringLiteral(".mp3"), true};
    if (exporter.Export(source, to, ExportFormat::Mp3, kQuality, {}, cancel).status != ExportStatus::Saved) {
        std::fprintf(stderr, "the save failed\n");
        return std::nullopt;
    }
    return Timing{ProcessCpuSeconds() - cpu, timer.nsecsElapsed() / 1e9};
}

// lame with the record's settings: constant bit rate, plain stereo, the
// high-quality algorithm, no bit reservoir, no resampling, no ReplayGain.
std::optional<Timing> TimeLame(const QString& wave, const QString& target)
{
    QProcess lame;
    QElapsedTimer timer;
    const double cpu = ChildrenCpuSeconds();
    timer.start();
    lame.start(QStringLiteral("lame"),
               {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"), QStringLiteral("-m"),
                QStringLiteral("s"), QStringLiteral("-q"), QStringLiteral("2"), QStringLiteral("--nores"),
                QStringLiteral("--noreplaygain"), QStringLiteral("--resample"), QStringLiteral("44.1"), wave, target});
    if (!lame.waitForFinished(600000) || lame.exitStatus() != QProcess::NormalExit || lame.exitCode() != 0) {
        std::fprintf(stderr, "lame failed: %s\n", lame.readAllStandardError().constData());
        return std::nullopt;
    }
    return Timing{ChildrenCpuSeconds() - cpu, timer.nsecsElapsed() / 1e9};
}

QString PluginFolder()
{
    const QByteArray env = qgetenv("QUILLON_BIN_DIR");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin"));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    qputenv("TMPDIR", QFile::encodeName(work.path()));

    platform::audio::FakeBackend backend;
    backend.AddInputDevice(QStringLiteral("Bench"));
    platform::audio::SetBackendForTesting(&backend);

    auto plugin = std::make_shared<EncoderPlugin>();
    plugin->LoadEncoder(PluginFolder());
    if (!plugin->IsAvailable()) {
        std::fprintf(stderr, "no encoder plug-in in %s\n", qPrintable(PluginFolder()));
        return 1;
    }

    RecordingEngine engine;  // no MP3 temporary file: every save encodes
    TakeExporter exporter(plugin);

    // The recording, delivered as a sound card would.
    engine.Record(0, RecordFormats::Format(kFormatRow));
    std::mt19937 random(7);
    const uint32_t total = kSeconds * kRate;
    for (uint32_t done = 0; done < total;) {
        const uint32_t n = std::min<uint32_t>(4 * 1536, total - done);
        backend.GetCaptureStream()->Deliver(MusicLike(n, done, random));
        platform::audio::FakeBackend::ProcessCallbacks();
        done += n;
    }
    engine.Stop();
    for (int i = 0; i < 100 && engine.IsRecording(); ++i)
        platform::audio::FakeBackend::ProcessCallbacks();
    if (engine.GetDataLength() != total * 4) {
        std::fprintf(stderr, "recorded %u bytes, expected %u\n", engine.GetDataLength(), total * 4);
        return 1;
    }

    // The same WAVE file for lame; reading it once also warms the page cache
    // for both sides.
    const QString wave = work.filePath(QStringLiteral("recording.wav"));
    QFile::copy(engine.GetRecordingFile().Path(), wave);

    const QString ours = work.filePath(QStringLiteral("save.mp3"));
    const QString theirs = work.filePath(QStringLiteral("lame.mp3"));
    Timing best[2];
    for (int round = 0; round < kRounds; ++round) {
        // Alternating, so that a busy moment of the machine hits both sides.
        const auto o = TimeSave(exporter, engine.ExportSource(), ours);
        const auto l = TimeLame(wave, theirs);
        if (!o || !l)
            return 1;
        best[0] = round == 0 ? *o : Timing{std::min(best[0].cpu, o->cpu), std::min(best[0].wall, o->wall)};
        best[1] = round == 0 ? *l : Timing{std::min(best[1].cpu, l->cpu), std::min(best[1].wall, l->wall)};
    }
    if (QFileInfo(ours).size() < 900000 || QFileInfo(theirs).size() < 900000) {
        std::fprintf(stderr, "unexpectedly small output\n");
        return 1;
    }

    const double ratio = best[1].cpu / best[0].cpu;  // our throughput / lame's
    std::printf("audio:          %d s, 44100 Hz stereo 16-bit, 128 kbit/s; best of %d rounds\n", kSeconds, kRounds);
    std::printf("save encoding:  %.3f s processor, %.3f s wall  (%.1f x real time, %lld bytes)\n", best[0].cpu,
                best[0].wall, kSeconds / best[0].cpu, QFileInfo(ours).size());
    std::printf("lame:           %.3f s processor, %.3f s wall  (%.1f x real time, %lld bytes)\n", best[1].cpu,
                best[1].wall, kSeconds / best[1].cpu, QFileInfo(theirs).size());
    std::printf("wall-clock ratio (save / lame): %.3f\n", best[1].wall / best[0].wall);
    std::printf("throughput ratio (save / lame, processor time): %.3f  target >= %.2f: %s\n", ratio, kTarget,
                ratio >= kTarget ? "met" : "MISSED");

    platform::audio::SetBackendForTesting(nullptr);
    return ratio >= kTarget ? 0 : 1;
}
