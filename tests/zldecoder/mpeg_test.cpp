// MPEG audio: exact lengths (gapless), formats and bit rates, samples against
// mpg123, random access, and streams that are damaged or hostile.

#include "media.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <random>

namespace {

using media::OpenStream;

constexpr int kFrames = 77777;  // not a multiple of any frame size

struct Encoding {
    const char* name;
    int rate;
    int channels;
    QStringList lame;
    uint32_t avgBytesPerSec;
    bool mpeg1;
};

const std::vector<Encoding>& encodings()
{
    static const std::vector<Encoding> all = {
        {"MPEG-1 128 kbit/s", 44100, 2, {"-b", "128"}, 16000, true},
        {"MPEG-1 320 kbit/s 48 kHz", 48000, 2, {"-b", "320"}, 40000, true},
        {"MPEG-1 mono 32 kHz", 32000, 1, {"-b", "64", "-m", "m"}, 8000, true},
        {"MPEG-2 22.05 kHz", 22050, 2, {"-b", "64"}, 8000, false},
        {"MPEG-2 mono 16 kHz", 16000, 1, {"-b", "48"}, 6000, false},
        {"MPEG-2.5 11.025 kHz", 11025, 1, {"-b", "32"}, 4000, false},
        {"MPEG-2.5 8 kHz", 8000, 1, {"-b", "32"}, 4000, false},
    };
    return all;
}

// Blocks of MPEG-2 layer III frames restart the decoder; a plain decode may
// differ from ours by 1 in a handful of samples there.
void expectSamplesLikeMpg123(const QByteArray& ours, const QByteArray& reference, bool exact)
{
    ASSERT_EQ(ours.size(), reference.size());
    const auto difference = media::compareSamples(ours, reference);
    if (exact) {
        EXPECT_EQ(difference.differing, 0);
    } else {
        EXPECT_LE(difference.largest, 1);
        EXPECT_LE(difference.differing, ours.size() / 2 / 5000);
    }
}

TEST(MpegFiles, AFileMadeFromNFramesReportsNAndItsBitRate)
{
    media::Scratch scratch;
    for (const Encoding& e : encodings()) {
        SCOPED_TRACE(e.name);
        const QString wave = media::makeWave(scratch.path("in.wav"), e.rate, e.channels, 16, kFrames);
        const QString mp3 = media::makeMp3(wave, scratch.path("out.mp3"), e.lame);
        OpenStream stream(mp3);
        ASSERT_EQ(stream.code(), ZLDEC_OK);
        EXPECT_EQ(stream.length(), uint32_t(kFrames));
        const ZLWaveFormat f = stream.format();
        EXPECT_EQ(f.formatTag, 1);
        EXPECT_EQ(f.samplesPerSec, uint32_t(e.rate));
        EXPECT_EQ(f.channels, e.channels);
        EXPECT_EQ(f.bitsPerSample, 16);
        EXPECT_EQ(f.blockAlign, 2 * e.channels);
        EXPECT_EQ(f.avgBytesPerSec, e.avgBytesPerSec);
        expectSamplesLikeMpg123(stream.decodeAll(), media::mpg123Samples(mp3), e.mpeg1);
    }
}

TEST(MpegFiles, VariableRatesReportTheirAverage)
{
    media::Scratch scratch;
    const QString wave = media::makeWave(scratch.path("in.wav"), 44100, 2, 16, 441000);
    for (const QStringList& lame : {QStringList{"-V", "2"}, QStringList{"-V", "7"}, QStringList{"--abr", "96"}}) {
        SCOPED_TRACE(lame.join(' ').toStdString());
        // lame would pick a lower rate for the smaller settings.
        const QString mp3 = media::makeMp3(wave, scratch.path("vbr.mp3"), lame + QStringList{"--resample", "44.1"});
        OpenStream stream(mp3);
        ASSERT_EQ(stream.code(), ZLDEC_OK);
        EXPECT_EQ(stream.length(), 441000u);
        const double seconds = 10.0;
        const double bytesPerSecond = double(QFileInfo(mp3).size()) / seconds;
        EXPECT_NEAR(stream.format().avgBytesPerSec, bytesPerSecond, bytesPerSecond * 0.05);
        expectSamplesLikeMpg123(stream.decodeAll(), media::mpg123Samples(mp3), true);
    }
}

TEST(MpegFiles, TagsChangeNeitherLengthNorSamples)
{
    media::Scratch scratch;
    const QString wave = media::makeWave(scratch.path("in.wav"), 44100, 2, 16, kFrames);
    const QString plain = media::makeMp3(wave, scratch.path("plain.mp3"), {"-b", "192"});
    const QString v2 = media::makeMp3(wave, scratch.path("v2.mp3"),
                                      {"-b", "192", "--add-id3v2", "--tt", "Title", "--ta", "Artist", "--pad-id3v2-size", "20000"});
    const QString v1 = media::makeMp3(wave, scratch.path("v1.mp3"), {"-b", "192", "--id3v1-only", "--tt", "Title"});
    OpenStream reference(plain);
    ASSERT_EQ(reference.code(), ZLDEC_OK);
    const QByteArray samples = reference.decodeAll();
    for (const QString& tagged : {v2, v1}) {
        SCOPED_TRACE(tagged.toStdString());
        OpenStream stream(tagged);
        ASSERT_EQ(stream.code(), ZLDEC_OK);
        EXPECT_EQ(stream.length(), uint32_t(kFrames));
        EXPECT_EQ(stream.format().avgBytesPerSec, 24000u);
        EXPECT_TRUE(stream.decodeAll() == samples);
    }
}

TEST(MpegFiles, WithoutAnInfoFrameTheWholeFramesCount)
{
    media::Scratch scratch;
    const QString wave = media::makeWave(scratch.path("in.wav"), 44100, 2, 16, kFrames);
    const QString mp3 = media::makeMp3(wave, scratch.path("notag.mp3"), {"-t", "-b", "128"});
    OpenStream stream(mp3);
    ASSERT_EQ(stream.code(), ZLDEC_OK);
    const QByteArray reference = media::mpg123Samples(mp3);
    EXPECT_EQ(stream.length() % 1152, 0u);
    EXPECT_GT(stream.length(), uint32_t(kFrames));
    EXPECT_EQ(stream.format().avgBytesPerSec, 16000u);
    expectSamplesLikeMpg123(stream.decodeAll(), reference, true);
}

TEST(MpegFiles, LayersOneAndTwoDecodeLikeMpg123)
{
    media::Scratch scratch;
    const QString wave = media::makeWave(scratch.path("in.wav"), 44100, 2, 16, kFrames);
    const QString mp2 = scratch.path("stereo.mp2");
    media::run("sox", {wave, "-C", "128", mp2});
    const QString monoMp2 = scratch.path("mono.mp2");
    media::run("sox", {wave, "-c", "1", "-C", "96", monoMp2});
    struct Layered {
        QString path;
        int channels;
        uint32_t avgBytesPerSec;
    };
    for (const Layered& f : {Layered{mp2, 2, 16000}, {monoMp2, 1, 12000},
                             {media::makeLayer1(scratch.path("stereo.mp1"), 300, 2, 7), 2, 48000},
                             {media::makeLayer1(scratch.path("mono.mp1"), 300, 1, 8), 1, 48000}}) {
        SCOPED_TRACE(f.path.toStdString());
        OpenStream stream(f.path);
        ASSERT_EQ(stream.code(), ZLDEC_OK);
        EXPECT_EQ(stream.format().channels, f.channels);
        EXPECT_EQ(stream.format().avgBytesPerSec, f.avgBytesPerSec);
        const QByteArray reference = media::mpg123Samples(f.path);
        EXPECT_EQ(qsizetype(stream.length()) * 2 * f.channels, reference.size());
        if (f.avgBytesPerSec == 48000) {
            EXPECT_EQ(stream.length(), 300u * 384u);
        }
        expectSamplesLikeMpg123(stream.decodeAll(), reference, true);
    }
}

// Positions around the decoder's restarts (every 128 frames of 1152 or 576
// samples, less the gapless start) and in between, forwards and backwards.
TEST(MpegFiles, RandomAccessMatchesTheDecodeFromTheStart)
{
    media::Scratch scratch;
    const QString stereo = media::makeWave(scratch.path("stereo.wav"), 44100, 2, 16, 900000);
    const QString mono = media::makeWave(scratch.path("mono.wav"), 22050, 1, 16, 400000);
    const std::vector<QString> files = {
        media::makeMp3(stereo, scratch.path("vbr.mp3"), {"-V", "4"}),
        media::makeMp3(mono, scratch.path("mpeg2.mp3"), {"-b", "24"}),
        media::makeMp3(mono, scratch.path("mpeg25.mp3"), {"-b", "8", "--resample", "8"}),
        media::makeMp2(stereo, scratch.path("layer2.mp2")),
    };
    std::mt19937 random(42);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        OpenStream stream(file);
        ASSERT_EQ(stream.code(), ZLDEC_OK);
        const QByteArray all = stream.decodeAll();
        const uint32_t length = stream.length();
        const int frameBytes = stream.format().blockAlign;
        ASSERT_EQ(all.size(), qsizetype(length) * frameBytes);

        std::vector<uint32_t> firsts = {0, 1, 575, 576, 1151, 1152, length - 1, length - 2000};
        for (const uint32_t block : {128u * 1152u, 128u * 576u, 256u * 1152u})
            for (const uint32_t around : {block - 1105u, block - 1106u, block - 1104u, block - 529u, block})
                if (around < length)
                    firsts.push_back(around);
        for (int i = 0; i < 12; ++i)
            firsts.push_back(random() % length);
        ASSERT_EQ(ZLDec_DecodeAudioBegin(stream.handle()), ZLDEC_OK);
        for (const uint32_t first : firsts) {
            std::vector<char> buffer(3000 * frameBytes);
            uint32_t written = 0;
            ASSERT_EQ(ZLDec_DecodeAudio(stream.handle(), first, 3000, buffer.data(), &written), ZLDEC_OK);
            ASSERT_EQ(written, std::min(3000u, length - first));
            EXPECT_TRUE(QByteArray(buffer.data(), qsizetype(written) * frameBytes)
                        == all.mid(qsizetype(first) * frameBytes, qsizetype(written) * frameBytes))
                << "from frame " << first;
        }
        EXPECT_EQ(ZLDec_DecodeAudioEnd(stream.handle()), ZLDEC_OK);
    }
}

