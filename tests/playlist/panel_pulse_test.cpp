// The list and its player on the private sound server: files of every
// format given as a start of the program gives them, measured, described and
// played into the null sink, where the monitor hears each file's own tone;
// the list's output device removed under a playing item, then its stream
// ended; ten items at once, and a pause that falls silent at once.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "support/pulse_test_support.h"
#include "support/stream_killer.h"
#include "playlist/row_texts.h"
#include "panel_fixture.h"
#include "resources/strings.h"

using namespace audiotest;
using namespace playlisttest;
using playlist::PlaylistPlayer;

namespace {

static ::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new SinkKeeper);

constexpr int kRate = 44100;
constexpr double kSeconds = 1.5;

// A sine made by sox into a 44.1 kHz 16-bit stereo WAVE file.
QString SineWave(const QString& path, int frequency, double seconds, double volume = 0.5)
{
    media::Run("sox",
               {"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth", QString::number(seconds), "sine",
                QString::number(frequency), "vol", QString::number(volume)});
    return path;
}

// What the monitor heard while `play` ran until the list fell silent.
std::vector<double> Heard(Panel& panel, const std::function<void()>& play)
{
    MonitorRecorder monitor({kRate, 16, 2}, panel.File("captured.raw"));
    EXPECT_TRUE(monitor.Started());
    RunEventsFor(500);
    play();
    EXPECT_TRUE(RunEventsUntil([&] { return !panel.list->Player().PlaySlots().empty(); }, 20000)) << "nothing plays";
    EXPECT_TRUE(RunEventsUntil([&] { return panel.list->Player().PlaySlots().empty(); }, int(kSeconds * 1000) + 8000));
    RunEventsFor(500);
    return ChannelSamples(monitor.Finish(), {kRate, 16, 2});
}

void ExpectOneTone(const std::vector<double>& samples, int frequency)
{
    const auto sound = SoundStretches(samples, 0.02, 4410);
    ASSERT_EQ(sound.size(), 1u);
    EXPECT_NEAR(double(sound[0].second) / kRate, kSeconds, 0.15);
    EXPECT_NEAR(StrongestToneAmplitude(samples, kRate, frequency, 4410), 0.5, 0.06);
}

QStringList SinkInputs()
{
    QStringList out;
    for (const QString& line :
         QString::fromUtf8(Pactl({"list", "short", "sink-inputs"}).out).split('\n', Qt::SkipEmptyParts))
        out << line.section('\t', 0, 0);
    return out;
}

struct PanelPulseTest : ::testing::Test {
    void SetUp() override { ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty()) << "the harness starts the server"; }
    bool Silent(int timeoutMs)
    {
        return RunEventsUntil([&] { return panel.list->Player().PlaySlots().empty(); }, timeoutMs);
    }
    Panel panel;
    PlaylistPlayer& player = panel.list->Player();
    widgettest::MessageBoxCatcher errors;
};

}  // namespace

TEST_F(PanelPulseTest, EveryFormatIsMeasuredDescribedAndPlayedThroughTheList)
{
    const QString flac = panel.File("tone.flac"), folder = panel.File("more");
    QDir().mkpath(folder);
    media::Run("sox", {SineWave(panel.File("a.wav"), 440, kSeconds), flac});
    media::MakeMp3(SineWave(panel.File("b.wav"), 1000, kSeconds), folder + "/take.mp3", {"-b", "128"});
    SineWave(folder + "/take.wav", 550, kSeconds);
    media::Run("sox", {SineWave(panel.File("c.wav"), 660, kSeconds), "-C", "5", folder + "/TONE.OGG"});
    media::Run("opusenc", {"--quiet", SineWave(panel.File("d.wav"), 880, kSeconds), folder + "/tone.Opus"});
    const uint32_t opusFrames = media::OpusdecFrames(folder + "/tone.Opus", panel.File("opusdec.wav"));

    // The file first, then the folder's passes; the first file plays once loaded.
    ExpectOneTone(Heard(panel, [&] { panel.list->OpenFiles({flac, folder}); }), 440);
    ASSERT_EQ(panel.Names(), (QStringList{"tone.flac", "take.mp3", "take.wav", "TONE.OGG", "tone.Opus"}));
    ASSERT_TRUE(panel.WaitLoaded());

    // The MP3's length is the decoder's own (with the encoder's padding).
    const uint32_t wave = uint32_t(kSeconds * kRate);
    const std::tuple<int, uint32_t, QString, int> expected[] = {
        {0, wave, "00:00:01.5   44100 Hz, stereo, 16 bits", 440},
        {1, 0, "44100 Hz, stereo, 16 bits, 128 kbps", 1000},
        {2, wave, "00:00:01.5   44100 Hz, stereo, 16 bits", 550},
        {3, wave, "00:00:01.5   44100 Hz, stereo, 16 bits", 660},
        {4, opusFrames, "00:00:01.5   48000 Hz, stereo, 16 bits", 880}};
    for (const auto& [row, length, detail, frequency] : expected) {
        SCOPED_TRACE(panel.Names()[row].toStdString());
        const PlaylistItem& item = *panel.Model().Item(row);
        ASSERT_TRUE(item.IsLoaded());
        if (length) {
            EXPECT_EQ(item.length, length);
        }
        EXPECT_TRUE(playlist::FormatDetailLine(item).endsWith(detail))
            << playlist::FormatDetailLine(item).toStdString();
        if (row > 0)
            ExpectOneTone(Heard(panel,
                                [&, row = row] {
                                    panel.box->SelectOnly(row);
                                    panel.list->PlaySelected();
                                }),
                          frequency);
    }
    EXPECT_EQ(panel.status.text(), QStringLiteral("就绪"));
    EXPECT_EQ(errors.count, 0) << errors.text.toStdString();
}

