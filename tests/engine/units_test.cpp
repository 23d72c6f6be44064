// The small pieces of the engine: the header image, waveform snapshots, the
// loss detector and the level meter (the recording file is the engine tests').
#include <gtest/gtest.h>

#include <array>

#include "engine/capture_loss.h"
#include "engine/waveform_snapshot.h"
#include "engine/take_levels.h"
#include "engine/wave_header.h"
#include "engine/waveform_snapshot.h"

using platform::audio::PcmFormat;

TEST(WaveHeaderTest, ImageHoldsTheFortyFourByteLayoutLittleEndian)
{
    WaveHeader h = WaveHeader::forEmptyFile(PcmFormat{44100, 16, 2});
    h.setSizesFromFileLength(44 + 1000);
    const auto b = h.image();
    const QByteArray expected = QByteArray("RIFF") + QByteArray::fromHex("0c040000") + "WAVEfmt "
                                + QByteArray::fromHex("10000000" "0100" "0200" "44ac0000" "10b10200" "0400" "1000")
                                + "data" + QByteArray::fromHex("e8030000");
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(b.data()), 44), expected);
    WaveHeader back;
    ASSERT_TRUE(WaveHeader::parse(b.data(), 44, back));
    EXPECT_EQ(back.format, (PcmFormat{44100, 16, 2}));
    EXPECT_EQ(back.riffSize, 1036u);
    EXPECT_EQ(back.dataSize, 1000u);
    EXPECT_FALSE(WaveHeader::parse(b.data(), 43, back));
}

namespace {
struct Points : WaveformTarget {
    std::vector<int16_t> data;
    explicit Points(int n) : data(size_t(n), 77) {}
    int pointCount() const override { return int(data.size()); }
    int16_t* points() override { return data.data(); }
    void setFullScale(int16_t) override {}
    void refresh() override {}
};
}  // namespace

TEST(SnapshotTest, PointsAreEveryOtherSampleOrTheFirstChannelAndZeroBeyondTheBlock)
{
    for (bool stereo : {false, true}) {
        SCOPED_TRACE(stereo);
        std::vector<uint8_t> b(6144);
        for (int i = 0; i < 3072; ++i) {
            // Channel 1 rises, channel 2 is a constant that must never show.
            const int16_t s = stereo && i % 2 ? int16_t(-32000) : int16_t((stereo ? i / 2 : i) * 7 - 10000);
            b[size_t(2 * i)] = uint8_t(s & 0xff);
            b[size_t(2 * i + 1)] = uint8_t((s >> 8) & 0xff);
        }
        Points view(2000);
        TakeWaveformSnapshot(view, b.data(), 6144, 16);
        for (int i : {0, 1, 150, 1535})
            EXPECT_EQ(view.data[size_t(i)], int16_t((stereo ? i : 2 * i) * 7 - 10000)) << i;
        EXPECT_EQ(view.data[1536], 0);
        EXPECT_EQ(view.data[1999], 0);
    }
    Points eight(4);
    const uint8_t block[8] = {0, 9, 127, 9, 255, 9, 128, 9};
    TakeWaveformSnapshot(eight, block, 8, 8);
    EXPECT_EQ(eight.data, (std::vector<int16_t>{-127, 0, 128, 1}));
}

TEST(CaptureLossTest, OnlyAStallThatOutgrewTheServerShowsAsSilenceWhereTheRealPaceBegan)
{
    constexpr uint32_t rate = 48000, frames = 4800;  // blocks of a tenth of a second, mono 8-bit
    CaptureLossDetector d;
    uint64_t now = 1000;
    int seed = 0;
    std::vector<CaptureLossDetector::Piece> out;  // what was held back and given out
    auto arrive = [&](uint64_t after) {
        const QByteArray block(int(frames), char(++seed));
        const bool held = d.BlockArrived(now += after, reinterpret_cast<const uint8_t*>(block.constData()), frames);
        for (auto& p : d.TakeWritable())
            out.push_back(std::move(p));
        return held;
    };
    d.Start(now, rate, 1);
    // Real pace with a clock drifting 0.1 % against the card: written at once.
    for (int i = 0; i < 600; ++i)
        EXPECT_FALSE(arrive(i % 10 ? 100 : 101)) << i;

    // Stalled for 20 s; the server kept 12 s, which arrive at once, then the
    // real pace again: the 8 s in between are missing, and go in front of
    // what came at the real pace.
    const int firstHeld = seed + 1;
    EXPECT_TRUE(arrive(20000));
    for (int i = 0; i < 119; ++i)
        EXPECT_TRUE(arrive(1));
    EXPECT_TRUE(out.empty()) << "not known while the backlog comes";
    for (int i = 0; i < CaptureLossDetector::kSettleBlocks; ++i)
        EXPECT_TRUE(arrive(100));
    ASSERT_EQ(out.size(), 120u + 1 + CaptureLossDetector::kSettleBlocks);
    EXPECT_EQ(out[0].audio.at(0), char(firstHeld));
    EXPECT_EQ(out[119].audio.at(0), char(firstHeld + 119));
    EXPECT_NEAR(double(out[120].silenceFrames) / rate, 8.12, 0.15);
    EXPECT_EQ(out[121].audio.at(0), char(firstHeld + 120)) << "the first block at the real pace";
    out.clear();
    for (int i = 0; i < 50; ++i)
        EXPECT_FALSE(arrive(100));

    // The writer alone was slow (the disk): blocks pile up and come at once,
    // but nothing is missing.
    EXPECT_TRUE(arrive(5000));
    for (int i = 0; i < 49; ++i)
        arrive(1);
    for (int i = 0; i < CaptureLossDetector::kSettleBlocks; ++i)
        arrive(100);
    EXPECT_EQ(out.size(), 50u + CaptureLossDetector::kSettleBlocks);
    for (const auto& p : out)
        EXPECT_EQ(p.silenceFrames, 0u);

    // A take that ends while a stall is being measured keeps what was held.
    EXPECT_TRUE(arrive(3000));
    EXPECT_EQ(d.Flush().size(), 1u);
}

TEST(TakeLevelsTest, PeakAndClippedSamplesPerChannelSinceTheLastReport)
{
    TakeLevelMeter meter;
    meter.Begin(PcmFormat{48000, 16, 2});
    const int16_t stereo[] = {1000, -32768, -2000, 32767, 300, 5};
    meter.Add(reinterpret_cast<const uint8_t*>(stereo), sizeof stereo);
    TakeLevels l = meter.Take();
    EXPECT_EQ(l.channels, 2);
    EXPECT_EQ(l.peak, (std::array<uint32_t, 2>{2000, 32768}));
    EXPECT_EQ(l.clipped, (std::array<uint32_t, 2>{0, 2}));
    EXPECT_EQ(meter.Take().peak, (std::array<uint32_t, 2>{0, 0})) << "each report starts anew";

    meter.Begin(PcmFormat{8000, 8, 1});
    const uint8_t mono[] = {128, 0, 200, 255};
    meter.Add(mono, sizeof mono);
    l = meter.Take();
    EXPECT_EQ(l.channels, 1);
    EXPECT_EQ(l.peak[0], 128u);
    EXPECT_EQ(l.clipped[0], 2u);
}
