// WAVE files: formats, lengths and samples against sox, and random access.

#include "media.h"

#include <gtest/gtest.h>

namespace {

using media::OpenStream;

// 8-bit and 16-bit PCM are delivered as stored: byte for byte what sox reads
// out of the file.
TEST(WaveFiles, PcmComesOutAsStored)
{
    media::Scratch scratch;
    for (const auto& [rate, channels, bits, encoding] :
         {std::tuple{44100, 2, 16, "signed-integer"}, {8000, 1, 16, "signed-integer"},
          {11025, 2, 8, "unsigned-integer"}, {22050, 1, 8, "unsigned-integer"}}) {
        SCOPED_TRACE(testing::Message() << rate << " Hz " << channels << " ch " << bits << " bits");
        const QString wave = media::makeWave(scratch.path("pcm.wav"), rate, channels, bits, 30011, encoding);
        OpenStream stream(wave);
        ASSERT_EQ(stream.code(), ZLDEC_OK);
        EXPECT_EQ(stream.length(), 30011u);
        const ZLWaveFormat f = stream.format();
        EXPECT_EQ(f.formatTag, 1);
        EXPECT_EQ(f.channels, channels);
        EXPECT_EQ(f.samplesPerSec, uint32_t(rate));
        EXPECT_EQ(f.bitsPerSample, bits);
        EXPECT_EQ(f.blockAlign, channels * bits / 8);
        EXPECT_EQ(f.avgBytesPerSec, uint32_t(rate * channels * bits / 8));
        EXPECT_EQ(f.cbSize, 0);
        const QByteArray decoded = stream.decodeAll();
        EXPECT_EQ(decoded.size(), 30011 * f.blockAlign);
        EXPECT_TRUE(decoded == media::soxSamples(wave, encoding, bits));
    }
}

// Other encodings come out as 16-bit PCM, as sox converts them.
TEST(WaveFiles, OtherEncodingsComeOutAs16Bits)
{
    media::Scratch scratch;
    const QString source = media::makeWave(scratch.path("source.wav"), 22050, 2, 16, 20000);
    struct Converted {
        const char* encoding;
        int bits;
        int tolerance;  // genuine 24-bit samples may round either way at a tie
    };
    for (const Converted c : {Converted{"floating-point", 32, 0}, {"signed-integer", 24, 0}, {"u-law", 8, 0},
                              {"a-law", 8, 0}, {"ima-adpcm", 4, 0}, {"ms-adpcm", 4, 0}}) {
        SCOPED_TRACE(c.encoding);
        const QString wave = scratch.path(QString("%1-%2.wav").arg(c.encoding).arg(c.bits));
        media::run("sox", {source, "-e", c.encoding, "-b", QString::number(c.bits), wave});
        OpenStream stream(wave);
        ASSERT_EQ(stream.code(), ZLDEC_OK);
        EXPECT_EQ(stream.format().bitsPerSample, 16);
        EXPECT_EQ(stream.format().blockAlign, 4);
        const QByteArray reference = media::soxSamples(wave, "signed-integer", 16);
        EXPECT_EQ(stream.length() * 4u, uint32_t(reference.size()));
        const QByteArray decoded = stream.decodeAll();
        ASSERT_EQ(decoded.size(), reference.size());
        EXPECT_EQ(media::compareSamples(decoded, reference).largest, c.tolerance);
    }
    // A genuine 24-bit recording: rounded to the nearest 16-bit value.
    const QString deep = media::makeWave(scratch.path("deep.wav"), 48000, 2, 24, 20000);
    OpenStream stream(deep);
    ASSERT_EQ(stream.code(), ZLDEC_OK);
    const auto difference = media::compareSamples(stream.decodeAll(), media::soxSamples(deep, "signed-integer", 16));
    EXPECT_LE(difference.largest, 1);
    EXPECT_LT(difference.differing, 40000 / 100);
}

// Any first frame gives the frames a decode from the start gives there.
TEST(WaveFiles, RandomAccessMatchesTheDecodeFromTheStart)
{
    media::Scratch scratch;
    const QString pcm = media::makeWave(scratch.path("pcm.wav"), 44100, 2, 16, 50000);
    const QString adpcm = scratch.path("adpcm.wav");
    media::run("sox", {pcm, "-e", "ima-adpcm", adpcm});
    const QString u8 = media::makeWave(scratch.path("u8.wav"), 8000, 1, 8, 50000, "unsigned-integer");
    for (const QString& file : {pcm, adpcm, u8}) {
        SCOPED_TRACE(file.toStdString());
        OpenStream stream(file);
        ASSERT_EQ(stream.code(), ZLDEC_OK);
        const QByteArray all = stream.decodeAll();
        const int frameBytes = stream.format().blockAlign;
        ASSERT_EQ(all.size(), qsizetype(stream.length()) * frameBytes);
        ASSERT_EQ(ZLDec_DecodeAudioBegin(stream.handle()), ZLDEC_OK);
        for (const uint32_t first : {40000u, 0u, 1u, 1017u, 24999u, stream.length() - 7, 333u}) {
            std::vector<char> buffer(2000 * frameBytes);
            uint32_t written = 0;
            ASSERT_EQ(ZLDec_DecodeAudio(stream.handle(), first, 2000, buffer.data(), &written), ZLDEC_OK);
            EXPECT_EQ(written, std::min(2000u, stream.length() - first));
            EXPECT_EQ(QByteArray(buffer.data(), qsizetype(written) * frameBytes),
                      all.mid(qsizetype(first) * frameBytes, qsizetype(written) * frameBytes))
                << "from frame " << first;
        }
        uint32_t written = 99;
        char scratchPcm[16];
        EXPECT_EQ(ZLDec_DecodeAudio(stream.handle(), stream.length(), 4, scratchPcm, &written), ZLDEC_OK);
        EXPECT_EQ(written, 0u);
        EXPECT_EQ(ZLDec_DecodeAudioEnd(stream.handle()), ZLDEC_OK);
    }
}

}  // namespace
