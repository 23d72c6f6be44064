// The small pieces of the engine: header image, format rows, readout texts,
// waveform snapshots.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "engine/engine_view.h"
#include "engine/readout.h"
#include "engine/record_formats.h"
#include "engine/recording_file.h"
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

TEST(WaveHeaderTest, AnEmptyRecordingHasSizes36And0)
{
    const WaveHeader h = WaveHeader::forEmptyFile(PcmFormat{8000, 8, 1});
    EXPECT_EQ(h.riffSize, 36u);
    EXPECT_EQ(h.dataSize, 0u);
}

TEST(RecordingFileTest, WriteWaveHeaderLeavesTheFileAtTheFirstDataByte)
{
    QTemporaryDir dir;
    RecordingFile file;
    ASSERT_TRUE(file.Create(dir.filePath("r.wav"), PcmFormat{8000, 16, 1}));
    ASSERT_EQ(file.Write(reinterpret_cast<const uint8_t*>("abcdefgh"), 8), 8u);
    ASSERT_TRUE(file.UpdateHeaderSizes());
    EXPECT_EQ(file.dataOffset(), 0u) << "file position 44";
    EXPECT_EQ(file.Write(reinterpret_cast<const uint8_t*>("XY"), 2), 2u);
    EXPECT_EQ(file.GetDataLength(), 8u);

    QFile f(dir.filePath("r.wav"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.mid(44), QByteArray("XYcdefgh"));
    EXPECT_EQ(bytes.mid(4, 4), QByteArray::fromHex("2c000000"));

    file.CloseAndRemove();
    EXPECT_FALSE(QFile::exists(dir.filePath("r.wav")));
    EXPECT_EQ(file.GetHeaderSize(), 0u);
    EXPECT_EQ(file.GetDataLength(), 0u);
}

TEST(RecordingFileTest, ANameHeldByAnotherInstanceIsNeitherTakenNorDeleted)
{
    QTemporaryDir dir;
    RecordingFile other;
    ASSERT_TRUE(other.Create(dir.filePath("r.wav"), PcmFormat{}));
    RecordingFile mine;
    EXPECT_FALSE(mine.Create(dir.filePath("r.wav"), PcmFormat{}));
    mine.CloseAndRemove();
    EXPECT_TRUE(QFile::exists(dir.filePath("r.wav")));
    EXPECT_TRUE(other.isOpen());
}

TEST(RecordFormatsTest, RowsRunByRateThenEightMonoSixteenMonoEightStereoSixteenStereo)
{
    EXPECT_EQ(RecordFormatOfRow(0), (PcmFormat{8000, 8, 1}));
    EXPECT_EQ(RecordFormatOfRow(1), (PcmFormat{8000, 16, 1}));
    EXPECT_EQ(RecordFormatOfRow(2), (PcmFormat{8000, 8, 2}));
    EXPECT_EQ(RecordFormatOfRow(3), (PcmFormat{8000, 16, 2}));
    EXPECT_EQ(RecordFormatOfRow(9), (PcmFormat{16000, 16, 1}));
    EXPECT_EQ(RecordFormatOfRow(22), (PcmFormat{44100, 8, 2}));
    EXPECT_EQ(RecordFormatOfRow(27), (PcmFormat{48000, 16, 2}));
    EXPECT_EQ(RecordFormatOfRow(-1), (PcmFormat{8000, 8, 1}));
    EXPECT_EQ(RecordFormatOfRow(28), (PcmFormat{8000, 8, 1}));
    EXPECT_EQ(RecordFormatOfRow(27).blockAlign(), 4);
    EXPECT_EQ(RecordFormatOfRow(27).bytesPerSecond(), 192000u);
}

TEST(ReadoutTest, ThreeDigitMinutesTwoDigitSecondsAndTruncatedTenths)
{
    const QString pos = QString::fromUtf8("\n位置:\n");
    const QString len = QString::fromUtf8("\n长度:\n");
    EXPECT_EQ(ReadoutText(385, 0, 48000), pos + "000:00.0");
    EXPECT_EQ(ReadoutText(384, 0, 8000), len + "000:00.0");
    EXPECT_EQ(ReadoutText(384, 490000, 8000), len + "001:01.2");  // 61.25 s
    EXPECT_EQ(ReadoutText(385, 48000 * 3599 + 47000, 48000), pos + "059:59.9");
    EXPECT_EQ(ReadoutText(384, 11025 * 90 + 11024, 11025), len + "001:30.9");
}

namespace {
struct Points : WaveformTarget {
    std::vector<int16_t> data;
    int refreshes = 0;
    explicit Points(int n) : data(size_t(n), 77) {}
    int pointCount() const override { return int(data.size()); }
    int16_t* points() override { return data.data(); }
    void setFullScale(int16_t) override {}
    void refresh() override { ++refreshes; }
};

std::vector<uint8_t> Block16(bool stereo)
{
    std::vector<uint8_t> b(6144);
    for (int i = 0; i < 3072; ++i) {
        // Channel 1 rises, channel 2 is a constant that must never show.
        const int16_t s = stereo && i % 2 ? int16_t(-32000) : int16_t((stereo ? i / 2 : i) * 7 - 10000);
        b[size_t(2 * i)] = uint8_t(s & 0xff);
        b[size_t(2 * i + 1)] = uint8_t((s >> 8) & 0xff);
    }
    return b;
}
}  // namespace

TEST(SnapshotTest, SixteenBitPointsAreEveryOtherSampleOrTheFirstChannel)
{
    Points mono(300), stereo(300);
    const auto m = Block16(false), s = Block16(true);
    TakeWaveformSnapshot(mono, m.data(), 6144, 16);
    TakeWaveformSnapshot(stereo, s.data(), 6144, 16);
    for (int i : {0, 1, 150, 299}) {
        EXPECT_EQ(mono.data[size_t(i)], int16_t(2 * i * 7 - 10000)) << i;
        EXPECT_EQ(stereo.data[size_t(i)], int16_t(i * 7 - 10000)) << i;
    }
    EXPECT_EQ(mono.refreshes, 1);
}

TEST(SnapshotTest, EightBitPointsAreTheByteMinus127)
{
    Points view(4);
    const uint8_t block[8] = {0, 9, 127, 9, 255, 9, 128, 9};
    TakeWaveformSnapshot(view, block, 8, 8);
    EXPECT_EQ(view.data, (std::vector<int16_t>{-127, 0, 128, 1}));
}

TEST(SnapshotTest, AViewWiderThanOneBlockHoldsGetsZerosBeyondIt)
{
    Points wide(2000);
    const auto m = Block16(false);
    TakeWaveformSnapshot(wide, m.data(), 6144, 16);
    EXPECT_EQ(wide.data[1535], int16_t(2 * 1535 * 7 - 10000));
    EXPECT_EQ(wide.data[1536], 0);
    EXPECT_EQ(wide.data[1999], 0);
}
