// The small pieces of the engine: the header image and waveform snapshots
// (the recording file is the engine tests').
#include <gtest/gtest.h>

#include "engine/engine_view.h"
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
