// Round trips through the reference decoder mpg123, and the stream against
// the reference encoder lame.

#include "encoder_plugin.h"
#include "mp3_probe.h"

#include "support/test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace encodertest;

namespace {

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Plugin().IsAvailable()) << PluginPath().toStdString(); }
    Mp3Report EncodeAndProbe(const BeConfig& config, const Pcm& pcm, TagCall tag = TagCall::InfoTag)
    {
        const EncodeResult r = EncodeToFile(config, pcm, path, tag);
        EXPECT_TRUE(r.Ok()) << r.failed;
        Mp3Report report = ProbeMp3(path);
        EXPECT_TRUE(report.error.empty()) << report.error;
        return report;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("t.mp3");
};

// Each MPEG version near the ends of its bit rates, and bit rates the rate
// cannot carry: the nearest it can is written, the lower on a tie. Every
// quality at every recording format is saved through the window.
TEST_F(RoundTrip, EachVersionKeepsLengthRateChannelsToneOnsetAndHeaderSettingsAtTheNearestLegalBitrate)
{
    const struct {
        uint32_t rate;
        int channels;
        uint32_t asked;
        int written;
    } cases[] = {{44100, 1, 8, 32},    {48000, 2, 144, 128}, {48000, 2, 152, 160}, {32000, 2, 320, 320},
                 {24000, 2, 320, 160}, {22050, 1, 136, 128}, {16000, 2, 24, 24},   {11025, 2, 320, 64},
                 {8000, 1, 60, 56},    {12000, 2, 8, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " channel(s), " << c.asked << " kbit/s");
        // An odd length that fills no frame exactly: the padding must be cut.
        const Pcm pcm = Tone(c.rate, c.channels, c.rate / 5 + 123, 1000.0, 0.5, 0.125);
        const Mp3Report d = EncodeAndProbe(ProgramConfig(c.rate, c.channels, c.asked), pcm);
        EXPECT_EQ(d.version, c.rate >= 32000 ? "1.0" : c.rate >= 16000 ? "2.0" : "2.5");
        EXPECT_EQ(d.rate, int(c.rate));
        EXPECT_EQ(d.channels, c.channels);
        EXPECT_EQ(d.mode, c.channels == 1 ? "Single-Channel" : "Stereo");
        EXPECT_EQ(d.Bitrates(), std::set<int>{c.written});
        ASSERT_EQ(d.Frames(), pcm.Frames());
        // Even 4 kbit/s a channel keeps most of the tone's power at its frequency.
        EXPECT_GT(ToneShare(d.samples, c.channels, 0, d.rate, 1000.0), 0.6);
        EXPECT_LT(ToneShare(d.samples, c.channels, 0, d.rate, 700.0), 0.05);
        if (c.channels == 2) {  // the right channel carries its own, quieter tone
            EXPECT_GT(ToneShare(d.samples, 2, 1, d.rate, 1000.0), 0.5);
        }
    }

    // Silence, then a tone from a known frame: a shift in time would move its onset.
    const uint32_t onset = 3001;
    Pcm pcm = Tone(44100, 2, 20000, 1000.0, 0.6, 0.6);
    std::fill(pcm.samples.begin(), pcm.samples.begin() + onset * 2, int16_t(0));
    const Mp3Report d = EncodeAndProbe(ProgramConfig(44100, 2, 192), pcm);
    ASSERT_EQ(d.Frames(), pcm.Frames());
    uint32_t loud = 0;
    while (loud < d.Frames() && std::abs(int(d.samples[loud * 2])) < 0.1 * 32767)
        ++loud;
    EXPECT_NEAR(double(loud), onset, 8.0);

    // An own output rate and the other header settings, in one stream.
    BeConfig config = ProgramConfig(44100, 2, 64);
    config.outputRate = 22050;
    config.mode = BE_MODE_JOINT_STEREO;
    config.originalBit = 0;
    config.copyrightBit = 1;
    config.crc = 1;
    config.emphasis = 1;
    const Mp3Report resampled = EncodeAndProbe(config, Tone(44100, 2, 44100, 1000.0, 0.5, 0.5));
    EXPECT_EQ(resampled.rate, 22050);
    EXPECT_EQ(resampled.version, "2.0");
    EXPECT_NEAR(double(resampled.Frames()), 22050.0, 2.0);
    EXPECT_GT(ToneShare(resampled.samples, 2, 0, 22050, 1000.0), 0.8);
    EXPECT_EQ(resampled.mode, "Joint-Stereo");
    EXPECT_TRUE(!resampled.original && resampled.copyright && resampled.crc && resampled.emphasis == 1);
}

TEST_F(RoundTrip, TheRecordersSettingsGiveWhatTheLameToolGivesForTheSameOptions)
{
    const Pcm pcm = MusicLike(44100, 2, 3 * 44100 + 321, 9);
    const QString raw = dir.filePath("input.raw"), byLame = dir.filePath("lame.mp3");
    ASSERT_TRUE(testsupport::WriteFile(
        raw, QByteArray(reinterpret_cast<const char*>(pcm.samples.data()), qsizetype(pcm.samples.size() * 2))));
    const auto lame =
        testsupport::RunTool("lame",
                             {"--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "--signed", "--little-endian", "-m",
                              "s", "-b", "128", "--cbr", "-q", "2", "--nores", raw, byLame});
    ASSERT_EQ(lame.exitCode, 0) << lame.err.toStdString();
    const Mp3Report ours = EncodeAndProbe(ProgramConfig(44100, 2, 128), pcm);
    // The sound frames are byte for byte lame's; the information frames agree on delay and padding.
    const QByteArray mine = testsupport::ReadFile(path), theirs = testsupport::ReadFile(byLame);
    ASSERT_EQ(mine.size(), theirs.size());
    EXPECT_TRUE(mine.mid(418) == theirs.mid(418));
    EXPECT_EQ(ours.samples, ProbeMp3(byLame).samples);
}

}  // namespace
