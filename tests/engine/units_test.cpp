// The small pieces of the engine: the header image, waveform snapshots, the
// loss detector and the level meter (the recording file is the engine
// tests').
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>

#include "engine/capture_loss.h"
#include "engine_fixture.h"
#include "engine/take_levels.h"
#include "engine/waveform_snapshot.h"

using platform::audio::PcmFormat;

TEST(WaveHeaderTest, ImageHoldsTheFortyFourByteLayoutLittleEndian)
{
    WaveHeader h = WaveHeader::ForEmptyFile(PcmFormat{44100, 16, 2});
    h.SetSizesFromFileLength(44 + 1000);
    const auto b = h.Image();
    // fromHex skips the spaces: format tag, channels, rate, bytes a second, block align, bits.
    const QByteArray expected = QByteArray("RIFF") + QByteArray::fromHex("0c040000") + "WAVEfmt " +
        QByteArray::fromHex("10000000 0100 0200 44ac0000 10b10200 0400 1000") + "data" +
        QByteArray::fromHex("e8030000");
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(b.data()), 44), expected);
    WaveHeader back;
    ASSERT_TRUE(WaveHeader::Parse(b.data(), 44, back));
    EXPECT_EQ(std::tuple(back.format, back.riffSize, back.dataSize), std::tuple(PcmFormat{44100, 16, 2}, 1036u, 1000u));
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
    auto arrive = [&](uint64_t after, uint64_t ahead = 0) {
        const QByteArray block(int(frames), 0);
        const bool held =
            d.BlockArrived(now += after, reinterpret_cast<const uint8_t*>(block.constData()), frames, ahead);
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

    // A 3 s stall of which the server kept 1 s: after the backlog, blocks
    // are handed over 60 ms after they fill, by a connection that wakes only
    // every so often, with those 60 ms of the next block already in. The
    // silence is the 2 s lost, not 60 ms more.
    d.Start(now, rate, 1);
    for (int i = 0; i < 10; ++i)
        arrive(100);
    out.clear();
    arrive(3000);
    for (int i = 0; i < 9; ++i)
        arrive(1);
    arrive(151, 2880);
    for (int i = 1; i < CaptureLossDetector::kSettleBlocks; ++i)
        arrive(100, 2880);
    ASSERT_EQ(out.size(), 14u);
    EXPECT_EQ(out[10].silenceFrames, 96000u);
}

// Known signals through the level meter: a tenth of a second of 48 kHz audio
// per channel, in two reports' worth of calls. Either sign at full scale is
// clipping; 8-bit audio is measured against its own full scale.
TEST(TakeLevelsTest, PeakInDbfsAndClippedSamplesOfKnownSignals)
{
    constexpr uint32_t kFrames = 4800;
    // One letter per channel: '0' silence, 's' a half-scale 1 kHz sine, 'F' a full-scale 1 kHz square.
    const std::vector<std::pair<uint16_t, std::string>> cases = {
        {16, "0"}, {8, "0"}, {16, "s"}, {8, "s"}, {16, "F"}, {8, "F"}, {16, "sF"}, {16, "0s"}, {8, "F0"}, {8, "ss"}};
    for (const auto& [bits, tracks] : cases) {
        SCOPED_TRACE(::testing::Message() << bits << " bit " << tracks);
        const PcmFormat format{48000, bits, uint16_t(tracks.size())};
        const int full = bits == 8 ? 128 : 32768;
        QByteArray data;
        for (uint32_t i = 0; i < kFrames; ++i)
            for (char track : tracks) {
                const double v = track == '0' ? 0
                    : track == 's'            ? 0.5 * std::sin(2 * std::numbers::pi * 1000 * i / 48000)
                                              : (i / 24 % 2 == 0 ? 1.0 : -1.0);
                const int s = std::clamp(int(std::lround(v * full)), -full, full - 1);
                if (bits == 8)
                    data.append(char(s + 128));
                else
                    data.append(char(s & 0xff)).append(char((s >> 8) & 0xff));
            }

        TakeLevelMeter meter;
        meter.Begin(format);
        const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
        const uint32_t half = uint32_t(data.size()) / 2 / format.BlockAlign() * format.BlockAlign();
        meter.Add(bytes, half);
        meter.Add(bytes + half, uint32_t(data.size()) - half);
        const TakeLevels l = meter.Take();

        EXPECT_EQ(l.channels, int(tracks.size()));
        EXPECT_EQ(l.fullScale, uint32_t(full));
        for (size_t ch = 0; ch < tracks.size(); ++ch) {
            SCOPED_TRACE(ch);
            const double db = LevelDbfs(l.peak[ch], l.fullScale);
            if (tracks[ch] == '0')
                EXPECT_TRUE(std::isinf(db) && db < 0) << db;
            else if (tracks[ch] == 's')
                EXPECT_NEAR(db, -6.02, 0.15);
            else
                EXPECT_DOUBLE_EQ(db, 0.0);
            EXPECT_EQ(l.clipped[ch], tracks[ch] == 'F' ? kFrames : 0u);
        }
        EXPECT_EQ(l.clippedFrames, tracks.find('F') != std::string::npos ? kFrames : 0u);
        const TakeLevels next = meter.Take();
        EXPECT_EQ(next.peak, (std::array<uint32_t, 2>{0, 0})) << "each report starts anew";
        EXPECT_EQ(next.clippedFrames, 0u);
    }
}
