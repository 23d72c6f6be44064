// FLAC, Ogg Vorbis and Opus: formats, exact lengths and samples against the
// reference decoders, random access, and streams that are cut or foreign.

#include "media.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using media::OpenStream;

constexpr uint32_t kFrames = 100003;  // no multiple of any codec's block

struct Expected {
    QString file;
    uint32_t rate;
    uint16_t channels;
    uint32_t length;
    QByteArray samples;  // the reference decoder's, signed 16-bit
    int tolerance;       // largest difference of one sample
};

class XiphFiles : public ::testing::Test {
protected:
    QTemporaryDir scratch;
    QString stereo = media::MakeWave(scratch.filePath("stereo.wav"), 44100, 2, 16, kFrames);
    QString mono = media::MakeWave(scratch.filePath("mono.wav"), 22050, 1, 16, kFrames);

    // What `tool` makes of `args` in the scratch folder under `name`.
    QString Made(const QString& tool, const QStringList& args, const QString& name)
    {
        media::Run(tool, args + QStringList{scratch.filePath(name)});
        return scratch.filePath(name);
    }
};

TEST_F(XiphFiles, FormatsLengthsSamplesRandomAccessAndCutDamagedOrForeignStreams)
{
    std::mt19937 random(7);
    const QString flac = Made("sox", {stereo}, "a.flac"), deep = Made("sox", {mono, "-b", "24"}, "deep.flac");
    const QString vorbis = Made("sox", {stereo, "-C", "3"}, "a.ogg");
    // Opus decodes at the first of its rates that holds the source's: 24 kHz here.
    const QString opus = Made("opusenc", {"--quiet", mono}, "a.opus");
    const QString decoded = Made("opusdec", {"--quiet", "--no-dither", "--rate", "24000", opus}, "opusdec.wav");
    const uint32_t opusFrames = media::Run("soxi", {"-s", decoded}).trimmed().toUInt();
    const std::vector<Expected> files = {{flac, 44100, 2, kFrames, media::SoxSamples(flac), 0},
                                         {deep, 22050, 1, kFrames, media::SoxSamples(deep), 1},
                                         {vorbis, 44100, 2, kFrames, media::SoxSamples(vorbis), 1},
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
        std::vector<uint32_t> firsts = {40000, 0, 1, 4095, 4096, 4097, e.length - 7, e.length - 2000, 3000, e.length};
        std::generate_n(std::back_inserter(firsts), 12, [&] { return uint32_t(random() % e.length); });
        stream.ExpectRandomAccessLikeFromTheStart(firsts);
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
    EXPECT_GT(played.size(), qsizetype(kFrames) * 4 / 3);
    EXPECT_LT(played.size(), qsizetype(kFrames) * 4);
    EXPECT_TRUE(played == files[0].samples.left(played.size()));
}

}  // namespace
