// A real recording from the private PulseAudio server, saved as MP3 through
// the real plug-in: a tone played into the null sink is recorded from its
// monitor, encoded while recording, copied and encoded again at save time.

#include <gtest/gtest.h>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/pulse_test_support.h"
#include "saving_harness.h"
#include "support/test_support.h"

using namespace savingtest;

namespace {

// Without it the null sink of the PulseAudio daemon renders a second or
// more ahead, and what its monitor shows would lag the ear.
::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new audiotest::SinkKeeper);

}  // namespace

TEST(SavingFromTheServer, ARecordedToneIsSavedAsMp3ByCopyAndByEncoding)
{
    ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
    QTemporaryDir work;
    const QString toneFile = work.filePath("tone.wav");
    ASSERT_EQ(
        testsupport::RunTool(
            "sox", {"-n", "-r", "48000", "-c", "2", "-b", "16", toneFile, "synth", "30", "sine", "1000", "vol", "0.5"})
            .exitCode,
        0);
    QProcess tone;
    // A generous buffer keeps the tone whole on a busy machine.
    tone.start("paplay", {"--latency-msec=200", toneFile});
    ASSERT_TRUE(tone.waitForStarted());
    // A new stream into the null sink needs a moment before its monitor runs in real time.
    QTest::qWait(3000);
    ASSERT_EQ(tone.state(), QProcess::Running);

    SavingSession s(RealPluginFolder(), SavingSession::Audio::Server);
    s.StartRecording(kStereo48k16Bit);
    ASSERT_TRUE(s.engine->IsRecording()) << "engine messages: " << s.engineView.errors.size();
    ASSERT_FALSE(s.Mp3TempPath().isEmpty());
    QTest::qWait(2000);
    s.engine->Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.engine->IsRecording(); }, 5000));
    tone.kill();
    tone.waitForFinished();
    ASSERT_TRUE(s.engineView.errors.empty());
    EXPECT_GT(s.Frames(), 48000u * 3 / 2);

    s.SaveAt(9);
    EXPECT_EQ(testsupport::ReadFile(s.Saved(kClockName + ".mp3")), testsupport::ReadFile(s.Mp3TempPath()));
    ExpectMp3Holds(s.Saved(kClockName + ".mp3"), s.Frames(), 48000, 2, 128, 1000);
    s.saveView.quality = 13;
    s.SaveAt(10);
    ExpectMp3Holds(s.Saved("2008-03-05 14h07m10s.mp3"), s.Frames(), 48000, 2, 224, 1000);
    EXPECT_EQ(s.saveView.progress.created, 1);
    EXPECT_TRUE(s.saveView.errors.empty());
}

// At 8000 Hz 8-bit mono a queue counted in blocks held ten seconds: the
// position ran that far ahead of the ear and a clear after Play and Stop kept
// seconds nobody had heard. The position while playing and at Stop is what
// the sink's monitor shows was played, and the clear keeps that.
TEST(SavingFromTheServer, AClearAfterPlayAndStopAtALowRateKeepsWhatWasHeard)
{
    ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
    QTemporaryDir work;
    // Four seconds of a tone, exactly, recorded on the fake input; played on the server.
    SavingSession s({}, SavingSession::Audio::Fake);
    s.Record(kMono8k8Bit, 1000, 4 * 8000);
    ASSERT_EQ(s.Frames(), 4u * 8000);
    s.PlayOnTheServer();
    s.engine->MoveTo(0);

    audiotest::MonitorRecorder monitor({8000, 8, 1}, work.filePath("heard.raw"));
    ASSERT_TRUE(monitor.Started());
    QTest::qWait(500);
    QElapsedTimer clock;
    clock.start();
    s.engine->Play();
    ASSERT_TRUE(s.engine->IsPlaying());
    // Nothing can have been heard before it was played; a busy machine may
    // start the sound late.
    QTest::qWait(400);
    const double shown = s.engine->Position() / 8000.0;
    const double playing = clock.elapsed() / 1000.0;
    EXPECT_LE(shown, playing + 0.06) << "the position runs ahead of the sound";
    EXPECT_GE(shown, playing - 1.0);
    EXPECT_EQ(s.engineView.position, s.engine->Position());

    QTest::qWait(300);
    s.engine->Stop();
    const double stoppedAfter = clock.elapsed() / 1000.0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.engine->IsPlaying(); }, 5000));
    const uint32_t kept = s.engine->Position();
    EXPECT_LE(kept / 8000.0, stoppedAfter + 0.06);
    EXPECT_GE(kept / 8000.0, stoppedAfter - 1.0);
    EXPECT_EQ(s.engineView.position, kept);

    QTest::qWait(300);
    const auto heard = audiotest::SoundStretches(audiotest::ChannelSamples(monitor.Finish(), {8000, 8, 1}), 0.1, 800);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NEAR(kept / 8000.0, heard[0].second / 8000.0, 0.15) << "Stop keeps what the sink played";

    s.engine->ClearAfterPosition();
    EXPECT_EQ(s.Frames(), kept);
}
