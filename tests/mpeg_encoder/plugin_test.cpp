// Round trips through the reference decoder mpg123, and the stream against
// the reference encoder lame. The calls themselves: odd sample counts, the
// order the recorder makes them in, the tag calls, bad arguments, buffer
// sizes, threads, the export table.

#include "encoder_plugin.h"
#include "mp3_probe.h"

#include "support/test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <random>
#include <thread>

using namespace encodertest;

namespace {

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(p.IsAvailable()) << PluginPath().toStdString(); }
    HBE_STREAM Open(const BeConfig& config)
    {
        uint32_t chunk = 0;
        HBE_STREAM stream = 0;
        EXPECT_EQ(p.beInitStream(&config, &chunk, &bufferSize, &stream), BE_ERR_SUCCESSFUL);
        output.assign(bufferSize, 0);
        return stream;
    }
    // Encodes to t.mp3 as the recorder does; what mpg123 makes of it.
    Mp3Report EncodeAndProbe(const BeConfig& config, const Pcm& pcm)
    {
        const EncodeResult r = EncodeToFile(config, pcm, File("t.mp3"));
        EXPECT_TRUE(r.Ok()) << r.failed;
        Mp3Report report = ProbeMp3(File("t.mp3"));
        EXPECT_TRUE(report.error.empty()) << report.error;
        return report;
    }
    QString File(const char* name) { return dir.filePath(name); }
    static QByteArray Local(const QString& path) { return path.toLocal8Bit(); }

    const EncoderPlugin& p = Plugin();
    QTemporaryDir dir;
    uint32_t bufferSize = 0;
    std::vector<uint8_t> output;
};

// Each MPEG version near the ends of its bit rates, and bit rates the rate
// cannot carry: the nearest it can is written, the lower on a tie. Every
// quality at every recording format is saved through the window.
TEST_F(PluginTest, EachVersionKeepsLengthRateChannelsToneOnsetAndHeaderSettingsAtTheNearestLegalBitrate)
{
    const struct {
        uint32_t rate;
        int channels;
        uint32_t asked;
        int written;
    } cases[] = {{44100, 1, 8, 32},    {48000, 2, 144, 128}, {48000, 2, 152, 160}, {32000, 2, 320, 320},
                 {24000, 2, 320, 160}, {22050, 1, 136, 128}, {16000, 2, 24, 24},   {11025, 2, 320, 64},
                 {8000, 1, 60, 56},    {12000, 2, 8, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " channel(s), " << c.asked << " kbit/s");
        // An odd length that fills no frame exactly: the padding must be cut.
        const Pcm pcm = Tone(c.rate, c.channels, c.rate / 5 + 123, 1000.0, 0.5, 0.125);
        const Mp3Report d = EncodeAndProbe(ProgramConfig(c.rate, c.channels, c.asked), pcm);
        EXPECT_EQ(d.version, c.rate >= 32000 ? "1.0" : c.rate >= 16000 ? "2.0" : "2.5");
        EXPECT_EQ(d.rate, int(c.rate));
        EXPECT_EQ(d.channels, c.channels);
        EXPECT_EQ(d.mode, c.channels == 1 ? "Single-Channel" : "Stereo");
        EXPECT_EQ(d.Bitrates(), std::set<int>{c.written});
        ASSERT_EQ(d.Frames(), pcm.Frames());
        // Even 4 kbit/s a channel keeps most of the tone's power at its frequency.
        EXPECT_GT(ToneShare(d.samples, c.channels, 0, d.rate, 1000.0), 0.6);
        EXPECT_LT(ToneShare(d.samples, c.channels, 0, d.rate, 700.0), 0.05);
        if (c.channels == 2) {  // the right channel carries its own, quieter tone
            EXPECT_GT(ToneShare(d.samples, 2, 1, d.rate, 1000.0), 0.5);
        }
    }

    // Silence, then a tone from a known frame: a shift in time would move its onset.
    const uint32_t onset = 3001;
    Pcm pcm = Tone(44100, 2, 20000, 1000.0, 0.6, 0.6);
    std::fill(pcm.samples.begin(), pcm.samples.begin() + onset * 2, int16_t(0));
    const Mp3Report d = EncodeAndProbe(ProgramConfig(44100, 2, 192), pcm);
    ASSERT_EQ(d.Frames(), pcm.Frames());
    uint32_t loud = 0;
    while (loud < d.Frames() && std::abs(int(d.samples[loud * 2])) < 0.1 * 32767)
        ++loud;
    EXPECT_NEAR(double(loud), onset, 8.0);

    // An own output rate and the other header settings, in one stream.
    BeConfig config = ProgramConfig(44100, 2, 64);
    config.outputRate = 22050;
    config.mode = BE_MODE_JOINT_STEREO;
    config.originalBit = 0;
    config.copyrightBit = 1;
    config.crc = 1;
    config.emphasis = 1;
    const Mp3Report resampled = EncodeAndProbe(config, Tone(44100, 2, 44100, 1000.0, 0.5, 0.5));
    EXPECT_EQ(resampled.rate, 22050);
    EXPECT_EQ(resampled.version, "2.0");
    EXPECT_NEAR(double(resampled.Frames()), 22050.0, 2.0);
    EXPECT_GT(ToneShare(resampled.samples, 2, 0, 22050, 1000.0), 0.8);
    EXPECT_EQ(resampled.mode, "Joint-Stereo");
    EXPECT_TRUE(!resampled.original && resampled.copyright && resampled.crc && resampled.emphasis == 1);
}

