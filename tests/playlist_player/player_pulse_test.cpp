// The playlist player against the private PulseAudio server: what it plays
// into the null sink is recorded from the sink's monitor and measured.
#include <gtest/gtest.h>

#include <QProcess>

#include "../platform_audio/pulse_test_support.h"
#include "../zldecoder/media.h"
#include "player_fixture.h"

using namespace playertest;
using namespace audiotest;
using testsupport::soxStat;
using playlist::PlaylistPlayer;

namespace {

static ::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new SinkKeeper);

class PlayerPulseTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty()) << "the harness starts the server"; }

    // A sine into a WAVE file: `seconds` long at 44.1 kHz stereo.
    QString Sine(const QString& name, int frequency, double seconds, double volume)
    {
        const QString path = dir.filePath(name + ".wav");
        media::run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth", QString::number(seconds), "sine",
                           QString::number(frequency), "vol", QString::number(volume)});
        return path;
    }
    bool WaitForSilence(int timeoutMs)
    {
        return runEventsUntil([&] { return player.playSlots().empty(); }, timeoutMs);
    }

    QTemporaryDir dir;
    TestHost host;
    std::vector<std::unique_ptr<PlaylistItem>> items;
    PlaylistPlayer player{host};
};

}  // namespace

// A WAVE and an MP3 item each reach the sink whole: the monitor holds the
// item's tone for as long as the item lasts.
TEST_F(PlayerPulseTest, WaveAndMp3ItemsReachTheSinkWithTheirFrequencyAndLength)
{
    const QString mp3 = media::makeMp3(Sine("mp3source", 1000, 2.0, 0.5), dir.filePath("tone.mp3"), {"-b", "128"});
    struct Case {
        QString path;
        int frequency;
    };
    for (const Case& c : {Case{Sine("tone", 440, 1.5, 0.5), 440}, Case{mp3, 1000}}) {
        SCOPED_TRACE(c.path.toStdString());
        items.push_back(LoadedItem(c.path));
        PlaylistItem* item = items.back().get();
        const double seconds = double(item->length) / 44100;

        const QString captured = dir.filePath("captured.wav");
        QProcess rec;
        rec.start("parecord", {"--device=quillon_null.monitor", "--rate=44100", "--channels=2", "--format=s16le",
                               "--file-format=wav", "--latency-msec=20", captured});
        ASSERT_TRUE(rec.waitForStarted());
        runEventsFor(500);
        player.PlaySelected({item});
        ASSERT_EQ(player.playSlots().size(), 1u);
        EXPECT_TRUE(WaitForSilence(int(seconds * 1000) + 5000));
        runEventsFor(500);
        rec.terminate();
        ASSERT_TRUE(rec.waitForFinished(5000));

        const QStringList trimmed = {captured, "-n", "remix", "1", "silence", "1", "0.01", "2%", "reverse",
                                     "silence", "1", "0.01", "2%", "reverse", "stat"};
        EXPECT_NEAR(soxStat(trimmed, "Length (seconds)"), seconds, 0.15);
        EXPECT_NEAR(soxStat(trimmed, "Rough   frequency"), c.frequency, 20);
        EXPECT_TRUE(host.errors.empty());
        EXPECT_EQ(host.statusText(), QStringLiteral("就绪"));
    }
}

// Ten items started one after another all play at once, each on its own
// device; every tone is in the monitor and every device closes at the end.
TEST_F(PlayerPulseTest, TenItemsPlayAtOnce)
{
    for (int i = 0; i < 10; ++i)
        items.push_back(LoadedItem(Sine(QString("tone%1").arg(i), 300 + 100 * i, 0.35, 0.05)));
    MonitorRecorder monitor({44100, 16, 2});
    ASSERT_TRUE(monitor.started());
    runEventsFor(300);
    for (auto& item : items)
        ASSERT_TRUE(player.StartItem(item.get(), true));
    EXPECT_EQ(player.playSlots().size(), 10u);
    EXPECT_TRUE(WaitForSilence(5000));
    runEventsFor(300);
    const QByteArray pcm = monitor.finish();
    EXPECT_TRUE(host.errors.empty());

    const auto samples = channelSamples(pcm, {44100, 16, 2});
    for (int i = 0; i < 10; ++i)
        EXPECT_NEAR(strongestToneAmplitude(samples, 44100, 300 + 100 * i, 4410), 0.05, 0.015) << 300 + 100 * i << " Hz";
}
