// Round trips through the reference decoder mpg123, and the stream against
// the reference encoder lame.

#include "encoder_plugin.h"
#include "mp3_probe.h"

#include "support/test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace encodertest;

namespace {

// Every quality bit rate in a rate's range is a layer III bit rate there:
// MPEG-1 (32..48 kHz) 32..320, MPEG-2 (16..24 kHz) 8..160, MPEG-2.5 8..64,
// the encoding engine's range; outside it the nearest end is written.
int RuleBitrate(uint32_t rate, int asked)
{
    return std::clamp(asked, rate >= 32000 ? 32 : 8, rate >= 32000 ? 320 : rate >= 16000 ? 160 : 64);
}

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Plugin().loadError.empty()) << Plugin().loadError; }
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

TEST_F(RoundTrip, EveryQualityBitrateDecodesToTheInputsLengthRateChannelsToneAndTheRuleBitrate)
{
    const std::vector<int> qualityBitrates = {8, 16, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    for (uint32_t rate : {8000u, 22050u, 32000u, 44100u}) {
        for (int channels : {1, 2}) {
            // An odd length that fills no frame exactly: the padding must be cut.
            const Pcm pcm = Tone(rate, channels, rate / 5 + 123, 1000.0, 0.5, 0.125);
            for (int kbps : qualityBitrates) {
                SCOPED_TRACE(testing::Message() << rate << " Hz, " << channels << " channel(s), " << kbps << " kbit/s");
                const Mp3Report d = EncodeAndProbe(ProgramConfig(rate, channels, uint32_t(kbps)), pcm);
                EXPECT_EQ(d.version, rate >= 32000 ? "1.0" : rate >= 16000 ? "2.0" : "2.5");
                EXPECT_EQ(d.rate, int(rate));
                EXPECT_EQ(d.channels, channels);
                EXPECT_EQ(d.mode, channels == 1 ? "Single-Channel" : "Stereo");
                EXPECT_EQ(d.Bitrates(), std::set<int>{RuleBitrate(rate, kbps)});
                EXPECT_EQ(d.Frames(), pcm.Frames());
                if (d.Frames() == 0)
                    continue;
                // Even 4 kbit/s a channel keeps most of the tone's power at its frequency.
                EXPECT_GT(ToneShare(d.samples, channels, 0, d.rate, 1000.0), 0.6);
                EXPECT_LT(ToneShare(d.samples, channels, 0, d.rate, 700.0), 0.05);
                if (channels == 2) {
                    // Left and right stay apart: the right channel is a quarter as loud.
                    EXPECT_GT(ToneShare(d.samples, 2, 1, d.rate, 1000.0), 0.5);
                    const double ratio = Rms(d.samples, 2, 0) / Rms(d.samples, 2, 1);
                    EXPECT_GT(ratio, 2.5);
                    EXPECT_LT(ratio, 6.0);
                }
            }
        }
    }
}

TEST_F(RoundTrip, ABitrateTheRateCannotCarryBecomesTheNearestItCanTheLowerOnATie)
{
    struct Case {
        uint32_t rate, asked;
        int written;
    };
    for (const Case c :
         {Case{44100, 8, 32}, Case{48000, 144, 128}, Case{48000, 152, 160}, Case{24000, 320, 160},
          Case{22050, 136, 128}, Case{16000, 24, 24}, Case{11025, 320, 64}, Case{8000, 60, 56}, Case{12000, 8, 8}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz asked " << c.asked << " kbit/s");
        EXPECT_EQ(
            EncodeAndProbe(ProgramConfig(c.rate, 2, c.asked), Tone(c.rate, 2, c.rate / 10, 1000, 0.5, 0.5)).Bitrates(),
            std::set<int>{c.written});
    }
}

TEST_F(RoundTrip, TheSoundStartsWhereTheInputsDoesAndAnOwnOutputRateIsHonoured)
{
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

    BeConfig config = ProgramConfig(44100, 2, 64);
    config.outputRate = 22050;
    const Mp3Report resampled = EncodeAndProbe(config, Tone(44100, 2, 44100, 1000.0, 0.5, 0.5));
    EXPECT_EQ(resampled.rate, 22050);
    EXPECT_EQ(resampled.version, "2.0");
    EXPECT_NEAR(double(resampled.Frames()), 22050.0, 2.0);
    EXPECT_GT(ToneShare(resampled.samples, 2, 0, 22050, 1000.0), 0.8);
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

TEST_F(RoundTrip, TheOtherHeaderSettingsAreHonoured)
{
    BeConfig config = ProgramConfig(44100, 2, 64);
    config.mode = BE_MODE_JOINT_STEREO;
    config.originalBit = 0;
    config.copyrightBit = 1;
    config.crc = 1;
    config.emphasis = 1;
    const Pcm pcm = MusicLike(44100, 2, 44100, 6);
    const Mp3Report d = EncodeAndProbe(config, pcm);
    EXPECT_EQ(d.mode, "Joint-Stereo");
    EXPECT_TRUE(!d.original && d.copyright && d.crc && d.emphasis == 1);
    EXPECT_EQ(d.Frames(), pcm.Frames());
}

}  // namespace