TEST_F(PluginTest, TheRecordersSettingsGiveLamesStreamAndOddStereoCountsTheSameStreamAsWholeFrames)
{
    const Pcm pcm = MusicLike(44100, 2, 3 * 44100 + 321, 9);
    const QString raw = dir.filePath("input.raw"), byLame = dir.filePath("lame.mp3");
    ASSERT_TRUE(testsupport::WriteFile(
        raw, QByteArray(reinterpret_cast<const char*>(pcm.samples.data()), qsizetype(pcm.samples.size() * 2))));
    const auto lame =
        testsupport::RunTool("lame",
                             {"--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "--signed", "--little-endian", "-m",
                              "s", "-b", "128", "--cbr", "-q", "2", "--nores", raw, byLame});
    ASSERT_EQ(lame.exitCode, 0) << lame.err.toStdString();
    const Mp3Report ours = EncodeAndProbe(ProgramConfig(44100, 2, 128), pcm);
    // The sound frames are byte for byte lame's; the information frames agree on delay and padding.
    const QByteArray mine = testsupport::ReadFile(File("t.mp3")), theirs = testsupport::ReadFile(byLame);
    ASSERT_EQ(mine.size(), theirs.size());
    EXPECT_TRUE(mine.mid(418) == theirs.mid(418));
    EXPECT_EQ(ours.samples, ProbeMp3(byLame).samples);

    // Odd stereo counts give the same stream as whole frames and keep a last half frame.
    // Different left and right: a value carried to the wrong channel would show.
    Pcm music = MusicLike(44100, 2, 30001, 7);
    for (size_t i = 1; i < music.samples.size(); i += 2)
        music.samples[i] = int16_t(music.samples[i] / 3);
    const BeConfig config = ProgramConfig(44100, 2, 128);
    ASSERT_TRUE(EncodeToFile(config, music, File("whole.mp3"), TagCall::InfoTag, {4096}).Ok());
    ASSERT_TRUE(EncodeToFile(config, music, File("odd.mp3"), TagCall::InfoTag, {1, 3, 1001, 7, 2047, 1, 1, 5}).Ok());
    EXPECT_TRUE(testsupport::ReadFile(File("odd.mp3")) == testsupport::ReadFile(File("whole.mp3")));

    // 60001 values: the last frame has only its left value, and still counts.
    music.samples.pop_back();
    ASSERT_TRUE(EncodeToFile(config, music, File("ragged.mp3"), TagCall::InfoTag, {3001}).Ok());
    EXPECT_EQ(ProbeMp3(File("ragged.mp3")).Frames(), 30001u);
}

