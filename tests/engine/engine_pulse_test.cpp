// The whole engine against the private PulseAudio server: a tone played into
// the null sink is recorded from its monitor, checked with sox, played back
// and captured again.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "engine_fixture.h"
#include "platform_audio/pulse_test_support.h"
#include "support/test_support.h"

using namespace enginetest;
using testsupport::runTool;
using testsupport::soxStat;
using audiotest::runEventsFor;
using audiotest::runEventsUntil;

namespace {

QString Soxi(const QString& option, const QString& file)
{
    const auto r = runTool("soxi", {option, file});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QString::fromLocal8Bit(r.out).trimmed();
}

// Without it the null sink of the PulseAudio daemon renders a second or
// more ahead, and playback would start that late.
static ::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new audiotest::SinkKeeper);

class EnginePulseTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QTemporaryDir work;
    TestView view;
    std::unique_ptr<RecordingEngine> engine;
    QProcess tone;

    void SetUp() override
    {
        ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
        qputenv("TMPDIR", tmp.path().toLocal8Bit());
        view.device = -1;  // the default source: the null sink's monitor
        engine = std::make_unique<RecordingEngine>(view);
    }
    void TearDown() override
    {
        engine.reset();
        StopTone();
    }
    QString WavPath() const
    {
        return tmp.path() + "/quillon_temp_" + QString::number(platform::currentThreadId()) + ".wav";
    }
    // A 1000 Hz sine into the null sink, for as long as the test needs it.
    void StartTone()
    {
        const QString file = work.filePath("tone.wav");
        ASSERT_EQ(runTool("sox", {"-n", "-r", "48000", "-c", "2", "-b", "16", file, "synth", "60", "sine",
                                  "1000", "vol", "0.5"})
                      .exitCode,
                  0);
        tone.start("paplay", {"--latency-msec=20", file});
        ASSERT_TRUE(tone.waitForStarted());
        // A new stream into the null sink takes a moment before its monitor
        // runs in real time; until then a recording would start late.
        runEventsFor(3000);
        ASSERT_EQ(tone.state(), QProcess::Running);
    }
    void StopTone()
    {
        tone.kill();
        tone.waitForFinished();
    }
    // Records for `ms`, presses Stop and waits for the device to hand over
    // the rest; returns the time between Record and Stop in seconds.
    double RecordFor(int ms)
    {
        QElapsedTimer t;
        t.start();
        engine->OnRecord();
        EXPECT_TRUE(engine->IsRecording()) << "errors: " << view.errors.size();
        runEventsFor(ms);
        const double pressed = t.elapsed() / 1000.0;
        engine->OnStop();
        EXPECT_TRUE(runEventsUntil([&] { return !engine->IsRecording(); }, 5000));
        return pressed;
    }
    QString CopyOfRecording(const QString& name)
    {
        const QString copy = work.filePath(name);
        QFile::remove(copy);
        EXPECT_TRUE(QFile::copy(WavPath(), copy));
        return copy;
    }
};

}  // namespace

