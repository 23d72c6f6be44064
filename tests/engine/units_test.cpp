// The small pieces of the engine: the header image, waveform snapshots, the
// loss detector and the level meter (the recording file is the engine tests').
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "engine/capture_loss.h"
#include "engine/take_levels.h"
#include "engine/wave_header.h"
#include "engine/waveform_snapshot.h"
#include "platform/audio/pcm_tone.h"

using platform::audio::PcmFormat;

TEST(WaveHeaderTest, ImageHoldsTheFortyFourByteLayoutLittleEndian)
{
    WaveHeader h = WaveHeader::forEmptyFile(PcmFormat{44100, 16, 2});
    h.setSizesFromFileLength(44 + 1000);
    const auto b = h.image();
    const QByteArray expected = QByteArray("RIFF") + QByteArray::fromHex("0c040000") + "WAVEfmt " +
        QByteArray::fromHex("10000000"
                            "0100"
                            "0200"
                            "44ac0000"
                            "10b10200"
                            "0400"
                            "1000") +
        "data" + QByteArray::fromHex("e8030000");
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
    explicit Points(int n)
        : data(size_t(n), 77)
    {
    }
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

// Known signals through the level meter: a tenth of a second of each
// channel's signal, in two reports' worth of calls.
enum class Signal { Silence, HalfScaleSine, FullScaleSquare };

struct LevelCase {
    uint16_t bits;
    std::array<Signal, 2> channels;
    int channelCount;
};

class TakeLevelsTest : public ::testing::TestWithParam<LevelCase> {};

TEST_P(TakeLevelsTest, PeakInDbfsAndClippedSamplesOfKnownSignals)
{
    const LevelCase c = GetParam();
    const PcmFormat format{48000, c.bits, uint16_t(c.channelCount)};
    constexpr uint32_t kFrames = 4800;
    // Each channel on its own, then interleaved.
    std::array<QByteArray, 2> mono;
    for (int ch = 0; ch < c.channelCount; ++ch) {
        const PcmFormat one{48000, c.bits, 1};
        switch (c.channels[size_t(ch)]) {
        case Signal::Silence:
            mono[size_t(ch)] = QByteArray(qsizetype(kFrames * one.blockAlign()), c.bits == 8 ? char(0x80) : char(0));
            break;
        case Signal::HalfScaleSine:
            mono[size_t(ch)] = platform::audio::ToneGenerator(one, 1000, 0.5).next(kFrames);
            break;
        case Signal::FullScaleSquare:
            for (uint32_t i = 0; i < kFrames; ++i) {
                const bool high = i / 24 % 2 == 0;  // 1 kHz
                if (c.bits == 8)
                    mono[size_t(ch)].append(char(high ? 0xff : 0x00));
                else
                    mono[size_t(ch)].append(high ? QByteArray("\xff\x7f", 2) : QByteArray("\x00\x80", 2));
            }
            break;
        }
    }
    const int width = c.bits / 8;
    QByteArray data;
    for (uint32_t i = 0; i < kFrames; ++i)
        for (int ch = 0; ch < c.channelCount; ++ch)
            data.append(mono[size_t(ch)].mid(qsizetype(i) * width, width));

    TakeLevelMeter meter;
    meter.Begin(format);
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
    const uint32_t half = uint32_t(data.size()) / 2 / format.blockAlign() * format.blockAlign();
    meter.Add(bytes, half);
    meter.Add(bytes + half, uint32_t(data.size()) - half);
    const TakeLevels l = meter.Take();

    EXPECT_EQ(l.channels, c.channelCount);
    EXPECT_EQ(l.fullScale, c.bits == 8 ? 128u : 32768u) << "8-bit audio against its own full scale";
    bool anyClipped = false;
    for (int ch = 0; ch < c.channelCount; ++ch) {
        SCOPED_TRACE(ch);
        const double db = LevelDbfs(l.peak[size_t(ch)], l.fullScale);
        switch (c.channels[size_t(ch)]) {
        case Signal::Silence:
            EXPECT_TRUE(std::isinf(db) && db < 0) << db;
            EXPECT_EQ(l.clipped[size_t(ch)], 0u);
            break;
        case Signal::HalfScaleSine:
            EXPECT_NEAR(db, -6.02, 0.15);
            EXPECT_EQ(l.clipped[size_t(ch)], 0u);
            break;
        case Signal::FullScaleSquare:
            EXPECT_DOUBLE_EQ(db, 0.0);
            EXPECT_EQ(l.clipped[size_t(ch)], kFrames) << "either sign at full scale is clipping";
            anyClipped = true;
            break;
        }
    }
    EXPECT_EQ(l.clippedFrames, anyClipped ? kFrames : 0u);
    const TakeLevels next = meter.Take();
    EXPECT_EQ(next.peak, (std::array<uint32_t, 2>{0, 0})) << "each report starts anew";
    EXPECT_EQ(next.clippedFrames, 0u);
}

INSTANTIATE_TEST_SUITE_P(Signals, TakeLevelsTest,
                         ::testing::Values(LevelCase{16, {Signal::Silence}, 1}, LevelCase{8, {Signal::Silence}, 1},
                                           LevelCase{16, {Signal::HalfScaleSine}, 1},
                                           LevelCase{8, {Signal::HalfScaleSine}, 1},
                                           LevelCase{16, {Signal::FullScaleSquare}, 1},
                                           LevelCase{8, {Signal::FullScaleSquare}, 1},
                                           LevelCase{16, {Signal::HalfScaleSine, Signal::FullScaleSquare}, 2},
                                           LevelCase{16, {Signal::Silence, Signal::HalfScaleSine}, 2},
                                           LevelCase{8, {Signal::FullScaleSquare, Signal::Silence}, 2},
                                           LevelCase{8, {Signal::HalfScaleSine, Signal::HalfScaleSine}, 2}));
