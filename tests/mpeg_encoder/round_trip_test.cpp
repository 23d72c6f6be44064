// Round trips through the reference decoder: every quality bit rate at every
// recording rate, mono and stereo.

#include "encoder_plugin.h"
#include "mp3_probe.h"

#include "support/test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace encodertest;

namespace {

const std::vector<int> kQualityBitrates = {8, 16, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
const std::vector<uint32_t> kRecordingRates = {8000, 11025, 16000, 22050, 32000, 44100, 48000};

// The bit rates a layer III frame carries at a rate, as the plug-in promises
// them: MPEG-1 (32, 44.1, 48 kHz) 32..320; MPEG-2 (16, 22.05, 24 kHz) 8..160;
// MPEG-2.5 (8, 11.025, 12 kHz) 8..64, the encoding engine's range there.
// The record asks for MPEG-1, which does not exist below 32 kHz.
std::vector<int> carriedBitrates(uint32_t rate)
{
    if (rate >= 32000)
        return {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    if (rate >= 16000)
        return {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    return {8, 16, 24, 32, 40, 48, 56, 64};
}

// The rule: a bit rate the rate cannot carry becomes the nearest one it can,
// the lower of two equally near.
int expectedBitrate(uint32_t rate, int asked)
{
    int best = 0;
    for (int kbps : carriedBitrates(rate))
        if (best == 0 || std::abs(kbps - asked) < std::abs(best - asked))
            best = kbps;
    return best;
}

int expectedVersion(uint32_t rate)
{
    return rate >= 32000 ? 10 : rate >= 16000 ? 20 : 25;
}

struct RoundTrip {
    QByteArray file;
    Mp3Frames walk;
    InfoTag tag;
    Decoded decoded;
};

RoundTrip roundTrip(const BeConfig& config, const Pcm& pcm, const QString& path)
{
    RoundTrip trip;
    const EncodeResult encoded = encodeLikeTheRecorder(config, pcm, path);
    EXPECT_TRUE(encoded.ok()) << encoded.failedStep << " returned " << encoded.error;
    trip.file = testsupport::readFile(path);
    trip.walk = walkFrames(trip.file);
    trip.tag = readInfoTag(trip.file, trip.walk);
    trip.decoded = decodeWithMpg123(path);
    return trip;
}

// The file is a chain of frames led by a complete information frame.
void expectWellFormed(const RoundTrip& trip)
{
    ASSERT_TRUE(trip.walk.error.empty()) << trip.walk.error;
    ASSERT_GE(trip.walk.frames.size(), 2u);
    ASSERT_TRUE(trip.tag.present);
    EXPECT_EQ(trip.tag.id, "Info");
    EXPECT_EQ(trip.tag.frames, trip.walk.frames.size() - 1);
    EXPECT_EQ(trip.tag.bytes, uint32_t(trip.file.size()));
    EXPECT_EQ(trip.tag.musicLength, uint32_t(trip.file.size()));
    EXPECT_EQ(trip.tag.tagCrc, trip.tag.computedTagCrc);
    EXPECT_EQ(trip.tag.musicCrc, trip.tag.computedMusicCrc);
}

class EveryQualityBitrate : public ::testing::TestWithParam<uint32_t> {};

TEST_P(EveryQualityBitrate, DecodesToTheInputsLengthRateChannelsAndToneAtTheRuleBitrate)
{
    ASSERT_TRUE(plugin().loadError.empty()) << plugin().loadError;
    const uint32_t rate = GetParam();
    QTemporaryDir dir;
    for (int channels : {1, 2}) {
        // An odd length that fills no frame exactly: the padding must be cut.
        const Pcm pcm = tone(rate, channels, rate / 5 + 123, 1000.0, 0.5, 0.125);
        for (int kbps : kQualityBitrates) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, " << channels << " channel(s), " << kbps << " kbit/s");
            const RoundTrip trip = roundTrip(programConfig(rate, channels, uint32_t(kbps)), pcm, dir.filePath("t.mp3"));
            expectWellFormed(trip);
            for (size_t i = 1; i < trip.walk.frames.size(); ++i) {
                const Mp3Frame& f = trip.walk.frames[i];
                ASSERT_EQ(f.kbps, expectedBitrate(rate, kbps)) << "frame " << i;
                ASSERT_EQ(f.rate, int(rate)) << "frame " << i;
                ASSERT_EQ(f.version, expectedVersion(rate)) << "frame " << i;
                ASSERT_EQ(f.mode, channels == 1 ? 3 : 0) << "frame " << i;
            }

            const Decoded& d = trip.decoded;
            ASSERT_TRUE(d.error.empty()) << d.error;
            EXPECT_EQ(d.rate, int(rate));
            EXPECT_EQ(d.channels, channels);
            EXPECT_EQ(d.frames(), pcm.frames());
            // The tone is where it was; even 4 kbit/s a channel keeps most of its power there.
            EXPECT_GT(toneShare(d.samples, d.channels, 0, d.rate, 1000.0), 0.6);
            EXPECT_LT(toneShare(d.samples, d.channels, 0, d.rate, 700.0), 0.05);
            EXPECT_LT(toneShare(d.samples, d.channels, 0, d.rate, 1400.0), 0.05);
            if (channels == 2) {
                // Left and right stay apart: the right channel is a quarter as loud.
                EXPECT_GT(toneShare(d.samples, 2, 1, d.rate, 1000.0), 0.5);
                const double ratio = rms(d.samples, 2, 0) / rms(d.samples, 2, 1);
                EXPECT_GT(ratio, 2.5);
                EXPECT_LT(ratio, 6.0);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RecordingRates, EveryQualityBitrate, ::testing::ValuesIn(kRecordingRates),
                         [](const auto& info) { return std::to_string(info.param) + "Hz"; });

TEST(BitrateRule, ABitrateTheRateCannotCarryBecomesTheNearestItCanTheLowerOnATie)
{
    ASSERT_TRUE(plugin().loadError.empty()) << plugin().loadError;
    struct Case {
        uint32_t rate;
        uint32_t asked;
        int written;
    };
    const Case cases[] = {
        {44100, 8, 32},  {44100, 16, 32},   {48000, 144, 128}, {48000, 152, 160}, {32000, 320, 320},
        {22050, 192, 160}, {24000, 320, 160}, {16000, 24, 24},  {22050, 136, 128},
        {8000, 80, 64},  {11025, 320, 64},  {12000, 8, 8},     {8000, 60, 56},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz asked " << c.asked << " kbit/s");
        const Pcm pcm = tone(c.rate, 2, c.rate / 10, 1000.0, 0.5, 0.5);
        const QString path = dir.filePath("rule.mp3");
        ASSERT_TRUE(encodeLikeTheRecorder(programConfig(c.rate, 2, c.asked), pcm, path).ok());
        const Mp3Frames walk = walkFrames(testsupport::readFile(path));
        ASSERT_TRUE(walk.error.empty()) << walk.error;
        ASSERT_GE(walk.frames.size(), 2u);
        EXPECT_EQ(walk.frames.back().kbps, c.written);
        EXPECT_EQ(c.written, expectedBitrate(c.rate, int(c.asked)));
    }
}

TEST(RoundTrip, TheDecodedSoundStartsWhereTheInputDoes)
{
    ASSERT_TRUE(plugin().loadError.empty()) << plugin().loadError;
    // Silence, then a tone from a known frame: a shift in time would move its onset.
    const uint32_t rate = 44100;
    const uint32_t onset = 3001;
    Pcm pcm = tone(rate, 2, 20000, 1000.0, 0.6, 0.6);
    std::fill(pcm.samples.begin(), pcm.samples.begin() + onset * 2, int16_t(0));
    // Start the tone at phase zero at the onset.
    const Pcm shifted = tone(rate, 2, 20000 - onset, 1000.0, 0.6, 0.6);
    std::copy(shifted.samples.begin(), shifted.samples.end(), pcm.samples.begin() + onset * 2);

    QTemporaryDir dir;
    const QString path = dir.filePath("onset.mp3");
    ASSERT_TRUE(encodeLikeTheRecorder(programConfig(rate, 2, 192), pcm, path).ok());
    const Decoded d = decodeWithMpg123(path);
    ASSERT_TRUE(d.error.empty()) << d.error;
    ASSERT_EQ(d.frames(), pcm.frames());
    auto firstLoud = [](const std::vector<int16_t>& samples) {
        for (size_t i = 0; i < samples.size() / 2; ++i)
            if (std::abs(int(samples[i * 2])) > 0.3 * 0.6 * 32767)
                return int(i);
        return -1;
    };
    const int expected = firstLoud(pcm.samples);
    EXPECT_NEAR(firstLoud(d.samples), expected, 3);
}

TEST(RoundTrip, AnOutputRateOfItsOwnIsHonoured)
{
    ASSERT_TRUE(plugin().loadError.empty()) << plugin().loadError;
    BeConfig config = programConfig(44100, 2, 64);
    config.outputRate = 22050;
    const Pcm pcm = tone(44100, 2, 44100, 1000.0, 0.5, 0.5);
    QTemporaryDir dir;
    const QString path = dir.filePath("resampled.mp3");
    ASSERT_TRUE(encodeLikeTheRecorder(config, pcm, path).ok());
    const Mp3Frames walk = walkFrames(testsupport::readFile(path));
    ASSERT_TRUE(walk.error.empty()) << walk.error;
    EXPECT_EQ(walk.frames.back().rate, 22050);
    EXPECT_EQ(walk.frames.back().version, 20);
    const Decoded d = decodeWithMpg123(path);
    ASSERT_TRUE(d.error.empty()) << d.error;
    EXPECT_EQ(d.rate, 22050);
    EXPECT_NEAR(double(d.frames()), 22050.0, 2.0);
    EXPECT_GT(toneShare(d.samples, 2, 0, d.rate, 1000.0), 0.8);
}

}  // namespace
