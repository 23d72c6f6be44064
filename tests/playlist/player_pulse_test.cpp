// The playlist player against the private PulseAudio server: what it plays
// into the null sink is recorded from the sink's monitor and measured.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "support/pulse_test_support.h"
#include "platform/audio/pulse_backend.h"
#include "player_fixture.h"
#include "resources/strings.h"

using namespace playertest;
using namespace audiotest;
using playlist::PlaylistPlayer;

namespace {

static ::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new SinkKeeper);

class PlayerPulseTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty()) << "the harness starts the server"; }

    bool WaitForSilence(int timeoutMs)
    {
        return RunEventsUntil([&] { return player.PlaySlots().empty(); }, timeoutMs);
    }

    QTemporaryDir dir;
    TestHost host;
    std::vector<std::unique_ptr<PlaylistItem>> items;
    PlaylistPlayer player{host};
};

}  // namespace

// Ten items started one after another all play at once, each on its own
// device; every tone is in the monitor and every device closes at the end.
TEST_F(PlayerPulseTest, TenItemsPlayAtOnce)
{
    for (int i = 0; i < 10; ++i)
        items.push_back(LoadedItem(SineWave(dir.filePath(QString("tone%1.wav").arg(i)), 300 + 100 * i, 0.35, 0.05)));
    MonitorRecorder monitor({44100, 16, 2});
    ASSERT_TRUE(monitor.Started());
    RunEventsFor(300);
    for (auto& item : items)
        ASSERT_TRUE(player.StartItem(item.get(), true));
    EXPECT_EQ(player.PlaySlots().size(), 10u);
    EXPECT_TRUE(WaitForSilence(5000));
    RunEventsFor(300);
    const QByteArray pcm = monitor.Finish();
    EXPECT_TRUE(host.errors.empty());

    const auto samples = ChannelSamples(pcm, {44100, 16, 2});
    for (int i = 0; i < 10; ++i)
        EXPECT_NEAR(StrongestToneAmplitude(samples, 44100, 300 + 100 * i, 4410), 0.05, 0.015) << 300 + 100 * i << " Hz";
}

// At 8000 Hz 8-bit mono sixteen whole pieces were twelve seconds: Pause went
// on sounding for that long. Now it falls silent at once, and Resume plays
// on from the first sample not yet heard: the sink plays the whole item, in
// two stretches with the pause between them.
TEST_F(PlayerPulseTest, PauseFallsSilentAtOnceAndResumePlaysOnWithoutLossOrRepeat)
{
    const QString path = dir.filePath("low.wav");
    media::Run("sox",
               {"-n", "-r", "8000", "-c", "1", "-b", "8", "-e", "unsigned-integer", path, "synth", "3", "sine", "400",
                "vol", "0.5"});
    items.push_back(LoadedItem(path));
    PlaylistItem* item = items.back().get();
    ASSERT_EQ(item->length, 24000u);

    MonitorRecorder monitor({8000, 8, 1}, dir.filePath("captured.raw"));
    ASSERT_TRUE(monitor.Started());
    RunEventsFor(500);
    QElapsedTimer clock;
    clock.start();
    player.PlaySelected({item});
    ASSERT_EQ(player.PlaySlots().size(), 1u);
    RunEventsUntil([&] { return clock.elapsed() >= 1000; }, 2000);
    player.TogglePause();
    const double pausedAfter = clock.elapsed() / 1000.0;
    ASSERT_TRUE(player.IsPaused());
    RunEventsFor(1500);
    player.TogglePause();
    ASSERT_FALSE(player.IsPaused());
    EXPECT_TRUE(WaitForSilence(8000));
    RunEventsFor(500);
    const auto samples = ChannelSamples(monitor.Finish(), {8000, 8, 1});

    const auto sound = SoundStretches(samples, 0.1, 800);
    ASSERT_EQ(sound.size(), 2u) << "the pause is a silence";
    // The sound started no earlier than the play; within 0.1 s of Pause it stopped.
    EXPECT_LE(sound[0].second / 8000.0, pausedAfter + 0.1);
    EXPECT_GE(sound[0].second / 8000.0, 0.3);
    EXPECT_GE((sound[1].first - sound[0].first - sound[0].second) / 8000.0, 1.2);
    EXPECT_NEAR((sound[0].second + sound[1].second) / 8000.0, 3.0, 0.1) << "lost or played twice at the pause";
    EXPECT_TRUE(host.errors.empty());
}

// The sound server dies while an item plays: the user is told, the queue
// ends and every device is closed.
TEST_F(PlayerPulseTest, AServerThatGoesAwayWhilePlayingIsReported)
{
    PrivateServer server;
    ASSERT_EQ(server.Start(), "");
    ServerAddress address(server.Address());
    platform::audio::PulseBackend pulse;
    testsupport::ScopedBackend use(pulse);

    items.push_back(LoadedItem(SineWave(dir.filePath("first.wav"), 440, 5, 0.3)));
    items.push_back(LoadedItem(SineWave(dir.filePath("second.wav"), 440, 5, 0.3)));
    player.PlaySelected({items[0].get(), items[1].get()});
    ASSERT_EQ(player.PlaySlots().size(), 1u);
    RunEventsFor(500);
    server.Kill();
    EXPECT_TRUE(RunEventsUntil([&] { return !host.errors.empty(); }, 5000));
    RunEventsFor(200);
    EXPECT_EQ(host.errors, std::vector<int>{resources::IDS_PLAYBACK_DEVICE_LOST});
    EXPECT_TRUE(player.PlaySlots().empty());
    EXPECT_TRUE(player.Queue().IsEmpty());
    EXPECT_EQ(host.StatusText(), QStringLiteral("就绪"));
}
