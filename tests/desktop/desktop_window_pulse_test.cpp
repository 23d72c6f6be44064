// The window with its desktop services, on the real sound server and the
// test bus: the playlist player's media controls, driven by playerctl as the
// desktop's media keys would, judged by what the sound server plays (the null
// sink's monitor) and by what playerctl reads back; and the inhibitors asked
// while recording, stood in for on the bus.

#include <QImage>
#include <QProcess>
#include <QUrl>
#include <memory>

#include "app/desktop_integration.h"
#include "controls/widget_test_helpers.h"
#include "playlist/playlist_item.h"
#include "recorder/window_fixture.h"
#include "support/pulse_test_support.h"
#include "zldecoder/media.h"

using namespace audiotest;

namespace {

// The stand-in inhibitor program, offering `services` while it lives.
class InhibitorStandIn {
public:
    explicit InhibitorStandIn(const QStringList& services)
    {
        m_process.start(QStringLiteral(INHIBITOR_STANDIN), QStringList{m_log} + services);
        m_ready = RunEventsUntil(
                      [this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; }, 10000) &&
            m_process.readLine().trimmed() == "ready";
    }
    ~InhibitorStandIn()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    bool Ready() const { return m_ready; }
    QStringList Lines() const
    {
        return QString::fromUtf8(testsupport::ReadFile(m_log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // Runs events until the log holds `count` lines.
    QStringList WaitForLines(int count, int timeoutMs = 10000) const
    {
        RunEventsUntil([&] { return Lines().size() >= count; }, timeoutMs);
        return Lines();
    }

private:
    QTemporaryDir m_dir;
    const QString m_log = m_dir.filePath("inhibitions.log");
    QProcess m_process;
    bool m_ready = false;
};

// playerctl against our player; the events run meanwhile, since the player
// answering it lives on this thread.
inline testsupport::ToolResult RunPlayerctl(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("--player=quillon")} + args);
    EXPECT_TRUE(p.waitForStarted(5000)) << "playerctl is installed by the project's dependencies";
    EXPECT_TRUE(RunEventsUntil([&] { return p.state() == QProcess::NotRunning; }, 15000))
        << args.join(' ').toStdString();
    return {p.exitCode(), p.readAllStandardOutput().trimmed(), {}};
}

// Its output, for a command that must succeed.
inline QString Playerctl(const QStringList& args)
{
    const auto r = RunPlayerctl(args);
    EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString();
    return QString::fromUtf8(r.out);
}

// The window tests' window, on the real sound server instead of the fake card.
class DesktopWindowTest : public windowtest::RecorderWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty()) << "the harness starts the sound server";
        ASSERT_FALSE(qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty()) << "the harness starts the bus";
        RecorderWindowTest::SetUp();
        scopedBackend.reset();
        Open().show();
    }
    // The services go before the window they serve.
    void TearDown() override
    {
        desktop.reset();
        RecorderWindowTest::TearDown();
    }
    void StartDesktopServices() { desktop = std::make_unique<DesktopIntegration>(*window); }
    playlist::PlaylistPanel& List() { return window->PlaylistPanel(); }

    testsupport::ScopedEnv cache{"XDG_CACHE_HOME", dir.filePath("cache")};
    std::unique_ptr<DesktopIntegration> desktop;
    // Message boxes are counted and closed, as a person reading them would.
    widgettest::MessageBoxCatcher boxes;
};

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

TEST_F(MediaControlsTest, PlayPauseNextPreviousSeekStopAndOpenFromPlayerctl)
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

    // A file opened through the media controls joins the list, plays once it
    // has loaded, and its picture is offered from the cache folder.
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

    follower.terminate();
    follower.waitForFinished(5000);
    const QStringList announced = QString::fromUtf8(follower.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(announced.contains("Paused"));
    EXPECT_GE(announced.count("Playing"), 3);
    EXPECT_GE(announced.count("Stopped"), 2);
    EXPECT_EQ(boxes.count, 0) << boxes.text.toStdString();
}

// The window keeps the session awake exactly while it records, through the
// stand-in inhibitors on the test bus: logind first, for sleep and idle;
// refused or missing, the idle inhibitor. It always lets go.

using RecordingInhibitionTest = DesktopWindowTest;

TEST_F(RecordingInhibitionTest, RecordingHoldsAnInhibitionThatStopAndAFailureRelease)
{
    const QString take = "take logind sleep:idle Quillon 录音中… block", release = "release logind 录音中…";
    StartDesktopServices();
    // The services offered, and what they log.
    const std::pair<QStringList, QStringList> cases[] = {
        {{"logind", "screensaver"}, {take, release}},
        {{"logind-refuses", "screensaver"},
         {"refuse logind 录音中…", "take screensaver Quillon 录音中…", "release screensaver 录音中…"}},
        {{"screensaver"}, {"take screensaver Quillon 录音中…", "release screensaver 录音中…"}},
    };
    for (const auto& [services, lines] : cases) {
        SCOPED_TRACE(services.join(' ').toStdString());
        InhibitorStandIn standIn(services);
        ASSERT_TRUE(standIn.Ready());
        Click(RecorderControl::Record);
        ASSERT_TRUE(window->Engine().IsRecording());
        EXPECT_EQ(standIn.WaitForLines(lines.size() - 1), lines.mid(0, lines.size() - 1));
        RunEventsFor(500);
        EXPECT_EQ(standIn.Lines().size(), lines.size() - 1) << "held while recording";
        Click(RecorderControl::Stop);
        EXPECT_EQ(standIn.WaitForLines(lines.size()), lines);
        EXPECT_FALSE(window->Engine().IsRecording());
    }

    // Stopped before logind answered: the inhibition is let go as it arrives.
    InhibitorStandIn standIn({"logind"});
    ASSERT_TRUE(standIn.Ready());
    Click(RecorderControl::Record);
    Click(RecorderControl::Stop);
    EXPECT_EQ(standIn.WaitForLines(2), (QStringList{take, release}));

    // Resumed, then the take reaches its size limit: the engine stops by itself.
    window->Engine().SetMaxDataBytes(window->Engine().GetDataLength() + 48000);
    Click(RecorderControl::Record);
    EXPECT_EQ(standIn.WaitForLines(3).value(2), take);
    EXPECT_TRUE(RunEventsUntil([&] { return !window->Engine().IsRecording(); }, 10000));
    EXPECT_EQ(standIn.WaitForLines(4).value(3), release);
    EXPECT_TRUE(RunEventsUntil([&] { return boxes.count == 1; }, 5000));
    EXPECT_EQ(boxes.text, resources::Text(resources::IDS_RECORD_SIZE_LIMIT));
}