TEST_F(EnginePulseTest, AToneIntoTheSinkIsRecordedWithItsFrequencyAndPlaysBackIntact)
{
    StartTone();
    view.formatRow = kRow48000Stereo16;
    const double pressed = RecordFor(2000);
    StopTone();
    ASSERT_TRUE(view.errors.empty());

    const QString file = CopyOfRecording("recording.wav");
    for (auto [option, value] : {std::pair{"-r", "48000"}, {"-c", "2"}, {"-b", "16"}})
        EXPECT_EQ(Soxi(option, file), value);
    const double seconds = Soxi("-D", file).toDouble();
    EXPECT_NEAR(seconds, pressed, 0.25);
    EXPECT_NEAR(soxStat({file, "-n", "remix", "1", "trim", "0.2", "1", "stat"}, "Rough   frequency"), 1000, 20);
    EXPECT_GT(soxStat({file, "-n", "trim", "0.2", "1", "stat"}, "RMS     amplitude"), 0.2);

    // Play it back while another program records the sink's monitor.
    const QString captured = work.filePath("captured.wav");
    QProcess rec;
    // A short latency: PipeWire sends a recorder its audio in pieces of that
    // size and drops the last, incomplete one when the recorder is stopped.
    rec.start("parecord", {"--device=quillon_null.monitor", "--rate=48000", "--channels=2", "--latency-msec=20",
                           "--format=s16le", "--file-format=wav", captured});
    ASSERT_TRUE(rec.waitForStarted());
    runEventsFor(500);
    QElapsedTimer playing;
    playing.start();
    engine->OnPlay();
    ASSERT_TRUE(engine->IsPlaying());
    ASSERT_TRUE(runEventsUntil([&] { return !engine->IsPlaying(); }, int(seconds * 1000) + 5000));
    EXPECT_LT(playing.elapsed() / 1000.0, seconds + 1.0) << "stopped long after the end";
    EXPECT_EQ(engine->position(), engine->GetDataLength() / 4) << "played to the end";
    runEventsFor(500);
    rec.terminate();
    ASSERT_TRUE(rec.waitForFinished(5000));

    // The sound part of the capture: the recording, as long as it was.
    const QStringList trimmed = {captured, "-n", "remix", "1", "silence", "1", "0.01", "2%", "reverse",
                                 "silence", "1", "0.01", "2%", "reverse", "stat"};
    EXPECT_NEAR(soxStat(trimmed, "Length (seconds)"), seconds, 0.2);
    EXPECT_NEAR(soxStat(trimmed, "Rough   frequency"), 1000, 20);
}

// The recording holds the sound up to the press of Stop, including the block
// being filled at that moment, which lasts 0.77 s at 8000 Hz 8-bit mono.
class StopKeepsTheTail : public EnginePulseTest, public ::testing::WithParamInterface<int> {};

TEST_P(StopKeepsTheTail, TheFileHoldsTheAudioUpToThePressOfStop)
{
    StartTone();
    view.formatRow = GetParam();
    const double pressed = RecordFor(2300);  // not a whole number of blocks at either rate
    ASSERT_TRUE(view.errors.empty());
    const QString file = CopyOfRecording("tail.wav");

    const double seconds = Soxi("-D", file).toDouble();
    EXPECT_GT(seconds, pressed - 0.15) << "recorded " << seconds << " s, Stop pressed after " << pressed << " s";
    EXPECT_LT(seconds, pressed + 0.25);
    // The last tenth of a second is still the tone, not silence or padding.
    const QString tailStart = QString::number(seconds - 0.1, 'f', 3);
    EXPECT_GT(soxStat({file, "-n", "trim", tailStart, "stat"}, "RMS     amplitude"), 0.2);
    EXPECT_NEAR(soxStat({file, "-n", "remix", "1", "trim", "0.3", "1", "stat"}, "Rough   frequency"), 1000, 30);

    // Resume continues right after it, without a silent moment at the join.
    const double more = RecordFor(1000);
    StopTone();
    const QString both = CopyOfRecording("both.wav");
    EXPECT_NEAR(Soxi("-D", both).toDouble(), seconds + more, 0.3);
    const QString raw = work.filePath("both.raw");
    ASSERT_EQ(runTool("sox", {both, "-t", "raw", "-e", "signed", "-b", "16", "-r", "48000", raw, "remix", "1"}).exitCode,
              0);
    const auto samples = audiotest::channelSamples(testsupport::readFile(raw), {48000, 16, 1});
    const auto join = size_t(seconds * 48000);
    EXPECT_LT(audiotest::longestQuietStretch(samples, join - 2400, join + 2400, 0.05), 48u) << "a gap at the join";
}

INSTANTIATE_TEST_SUITE_P(Formats, StopKeepsTheTail, ::testing::Values(kRow8000Mono8, kRow48000Stereo16),
                         [](const auto& info) {
                             return info.param == kRow8000Mono8 ? std::string("Rate8000Bits8Mono")
                                                                : std::string("Rate48000Bits16Stereo");
                         });