TEST_F(PluginTest, TheInfoTagComesAfterFlushAndCloseOnceIntoItsOwnFileAndTheVbrHeaderFallbackFindsTheRightStream)
{
    const Pcm pcm = Tone(22050, 1, 12345, 1000.0, 0.5, 0.0);
    const QString mine = File("mine.mp3"), other = File("other.mp3");
    const EncodeResult r = EncodeToFile(ProgramConfig(22050, 1, 64), pcm, mine, TagCall::None);
    ASSERT_TRUE(r.Ok()) << r.failed;
    // Without the tag the reserved frame decodes as extra silence: the tag makes the length exact.
    EXPECT_GT(ProbeMp3(mine).Frames(), pcm.Frames() + 500);
    ASSERT_TRUE(EncodeToFile(ProgramConfig(22050, 1, 64), pcm, other).Ok());
    const QByteArray otherBefore = testsupport::ReadFile(other);
    EXPECT_EQ(p.beWriteInfoTag(r.stream, Local(other)), BE_ERR_FILE);
    EXPECT_EQ(testsupport::ReadFile(other), otherBefore);

    EXPECT_EQ(p.beWriteInfoTag(r.stream, Local(mine)), BE_ERR_SUCCESSFUL);
    const QByteArray tagged = testsupport::ReadFile(mine);
    EXPECT_EQ(ProbeMp3(mine).Frames(), pcm.Frames());
    // Again, or on a closed stream: refused, harmless, the file unchanged.
    EXPECT_EQ(p.beWriteInfoTag(r.stream, Local(mine)), BE_ERR_INVALID_HANDLE);
    EXPECT_NE(p.beWriteVBRHeader(Local(mine)), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.beCloseStream(r.stream), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(testsupport::ReadFile(mine), tagged);

    // No tag before the flush, after an abandoned stream, or without the VBR flag.
    HBE_STREAM stream = Open(ProgramConfig(48000, 2, 160));
    uint32_t produced = 0;
    ASSERT_EQ(p.beEncodeChunk(stream, 4000, pcm.samples.data(), output.data(), &produced), BE_ERR_SUCCESSFUL);
    ASSERT_TRUE(testsupport::WriteFile(other, QByteArray(reinterpret_cast<const char*>(output.data()), produced)));
    EXPECT_EQ(p.beWriteInfoTag(stream, Local(other)), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(p.beCloseStream(stream), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.beWriteInfoTag(stream, Local(other)), BE_ERR_INVALID_HANDLE);
    BeConfig plain = ProgramConfig(44100, 2, 128);
    plain.writeVbrHeader = 0;
    const EncodeResult untagged = EncodeToFile(plain, Tone(44100, 2, 7000, 1000.0, 0.5, 0.5), other, TagCall::None);
    ASSERT_TRUE(untagged.Ok()) << untagged.failed;
    const QByteArray before = testsupport::ReadFile(other);
    EXPECT_FALSE(before.left(200).contains("Info"));
    EXPECT_EQ(p.beWriteInfoTag(untagged.stream, Local(other)), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(testsupport::ReadFile(other), before);

    // The fallback writes the Info frame's bytes into the file of the stream that
    // wrote it: streams that start alike (a second of silence) are told apart by
    // their whole output, and a foreign or altered file gets none.
    const BeConfig config = ProgramConfig(32000, 2, 96);
    ASSERT_TRUE(EncodeToFile(config, MusicLike(32000, 2, 20000, 3), File("info.mp3")).Ok());
    ASSERT_TRUE(EncodeToFile(config, MusicLike(32000, 2, 20000, 3), File("vbr.mp3"), TagCall::VbrHeader).Ok());
    EXPECT_TRUE(testsupport::ReadFile(File("vbr.mp3")) == testsupport::ReadFile(File("info.mp3")));

    Pcm longer = MusicLike(32000, 2, 90000, 5);
    std::fill_n(longer.samples.begin(), 40000 * 2, int16_t(0));
    Pcm shorter = longer;
    shorter.samples.resize(50000 * 2);
    ASSERT_TRUE(EncodeToFile(config, longer, File("long.mp3"), TagCall::None).Ok());
    ASSERT_TRUE(EncodeToFile(config, shorter, File("short.mp3"), TagCall::None).Ok());
    const QByteArray shortBytes = testsupport::ReadFile(File("short.mp3"));
    ASSERT_TRUE(testsupport::ReadFile(File("long.mp3")).startsWith(shortBytes.left(8192)));

    QByteArray altered = shortBytes;
    altered[altered.size() - 100] = char(altered[altered.size() - 100] ^ 0x10);
    for (const QByteArray& foreign : {altered, QByteArray("not an MP3 file of ours, long enough to be compared")}) {
        ASSERT_TRUE(testsupport::WriteFile(File("foreign.mp3"), foreign));
        EXPECT_EQ(p.beWriteVBRHeader(Local(File("foreign.mp3"))), BE_ERR_FILE);
        EXPECT_EQ(testsupport::ReadFile(File("foreign.mp3")), foreign);
    }
    EXPECT_EQ(p.beWriteVBRHeader(Local(File("long.mp3"))), BE_ERR_SUCCESSFUL);  // the newest stream is the short one
    EXPECT_EQ(p.beWriteVBRHeader(Local(File("short.mp3"))), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(ProbeMp3(File("long.mp3")).Frames(), 90000u);
    EXPECT_EQ(ProbeMp3(File("short.mp3")).Frames(), 50000u);
}

TEST_F(PluginTest, BadRecordsHandlesPointersAndSizesAreRefusedAndTheOutputBufferHoldsTheLargestCall)
{
    uint32_t chunk = 0, size = 0;
    HBE_STREAM stream = 77;
    EXPECT_EQ(p.beInitStream(nullptr, &chunk, &size, &stream), BE_ERR_INVALID_FORMAT);
    EXPECT_EQ(stream, 0u);
    // A record of another kind, version or size is not read; one with a bad value is refused.
    const std::vector<void (*)(BeConfig&)> changes = {
        [](BeConfig& c) { c.kind = 0; },       [](BeConfig& c) { c.version = 2; },
        [](BeConfig& c) { c.size = 330; },     [](BeConfig& c) { c.sampleRate = 44000; },
        [](BeConfig& c) { c.sampleRate = 0; }, [](BeConfig& c) { c.outputRate = 96000; },
        [](BeConfig& c) { c.mode = 7; },       [](BeConfig& c) { c.bitrate = 0; },
        [](BeConfig& c) { c.enableVbr = 1; },  [](BeConfig& c) { c.emphasis = 2; }};
    for (size_t i = 0; i < changes.size(); ++i) {
        BeConfig config = ProgramConfig(44100, 2, 128);
        changes[i](config);
        stream = 77;
        EXPECT_EQ(p.beInitStream(&config, &chunk, &size, &stream),
                  i < 3 ? BE_ERR_INVALID_FORMAT : BE_ERR_INVALID_FORMAT_PARAMETERS)
            << i;
        EXPECT_EQ(stream, 0u) << i;
    }
    const BeConfig good = ProgramConfig(44100, 1, 128);
    EXPECT_EQ(p.beInitStream(&good, nullptr, &size, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.beInitStream(&good, &chunk, &size, nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);

    const int16_t four[4] = {1, 2, 3, 4};
    output.assign(65536, 0);
    uint32_t produced = 99;
    for (HBE_STREAM unknown : {HBE_STREAM(0), HBE_STREAM(0xFFFFFFF0u)}) {
        EXPECT_EQ(p.beEncodeChunk(unknown, 4, four, output.data(), &produced), BE_ERR_INVALID_HANDLE);
        EXPECT_EQ(produced, 0u);
        EXPECT_EQ(p.beDeinitStream(unknown, output.data(), &produced), BE_ERR_INVALID_HANDLE);
        EXPECT_EQ(p.beCloseStream(unknown), BE_ERR_INVALID_HANDLE);
        EXPECT_EQ(p.beWriteInfoTag(unknown, "/nonexistent/x.mp3"), BE_ERR_INVALID_HANDLE);
    }
    stream = Open(good);
    const std::vector<int16_t> pcm(bufferSize, 0);
    EXPECT_EQ(p.beEncodeChunk(stream, 4, nullptr, output.data(), &produced), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.beEncodeChunk(stream, 4, pcm.data(), nullptr, &produced), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.beEncodeChunk(stream, 4, pcm.data(), output.data(), nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.beEncodeChunk(stream, bufferSize / 2 + 1, pcm.data(), output.data(), &produced),
              BE_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(p.beDeinitStream(stream, nullptr, &produced), BE_ERR_INVALID_FORMAT_PARAMETERS);
    // None of the refused calls fed the encoder: the stream is an empty one.
    ASSERT_EQ(p.beDeinitStream(stream, output.data(), &produced), BE_ERR_SUCCESSFUL);
    const QString path = File("empty.mp3");
    ASSERT_TRUE(testsupport::WriteFile(path, QByteArray(reinterpret_cast<const char*>(output.data()), produced)));
    EXPECT_EQ(p.beEncodeChunk(stream, 4, four, output.data(), &produced), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(p.beWriteInfoTag(stream, nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.beWriteInfoTag(stream, Local(dir.path())), BE_ERR_FILE);
    EXPECT_EQ(p.beWriteInfoTag(stream, Local(path)), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.beCloseStream(stream), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.beWriteVBRHeader(nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(ProbeMp3(path).Frames(), 0u);

    p.beVersion(nullptr);
    std::vector<uint8_t> record(sizeof(BeVersion) + 16, 0xA5);
    p.beVersion(record.data());
    EXPECT_EQ(reinterpret_cast<const BeVersion*>(record.data())->engineMajor, 3);  // the installed LAME is 3.x
    EXPECT_EQ(std::count(record.begin() + sizeof(BeVersion), record.end(), 0xA5), 16) << "written past the record";

    // The output buffer holds the largest call and the flush.
    // Full-scale noise at the highest rate: the most bytes a call can produce.
    std::mt19937 random(11);
    std::uniform_int_distribution<int> noise(-32768, 32767);
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        BeConfig config = ProgramConfig(48000, channels, 320);
        config.noBitReservoir = 0;
        const HBE_STREAM busy = Open(config);
        std::vector<int16_t> values(bufferSize / 2 + 1);
        std::generate(values.begin(), values.end(), [&] { return int16_t(noise(random)); });
        std::vector<uint8_t> guarded(bufferSize + 256, 0x5A);
        uint32_t made = 0;
        for (int call = 0; call < 6; ++call) {
            // Odd counts in stereo carry a value: the next call then encodes one more.
            ASSERT_EQ(p.beEncodeChunk(busy, bufferSize / 2 - (call % 2), values.data(), guarded.data(), &made),
                      BE_ERR_SUCCESSFUL);
            EXPECT_LE(made, bufferSize);
        }
        ASSERT_EQ(p.beDeinitStream(busy, guarded.data(), &made), BE_ERR_SUCCESSFUL);
        EXPECT_LE(made, bufferSize);
        EXPECT_EQ(std::count(guarded.begin() + bufferSize, guarded.end(), 0x5A), 256) << "written past the buffer";
        EXPECT_EQ(p.beCloseStream(busy), BE_ERR_SUCCESSFUL);
    }
}

TEST_F(PluginTest, StreamsOnSeveralThreadsGiveWhatTheyGiveAloneAndOnlyTheEncoderFunctionsAreExported)
{
    const BeConfig config = ProgramConfig(44100, 2, 128);
    auto encode = [&](int i, const char* kind) {
        const QString path = dir.filePath(QString("%1%2.mp3").arg(kind).arg(i));
        EncodeToFile(config, MusicLike(44100, 2, 20000, uint32_t(i)), path);
        return testsupport::ReadFile(path);
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back(encode, i, "together");
    for (auto& t : threads)
        t.join();
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(encode(i, "alone") == testsupport::ReadFile(dir.filePath(QString("together%1.mp3").arg(i)))) << i;

    // Two threads closing one stream: exactly one succeeds.
    const HBE_STREAM stream = Open(config);
    std::atomic<int> successes = 0;
    auto close = [&] { successes += p.beCloseStream(stream) == BE_ERR_SUCCESSFUL; };
    std::thread a(close), b(close);
    a.join();
    b.join();
    EXPECT_EQ(successes.load(), 1);

    // The library exports only the encoder functions and needs no Qt.
    EXPECT_EQ(testsupport::ExportedSymbols(PluginPath()),
              QStringList({"beCloseStream", "beDeinitStream", "beEncodeChunk", "beInitStream", "beVersion",
                           "beWriteInfoTag", "beWriteVBRHeader"}));
    const auto ldd = testsupport::RunTool("ldd", {PluginPath()});
    EXPECT_FALSE(ldd.out.contains("libQt"));
    EXPECT_TRUE(ldd.out.contains("libmp3lame"));
}

}  // namespace
