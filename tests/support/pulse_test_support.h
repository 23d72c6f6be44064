#pragma once
// Helpers for the tests against the private PulseAudio server: waiting while
// the event loop runs, the reference tools pacat/parec/pactl, and measuring
// captured audio.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <functional>
#include <thread>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/audio/audio_backend.h"
#include "platform/audio/audio_types.h"
#include "platform/audio/pcm_tone.h"
#include "support/test_support.h"

namespace audiotest {

// Runs queued callbacks until `done` or the time is up; returns done().
inline bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

inline void RunEventsFor(int ms)
{
    RunEventsUntil([] { return false; }, ms);
}

inline QString PulseFormatName(const platform::audio::PcmFormat& f)
{
    return f.bitsPerSample == 8 ? QStringLiteral("u8") : QStringLiteral("s16le");
}

// pacat playing a tone into the default sink (the null sink) until stopped.
// It reads the tone from a file, so it keeps playing while the test's own
// thread is busy.
class TonePlayer {
public:
    TonePlayer(double frequency, double amplitude, double seconds, platform::audio::PcmFormat format = {48000, 16, 1})
    {
        platform::audio::ToneGenerator tone(format, frequency, amplitude);
        const QString path = m_dir.filePath("tone.raw");
        testsupport::WriteFile(path, tone.Next(uint32_t(seconds * format.sampleRate)));
        m_process.start("pacat",
                        {"--playback", "--raw", "--format=" + PulseFormatName(format),
                         QStringLiteral("--rate=%1").arg(format.sampleRate),
                         QStringLiteral("--channels=%1").arg(format.channels), "--latency-msec=300", path});
        m_started = m_process.waitForStarted(5000);
    }
    ~TonePlayer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool Started() const { return m_started; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    bool m_started = false;
};

// parec recording the null sink's monitor while it runs; into `file` when
// the test will not be reading as it goes.
class MonitorRecorder {
public:
    explicit MonitorRecorder(platform::audio::PcmFormat format, const QString& file = {})
        : m_file(file)
    {
        if (!file.isEmpty())
            m_process.setStandardOutputFile(file);
        m_process.start("parec",
                        {"--raw", "--device=quillon_null.monitor", "--format=" + PulseFormatName(format),
                         QStringLiteral("--rate=%1").arg(format.sampleRate),
                         QStringLiteral("--channels=%1").arg(format.channels), "--latency-msec=20"});
        m_started = m_process.waitForStarted(5000);
    }
    bool Started() const { return m_started; }
    // Reads what has come so far (call while the test waits).
    qsizetype Collect()
    {
        m_data += m_process.readAllStandardOutput();
        return m_data.size();
    }
    QByteArray Finish()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
        if (!m_file.isEmpty())
            return testsupport::ReadFile(m_file);
        Collect();
        return m_data;
    }
    ~MonitorRecorder() { Finish(); }

private:
    QString m_file;
    QProcess m_process;
    QByteArray m_data;
    bool m_started = false;
};

// The list index of the input the server calls `serverName`, or -1.
inline int DeviceIndex(platform::audio::AudioBackend& backend, const QString& serverName)
{
    for (const auto& d : backend.InputDevices())
        if (d.serverName == serverName)
            return d.index;
    return -1;
}

inline testsupport::ToolResult Pactl(const QStringList& args) { return testsupport::RunTool("pactl", args, 10000); }

// A second, real input (not a monitor) while it lives: a source fed by the
// null sink's monitor, which both servers offer.
struct ExtraSource {
    QString module;
    explicit ExtraSource(const QString& name = QStringLiteral("quillon_mic"),
                         const QString& description = QStringLiteral("Quillon-Mic"))
    {
        const auto r = Pactl({"load-module", "module-remap-source", "source_name=" + name,
                              "master=quillon_null.monitor", "source_properties=device.description=" + description});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        module = QString::fromUtf8(r.out).trimmed();
    }
    ~ExtraSource() { Pactl({"unload-module", module}); }
};

// While nothing asks it for low latency, the null sink renders in blocks of
// up to two seconds, and its monitor delivers nothing until the next block:
// a capture started then would wait that long for its first audio. A silent
// low-latency stream keeps the sink ticking, as a real sound card does.
// PipeWire's sink ticks anyway, but runs its whole graph at the smallest
// latency a stream asks for: without realtime scheduling a small machine
// then misses cycles and drops pieces of every stream, so there the keeper
// only keeps the sink from being suspended.
class SinkKeeper : public ::testing::Environment {
public:
    void SetUp() override
    {
        const QString latency = testsupport::OnPipeWire() ? "--latency-msec=100" : "--latency-msec=10";
        m_process.start("pacat", {"--playback", "--raw", "--rate=48000", latency, "/dev/zero"});
        ASSERT_TRUE(m_process.waitForStarted(5000)) << "pacat is needed for the audio tests";
        // Ready once the monitor delivers promptly.
        MonitorRecorder probe(platform::audio::PcmFormat{8000, 8, 1});
        RunEventsUntil([&] { return probe.Collect() >= 400; }, 4000);
    }
    void TearDown() override
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
};

// Points PULSE_SERVER elsewhere for one test.
struct ServerAddress {
    QByteArray saved = qgetenv("PULSE_SERVER");
    explicit ServerAddress(const QByteArray& address) { qputenv("PULSE_SERVER", address); }
    ~ServerAddress() { qputenv("PULSE_SERVER", saved); }
};

// A private server of the kind under test, that the test may stop.
struct PrivateServer {
    QTemporaryDir dir;
    QString script = testsupport::SoundServerScript();
    // Empty when the server runs, else what the start script said.
    std::string Start()
    {
        const auto r = testsupport::RunTool("bash", {script, "start", dir.path()}, 60000);
        return r.exitCode == 0 ? std::string() : "exit " + std::to_string(r.exitCode) + "\n" + r.err.toStdString();
    }
    // Gone at once, as after a crash (on PipeWire: its PulseAudio server).
    void Kill()
    {
        const QString pidFile = QDir(dir.path()).filePath("pid");
        const QByteArray pid = testsupport::ReadFile(pidFile).trimmed();
        if (!pid.isEmpty())
            testsupport::RunTool("kill", {"-9", QString::fromLatin1(pid)});
        // An unreaped server still answers kill -0: forget it, so that
        // start() really starts a new one.
        QFile::remove(pidFile);
    }
    QByteArray Address() const { return "unix:" + QDir(dir.path()).filePath("native").toUtf8(); }
    ~PrivateServer()
    {
        Kill();
        testsupport::RunTool("bash", {script, "stop", dir.path()});
    }
};

// One channel of interleaved PCM as -1..1.
inline std::vector<double> ChannelSamples(const QByteArray& pcm, const platform::audio::PcmFormat& f, int channel = 0)
{
    std::vector<double> out;
    const int frame = f.BlockAlign();
    const auto* p = reinterpret_cast<const uint8_t*>(pcm.constData());
    for (qsizetype i = 0; i + frame <= pcm.size(); i += frame) {
        if (f.bitsPerSample == 8) {
            out.push_back((int(p[i + channel]) - 128) / 128.0);
        } else {
            int16_t v;
            std::memcpy(&v, p + i + 2 * channel, 2);
            out.push_back(v / 32768.0);
        }
    }
    return out;
}

// Amplitude (0..1 of full scale) of `frequency` in samples [from, from+count).
inline double ToneAmplitude(const std::vector<double>& s, size_t from, size_t count, double rate, double frequency)
{
    const double w = 2.0 * std::numbers::pi * frequency / rate;
    const double coeff = 2.0 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (size_t i = from; i < from + count && i < s.size(); ++i) {
        const double s0 = s[i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / double(count);
}

// The strongest level of `frequency` over windows of `window` samples.
inline double StrongestToneAmplitude(const std::vector<double>& s, double rate, double frequency, size_t window)
{
    double best = 0;
    for (size_t from = 0; from + window <= s.size(); from += window / 4)
        best = std::max(best, ToneAmplitude(s, from, window, rate, frequency));
    return best;
}

// Positions (fractional sample index) of rising zero crossings.
inline std::vector<double> RisingZeroCrossings(const std::vector<double>& s)
{
    std::vector<double> at;
    for (size_t i = 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0)
            at.push_back(double(i - 1) + (-s[i - 1]) / (s[i] - s[i - 1]));
    return at;
}

// Runs of at least `minimum` samples quieter than `level` from `from` on
// (start, length).
inline std::vector<std::pair<size_t, size_t>> QuietStretches(const std::vector<double>& s, size_t from, double level,
                                                             size_t minimum)
{
    std::vector<std::pair<size_t, size_t>> out;
    size_t run = 0;
    for (size_t i = from; i <= s.size(); ++i) {
        if (i < s.size() && std::abs(s[i]) < level) {
            ++run;
            continue;
        }
        if (run >= minimum)
            out.push_back({i - run, run});
        run = 0;
    }
    return out;
}

// Where a tone of `period` samples jumps in phase: audio lost or doubled.
// A break with silence in between is where the player ran dry (the tone
// resumes later, phase intact), not a jump. Positions in samples.
inline std::vector<double> ToneJumps(const std::vector<double>& s, double period)
{
    const auto crossings = RisingZeroCrossings(s);
    std::vector<double> at;
    for (size_t i = 1; i < crossings.size(); ++i) {
        const double a = crossings[i - 1], b = crossings[i];
        const std::vector<double> between(s.begin() + long(a), s.begin() + long(b) + 1);
        if (std::abs(b - a - period) > 0.5 && QuietStretches(between, 0, 0.05, size_t(period)).empty())
            at.push_back(b);
    }
    return at;
}

// Stretches of sound (start, length in samples) louder than `level`, split
// where it stays quiet for more than `gap` samples.
inline std::vector<std::pair<size_t, size_t>> SoundStretches(const std::vector<double>& s, double level, size_t gap)
{
    std::vector<std::pair<size_t, size_t>> out;
    size_t quiet = gap + 1;
    for (size_t i = 0; i < s.size(); ++i) {
        if (std::abs(s[i]) < level) {
            ++quiet;
            continue;
        }
        if (quiet > gap)
            out.push_back({i, 1});
        else
            out.back().second = i - out.back().first + 1;
        quiet = 0;
    }
    return out;
}

// The level a mono recording of the stereo null sink's monitor shows for a
// tone of `amplitude` on both channels: the PulseAudio daemon averages the
// channels, PipeWire's down-mix keeps their power.
inline double MonoMonitorLevel(double amplitude)
{
    return testsupport::OnPipeWire() ? amplitude * std::numbers::sqrt2 : amplitude;
}

}  // namespace audiotest
