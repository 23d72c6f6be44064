// The playlist player's media controls, driven by playerctl over the test
// bus as the desktop's media keys would, judged by what the sound server
// plays (the null sink's monitor) and by what playerctl reads back.

#include <QImage>
#include <QUrl>

#include "desktop_test_support.h"
#include "desktop_window.h"
#include "playlist/playlist_item.h"
#include "zldecoder/media.h"

using namespace desktoptest;
using namespace audiotest;

namespace {

static ::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new SinkKeeper);

const platform::audio::PcmFormat kMonitorFormat{44100, 16, 2};
const int kTones[] = {440, 660, 880};

class MediaControlsTest : public DesktopWindowTest {
protected:
    void SetUp() override
    {
        DesktopWindowTest::SetUp();
        for (int hz : kTones) {
            files << dir.filePath(QStringLiteral("tone%1.wav").arg(hz));
            media::run("sox",
                       {"-n", "-r", "44100", "-c", "2", "-b", "16", files.back(), "synth", "4", "sine",
                        QString::number(hz), "vol", "0.5"});
            list().model().AddItem(files.back());
        }
        // The rows load in order: the last one loaded, all are.
        ASSERT_TRUE(runEventsUntil([&] { return list().model().item(2)->isLoaded(); }, 10000));
        startDesktopServices();
    }
    QString title(int row) { return list().ItemTitle(*list().model().item(row)); }
    // Waits until playerctl reads `status`.
    bool statusBecomes(const QString& status)
    {
        for (int i = 0; i < 40; ++i) {
            if (playerctl({"status"}) == status)
                return true;
            runEventsFor(100);
        }
        return false;
    }
    // The level of each tone in what the sink plays over the next 700 ms,
    // after the pieces already at the device have had time to drain.
    std::map<int, double> heard()
    {
        runEventsFor(700);
        MonitorRecorder monitor(kMonitorFormat, dir.filePath("monitor.raw"));
        EXPECT_TRUE(monitor.started());
        runEventsFor(700);
        const auto samples = channelSamples(monitor.finish(), kMonitorFormat);
        std::map<int, double> levels;
        for (int hz : kTones)
            levels[hz] = strongestToneAmplitude(samples, 44100, hz, 4410);
        return levels;
    }
    // Only `hz` is heard (0: silence).
    void expectOnly(int hz)
    {
        for (const auto& [tone, level] : heard()) {
            if (tone == hz)
                EXPECT_GT(level, 0.3) << tone << " Hz should play";
            else
                EXPECT_LT(level, 0.02) << tone << " Hz should not play";
        }
    }

    QStringList files;
};

}  // namespace

TEST_F(MediaControlsTest, PlayPauseNextPreviousSeekAndStopFromPlayerctl)
{
    // Every change of the status is announced.
    QProcess follower;
    follower.start("playerctl", {"--player=quillon", "--follow", "status"});
    ASSERT_TRUE(follower.waitForStarted(5000));

    // Stopped: no current track, so no metadata.
    EXPECT_EQ(playerctl({"status"}), "Stopped");
    EXPECT_NE(runPlayerctl({"metadata", "mpris:length"}).exitCode, 0);

    // Nothing selected: Play plays the first row.
    playerctl({"play"});
    ASSERT_TRUE(statusBecomes("Playing"));
    EXPECT_EQ(playerctl({"metadata", "xesam:title"}), title(0));
    EXPECT_EQ(playerctl({"metadata", "mpris:length"}), "4000000");
    EXPECT_EQ(playerctl({"metadata", "xesam:url"}), QUrl::fromLocalFile(files[0]).toString());
    expectOnly(440);
    EXPECT_GT(playerctl({"position"}).toDouble(), 0.5);

    playerctl({"pause"});
    ASSERT_TRUE(statusBecomes("Paused"));
    expectOnly(0);
    playerctl({"play"});
    ASSERT_TRUE(statusBecomes("Playing"));
    expectOnly(440);

    playerctl({"next"});
    EXPECT_TRUE(runEventsUntil([&] { return playerctl({"metadata", "xesam:title"}) == title(1); }, 5000));
    expectOnly(660);
    playerctl({"previous"});
    EXPECT_TRUE(runEventsUntil([&] { return playerctl({"metadata", "xesam:title"}) == title(0); }, 5000));
    expectOnly(440);

    // To 3 s of 4: the position reads back from there, and the item ends
    // about a second later.
    playerctl({"position", "3"});
    runEventsFor(200);
    const double position = playerctl({"position"}).toDouble();
    EXPECT_GE(position, 3.0);
    EXPECT_LT(position, 3.9);
    EXPECT_TRUE(statusBecomes("Stopped"));

    playerctl({"play"});
    ASSERT_TRUE(statusBecomes("Playing"));
    playerctl({"stop"});
    ASSERT_TRUE(statusBecomes("Stopped"));
    expectOnly(0);
    EXPECT_NE(runPlayerctl({"metadata", "mpris:length"}).exitCode, 0);

    follower.terminate();
    follower.waitForFinished(5000);
    const QStringList announced = QString::fromUtf8(follower.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(announced.contains("Paused"));
    EXPECT_GE(announced.count("Playing"), 3);
    EXPECT_GE(announced.count("Stopped"), 2);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// A file opened through the media controls joins the list, plays once it has
// loaded, and its picture is offered from the cache folder.
TEST_F(MediaControlsTest, OpenUriAddsAndPlaysAZlaFileWithItsPicture)
{
    QImage cover(48, 40, QImage::Format_RGB32);
    cover.fill(Qt::darkRed);
    ASSERT_TRUE(cover.save(dir.filePath("cover.png")));
    const QString zla = dir.filePath("covered.zla");
    media::run(media::zlaTool(),
               {"pack", "-o", zla, "--title", "晨间录音", "--picture", dir.filePath("cover.png"), files[2]});

    playerctl({"open", QUrl::fromLocalFile(zla).toString()});
    ASSERT_TRUE(statusBecomes("Playing"));
    ASSERT_EQ(list().model().count(), 4);
    EXPECT_EQ(list().view().GetFirstSelected(), 3);
    EXPECT_EQ(playerctl({"metadata", "xesam:title"}), title(3));
    EXPECT_EQ(playerctl({"metadata", "xesam:url"}), QUrl::fromLocalFile(zla).toString());
    const QUrl art(playerctl({"metadata", "mpris:artUrl"}));
    ASSERT_TRUE(art.isLocalFile());
    EXPECT_TRUE(art.toLocalFile().startsWith(dir.filePath("cache"))) << art.toLocalFile().toStdString();
    EXPECT_EQ(QImage(art.toLocalFile()).size(), cover.size());
    expectOnly(880);
    playerctl({"stop"});
    EXPECT_TRUE(statusBecomes("Stopped"));
}
