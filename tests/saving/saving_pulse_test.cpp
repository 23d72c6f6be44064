// A real recording from the private PulseAudio server, saved as MP3 through
// the real plug-in: a tone played into the null sink is recorded from its
// monitor, encoded while recording, copied and encoded again at save time.

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <thread>

#include "saving_harness.h"
#include "support/test_support.h"

using namespace savingtest;

namespace {

bool runEventsUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

TEST(SavingFromTheServer, ARecordedToneIsSavedAsMp3ByCopyAndByEncoding)
{
    ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
    QTemporaryDir work;
    const QString toneFile = work.filePath("tone.wav");
    ASSERT_EQ(testsupport::runTool("sox", {"-n", "-r", "48000", "-c", "2", "-b", "16", toneFile, "synth", "30",
                                           "sine", "1000", "vol", "0.5"})
                  .exitCode,
              0);
    QProcess tone;
    tone.start("paplay", {"--latency-msec=20", toneFile});
    ASSERT_TRUE(tone.waitForStarted());
    // A new stream into the null sink needs a moment before its monitor runs
    // in real time.
    runEventsUntil([] { return false; }, 3000);
    ASSERT_EQ(tone.state(), QProcess::Running);

    SavingSession s(realPluginFolder(), SavingSession::Audio::Server);
    s.saveView.quality = 10;
    s.StartRecording(kStereo48k16Bit);
    ASSERT_TRUE(s.engine->IsRecording()) << "engine messages: " << s.engineView.errors.size();
    ASSERT_FALSE(s.mp3TempPath().isEmpty());
    runEventsUntil([] { return false; }, 2000);
    s.engine->OnStop();
    ASSERT_TRUE(runEventsUntil([&] { return !s.engine->IsRecording(); }, 5000));
    tone.kill();
    tone.waitForFinished();
    ASSERT_TRUE(s.engineView.errors.empty());

    const uint32_t frames = s.engine->GetDataLength() / 4;
    EXPECT_GT(frames, 48000u * 3 / 2);

    s.engine->OnSave();
    const QString copied = s.saveFolder() + "/2008-03-05 14h07m09s.mp3";
    EXPECT_EQ(fileBytes(copied), fileBytes(s.mp3TempPath()));
    DecodedMp3 d = decodeMp3(copied);
    ASSERT_TRUE(d.ok) << d.problem.toStdString();
    EXPECT_EQ(d.frames, frames);
    EXPECT_EQ(d.rate, 48000);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.bitrateKbps, 128);
    EXPECT_NEAR(toneFrequency(d.samples, d.channels, d.rate), 1000, 10);

    s.saveView.quality = 13;
    s.saver->SetClock([] { return QDateTime(QDate(2008, 3, 5), QTime(14, 7, 10)); });
    s.engine->OnSave();
    d = decodeMp3(s.saveFolder() + "/2008-03-05 14h07m10s.mp3");
    ASSERT_TRUE(d.ok) << d.problem.toStdString();
    EXPECT_EQ(d.frames, frames);
    EXPECT_EQ(d.bitrateKbps, 224);
    EXPECT_NEAR(toneFrequency(d.samples, d.channels, d.rate), 1000, 10);
    EXPECT_EQ(s.saveView.progress.created, 1);
    EXPECT_TRUE(s.saveView.errors.empty());
}

}  // namespace
