// Decoding: formats, exact lengths (gapless) and bit rates, samples against
// sox and mpg123, random access, and MPEG streams that are damaged or hostile.
// FLAC, Ogg Vorbis and Opus: formats, exact lengths and samples against the
// reference decoders, random access, and streams that are cut or foreign.

#include "media.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <random>

namespace {

using media::OpenStream;

constexpr uint32_t kFrames = 300007;  // past two restarts of MPEG-1, not a multiple of any frame size

// Blocks of MPEG-2 layer III frames restart the decoder; a plain decode may
// differ from ours by 1 in a handful of samples there.
void ExpectSamplesLike(const QByteArray& ours, const QByteArray& reference, bool exact = true)
{
    ASSERT_EQ(ours.size(), reference.size());
    const auto difference = media::CompareSamples(ours, reference);
    EXPECT_LE(difference.largest, exact ? 0 : 1);
    EXPECT_LE(difference.differing, exact ? 0 : ours.size() / 2 / 5000);
}

// Positions around the MPEG decoder's restarts (every 128 frames of 1152 or
// 576 samples, less the gapless start) and FLAC's 4096-frame blocks: in
// between, forwards and backwards, and from the start again.
std::vector<uint32_t> Firsts(uint32_t length, std::mt19937& random)
{
    std::vector<uint32_t> firsts = {40000, 0,    1,    0,    575,        576,           1017, 1151,
                                    1152,  4095, 4096, 4097, length - 7, length - 2000, 3000, length};
    for (const uint32_t block : {128u * 1152u, 128u * 576u, 256u * 1152u})
        for (const uint32_t around : {block - 1105u, block - 1106u, block - 1104u, block - 529u, block})
            if (around < length)
                firsts.push_back(around);
    std::generate_n(std::back_inserter(firsts), 12, [&] { return uint32_t(random() % length); });
    return firsts;
}

// Every encoding family sox writes into WAVE (GSM 6.10 cannot seek in
// libsndfile): 8- and 16-bit PCM come out as stored, the others as 16 bits,
// as sox converts them; random access gives what the decode from the start gave.
TEST(Decoding, EveryWaveEncodingAndMpegLayerGivesItsFormatLengthTheReferenceSamplesAndRandomAccess)
{
    QTemporaryDir scratch;
    std::mt19937 random(42);
    const std::tuple<uint32_t, uint32_t, const char*, uint32_t> waves[] = {{44100, 2, "signed-integer", 16},
                                                                           {8000, 1, "signed-integer", 16},
                                                                           {11025, 2, "unsigned-integer", 8},
                                                                           {22050, 1, "unsigned-integer", 8},
                                                                           {22050, 2, "floating-point", 32},
                                                                           {8000, 1, "floating-point", 64},
                                                                           {22050, 2, "signed-integer", 24},
                                                                           {8000, 1, "signed-integer", 32},
                                                                           {22050, 2, "u-law", 8},
                                                                           {22050, 1, "a-law", 8},
                                                                           {22050, 2, "ima-adpcm", 4},
                                                                           {8000, 1, "ms-adpcm", 4},
                                                                           {8000, 1, "gsm-full-rate", 16}};
    for (const auto& [rate, channels, encoding, storedBits] : waves) {
        SCOPED_TRACE(testing::Message() << rate << " Hz " << channels << " ch " << encoding << " " << storedBits);
        const QString wave = scratch.filePath("t.wav");
        media::Run("sox",
                   {media::MakeWave(scratch.filePath("s.wav"), rate, channels, 16, 30011), "-e", encoding, "-b",
                    QString::number(storedBits), wave});
        OpenStream stream(wave);
        ASSERT_EQ(stream.Code(), ZLDEC_OK);
        const bool asStored = storedBits <= 16 && QByteArray(encoding).endsWith("integer");
        const uint32_t bits = asStored ? storedBits : 16;
        const QByteArray reference = media::SoxSamples(wave, asStored ? encoding : "signed-integer", bits);
        const ZLWaveFormat f = stream.Format();
        EXPECT_EQ(QList<uint32_t>({f.formatTag, f.channels, f.samplesPerSec, f.bitsPerSample, f.blockAlign,
                                   f.avgBytesPerSec, f.cbSize}),
                  QList<uint32_t>({1, channels, rate, bits, channels * bits / 8, rate * channels * bits / 8, 0}));
        EXPECT_EQ(qsizetype(stream.Length()) * f.blockAlign, reference.size());
        EXPECT_TRUE(stream.DecodeAll() == reference);
        stream.ExpectRandomAccessLikeFromTheStart(Firsts(stream.Length(), random));
    }
    // A genuine 24-bit recording: rounded to the nearest 16-bit value.
    const QString deep = media::MakeWave(scratch.filePath("deep.wav"), 48000, 2, 24, 20000);
    const auto difference = media::CompareSamples(OpenStream(deep).DecodeAll(), media::SoxSamples(deep));
    EXPECT_TRUE(difference.largest <= 1 && difference.differing < 400)
        << difference.largest << ", " << difference.differing;

    // MPEG: a file made from N frames reports N, its bit rate, mpg123's samples.
    const struct {
        int rate, channels;
        QStringList lame;
        uint32_t avgBytesPerSec;  // 0: a variable rate, about the file's size per second
        bool exact;
    } cases[] = {
        {44100, 2, {"-b", "128"}, 16000, true},
        {48000, 2, {"-b", "320"}, 40000, true},
        {32000, 1, {"-b", "64", "-m", "m"}, 8000, true},
        {22050, 2, {"-b", "64"}, 8000, false},
        {16000, 1, {"-b", "48"}, 6000, false},
        {11025, 1, {"-b", "32"}, 4000, false},
        {8000, 1, {"-b", "32"}, 4000, false},
        {44100, 2, {"-V", "2"}, 0, true},
        {44100, 2, {"-V", "7", "--resample", "44.1"}, 0, true},
        {44100, 2, {"--abr", "96", "--resample", "44.1"}, 0, true},
        // Tags change neither length nor samples.
        {44100, 2, {"-b", "192", "--add-id3v2", "--tt", "Title", "--pad-id3v2-size", "20000"}, 24000, true},
        {44100, 2, {"-b", "192", "--id3v1-only", "--tt", "Title"}, 24000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lame.join(' ').toStdString() + " at " + std::to_string(c.rate));
        const QString wave = media::MakeWave(scratch.filePath("in.wav"), c.rate, c.channels, 16, kFrames);
        const QString mp3 = media::MakeMp3(wave, scratch.filePath("out.mp3"), c.lame);
        OpenStream stream(mp3);
        ASSERT_EQ(stream.Code(), ZLDEC_OK);
        EXPECT_EQ(stream.Length(), kFrames);
        const ZLWaveFormat f = stream.Format();
        EXPECT_EQ(QList<uint32_t>({f.formatTag, f.samplesPerSec, f.channels, f.bitsPerSample, f.blockAlign}),
                  QList<uint32_t>({1, uint32_t(c.rate), uint32_t(c.channels), 16, uint32_t(2 * c.channels)}));
        if (c.avgBytesPerSec)
            EXPECT_EQ(f.avgBytesPerSec, c.avgBytesPerSec);
        else
            EXPECT_NEAR(f.avgBytesPerSec, QFileInfo(mp3).size() * 44100.0 / kFrames,
                        QFileInfo(mp3).size() / 35.0);  // 5 %
        ExpectSamplesLike(stream.DecodeAll(), media::Mpg123Samples(mp3), c.exact);
        stream.ExpectRandomAccessLikeFromTheStart(Firsts(kFrames, random));
    }
    // Without an Info frame the whole frames count, at a constant or a varying bit rate, and
    // across a little junk between frames, which mpg123 skips as well.
    const QString wave = media::MakeWave(scratch.filePath("in.wav"), 44100, 2, 16, kFrames);
    const uint32_t whole =
        OpenStream(media::MakeMp3(wave, scratch.filePath("notag.mp3"), {"-t", "-b", "128"})).Length();
    EXPECT_TRUE(whole % 1152 == 0 && whole > kFrames) << whole;
    const QByteArray varying =
        testsupport::ReadFile(media::MakeMp3(wave, scratch.filePath("vbr.mp3"), {"-t", "-V", "4"}));
    qsizetype middle = varying.indexOf("\xff\xfb", varying.size() / 2);
    ASSERT_GT(middle, 0);
    ASSERT_TRUE(testsupport::WriteFile(scratch.filePath("junk.mp3"),
                                       varying.left(middle) + QByteArray(500, 'j') + varying.mid(middle)));
    // Layers II (made by sox) and I (made here), the varying rate and the junk: mpg123's samples, and seeking.
    media::Run("sox", {wave, "-C", "128", scratch.filePath("stereo.mp2")});
    media::Run("sox", {wave, "-c", "1", "-C", "96", scratch.filePath("mono.mp2")});
    const std::tuple<QString, int, uint32_t> more[] = {
        {scratch.filePath("notag.mp3"), 2, 16000},
        {scratch.filePath("vbr.mp3"), 2, 0},
        {scratch.filePath("junk.mp3"), 2, 0},
        {scratch.filePath("stereo.mp2"), 2, 16000},
        {scratch.filePath("mono.mp2"), 1, 12000},
        {media::MakeLayer1(scratch.filePath("stereo.mp1"), 300, 2, 7), 2, 48000},
        {media::MakeLayer1(scratch.filePath("mono.mp1"), 300, 1, 8), 1, 48000}};
    for (const auto& [path, channels, avgBytesPerSec] : more) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray reference = media::Mpg123Samples(path);
        OpenStream stream(path);
        ASSERT_EQ(stream.Code(), ZLDEC_OK);
        EXPECT_EQ(qsizetype(stream.Length()) * 2 * channels, reference.size());
        EXPECT_EQ(stream.Format().channels, channels);
        EXPECT_TRUE(!avgBytesPerSec || stream.Format().avgBytesPerSec == avgBytesPerSec);
        ExpectSamplesLike(stream.DecodeAll(), reference);
        stream.ExpectRandomAccessLikeFromTheStart(Firsts(stream.Length(), random));
    }
}

