// The MP3 stream against the reference encoder, and the record's header
// settings as they appear in the frames.

#include "encoder_plugin.h"
#include "mp3_probe.h"

#include "support/test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace encodertest;

namespace {

QByteArray bytesOf(const Pcm& pcm)
{
    return QByteArray(reinterpret_cast<const char*>(pcm.samples.data()), qsizetype(pcm.samples.size() * 2));
}

struct Encoded {
    QByteArray file;
    Mp3Frames walk;
};

Encoded encode(const BeConfig& config, const Pcm& pcm, const QString& path)
{
    const EncodeResult r = encodeLikeTheRecorder(config, pcm, path);
    EXPECT_TRUE(r.ok()) << r.failedStep << " returned " << r.error;
    Encoded e;
    e.file = testsupport::readFile(path);
    e.walk = walkFrames(e.file);
    EXPECT_TRUE(e.walk.error.empty()) << e.walk.error;
    return e;
}

TEST(AgainstTheLameTool, SameSoundFramesAndTheSameLengthFacts)
{
    ASSERT_TRUE(plugin().loadError.empty()) << plugin().loadError;
    // What the recorder asks for, spelled as lame options.
    const Pcm pcm = musicLike(44100, 2, 3 * 44100 + 321, 9);
    QTemporaryDir dir;
    const QString raw = dir.filePath("input.raw");
    const QString byLame = dir.filePath("lame.mp3");
    ASSERT_TRUE(testsupport::writeFile(raw, bytesOf(pcm)));
    const auto lame = testsupport::runTool("lame", {"--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "--signed",
                                                    "--little-endian", "-m", "s", "-b", "128", "--cbr", "-q", "2",
                                                    "--nores", raw, byLame});
    ASSERT_EQ(lame.exitCode, 0) << lame.err.toStdString();
    const Encoded ours = encode(programConfig(44100, 2, 128), pcm, dir.filePath("ours.mp3"));
    const QByteArray theirs = testsupport::readFile(byLame);
    const Mp3Frames theirWalk = walkFrames(theirs);
    ASSERT_TRUE(theirWalk.error.empty()) << theirWalk.error;

    // Both lead with an information frame of the same size; the sound after it is identical.
    ASSERT_EQ(ours.walk.frames.size(), theirWalk.frames.size());
    const size_t firstSound = theirWalk.frames.front().size;
    ASSERT_EQ(ours.walk.frames.front().size, firstSound);
    EXPECT_TRUE(ours.file.mid(qsizetype(firstSound)) == theirs.mid(qsizetype(firstSound)));

    const InfoTag mine = readInfoTag(ours.file, ours.walk);
    const InfoTag reference = readInfoTag(theirs, theirWalk);
    ASSERT_TRUE(mine.present);
    ASSERT_TRUE(reference.present);
    EXPECT_EQ(mine.id, reference.id);
    EXPECT_EQ(mine.frames, reference.frames);
    EXPECT_EQ(mine.bytes, reference.bytes);
    EXPECT_EQ(mine.encoder, reference.encoder);
    EXPECT_EQ(mine.encoderDelay, reference.encoderDelay);
    EXPECT_EQ(mine.padding, reference.padding);
    EXPECT_EQ(mine.musicLength, reference.musicLength);
    EXPECT_EQ(mine.musicCrc, reference.musicCrc);
    EXPECT_EQ(mine.tagCrc, mine.computedTagCrc);
}

TEST(FrameHeaders, TheRecordersSettingsGiveOriginalFramesWithoutReservoirOrCrc)
{
    ASSERT_TRUE(plugin().loadError.empty()) << plugin().loadError;
    QTemporaryDir dir;
    const Encoded e = encode(programConfig(44100, 2, 64), musicLike(44100, 2, 44100, 5), dir.filePath("a.mp3"));
    ASSERT_GT(e.walk.frames.size(), 2u);
    for (const Mp3Frame& f : e.walk.frames) {
        EXPECT_TRUE(f.original);
        EXPECT_FALSE(f.copyright);
        EXPECT_FALSE(f.privateBit);
        EXPECT_FALSE(f.crcProtected);
        EXPECT_EQ(f.emphasis, 0);
        // No bit reservoir: every frame's data starts in the frame itself.
        EXPECT_EQ(f.mainDataBegin, 0);
    }
}

TEST(FrameHeaders, TheOtherHeaderSettingsAreHonoured)
{
    ASSERT_TRUE(plugin().loadError.empty()) << plugin().loadError;
    BeConfig config = programConfig(44100, 2, 64);
    config.mode = BE_MODE_JOINT_STEREO;
    config.originalBit = 0;
    config.copyrightBit = 1;
    config.privateBit = 1;
    config.crc = 1;
    config.emphasis = 1;
    config.noBitReservoir = 0;
    const Pcm pcm = musicLike(44100, 2, 44100, 6);
    QTemporaryDir dir;
    const QString path = dir.filePath("b.mp3");
    const Encoded e = encode(config, pcm, path);
    ASSERT_GT(e.walk.frames.size(), 2u);
    int borrowing = 0;
    for (const Mp3Frame& f : e.walk.frames) {
        EXPECT_EQ(f.mode, 1);
        EXPECT_FALSE(f.original);
        EXPECT_TRUE(f.copyright);
        EXPECT_TRUE(f.privateBit);
        EXPECT_EQ(f.emphasis, 1);
        borrowing += f.mainDataBegin > 0;
    }
    // The information frame carries no CRC; every sound frame does.
    EXPECT_TRUE(std::all_of(e.walk.frames.begin() + 1, e.walk.frames.end(), [](const Mp3Frame& f) { return f.crcProtected; }));
    // With the reservoir allowed, frames borrow room from earlier ones.
    EXPECT_GT(borrowing, 0);
    EXPECT_TRUE(readInfoTag(e.file, e.walk).present);
    EXPECT_EQ(decodeWithMpg123(path).frames(), pcm.frames());
}

}  // namespace
