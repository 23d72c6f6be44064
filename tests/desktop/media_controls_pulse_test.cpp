// The playlist player's media controls, driven by playerctl over the test
// bus as the desktop's media keys would, judged by what the sound server
// plays (the null sink's monitor) and by what playerctl reads back.

#include <QImage>
#include <QUrl>

#include "desktop_test_support.h"
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
            media::Run("sox",
                       {"-n", "-r", "44100", "-c", "2", "-b", "16", files.back(), "synth", "4", "sine",
                        QString::number(hz), "vol", "0.5"});
            List().Model().AddItem(files.back());
        }
        // The rows load in order: the last one loaded, all are.
        ASSERT_TRUE(RunEventsUntil([&] { return List().Model().Item(2)->IsLoaded(); }, 10000));
        StartDesktopServices();
    }
    QString Title(int row) { return List().ItemTitle(*List().Model().Item(row)); }
    // Waits until playerctl reads `status`.
    bool StatusBecomes(const QString& status)
    {
        for (int i = 0; i < 40; ++i) {
            if (Playerctl({"status"}) == status)
                return true;
            RunEventsFor(100);
        }
        return false;
    }
    // Only `hz` (0: none) is heard in what the sink plays over the next
    // 700 ms, after the pieces already at the device have had time to drain.
    void ExpectOnly(int hz)
    {
        RunEventsFor(700);
        MonitorRecorder monitor(kMonitorFormat, dir.filePath("monitor.raw"));
        EXPECT_TRUE(monitor.Started());
        RunEventsFor(700);
        const auto samples = ChannelSamples(monitor.Finish(), kMonitorFormat);
        for (int tone : kTones) {
            const double level = StrongestToneAmplitude(samples, 44100, tone, 4410);
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
    EXPECT_EQ(Playerctl({"status"}), "Stopped");
    EXPECT_NE(RunPlayerctl({"metadata", "mpris:length"}).exitCode, 0);

    // Nothing selected: Play plays the first row.
    Playerctl({"play"});
    ASSERT_TRUE(StatusBecomes("Playing"));
    EXPECT_EQ(Playerctl({"metadata", "xesam:title"}), Title(0));
    EXPECT_EQ(Playerctl({"metadata", "mpris:length"}), "4000000");
    EXPECT_EQ(Playerctl({"metadata", "xesam:url"}), QUrl::fromLocalFile(files[0]).toString());
    ExpectOnly(440);
    EXPECT_GT(Playerctl({"position"}).toDouble(), 0.5);

    Playerctl({"pause"});
    ASSERT_TRUE(StatusBecomes("Paused"));
    ExpectOnly(0);
    Playerctl({"play"});
    ASSERT_TRUE(StatusBecomes("Playing"));
    ExpectOnly(440);

    Playerctl({"next"});
    EXPECT_TRUE(RunEventsUntil([&] { return Playerctl({"metadata", "xesam:title"}) == Title(1); }, 5000));
    ExpectOnly(660);
    Playerctl({"previous"});
    EXPECT_TRUE(RunEventsUntil([&] { return Playerctl({"metadata", "xesam:title"}) == Title(0); }, 5000));
    ExpectOnly(440);

    // To 3 s of 4: the position reads back from there, and the item ends
    // about a second later.
    Playerctl({"position", "3"});
    RunEventsFor(200);
    const double position = Playerctl({"position"}).toDouble();
    EXPECT_GE(position, 3.0);
    EXPECT_LT(position, 3.9);
    EXPECT_TRUE(StatusBecomes("Stopped"));

    Playerctl({"play"});
    ASSERT_TRUE(StatusBecomes("Playing"));
    Playerctl({"stop"});
    ASSERT_TRUE(StatusBecomes("Stopped"));
    ExpectOnly(0);
    EXPECT_NE(RunPlayerctl({"metadata", "mpris:length"}).exitCode, 0);

    follower.terminate();
    follower.waitForFinished(5000);
    const QStringList announced = QString::fromUtf8(follower.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(announced.contains("Paused"));
    EXPECT_GE(announced.count("Playing"), 3);
    EXPECT_GE(announced.count("Stopped"), 2);
    EXPECT_EQ(boxes.count, 0) << boxes.text.toStdString();
}

// A file opened through the media controls joins the list, plays once it has
// loaded, and its picture is offered from the cache folder.
TEST_F(MediaControlsTest, OpenUriAddsAndPlaysAZlaFileWithItsPicture)
{
    QImage cover(48, 40, QImage::Format_RGB32);
    cover.fill(Qt::darkRed);
    ASSERT_TRUE(cover.save(dir.filePath("cover.png")));
    const QString zla = dir.filePath("covered.zla");
    media::Run(media::ZlaTool(),
               {"pack", "-o", zla, "--title", "晨间录音", "--picture", dir.filePath("cover.png"), files[2]});

    Playerctl({"open", QUrl::fromLocalFile(zla).toString()});
    ASSERT_TRUE(StatusBecomes("Playing"));
    ASSERT_EQ(List().Model().Count(), 4);
    EXPECT_EQ(List().View().GetFirstSelected(), 3);
    EXPECT_EQ(Playerctl({"metadata", "xesam:title"}), Title(3));
    EXPECT_EQ(Playerctl({"metadata", "xesam:url"}), QUrl::fromLocalFile(zla).toString());
    const QUrl art(Playerctl({"metadata", "mpris:artUrl"}));
    ASSERT_TRUE(art.isLocalFile());
    EXPECT_TRUE(art.toLocalFile().startsWith(dir.filePath("cache"))) << art.toLocalFile().toStdString();
    EXPECT_EQ(QImage(art.toLocalFile()).size(), cover.size());
    ExpectOnly(880);
    Playerctl({"stop"});
    EXPECT_TRUE(StatusBecomes("Stopped"));
}
