// The small pieces of the engine: the header image, waveform snapshots, the
// loss detector and the level meter (the recording file is the engine
// tests').
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "engine/capture_loss.h"
#include "engine_fixture.h"
#include "engine/take_levels.h"
#include "engine/wave_header.h"
#include "engine/waveform_snapshot.h"

using platform::audio::PcmFormat;

TEST(WaveHeaderTest, ImageHoldsTheFortyFourByteLayoutLittleEndian)
{
    WaveHeader h = WaveHeader::ForEmptyFile(PcmFormat{44100, 16, 2});
    h.SetSizesFromFileLength(44 + 1000);
    const auto b = h.Image();
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
    ASSERT_TRUE(WaveHeader::Parse(b.data(), 44, back));
    EXPECT_EQ(back.format, (PcmFormat{44100, 16, 2}));
    EXPECT_EQ(back.riffSize, 1036u);
    EXPECT_EQ(back.dataSize, 1000u);
    EXPECT_FALSE(WaveHeader::Parse(b.data(), 43, back));
}

// Mono 16-bit takes every other sample and 8-bit is centred on zero: the
// engine's capture and playback tests see both through the waveform.
TEST(SnapshotTest, StereoShowsTheFirstChannelAndPointsBeyondTheBlockAreZero)
{
    std::vector<uint8_t> b(6144);
    for (int i = 0; i < 3072; ++i) {
        // Channel 1 rises, channel 2 is a constant that must never show.
        const int16_t s = i % 2 ? int16_t(-32000) : int16_t(i / 2 * 7 - 10000);
        b[size_t(2 * i)] = uint8_t(s & 0xff);
        b[size_t(2 * i + 1)] = uint8_t((s >> 8) & 0xff);
    }
    enginetest::FakeWaveform view(2000, 77);
    TakeWaveformSnapshot(view, b.data(), 6144, 16);
    for (int i : {0, 1, 150, 1535})
        EXPECT_EQ(view.data[size_t(i)], int16_t(i * 7 - 10000)) << i;
    EXPECT_EQ(view.data[1536], 0);
    EXPECT_EQ(view.data[1999], 0);
}

TEST(CaptureLossTest, ADriftingClockOrASlowDiskIsNoLossAndAFlushKeepsWhatWasHeld)
{
    constexpr uint32_t rate = 48000, frames = 4800;  // blocks of a tenth of a second, mono 8-bit
    CaptureLossDetector d;
    uint64_t now = 1000;
    std::vector<CaptureLossDetector::Piece> out;  // what was held back and given out
    auto arrive = [&](uint64_t after) {
        const QByteArray block(int(frames), 0);
        const bool held = d.BlockArrived(now += after, reinterpret_cast<const uint8_t*>(block.constData()), frames);
        for (auto& p : d.TakeWritable())
            out.push_back(std::move(p));
        return held;
    };
    d.Start(now, rate, 1);
    // Real pace with a clock drifting 0.1 % against the card: written at once.
    for (int i = 0; i < 600; ++i)
        EXPECT_FALSE(arrive(i % 10 ? 100 : 101)) << i;
    EXPECT_TRUE(out.empty());

    // The writer alone was slow (the disk): blocks pile up and come at once,
    // but nothing is missing. (A stall the server outgrew: the engine's
    // tests, through the file.)
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

// A sample of `signal` at frame `i` of 48 kHz audio, as -1..1.
double SampleOf(Signal signal, uint32_t i)
{
    switch (signal) {
    case Signal::HalfScaleSine:
        return 0.5 * std::sin(2 * std::numbers::pi * 1000 * i / 48000);
    case Signal::FullScaleSquare:
        return i / 24 % 2 == 0 ? 1.0 : -1.0;  // 1 kHz
    default:
        return 0;
    }
}

void AppendSample(QByteArray& data, double value, uint16_t bits)
{
    if (bits == 8) {
        data.append(char(std::clamp(int(std::lround(128 + value * 128)), 0, 255)));
        return;
    }
    const auto s = int16_t(std::clamp(int(std::lround(value * 32768)), -32768, 32767));
    data.append(char(s & 0xff)).append(char((s >> 8) & 0xff));
}

class TakeLevelsTest : public ::testing::TestWithParam<LevelCase> {};

TEST_P(TakeLevelsTest, PeakInDbfsAndClippedSamplesOfKnownSignals)
{
    const LevelCase c = GetParam();
    const PcmFormat format{48000, c.bits, uint16_t(c.channelCount)};
    constexpr uint32_t kFrames = 4800;
    QByteArray data;
    for (uint32_t i = 0; i < kFrames; ++i)
        for (int ch = 0; ch < c.channelCount; ++ch)
            AppendSample(data, SampleOf(c.channels[size_t(ch)], i), c.bits);

    TakeLevelMeter meter;
    meter.Begin(format);
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
    const uint32_t half = uint32_t(data.size()) / 2 / format.BlockAlign() * format.BlockAlign();
    meter.Add(bytes, half);
    meter.Add(bytes + half, uint32_t(data.size()) - half);
    const TakeLevels l = meter.Take();

    EXPECT_EQ(l.channels, c.channelCount);
    EXPECT_EQ(l.fullScale, c.bits == 8 ? 128u : 32768u) << "8-bit audio against its own full scale";
    bool anyClipped = false;
    for (int ch = 0; ch < c.channelCount; ++ch) {
        SCOPED_TRACE(ch);
        const Signal signal = c.channels[size_t(ch)];
        const double db = LevelDbfs(l.peak[size_t(ch)], l.fullScale);
        if (signal == Signal::Silence)
            EXPECT_TRUE(std::isinf(db) && db < 0) << db;
        else if (signal == Signal::HalfScaleSine)
            EXPECT_NEAR(db, -6.02, 0.15);
        else
            EXPECT_DOUBLE_EQ(db, 0.0);
        EXPECT_EQ(l.clipped[size_t(ch)], signal == Signal::FullScaleSquare ? kFrames : 0u)
            << "either sign at full scale is clipping";
        anyClipped = anyClipped || signal == Signal::FullScaleSquare;
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