TEST_F(PanelPulseTest, TheListPlaysOnWhenItsSinkGoesAwayAndStopsWithAMessageWhenItsStreamIsEnded)
{
    const QString tone = SineWave(panel.File("tone.wav"), 440, 30);
    // A null sink of the test's own, to be removed under the playing item.
    const auto extra = Pactl({"load-module", "module-null-sink", "sink_name=quillon_extra"});
    ASSERT_EQ(extra.exitCode, 0) << extra.err.toStdString();
    const QStringList others = SinkInputs();

    panel.list->OpenFiles({tone});
    ASSERT_TRUE(RunEventsUntil([&] { return !panel.list->Player().PlaySlots().empty(); }, 20000)) << "nothing plays";
    QString ours;
    ASSERT_TRUE(RunEventsUntil(
        [&] {
            for (const QString& i : SinkInputs())
                if (!others.contains(i))
                    ours = i;
            return !ours.isEmpty();
        },
        2000));
    ASSERT_EQ(Pactl({"move-sink-input", ours, "quillon_extra"}).exitCode, 0);
    RunEventsFor(1000);

    Pactl({"unload-module", QString::fromUtf8(extra.out).trimmed()});
    MonitorRecorder monitor({kRate, 16, 2});
    ASSERT_TRUE(monitor.Started());
    const uint32_t atUnload = panel.list->Player().CurrentPosition();
    RunEventsFor(2000);
    ASSERT_EQ(panel.list->Player().PlaySlots().size(), 1u);
    EXPECT_GT(panel.list->Player().CurrentPosition(), atUnload + kRate);
    // A whole second of the tone, unbroken, from the default sink.
    EXPECT_NEAR(StrongestToneAmplitude(ChannelSamples(monitor.Finish(), {kRate, 16, 2}), kRate, 440, kRate), 0.5, 0.06);

    EXPECT_EQ(errors.count, 0) << errors.text.toStdString();
    ASSERT_TRUE(SinkInputs().contains(ours));
    ASSERT_TRUE(KillServerStream(StreamKind::Playback, ours.toUInt()));
    ASSERT_TRUE(RunEventsUntil([&] { return errors.count > 0; }, 3000));
    RunEventsFor(200);
    EXPECT_EQ(errors.count, 1);
    EXPECT_EQ(errors.text, resources::Text(resources::IDS_PLAYBACK_DEVICE_LOST));
    EXPECT_TRUE(panel.list->Player().PlaySlots().empty());
}

// Ten items started one after another all play at once, each on its own
// device; every tone is in the monitor and every device closes at the end.
TEST_F(PanelPulseTest, TenItemsPlayAtOnce)
{
    QStringList tones;
    for (int i = 0; i < 10; ++i)
        tones << SineWave(panel.File(QString("tone%1.wav").arg(i)), 300 + 100 * i, 0.35, 0.05);
    ASSERT_TRUE(panel.Add(tones));
    MonitorRecorder monitor({44100, 16, 2});
    ASSERT_TRUE(monitor.Started());
    RunEventsFor(300);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(player.StartItem(panel.Model().Item(i), true));
    EXPECT_EQ(player.PlaySlots().size(), 10u);
    EXPECT_TRUE(Silent(5000));
    RunEventsFor(300);
    const QByteArray pcm = monitor.Finish();
    EXPECT_EQ(errors.count, 0) << errors.text.toStdString();

    const auto samples = ChannelSamples(pcm, {44100, 16, 2});
    for (int i = 0; i < 10; ++i)
        EXPECT_NEAR(StrongestToneAmplitude(samples, 44100, 300 + 100 * i, 4410), 0.05, 0.015) << 300 + 100 * i << " Hz";
}

// At 8000 Hz 8-bit mono sixteen whole pieces were twelve seconds: Pause went
// on sounding for that long. Now it falls silent at once, and Resume plays
// on from the first sample not yet heard: the sink plays the whole item, in
// two stretches with the pause between them.
TEST_F(PanelPulseTest, PauseFallsSilentAtOnceAndResumePlaysOnWithoutLossOrRepeat)
{
    const QString path = panel.File("low.wav");
    media::Run("sox",
               {"-n", "-r", "8000", "-c", "1", "-b", "8", "-e", "unsigned-integer", path, "synth", "3", "sine", "400",
                "vol", "0.5"});
    ASSERT_TRUE(panel.Add({path}));
    PlaylistItem* item = panel.Model().Item(0);
    ASSERT_EQ(item->length, 24000u);

    MonitorRecorder monitor({8000, 8, 1}, panel.File("captured.raw"));
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
    EXPECT_TRUE(Silent(8000));
    RunEventsFor(500);
    const auto samples = ChannelSamples(monitor.Finish(), {8000, 8, 1});

    const auto sound = SoundStretches(samples, 0.1, 800);
    ASSERT_EQ(sound.size(), 2u) << "the pause is a silence";
    // The sound started no earlier than the play; within 0.1 s of Pause it stopped.
    EXPECT_LE(sound[0].second / 8000.0, pausedAfter + 0.1);
    EXPECT_GE(sound[0].second / 8000.0, 0.3);
    EXPECT_GE((sound[1].first - sound[0].first - sound[0].second) / 8000.0, 1.2);
    EXPECT_NEAR((sound[0].second + sound[1].second) / 8000.0, 3.0, 0.1) << "lost or played twice at the pause";
    EXPECT_EQ(errors.count, 0) << errors.text.toStdString();
}
