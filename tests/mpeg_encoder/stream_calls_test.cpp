// The calls themselves: odd sample counts, the order the recorder makes them
// in, bad arguments, buffer sizes, several threads, the export table.

#include "encoder_plugin.h"
#include "mp3_probe.h"

#include "support/test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <thread>
#include <unistd.h>

using namespace encodertest;

namespace {

class StreamCalls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(p.loadError.empty()) << p.loadError; }

    HBE_STREAM open(const BeConfig& config)
    {
        uint32_t chunk = 0;
        HBE_STREAM stream = 0;
        EXPECT_EQ(p.initStream(&config, &chunk, &bufferSize, &stream), BE_ERR_SUCCESSFUL);
        output.assign(bufferSize, 0);
        return stream;
    }

    const EncoderPlugin& p = plugin();
    uint32_t bufferSize = 0;
    std::vector<uint8_t> output;
};

// --- odd sample counts ------------------------------------------------------

TEST_F(StreamCalls, OddStereoCallsGiveTheSameStreamAsWholeFrames)
{
    // Different left and right: a value carried to the wrong channel would show.
    Pcm pcm = musicLike(44100, 2, 30000, 7);
    for (size_t i = 1; i < pcm.samples.size(); i += 2)
        pcm.samples[i] = int16_t(pcm.samples[i] / 3);
    const BeConfig config = programConfig(44100, 2, 128);

    EncodeResult whole, odd;
    const std::vector<uint8_t> reference = encodeInCalls(config, pcm, {4096}, whole);
    ASSERT_TRUE(whole.ok()) << whole.failedStep;
    const std::vector<uint8_t> oddCalls = encodeInCalls(config, pcm, {1, 3, 1001, 7, 2047, 1, 1, 5}, odd);
    ASSERT_TRUE(odd.ok()) << odd.failedStep;
    EXPECT_EQ(oddCalls, reference);
}

TEST_F(StreamCalls, AStereoStreamEndingInHalfAFrameKeepsTheLastValue)
{
    const Pcm pcm = tone(44100, 2, 10001, 1000.0, 0.5, 0.5);
    Pcm ragged = pcm;
    ragged.samples.pop_back();  // 20001 values: the last frame has only its left value
    QTemporaryDir dir;
    const QString path = dir.filePath("ragged.mp3");
    ASSERT_TRUE(encodeLikeTheRecorder(programConfig(44100, 2, 128), ragged, path, TagCall::InfoTag, 3001 * 2).ok());
    const Decoded d = decodeWithMpg123(path);
    ASSERT_TRUE(d.error.empty()) << d.error;
    EXPECT_EQ(d.frames(), 10001u);
}

// --- the recorder's order: deinit, close, tag with the file still open --------