// Bytes this process has read through system calls so far.
uint64_t BytesRead()
{
    QFile io("/proc/self/io");
    EXPECT_TRUE(io.open(QIODevice::ReadOnly));
    const QByteArray text = io.readAll();
    const qsizetype at = text.indexOf("rchar: ");
    return at < 0 ? 0 : text.mid(at + 7, text.indexOf('\n', at) - at - 7).toULongLong();
}

// A short stream (fewer frames than one decoding block) followed by 300 MiB
// of zeros: opening, beginning and decoding read the frames and little more,
// and the length and the average bit rate are those of the frames alone.
// Whatever follows a valid start, no decode gives more than the stream
// promised: the MPEG fuzz run (zldecoder_fuzz_mpeg) holds the decoder to it.
TEST(MpegFiles, WhatFollowsTheFramesIsNeitherReadNorCounted)
{
    QTemporaryDir scratch;
    const QString wave = media::MakeWave(scratch.filePath("in.wav"), 44100, 2, 16, 100 * 1152);
    for (const QStringList& lame : {QStringList{"-t", "-b", "128"}, {"-V", "5"}, {"-b", "128"}}) {
        SCOPED_TRACE(lame.join(' ').toStdString());
        const QString mp3 = media::MakeMp3(wave, scratch.filePath("short.mp3"), lame);
        const QString padded = scratch.filePath("padded.mp3");
        QFile::remove(padded);
        ASSERT_TRUE(QFile::copy(mp3, padded));
        QFile file(padded);
        ASSERT_TRUE(file.resize(file.size() + (qint64(300) << 20)));  // sparse: no disk space taken
        OpenStream plain(mp3);
        const QByteArray pcm = plain.DecodeAll();
        const ZLWaveFormat plainFormat = plain.Format();

        const uint64_t before = BytesRead();
        OpenStream stream(padded);
        ASSERT_EQ(stream.Code(), ZLDEC_OK);
        EXPECT_EQ(stream.Length(), plain.Length());
        EXPECT_EQ(stream.Format().avgBytesPerSec, plainFormat.avgBytesPerSec);
        EXPECT_TRUE(stream.DecodeAll() == pcm);
        EXPECT_TRUE(stream.Decode(stream.Length() - 100, 1000) == pcm.right(400));
        EXPECT_LT(BytesRead() - before, uint64_t(4) << 20);
    }
    // A copy cut short still carries the Info frame of the whole: it plays what is there, as mpg123 does.
    const QByteArray mp3 = testsupport::ReadFile(scratch.filePath("short.mp3"));
    const QString cut = scratch.filePath("cut.mp3");
    ASSERT_TRUE(testsupport::WriteFile(cut, mp3.left(mp3.size() / 3)));
    OpenStream cutStream(cut);
    EXPECT_NEAR(double(cutStream.Length()), 100 * 1152 / 3.0, 1200.0);
    const QByteArray decoded = cutStream.DecodeAll();
    EXPECT_TRUE(decoded == media::Mpg123Samples(cut) && decoded.size() / 4 <= cutStream.Length());
    // Noise is not audio either: the stream keeps its length.
    std::mt19937 random(7);
    QByteArray noise(300000, '\0');
    std::generate(noise.begin(), noise.end(), [&] { return char(random()); });
    ASSERT_TRUE(testsupport::WriteFile(scratch.filePath("tail.mp3"), mp3 + noise));
    EXPECT_EQ(OpenStream(scratch.filePath("tail.mp3")).Length(), 100u * 1152u);
}