// A file cut short (a copy that did not finish) still carries the Info frame
// of the whole: it plays what is there, as mpg123 does, and no more.
TEST(MpegFiles, AFileCutShortPlaysWhatIsThere)
{
    media::Scratch scratch;
    const QString wave = media::makeWave(scratch.path("in.wav"), 44100, 2, 16, 1000000);
    const QByteArray whole = testsupport::readFile(media::makeMp3(wave, scratch.path("whole.mp3"), {"-b", "128"}));
    const QString cut = scratch.path("cut.mp3");
    ASSERT_TRUE(testsupport::writeFile(cut, whole.left(whole.size() / 3)));
    OpenStream stream(cut);
    ASSERT_EQ(stream.code(), ZLDEC_OK);
    EXPECT_NEAR(double(stream.length()), 1000000.0 / 3, 3000.0);
    const QByteArray reference = media::mpg123Samples(cut);
    const QByteArray decoded = stream.decodeAll();
    EXPECT_EQ(decoded.size(), reference.size());
    EXPECT_TRUE(decoded == reference);
    EXPECT_LE(decoded.size() / 4, stream.length());
}

// Whatever follows a valid start, the library answers with a code or with a
// stream that decodes to its end without ever giving more than it promised.
TEST(MpegFiles, GarbageAfterAValidStartIsHandled)
{
    media::Scratch scratch;
    const QString wave = media::makeWave(scratch.path("in.wav"), 44100, 2, 16, 200000);
    const QByteArray mp3 = testsupport::readFile(media::makeMp3(wave, scratch.path("good.mp3"), {"-b", "128"}));
    std::mt19937 random(7);
    QByteArray noise(300000, '\0');
    for (char& c : noise)
        c = char(random());
    const QByteArray header("\xff\xfb\x90\x64", 4);
    struct Hostile {
        const char* name;
        QByteArray bytes;
    };
    for (const Hostile& h : {Hostile{"header then noise", header + noise},
                             {"two frames then noise", mp3.left(418 * 2 + 100) + noise},
                             {"half a file then noise", mp3.left(mp3.size() / 2) + noise},
                             {"noise after the end", mp3 + noise},
                             {"cut in the middle", mp3.left(mp3.size() / 3)}}) {
        SCOPED_TRACE(h.name);
        const QString path = scratch.path("hostile.mp3");
        ASSERT_TRUE(testsupport::writeFile(path, h.bytes));
        OpenStream stream(path);
        if (stream.code() != ZLDEC_OK) {
            EXPECT_TRUE(stream.code() == ZLDEC_ERR_DAMAGED || stream.code() == ZLDEC_ERR_UNRECOGNISED);
            continue;
        }
        const uint32_t length = stream.length();
        EXPECT_LE(length, 200000u + 2 * 1152u + uint32_t(noise.size()));
        ASSERT_EQ(ZLDec_DecodeAudioBegin(stream.handle()), ZLDEC_OK);
        std::vector<char> buffer(4096 * 4);
        uint32_t position = 0;
        for (int calls = 0; calls < 1000; ++calls) {
            uint32_t written = 0;
            const uint32_t code = ZLDec_DecodeAudio(stream.handle(), position, 4096, buffer.data(), &written);
            ASSERT_LE(written, 4096u);
            position += written;
            if (written == 0 || code != ZLDEC_OK)
                break;
        }
        EXPECT_LE(position, length);
        ZLDec_DecodeAudioEnd(stream.handle());
    }
    // Appended noise is not audio: the stream keeps its length.
    ASSERT_TRUE(testsupport::writeFile(scratch.path("tail.mp3"), mp3 + noise));
    EXPECT_EQ(OpenStream(scratch.path("tail.mp3")).length(), 200000u);
}

}  // namespace
