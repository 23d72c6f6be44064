#include "media.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <random>

namespace media {

Scratch::Scratch() { EXPECT_TRUE(m_dir.isValid()); }

QByteArray run(const QString& program, const QStringList& args)
{
    const auto result = testsupport::runTool(program, args, 120000);
    EXPECT_EQ(result.exitCode, 0) << program.toStdString() << " " << args.join(' ').toStdString() << ": "
                                  << result.err.toStdString();
    return result.out;
}

QString makeWave(const QString& path, int rate, int channels, int bits, int frames, const QString& encoding)
{
    // The rate goes on the null input so that sox makes exactly `frames` frames.
    run("sox", {"-r", QString::number(rate), "-c", QString::number(channels), "-n", "-b", QString::number(bits),
                "-e", encoding, path, "synth", QString::number(frames) + "s", "pinknoise", "vol", "0.6"});
    return path;
}

QString makeMp3(const QString& wave, const QString& path, const QStringList& lameOptions)
{
    run("lame", QStringList{"--quiet"} + lameOptions + QStringList{wave, path});
    return path;
}

QString makeMp2(const QString& wave, const QString& path)
{
    run("sox", {wave, path});
    return path;
}

namespace {

class BitWriter {
public:
    void put(uint32_t value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i) {
            if (m_bit == 0)
                m_bytes.push_back(char(0));
            if ((value >> i) & 1)
                m_bytes.back() |= char(0x80 >> m_bit);
            m_bit = (m_bit + 1) % 8;
        }
    }
    QByteArray& bytes() { return m_bytes; }

private:
    QByteArray m_bytes;
    int m_bit = 0;
};

}  // namespace

QString makeLayer1(const QString& path, int frames, int channels, uint32_t seed)
{
    // MPEG-1 layer I at 48 kHz and 384 kbit/s: 384 bytes a frame, no padding.
    constexpr int kFrameBytes = 384;
    std::mt19937 random(seed);
    QByteArray file;
    for (int f = 0; f < frames; ++f) {
        BitWriter bits;
        bits.put(0xfff, 12);                  // sync
        bits.put(1, 1);                       // MPEG-1
        bits.put(3, 2);                       // layer I
        bits.put(1, 1);                       // no CRC
        bits.put(12, 4);                      // 384 kbit/s
        bits.put(1, 2);                       // 48 kHz
        bits.put(0, 2);                       // no padding, private 0
        bits.put(channels == 1 ? 3 : 0, 2);   // mono or stereo
        bits.put(0, 4);                       // mode extension, copyright, original
        bits.put(0, 2);                       // no emphasis
        int allocation[32][2] = {};
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < channels; ++ch) {
                allocation[sb][ch] = sb < 10 ? int(random() % 6) : 0;  // 0 or 2..6 bits a sample
                bits.put(allocation[sb][ch], 4);
            }
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < channels; ++ch)
                if (allocation[sb][ch])
                    bits.put(8 + random() % 30, 6);
        for (int s = 0; s < 12; ++s)
            for (int sb = 0; sb < 32; ++sb)
                for (int ch = 0; ch < channels; ++ch)
                    if (const int a = allocation[sb][ch]) {
                        const int width = a + 1;
                        bits.put(random() % ((1u << width) - 1), width);  // never all ones
                    }
        QByteArray frame = bits.bytes();
        frame.append(kFrameBytes - frame.size(), '\0');
        file += frame;
    }
    EXPECT_TRUE(testsupport::writeFile(path, file));
    return path;
}

QByteArray mpg123Samples(const QString& path) { return run("mpg123", {"-q", "-e", "s16", "-s", path}); }

QByteArray soxSamples(const QString& path, const QString& encoding, int bits)
{
    return run("sox", {"-D", path, "-t", "raw", "-e", encoding, "-b", QString::number(bits), "-"});
}

QString zlaTool() { return QDir(testsupport::binDir()).filePath("zla"); }

OpenStream::OpenStream(const QString& path, uint32_t mode)
{
    m_code = ZLDec_OpenStream(&m_handle, QFile::encodeName(path).constData(), ZLDEC_INTERFACE_VERSION, mode);
}

OpenStream::~OpenStream()
{
    if (m_code == ZLDEC_OK)
        ZLDec_CloseStream(m_handle);
}

uint32_t OpenStream::length() const
{
    uint32_t frames = 0;
    EXPECT_EQ(ZLDec_GetStreamLength(m_handle, &frames), ZLDEC_OK);
    return frames;
}

ZLWaveFormat OpenStream::format() const
{
    const ZLWaveFormat* format = nullptr;
    EXPECT_EQ(ZLDec_GetStreamFormat(m_handle, &format), ZLDEC_OK);
    return format ? *format : ZLWaveFormat{};
}

QByteArray OpenStream::decode(uint32_t first, uint32_t count, uint32_t piece)
{
    EXPECT_EQ(ZLDec_DecodeAudioBegin(m_handle), ZLDEC_OK);
    const uint32_t frameBytes = format().blockAlign;
    QByteArray out;
    std::vector<char> buffer(size_t(piece) * frameBytes);
    uint32_t position = first;
    while (position < first + count) {
        uint32_t written = 0;
        const uint32_t asked = std::min(piece, first + count - position);
        EXPECT_EQ(ZLDec_DecodeAudio(m_handle, position, asked, buffer.data(), &written), ZLDEC_OK);
        EXPECT_LE(written, asked);
        out.append(buffer.data(), qsizetype(written) * frameBytes);
        position += written;
        if (written < asked)
            break;
    }
    EXPECT_EQ(ZLDec_DecodeAudioEnd(m_handle), ZLDEC_OK);
    return out;
}

SampleDifference compareSamples(const QByteArray& a, const QByteArray& b)
{
    SampleDifference d;
    const qsizetype n = std::min(a.size(), b.size()) / 2;
    const auto* x = reinterpret_cast<const int16_t*>(a.constData());
    const auto* y = reinterpret_cast<const int16_t*>(b.constData());
    for (qsizetype i = 0; i < n; ++i) {
        const int diff = std::abs(int(x[i]) - int(y[i]));
        if (diff) {
            ++d.differing;
            d.largest = std::max(d.largest, diff);
        }
    }
    return d;
}

int openDescriptors() { return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size()); }

}  // namespace media