constexpr uint32_t kXiphFrames = 100003;  // no multiple of any codec's block
struct Expected {
    QString file;
    uint32_t rate;
    uint16_t channels;
    uint32_t length;
    QByteArray samples;  // the reference decoder's, signed 16-bit
    int tolerance;       // largest difference of one sample
};

TEST(XiphFiles, FormatsLengthsSamplesRandomAccessAndCutDamagedOrForeignStreams)
{
    QTemporaryDir scratch;
    const QString stereo = media::MakeWave(scratch.filePath("stereo.wav"), 44100, 2, 16, kXiphFrames);
    const QString mono = media::MakeWave(scratch.filePath("mono.wav"), 22050, 1, 16, kXiphFrames);
    // What `tool` makes of `args` in the scratch folder under `name`.
    auto made = [&](const QString& tool, const QStringList& args, const QString& name) {
        media::Run(tool, args + QStringList{scratch.filePath(name)});
        return scratch.filePath(name);
    };
    std::mt19937 random(7);
    const QString flac = made("sox", {stereo}, "a.flac"), deep = made("sox", {mono, "-b", "24"}, "deep.flac");
    const QString vorbis = made("sox", {stereo, "-C", "3"}, "a.ogg");
    // Opus decodes at the first of its rates that holds the source's: 24 kHz here.
    const QString opus = made("opusenc", {"--quiet", mono}, "a.opus");
    const QString decoded = made("opusdec", {"--quiet", "--no-dither", "--rate", "24000", opus}, "opusdec.wav");
    const uint32_t opusFrames = media::Run("soxi", {"-s", decoded}).trimmed().toUInt();
    const std::vector<Expected> files = {{flac, 44100, 2, kXiphFrames, media::SoxSamples(flac), 0},
                                         {deep, 22050, 1, kXiphFrames, media::SoxSamples(deep), 1},
                                         {vorbis, 44100, 2, kXiphFrames, media::SoxSamples(vorbis), 1},
                                         // opusdec decodes at 48 kHz and resamples; libsndfile decodes at 24 kHz.
                                         {opus, 24000, 1, opusFrames, media::SoxSamples(decoded), 2048}};
    for (const Expected& e : files) {
        SCOPED_TRACE(e.file.toStdString());
        OpenStream stream(e.file);
        ASSERT_EQ(stream.Code(), ZLDEC_OK);
        const ZLWaveFormat f = stream.Format();
        EXPECT_EQ(QList<uint32_t>(
                      {f.formatTag, f.channels, f.samplesPerSec, f.bitsPerSample, f.blockAlign, f.avgBytesPerSec}),
                  QList<uint32_t>({1, e.channels, e.rate, 16, 2u * e.channels, e.rate * 2 * e.channels}));
        EXPECT_EQ(stream.Length(), e.length);
        const QByteArray ours = stream.DecodeAll();
        ASSERT_EQ(ours.size(), e.samples.size());
        const auto difference = media::CompareSamples(ours, e.samples);
        EXPECT_LE(difference.largest, e.tolerance) << difference.differing << " samples differ";
        stream.ExpectRandomAccessLikeFromTheStart(Firsts(e.length, random));
    }

    const QByteArray flacBytes = testsupport::ReadFile(flac), vorbisBytes = testsupport::ReadFile(vorbis);
    const std::tuple<const char*, QByteArray, uint32_t> cases[] = {
        {"head.flac", flacBytes.left(30), ZLDEC_ERR_DAMAGED},
        {"noise.flac", "fLaC" + QByteArray(5000, '\x5a'), ZLDEC_ERR_DAMAGED},
        {"page.ogg", vorbisBytes.left(40), ZLDEC_ERR_DAMAGED},
        {"video.ogg",
         QByteArray("OggS\0\x02", 6) + QByteArray(20, '\0') + "\x01\x2a" + QByteArray("\x80theora", 7) +
             QByteArray(4000, '\0'),
         ZLDEC_ERR_UNRECOGNISED}};
    for (const auto& [name, bytes, code] : cases)
        EXPECT_EQ(media::OpenCodeOf(scratch.filePath(name), bytes), code) << name;
    // A stream cut in the middle plays what it has, then says it is
    // damaged: nothing is invented beyond the cut.
    ASSERT_TRUE(testsupport::WriteFile(scratch.filePath("half.flac"), flacBytes.left(flacBytes.size() / 2)));
    OpenStream half(scratch.filePath("half.flac"));
    ASSERT_EQ(half.Code(), ZLDEC_OK);
    uint32_t code = ZLDEC_OK;
    const QByteArray played = half.Decode(0, 1000 * 4096, 4096, &code);
    EXPECT_EQ(code, ZLDEC_ERR_DAMAGED);
    EXPECT_GT(played.size(), qsizetype(kXiphFrames) * 4 / 3);
    EXPECT_LT(played.size(), qsizetype(kXiphFrames) * 4);
    EXPECT_TRUE(played == files[0].samples.left(played.size()));
}

}  // namespace
