// FLAC, Ogg Vorbis and Opus files given to the list as a start of the
// program gives them: measured, described, and played into the private
// server's null sink, where the monitor hears each file's own tone.
#include <gtest/gtest.h>

#include "../platform_audio/pulse_test_support.h"
#include "playlist/row_texts.h"
#include "playlist_panel.h"

using namespace audiotest;
using namespace playlisttest;

namespace {

static ::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new SinkKeeper);

constexpr int kRate = 44100;
constexpr double kSeconds = 1.5;

QString Sine(const QString& path, int frequency)
{
    media::run("sox",
               {"-n", "-r", QString::number(kRate), "-c", "2", "-b", "16", path, "synth", QString::number(kSeconds),
                "sine", QString::number(frequency), "vol", "0.5"});
    return path;
}

// What the monitor heard while `play` ran until the list fell silent.
std::vector<double> Heard(Panel& panel, const std::function<void()>& play)
{
    MonitorRecorder monitor({kRate, 16, 2}, panel.file("captured.raw"));
    EXPECT_TRUE(monitor.started());
    runEventsFor(500);
    play();
    EXPECT_TRUE(runEventsUntil([&] { return !panel.list->player().playSlots().empty(); }, 20000)) << "nothing plays";
    EXPECT_TRUE(runEventsUntil([&] { return panel.list->player().playSlots().empty(); }, int(kSeconds * 1000) + 8000));
    runEventsFor(500);
    return channelSamples(monitor.finish(), {kRate, 16, 2});
}

void ExpectOneTone(const std::vector<double>& samples, int frequency)
{
    const auto sound = soundStretches(samples, 0.02, 4410);
    ASSERT_EQ(sound.size(), 1u);
    EXPECT_NEAR(double(sound[0].second) / kRate, kSeconds, 0.15);
    EXPECT_NEAR(strongestToneAmplitude(samples, kRate, frequency, 4410), 0.5, 0.06);
}

}  // namespace

TEST(FreeFormats, FlacOggAndOpusFilesAreMeasuredDescribedAndPlayedThroughTheList)
{
    ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty()) << "the harness starts the server";
    Panel panel;
    const QString flac = panel.file("tone.flac"), folder = panel.file("more");
    QDir().mkpath(folder);
    media::run("sox", {Sine(panel.file("a.wav"), 440), flac});
    media::run("sox", {Sine(panel.file("b.wav"), 660), "-C", "5", folder + "/TONE.OGG"});
    media::run("opusenc", {"--quiet", Sine(panel.file("c.wav"), 880), folder + "/tone.Opus"});
    const uint32_t opusFrames = media::opusdecFrames(folder + "/tone.Opus", panel.file("opusdec.wav"));

    // The file first, then the folder's passes; the first file plays once loaded.
    ExpectOneTone(Heard(panel, [&] { panel.list->OpenFiles({flac, folder}); }), 440);
    ASSERT_EQ(panel.names(), (QStringList{"tone.flac", "TONE.OGG", "tone.Opus"}));
    ASSERT_TRUE(panel.waitLoaded());

    const std::tuple<int, uint32_t, QString, int> expected[] = {
        {0, uint32_t(kSeconds * kRate), "00:00:01.5   44100 Hz, stereo, 16 bits", 440},
        {1, uint32_t(kSeconds * kRate), "00:00:01.5   44100 Hz, stereo, 16 bits", 660},
        {2, opusFrames, "00:00:01.5   48000 Hz, stereo, 16 bits", 880}};
    for (const auto& [row, length, detail, frequency] : expected) {
        SCOPED_TRACE(panel.names()[row].toStdString());
        const PlaylistItem& item = *panel.model().item(row);
        ASSERT_TRUE(item.isLoaded());
        EXPECT_EQ(item.length, length);
        EXPECT_EQ(playlist::FormatDetailLine(item), detail);
        if (row > 0)
            ExpectOneTone(Heard(panel,
                                [&, row = row] {
                                    panel.box->SelectOnly(row);
                                    panel.list->PlaySelected();
                                }),
                          frequency);
    }
    EXPECT_EQ(panel.status.text(), QStringLiteral("就绪"));
}
