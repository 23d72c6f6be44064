#include "media.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <random>

namespace media {

QByteArray Run(const QString& program, const QStringList& args)
{
    const auto result = testsupport::RunTool(program, args, 120000);
    EXPECT_EQ(result.exitCode, 0) << program.toStdString() << " " << args.join(' ').toStdString() << ": "
                                  << result.err.toStdString();
    return result.out;
}

QString MakeWave(const QString& path, int rate, int channels, int bits, int frames, const QString& encoding)
{
    // The rate goes on the null input so that sox makes exactly `frames` frames.
    Run("sox",
        {"-r", QString::number(rate), "-c", QString::number(channels), "-n", "-b", QString::number(bits), "-e",
         encoding, path, "synth", QString::number(frames) + "s", "pinknoise", "vol", "0.6"});
    return path;
}

QString MakeMp3(const QString& wave, const QString& path, const QStringList& lameOptions)
{
    Run("lame", QStringList{"--quiet"} + lameOptions + QStringList{wave, path});
    return path;
}

uint32_t OpusdecFrames(const QString& opus, const QString& scratchWave)
{
    Run("opusdec", {"--quiet", "--rate", "48000", opus, scratchWave});
    return Run("soxi", {"-s", scratchWave}).trimmed().toUInt();
}

QString MakeLayer1(const QString& path, int frames, int channels, uint32_t seed)
{
    std::mt19937 random(seed);
    QByteArray file;
    for (int f = 0; f < frames; ++f) {
        QByteArray frame;
        int bit = 0;
        auto put = [&](uint32_t value, int bits) {
            for (int i = bits - 1; i >= 0; --i, bit = (bit + 1) % 8) {
                if (bit == 0)
                    frame.push_back(char(0));
                frame.back() |= char(((value >> i) & 1) << (7 - bit));
            }
        };
        // Sync, MPEG-1, layer I, no CRC, 384 kbit/s, 48 kHz, no padding; mono or stereo; no extras.
        put(0xfff, 12), put(1, 1), put(3, 2), put(1, 1), put(12, 4), put(1, 2), put(0, 2);
        put(channels == 1 ? 3 : 0, 2), put(0, 6);
        int allocation[32][2] = {};
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < channels; ++ch)
                put(allocation[sb][ch] = sb < 10 ? int(random() % 6) : 0, 4);  // 0 or 2..6 bits a sample
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < channels; ++ch)
                if (allocation[sb][ch])
                    put(8 + random() % 30, 6);
        for (int s = 0; s < 12; ++s)
            for (int sb = 0; sb < 32; ++sb)
                for (int ch = 0; ch < channels; ++ch)
                    if (const int width = allocation[sb][ch] + 1; width > 1)
                        put(random() % ((1u << width) - 1), width);  // never all ones
        file += frame + QByteArray(384 - frame.size(), '\0');
    }
    EXPECT_TRUE(testsupport::WriteFile(path, file));
    return path;
}

QByteArray Mpg123Samples(const QString& path) { return Run("mpg123", {"-q", "-e", "s16", "-s", path}); }

QByteArray SoxSamples(const QString& path, const QString& encoding, int bits)
{
    return Run("sox", {"-D", path, "-t", "raw", "-e", encoding, "-b", QString::number(bits), "-"});
}

QString ZlaTool() { return QDir(testsupport::BinDir()).filePath("zla"); }

uint32_t OpenCodeOf(const QString& path, const QByteArray& bytes)
{
    EXPECT_TRUE(testsupport::WriteFile(path, bytes));
    return OpenStream(path).Code();
}

OpenStream::OpenStream(const QString& path, uint32_t mode)
{
    m_code = ZLDec_OpenStream(&m_handle, QFile::encodeName(path).constData(), ZLDEC_INTERFACE_VERSION, mode);
}

OpenStream::~OpenStream()
{
    if (m_code == ZLDEC_OK)
        ZLDec_CloseStream(m_handle);
}

uint32_t OpenStream::Length() const
{
    uint32_t frames = 0;
    EXPECT_EQ(ZLDec_GetStreamLength(m_handle, &frames), ZLDEC_OK);
    return frames;
}

ZLWaveFormat OpenStream::Format() const
{
    const ZLWaveFormat* format = nullptr;
    EXPECT_EQ(ZLDec_GetStreamFormat(m_handle, &format), ZLDEC_OK);
    return format ? *format : ZLWaveFormat{};
}

QByteArray OpenStream::Decode(uint32_t first, uint32_t count, uint32_t piece, uint32_t* failure)
{
    EXPECT_EQ(ZLDec_DecodeAudioBegin(m_handle), ZLDEC_OK);
    const uint32_t frameBytes = Format().blockAlign;
    QByteArray out;
    std::vector<char> buffer(size_t(piece) * frameBytes);
    uint32_t code = ZLDEC_OK;
    for (uint32_t position = first, written = piece;
         code == ZLDEC_OK && position < first + count && written == piece;) {
        const uint32_t asked = std::min(piece, first + count - position);
        code = ZLDec_DecodeAudio(m_handle, position, asked, buffer.data(), &written);
        EXPECT_TRUE(failure || code == ZLDEC_OK) << code;
        EXPECT_LE(written, asked);
        out.append(buffer.data(), qsizetype(std::min(written, asked)) * frameBytes);
        position += written;
        written = written < asked ? 0 : piece;
    }
    if (failure)
        *failure = code;
    EXPECT_EQ(ZLDec_DecodeAudioEnd(m_handle), ZLDEC_OK);
    return out;
}

void OpenStream::ExpectRandomAccessLikeFromTheStart(const std::vector<uint32_t>& firsts)
{
    const QByteArray all = DecodeAll();
    const uint32_t frames = Length();
    const int frameBytes = Format().blockAlign;
    ASSERT_EQ(all.size(), qsizetype(frames) * frameBytes);
    ASSERT_EQ(ZLDec_DecodeAudioBegin(m_handle), ZLDEC_OK);
    std::vector<char> buffer(3000 * frameBytes);
    for (const uint32_t first : firsts) {
        uint32_t written = 0;
        ASSERT_EQ(ZLDec_DecodeAudio(m_handle, first, 3000, buffer.data(), &written), ZLDEC_OK);
        ASSERT_EQ(written, std::min(3000u, frames - std::min(first, frames))) << "from frame " << first;
        EXPECT_TRUE(QByteArray(buffer.data(), qsizetype(written) * frameBytes) ==
                    all.mid(qsizetype(first) * frameBytes, qsizetype(written) * frameBytes))
            << "from frame " << first;
    }
    EXPECT_EQ(ZLDec_DecodeAudioEnd(m_handle), ZLDEC_OK);
}

SampleDifference CompareSamples(const QByteArray& a, const QByteArray& b)
{
    SampleDifference d;
    const auto* x = reinterpret_cast<const int16_t*>(a.constData());
    const auto* y = reinterpret_cast<const int16_t*>(b.constData());
    for (qsizetype i = 0; i < std::min(a.size(), b.size()) / 2; ++i)
        if (const int diff = std::abs(int(x[i]) - int(y[i]))) {
            ++d.differing;
            d.largest = std::max(d.largest, diff);
        }
    return d;
}

}  // namespace media
