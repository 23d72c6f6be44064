// A real recording from the private PulseAudio server, saved as MP3 through
// the real plug-in: a tone played into the null sink is recorded from its
// monitor, encoded while recording, copied and encoded again at save time.

#include <gtest/gtest.h>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "engine/readout.h"
#include "saving_harness.h"
#include "support/test_support.h"

using namespace savingtest;

TEST(SavingFromTheServer, ARecordedToneIsSavedAsMp3ByCopyAndByEncoding)
{
    ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
    QTemporaryDir work;
    const QString toneFile = work.filePath("tone.wav");
    ASSERT_EQ(testsupport::runTool("sox", {"-n", "-r", "48000", "-c", "2", "-b", "16", toneFile, "synth", "30", "sine",
                                           "1000", "vol", "0.5"}).exitCode, 0);
    QProcess tone;
    // A generous buffer keeps the tone whole on a busy machine.
    tone.start("paplay", {"--latency-msec=200", toneFile});
    ASSERT_TRUE(tone.waitForStarted());
    // A new stream into the null sink needs a moment before its monitor runs in real time.
    QTest::qWait(3000);
    ASSERT_EQ(tone.state(), QProcess::Running);

    SavingSession s(realPluginFolder(), SavingSession::Audio::Server);
    s.StartRecording(kStereo48k16Bit);
    ASSERT_TRUE(s.engine->IsRecording()) << "engine messages: " << s.engineView.errors.size();
    ASSERT_FALSE(s.mp3TempPath().isEmpty());
    QTest::qWait(2000);
    s.engine->OnStop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.engine->IsRecording(); }, 5000));
    tone.kill();
    tone.waitForFinished();
    ASSERT_TRUE(s.engineView.errors.empty());
    EXPECT_GT(s.frames(), 48000u * 3 / 2);

    s.SaveAt(9);
    EXPECT_EQ(testsupport::readFile(s.saved(kClockName + ".mp3")), testsupport::readFile(s.mp3TempPath()));
    expectMp3Holds(s.saved(kClockName + ".mp3"), s.frames(), 48000, 2, 128, 1000);
    s.saveView.quality = 13;
    s.SaveAt(10);
    expectMp3Holds(s.saved("2008-03-05 14h07m10s.mp3"), s.frames(), 48000, 2, 224, 1000);
    EXPECT_EQ(s.saveView.progress.created, 1);
    EXPECT_TRUE(s.saveView.errors.empty());

    // Play and Stop at once on the server's output: the readout and the thumb
    // show the position the queue reached, and the partial clear keeps that.
    s.engine->OnPlay();
    ASSERT_TRUE(s.engine->IsPlaying());
    s.engine->OnStop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.engine->IsPlaying(); }, 5000));
    const uint32_t position = s.engine->position();
    ASSERT_LT(position, s.frames());
    EXPECT_EQ(s.engineView.positionText, ReadoutText(385, position, 48000));
    EXPECT_EQ(s.engineView.thumb, position);
    s.saver->OnClearAfterPosition();
    EXPECT_EQ(s.frames(), position);
    s.SaveAt(11);
    expectMp3Holds(s.saved("2008-03-05 14h07m11s.mp3"), position, 48000, 2, 224, 1000);
}