TEST_F(StreamCalls, TheInfoTagIsWrittenAfterCloseWhileTheFileIsStillOpen)
{
    const Pcm pcm = tone(22050, 1, 12345, 1000.0, 0.5, 0.0);
    QTemporaryDir dir;
    const QString path = dir.filePath("order.mp3");
    const EncodeResult r = encodeLikeTheRecorder(programConfig(22050, 1, 64), pcm, path, TagCall::InfoTag);
    ASSERT_TRUE(r.ok()) << r.failedStep << " " << r.error;
    const QByteArray file = testsupport::readFile(path);
    const Mp3Frames walk = walkFrames(file);
    const InfoTag tag = readInfoTag(file, walk);
    ASSERT_TRUE(tag.present);
    EXPECT_EQ(tag.frames, walk.frames.size() - 1);
    EXPECT_EQ(tag.tagCrc, tag.computedTagCrc);
    EXPECT_EQ(decodeWithMpg123(path).frames(), pcm.frames());

    // Again, or on a closed stream: refused, harmless, the file unchanged.
    const QByteArray localPath = path.toLocal8Bit();
    EXPECT_EQ(p.writeInfoTag(r.stream, localPath.constData()), BE_ERR_INVALID_HANDLE);
    EXPECT_NE(p.writeVbrHeader(localPath.constData()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.closeStream(r.stream), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(testsupport::readFile(path), file);
}

TEST_F(StreamCalls, WithoutTheTagCallTheReservedFrameDecodesAsExtraSilence)
{
    // The information frame is what makes the length exact.
    const Pcm pcm = tone(44100, 2, 12345, 1000.0, 0.5, 0.5);
    QTemporaryDir dir;
    const QString path = dir.filePath("untagged.mp3");
    const EncodeResult r = encodeLikeTheRecorder(programConfig(44100, 2, 128), pcm, path, TagCall::None);
    ASSERT_TRUE(r.ok());
    const QByteArray file = testsupport::readFile(path);
    EXPECT_FALSE(readInfoTag(file, walkFrames(file)).present);
    EXPECT_GT(decodeWithMpg123(path).frames(), pcm.frames() + 1152);
}

TEST_F(StreamCalls, TheVbrHeaderFallbackWritesTheSameFrameAsTheInfoTagCall)
{
    const Pcm pcm = musicLike(32000, 2, 20000, 3);
    QTemporaryDir dir;
    const QString byInfoTag = dir.filePath("info.mp3");
    const QString byVbrHeader = dir.filePath("vbr.mp3");
    ASSERT_TRUE(encodeLikeTheRecorder(programConfig(32000, 2, 96), pcm, byInfoTag, TagCall::InfoTag).ok());
    ASSERT_TRUE(encodeLikeTheRecorder(programConfig(32000, 2, 96), pcm, byVbrHeader, TagCall::VbrHeader).ok());
    const QByteArray file = testsupport::readFile(byVbrHeader);
    EXPECT_TRUE(readInfoTag(file, walkFrames(file)).present);
    EXPECT_EQ(file, testsupport::readFile(byInfoTag));
}

TEST_F(StreamCalls, TheVbrHeaderFallbackPicksTheClosedStreamWhoseOutputTheFileHolds)
{
    // Two finished streams: the newest does not belong to the first file.
    QTemporaryDir dir;
    const QString first = dir.filePath("first.mp3");
    const QString second = dir.filePath("second.mp3");
    ASSERT_TRUE(encodeLikeTheRecorder(programConfig(44100, 1, 128), musicLike(44100, 1, 9000, 1), first, TagCall::None).ok());
    ASSERT_TRUE(encodeLikeTheRecorder(programConfig(44100, 1, 128), musicLike(44100, 1, 9000, 2), second, TagCall::None).ok());
    const QByteArray foreign = "not an MP3 file of ours, long enough to be compared";
    ASSERT_TRUE(testsupport::writeFile(dir.filePath("foreign.mp3"), foreign));

    EXPECT_EQ(p.writeVbrHeader(dir.filePath("foreign.mp3").toLocal8Bit().constData()), BE_ERR_FILE);
    EXPECT_EQ(testsupport::readFile(dir.filePath("foreign.mp3")), foreign);
    EXPECT_EQ(p.writeVbrHeader(first.toLocal8Bit().constData()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.writeVbrHeader(second.toLocal8Bit().constData()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(decodeWithMpg123(first).frames(), 9000u);
    EXPECT_EQ(decodeWithMpg123(second).frames(), 9000u);
    // Both frames are written: nothing is left to write into either file.
    const QByteArray secondTagged = testsupport::readFile(second);
    EXPECT_NE(p.writeVbrHeader(second.toLocal8Bit().constData()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(testsupport::readFile(second), secondTagged);
}

TEST_F(StreamCalls, AStreamsFrameGoesOnlyIntoItsOwnFile)
{
    QTemporaryDir dir;
    const QString mine = dir.filePath("mine.mp3");
    const QString other = dir.filePath("other.mp3");
    const EncodeResult r = encodeLikeTheRecorder(programConfig(16000, 1, 32), musicLike(16000, 1, 8000, 4), mine, TagCall::None);
    ASSERT_TRUE(r.ok());
    ASSERT_TRUE(encodeLikeTheRecorder(programConfig(16000, 1, 32), musicLike(16000, 1, 8000, 5), other, TagCall::InfoTag).ok());
    const QByteArray otherBefore = testsupport::readFile(other);
    EXPECT_EQ(p.writeInfoTag(r.stream, other.toLocal8Bit().constData()), BE_ERR_FILE);
    EXPECT_EQ(testsupport::readFile(other), otherBefore);
    // Refused into the wrong file, the frame is still there for the right one.
    EXPECT_EQ(p.writeInfoTag(r.stream, mine.toLocal8Bit().constData()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(decodeWithMpg123(mine).frames(), 8000u);
}

TEST_F(StreamCalls, TheTagCanAlsoBeWrittenBeforeClose)
{
    const Pcm pcm = tone(48000, 2, 7000, 1000.0, 0.5, 0.5);
    QTemporaryDir dir;
    const QString path = dir.filePath("early.mp3");
    const HBE_STREAM stream = open(programConfig(48000, 2, 160));
    uint32_t produced = 0;
    std::vector<uint8_t> mp3;
    ASSERT_EQ(p.encodeChunk(stream, uint32_t(pcm.samples.size()), pcm.samples.data(), output.data(), &produced), BE_ERR_SUCCESSFUL);
    mp3.insert(mp3.end(), output.begin(), output.begin() + produced);
    // Not finished yet: no frame to write.
    ASSERT_TRUE(testsupport::writeFile(path, QByteArray(reinterpret_cast<const char*>(mp3.data()), qsizetype(mp3.size()))));
    EXPECT_EQ(p.writeInfoTag(stream, path.toLocal8Bit().constData()), BE_ERR_INVALID_HANDLE);
    ASSERT_EQ(p.deinitStream(stream, output.data(), &produced), BE_ERR_SUCCESSFUL);
    mp3.insert(mp3.end(), output.begin(), output.begin() + produced);
    ASSERT_TRUE(testsupport::writeFile(path, QByteArray(reinterpret_cast<const char*>(mp3.data()), qsizetype(mp3.size()))));
    EXPECT_EQ(p.writeInfoTag(stream, path.toLocal8Bit().constData()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.closeStream(stream), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.writeInfoTag(stream, path.toLocal8Bit().constData()), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(decodeWithMpg123(path).frames(), 7000u);
}

TEST_F(StreamCalls, AnAbandonedStreamLeavesNoFrameBehind)
{
    const Pcm pcm = tone(44100, 1, 5000, 1000.0, 0.5, 0.0);
    QTemporaryDir dir;
    const QString path = dir.filePath("abandoned.mp3");
    const HBE_STREAM stream = open(programConfig(44100, 1, 128));
    uint32_t produced = 0;
    ASSERT_EQ(p.encodeChunk(stream, uint32_t(pcm.samples.size()), pcm.samples.data(), output.data(), &produced), BE_ERR_SUCCESSFUL);
    ASSERT_TRUE(testsupport::writeFile(path, QByteArray(reinterpret_cast<const char*>(output.data()), qsizetype(produced))));
    EXPECT_EQ(p.closeStream(stream), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.writeInfoTag(stream, path.toLocal8Bit().constData()), BE_ERR_INVALID_HANDLE);
}

TEST_F(StreamCalls, WithoutTheVbrHeaderFlagNoFrameIsReservedOrWritten)
{
    BeConfig config = programConfig(44100, 2, 128);
    config.writeVbrHeader = 0;
    QTemporaryDir dir;
    const QString path = dir.filePath("plain.mp3");
    const EncodeResult r = encodeLikeTheRecorder(config, tone(44100, 2, 5000, 1000.0, 0.5, 0.5), path, TagCall::None);
    ASSERT_TRUE(r.ok());
    const QByteArray before = testsupport::readFile(path);
    const Mp3Frames walk = walkFrames(before);
    ASSERT_TRUE(walk.error.empty());
    EXPECT_FALSE(readInfoTag(before, walk).present);
    // The first frame is sound already: every frame has the stream's bit rate and a body.
    EXPECT_EQ(walk.frames.front().kbps, 128);
    EXPECT_EQ(p.writeInfoTag(r.stream, path.toLocal8Bit().constData()), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(testsupport::readFile(path), before);
}

// --- bad arguments ----------------------------------------------------------

TEST_F(StreamCalls, BadRecordsAreRefusedWithNoStream)
{
    uint32_t chunk = 0, size = 0;
    HBE_STREAM stream = 77;
    EXPECT_EQ(p.initStream(nullptr, &chunk, &size, &stream), BE_ERR_INVALID_FORMAT);
    EXPECT_EQ(stream, 0u);

    struct Change {
        const char* what;
        void (*apply)(BeConfig&);
        BE_ERR expected;
    };
    const Change changes[] = {
        {"another kind", [](BeConfig& c) { c.kind = 0; }, BE_ERR_INVALID_FORMAT},
        {"another version", [](BeConfig& c) { c.version = 2; }, BE_ERR_INVALID_FORMAT},
        {"another size", [](BeConfig& c) { c.size = 330; }, BE_ERR_INVALID_FORMAT},
        {"rate 44000", [](BeConfig& c) { c.sampleRate = 44000; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"rate 0", [](BeConfig& c) { c.sampleRate = 0; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"rate 96000", [](BeConfig& c) { c.sampleRate = 96000; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"output rate 96000", [](BeConfig& c) { c.outputRate = 96000; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"dual channel", [](BeConfig& c) { c.mode = BE_MODE_DUAL_CHANNEL; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"mode 7", [](BeConfig& c) { c.mode = 7; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"bit rate 0", [](BeConfig& c) { c.bitrate = 0; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"variable bit rate", [](BeConfig& c) { c.enableVbr = 1; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"reserved emphasis", [](BeConfig& c) { c.emphasis = 2; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        BeConfig config = programConfig(44100, 2, 128);
        change.apply(config);
        stream = 77;
        EXPECT_EQ(p.initStream(&config, &chunk, &size, &stream), change.expected);
        EXPECT_EQ(stream, 0u);
    }

    const BeConfig good = programConfig(44100, 2, 128);
    EXPECT_EQ(p.initStream(&good, nullptr, &size, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.initStream(&good, &chunk, nullptr, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.initStream(&good, &chunk, &size, nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);
}

TEST_F(StreamCalls, CallsOnUnknownClosedOrFinishedStreamsAreRefused)
{
    const int16_t pcm[4] = {1, 2, 3, 4};
    std::vector<uint8_t> out(65536);
    uint32_t produced = 99;
    for (HBE_STREAM unknown : {HBE_STREAM(0), HBE_STREAM(0xFFFFFFF0u)}) {
        EXPECT_EQ(p.encodeChunk(unknown, 4, pcm, out.data(), &produced), BE_ERR_INVALID_HANDLE);
        EXPECT_EQ(produced, 0u);
        EXPECT_EQ(p.deinitStream(unknown, out.data(), &produced), BE_ERR_INVALID_HANDLE);
        EXPECT_EQ(p.closeStream(unknown), BE_ERR_INVALID_HANDLE);
        EXPECT_EQ(p.writeInfoTag(unknown, "/nonexistent/x.mp3"), BE_ERR_INVALID_HANDLE);
    }

    const HBE_STREAM stream = open(programConfig(44100, 2, 128));
    ASSERT_EQ(p.deinitStream(stream, output.data(), &produced), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.encodeChunk(stream, 4, pcm, output.data(), &produced), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(p.deinitStream(stream, output.data(), &produced), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(p.closeStream(stream), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.encodeChunk(stream, 4, pcm, output.data(), &produced), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(p.closeStream(stream), BE_ERR_INVALID_HANDLE);
}

TEST_F(StreamCalls, BadPointersAndSizesAreRefusedWithoutConsumingSamples)
{
    const HBE_STREAM stream = open(programConfig(44100, 1, 128));
    const std::vector<int16_t> pcm(bufferSize, 0);
    uint32_t produced = 99;
    EXPECT_EQ(p.encodeChunk(stream, 4, nullptr, output.data(), &produced), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.encodeChunk(stream, 4, pcm.data(), nullptr, &produced), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.encodeChunk(stream, 4, pcm.data(), output.data(), nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.encodeChunk(stream, bufferSize / 2 + 1, pcm.data(), output.data(), &produced), BE_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(p.encodeChunk(stream, 0, nullptr, output.data(), &produced), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.deinitStream(stream, nullptr, &produced), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.deinitStream(stream, output.data(), nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);
    // None of the refused calls fed the encoder: the stream is an empty one.
    ASSERT_EQ(p.deinitStream(stream, output.data(), &produced), BE_ERR_SUCCESSFUL);
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.mp3");
    ASSERT_TRUE(testsupport::writeFile(path, QByteArray(reinterpret_cast<const char*>(output.data()), qsizetype(produced))));
    EXPECT_EQ(p.writeInfoTag(stream, nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(p.writeInfoTag(stream, dir.path().toLocal8Bit().constData()), BE_ERR_FILE);
    EXPECT_EQ(p.writeInfoTag(stream, dir.filePath("missing.mp3").toLocal8Bit().constData()), BE_ERR_FILE);
    EXPECT_EQ(p.writeInfoTag(stream, path.toLocal8Bit().constData()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.closeStream(stream), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(p.writeVbrHeader(nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);
    const Decoded d = decodeWithMpg123(path);
    EXPECT_TRUE(d.error.empty()) << d.error;
    EXPECT_EQ(d.frames(), 0u);
}

TEST_F(StreamCalls, VersionFillsItsRecordAndNoMore)
{
    p.version(nullptr);
    std::vector<uint8_t> record(sizeof(BeVersion) + 16, 0xA5);
    p.version(record.data());
    BeVersion v;
    std::memcpy(&v, record.data(), sizeof v);
    EXPECT_EQ(v.engineMajor, 3);  // the installed LAME is 3.x
    EXPECT_GT(std::strlen(v.homepage), 0u);
    EXPECT_LT(std::strlen(v.homepage), sizeof v.homepage);
    for (size_t i = sizeof(BeVersion); i < record.size(); ++i)
        EXPECT_EQ(record[i], 0xA5) << "byte " << i;
}

// --- buffer sizes ------------------------------------------------------------

TEST_F(StreamCalls, TheOutputBufferHoldsTheLargestCallAndTheFlush)
{
    // Full-scale noise at the highest rate: the most bytes a call can produce.
    std::mt19937 random(11);
    std::uniform_int_distribution<int> noise(-32768, 32767);
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        BeConfig config = programConfig(48000, channels, 320);
        config.noBitReservoir = 0;
        uint32_t chunk = 0;
        HBE_STREAM stream = 0;
        ASSERT_EQ(p.initStream(&config, &chunk, &bufferSize, &stream), BE_ERR_SUCCESSFUL);
        EXPECT_GT(chunk, 0u);
        EXPECT_LE(chunk, bufferSize / 2);
        // LAME's worst case for a call: 1.25 bytes per sample and channel + 7200.
        EXPECT_GE(bufferSize, 1.25 * (bufferSize / 2) + 7200);
        std::vector<int16_t> pcm(bufferSize / 2 + 1);
        for (auto& s : pcm)
            s = int16_t(noise(random));
        std::vector<uint8_t> guarded(bufferSize + 256, 0x5A);
        uint32_t produced = 0;
        for (int call = 0; call < 6; ++call) {
            // Odd counts in stereo carry a value: the next call then encodes one more.
            ASSERT_EQ(p.encodeChunk(stream, bufferSize / 2 - (call % 2), pcm.data(), guarded.data(), &produced),
                      BE_ERR_SUCCESSFUL);
            EXPECT_LE(produced, bufferSize);
        }
        ASSERT_EQ(p.deinitStream(stream, guarded.data(), &produced), BE_ERR_SUCCESSFUL);
        EXPECT_LE(produced, bufferSize);
        for (size_t i = bufferSize; i < guarded.size(); ++i)
            ASSERT_EQ(guarded[i], 0x5A) << "written past the buffer at " << i;
        EXPECT_EQ(p.closeStream(stream), BE_ERR_SUCCESSFUL);
    }
}

// --- threads ------------------------------------------------------------------

TEST_F(StreamCalls, StreamsOnSeveralThreadsGiveWhatTheyGiveAlone)
{
    const BeConfig config = programConfig(44100, 2, 128);
    std::vector<Pcm> inputs;
    std::vector<std::vector<uint8_t>> alone;
    for (uint32_t seed = 0; seed < 4; ++seed) {
        inputs.push_back(musicLike(44100, 2, 20000, seed));
        EncodeResult r;
        alone.push_back(encodeInCalls(config, inputs.back(), {3001}, r));
        ASSERT_TRUE(r.ok());
    }
    std::vector<std::vector<uint8_t>> together(inputs.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < inputs.size(); ++i)
        threads.emplace_back([&, i] {
            EncodeResult r;
            together[i] = encodeInCalls(config, inputs[i], {3001}, r);
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(together, alone);

    // Two threads closing one stream: exactly one succeeds.
    const HBE_STREAM stream = open(config);
    std::atomic<int> successes = 0;
    std::thread a([&] { successes += p.closeStream(stream) == BE_ERR_SUCCESSFUL; });
    std::thread b([&] { successes += p.closeStream(stream) == BE_ERR_SUCCESSFUL; });
    a.join();
    b.join();
    EXPECT_EQ(successes.load(), 1);
}

// --- the library itself -------------------------------------------------------

TEST(EncoderLibrary, ExportsOnlyTheEncoderFunctions)
{
    const auto nm = testsupport::runTool("nm", {"-D", "--defined-only", "--format=just-symbols", plugin().libraryPath});
    ASSERT_EQ(nm.exitCode, 0) << nm.err.toStdString();
    QStringList symbols = QString::fromLatin1(nm.out).split('\n', Qt::SkipEmptyParts);
    symbols.sort();
    EXPECT_EQ(symbols, QStringList({"beCloseStream", "beDeinitStream", "beEncodeChunk", "beInitStream", "beVersion",
                                    "beWriteInfoTag", "beWriteVBRHeader"}));
    const auto ldd = testsupport::runTool("ldd", {plugin().libraryPath});
    EXPECT_FALSE(ldd.out.contains("libQt")) << "the plug-in must not need Qt";
    EXPECT_TRUE(ldd.out.contains("libmp3lame"));
}

}  // namespace
