#pragma once
// Helpers for the tests against the private PulseAudio server: waiting while
// the event loop runs, and the reference tools pacat/parec/pactl.

#include <chrono>
#include <functional>
#include <thread>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/audio/audio_types.h"
#include "platform/audio/pcm_tone.h"
#include "support/test_support.h"

namespace audiotest {

// Runs queued callbacks until `done` or the time is up; returns done().
inline bool runEventsUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

inline void runEventsFor(int ms)
{
    runEventsUntil([] { return false; }, ms);
}

inline QString pulseFormatName(const platform::audio::PcmFormat& f)
{
    return f.bitsPerSample == 8 ? QStringLiteral("u8") : QStringLiteral("s16le");
}

// pacat playing a tone into the default sink (the null sink) until stopped.
// It reads the tone from a file, so it keeps playing while the test's own
// thread is busy.
class TonePlayer {
public:
    TonePlayer(double frequency, double amplitude, double seconds,
               platform::audio::PcmFormat format = {48000, 16, 1})
    {
        platform::audio::ToneGenerator tone(format, frequency, amplitude);
        const QString path = m_dir.filePath("tone.raw");
        testsupport::writeFile(path, tone.next(uint32_t(seconds * format.sampleRate)));
        m_process.start("pacat", {"--playback", "--raw", "--format=" + pulseFormatName(format),
                                  QStringLiteral("--rate=%1").arg(format.sampleRate),
                                  QStringLiteral("--channels=%1").arg(format.channels), "--latency-msec=300", path});
        m_started = m_process.waitForStarted(5000);
    }
    ~TonePlayer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool started() const { return m_started; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    bool m_started = false;
};

// parec recording the null sink's monitor while it runs.
class MonitorRecorder {
public:
    explicit MonitorRecorder(platform::audio::PcmFormat format)
    {
        m_process.start("parec", {"--raw", "--device=quillon_null.monitor", "--format=" + pulseFormatName(format),
                                  QStringLiteral("--rate=%1").arg(format.sampleRate),
                                  QStringLiteral("--channels=%1").arg(format.channels), "--latency-msec=20"});
        m_started = m_process.waitForStarted(5000);
    }
    bool started() const { return m_started; }
    // Reads what has come so far (call while the test waits).
    void collect() { m_data += m_process.readAllStandardOutput(); }
    QByteArray finish()
    {
        collect();
        m_process.terminate();
        m_process.waitForFinished(5000);
        m_data += m_process.readAllStandardOutput();
        return m_data;
    }
    ~MonitorRecorder()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    QProcess m_process;
    QByteArray m_data;
    bool m_started = false;
};

// While nothing asks it for low latency, the null sink renders in blocks of
// up to two seconds, and its monitor delivers nothing until the next block:
// a capture started then would wait that long for its first audio. A silent
// low-latency stream keeps the sink ticking, as a real sound card does.
class SinkKeeper : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_process.start("pacat", {"--playback", "--raw", "--latency-msec=10", "/dev/zero"});
        ASSERT_TRUE(m_process.waitForStarted(5000)) << "pacat is needed for the audio tests";
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    }
    void TearDown() override
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
};

inline testsupport::ToolResult pactl(const QStringList& args) { return testsupport::runTool("pactl", args, 10000); }

}  // namespace audiotest
