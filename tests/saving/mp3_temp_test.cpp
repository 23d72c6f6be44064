// The MP3 temporary file made while recording: the real plug-in's output
// judged by mpg123 and soxi, the record handed to the plug-in, how captured
// blocks are cut into encoder calls, and every way the file is given up.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <sys/stat.h>

#include "platform/paths.h"
#include "saving_harness.h"

using namespace savingtest;

namespace {

uint32_t framesOfRecording(SavingSession& s)
{
    return s.engine->GetDataLength() / s.engine->format().blockAlign();
}

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

QStringList mp3FilesIn(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.mp3")}, QDir::Files);
}

TEST(Mp3TempFile, IsEncodedWhileRecordingAndDecodesToTheRecording)
{
    SavingSession s(realPluginFolder());
    s.saveView.quality = 10;  // 128 kbit/s
    s.StartRecording(kStereo44k16Bit);
    const QString path = s.mp3TempPath();
    EXPECT_EQ(path, platform::joinPath(s.tempFolder(),
                                       QStringLiteral("quillon_temp_%1.mp3").arg(platform::currentThreadId())));
    s.Capture(1000, 44100);
    // Encoded as the blocks arrive, not at the end.
    EXPECT_GT(QFileInfo(path).size(), 10000);
    s.Capture(1000, 44100 / 2 + 77);
    s.StopRecording();

    ASSERT_EQ(s.mp3TempPath(), path) << "the finished file stays for saving";
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(s.engine->mp3Side().mp3TempBitrate(), 128u);

    const DecodedMp3 d = decodeMp3(path);
    ASSERT_TRUE(d.ok) << d.problem.toStdString();
    EXPECT_EQ(d.rate, 44100);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.bitrateKbps, 128);
    EXPECT_EQ(d.frames, framesOfRecording(s));
    EXPECT_EQ(framesOfRecording(s), 44100u + 44100 / 2 + 77);
    EXPECT_NEAR(toneFrequency(d.samples, d.channels, d.rate), 1000.0, 5.0);
    EXPECT_TRUE(s.engineView.errors.empty());
}

TEST(Mp3TempFile, TakesTheBitRateOfTheQualityWhenTheRecordingStarts)
{
    SavingSession s(realPluginFolder());
    s.saveView.quality = 3;  // 40 kbit/s
    s.StartRecording(kStereo44k16Bit);
    s.saveView.quality = 12;  // moving the slider now changes nothing for this file
    s.Capture(500, 22050);
    s.StopRecording();
    EXPECT_EQ(s.engine->mp3Side().mp3TempBitrate(), 40u);
    const DecodedMp3 d = decodeMp3(s.mp3TempPath());
    ASSERT_TRUE(d.ok) << d.problem.toStdString();
    EXPECT_EQ(d.bitrateKbps, 40);
}

TEST(Mp3TempFile, AnEightBitRecordingNeverGetsOne)
{
    SavingSession s(realPluginFolder());
    s.Record(kMono44k8Bit, 1000, 22050);
    EXPECT_GT(s.engine->GetDataLength(), 0u);
    EXPECT_TRUE(s.mp3TempPath().isEmpty());
    EXPECT_TRUE(mp3FilesIn(s.tempFolder()).isEmpty());
}

TEST(Mp3TempFile, ResumingOrANewRecordingDeletesIt)
{
    SavingSession s(realPluginFolder());
    s.Record(kStereo44k16Bit, 1000, 22050);
    QString path = s.mp3TempPath();
    ASSERT_TRUE(QFile::exists(path));

    s.Record(kStereo44k16Bit, 1000, 22050);  // resumes at the end: no new file for this recording
    EXPECT_EQ(framesOfRecording(s), 44100u);
    EXPECT_TRUE(s.mp3TempPath().isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(mp3FilesIn(s.tempFolder()).isEmpty());

    s.engineView.answer = Answer::No;
    s.engine->OnNewRecording();
    s.Record(kMono48k16Bit, 700, 4800);
    path = s.mp3TempPath();
    ASSERT_TRUE(QFile::exists(path)) << "a new recording makes a fresh one";
    s.engine->OnNewRecording();
    EXPECT_TRUE(s.mp3TempPath().isEmpty());
    EXPECT_FALSE(QFile::exists(path));
}

TEST(Mp3TempFile, ANameHeldByAnythingElseIsLeftAloneAndRecordingGoesOn)
{
    SavingSession s(realPluginFolder());
    const QString name =
        platform::joinPath(s.tempFolder(), QStringLiteral("quillon_temp_%1.mp3").arg(platform::currentThreadId()));
    ASSERT_TRUE(QDir().mkdir(name));
    s.Record(kStereo44k16Bit, 1000, 22050);
    EXPECT_EQ(framesOfRecording(s), 22050u);
    EXPECT_TRUE(s.mp3TempPath().isEmpty());
    EXPECT_TRUE(QFileInfo(name).isDir());
    EXPECT_TRUE(s.engineView.errors.empty());
}

TEST(Mp3TempFile, HandsThePluginTheRecordOfTheRecording)
{
    struct Case {
        int row;
        int quality;
        uint32_t rate;
        uint32_t mode;
        uint32_t bitrate;
    };
    for (const Case c : {Case{kMono48k16Bit, 15, 48000, 3, 320}, Case{kStereo22k16Bit, 0, 22050, 0, 8}}) {
        SCOPED_TRACE(c.row);
        SavingSession s(shimFolder("counting"));
        ShimState* shim = loadedShim("counting");
        ASSERT_NE(shim, nullptr);
        shim->reportedOutputBufferSize = 32768;
        s.saveView.quality = c.quality;
        s.StartRecording(c.row);
        ASSERT_EQ(shim->initCalls, 1u);

        uint8_t expected[331] = {};
        auto put32 = [&](int at, uint32_t v) { std::memcpy(expected + at, &v, 4); };
        put32(0, 256);
        put32(4, 1);
        put32(8, 331);
        put32(12, c.rate);
        put32(16, 0);
        put32(20, c.mode);
        put32(24, c.bitrate);
        put32(32, 2);
        put32(36, 1);
        put32(60, 1);
        put32(64, 1);
        put32(84, 1);
        expected[92] = 10;
        for (int i = 0; i < 331; ++i)
            EXPECT_EQ(shim->lastConfig[i], expected[i]) << "byte " << i;
        EXPECT_EQ(le32(shim->lastConfig + 24), c.bitrate);
        s.StopRecording();
    }
}

TEST(Mp3TempFile, AStereoBlockIsCutIntoCallsTheOutputBufferCanTake)
{
    SavingSession s(shimFolder("counting"));
    ShimState* shim = loadedShim("counting");
    ASSERT_NE(shim, nullptr);
    shim->reportedOutputBufferSize = 4096;  // room for 2048 samples per call
    s.StartRecording(kStereo44k16Bit);
    s.Capture(1000, 3 * 1536);  // three full 6144-byte blocks
    s.StopRecording();

    // 6144 bytes = 3072 samples of both channels: 2048, then 1024.
    ASSERT_EQ(shim->encodeCalls, 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(shim->encodeSamples[i], i % 2 == 0 ? 2048u : 1024u) << "call " << i;
    EXPECT_EQ(shim->oversizedEncodeCalls, 0u);
    EXPECT_EQ(shim->outputOverflows, 0u);

    // Nothing was lost between the calls.
    const DecodedMp3 d = decodeMp3(s.mp3TempPath());
    ASSERT_TRUE(d.ok) << d.problem.toStdString();
    EXPECT_EQ(d.frames, 3u * 1536);
}

TEST(Mp3TempFile, IsFinishedWithTheInformationFrameAfterTheStreamIsClosed)
{
    {
        SavingSession s(shimFolder("counting"));
        ShimState* shim = loadedShim("counting");
        ASSERT_NE(shim, nullptr);
        shim->reportedOutputBufferSize = 32768;
        s.Record(kStereo44k16Bit, 1000, 8000);
        EXPECT_EQ(shim->infoTagCalls, 1u);
        EXPECT_EQ(shim->vbrHeaderCalls, 0u);
        EXPECT_EQ(shim->tagCallsBeforeClose, 0u);
        EXPECT_EQ(QFile::decodeName(shim->lastTagPath), s.mp3TempPath());
    }
    // A plug-in without beWriteInfoTag gets beWriteVBRHeader with the path.
    SavingSession s(shimFolder("without_info_tag"));
    ShimState* shim = loadedShim("without_info_tag");
    ASSERT_NE(shim, nullptr);
    shim->reportedOutputBufferSize = 32768;
    s.Record(kStereo44k16Bit, 1000, 8000);
    EXPECT_EQ(shim->infoTagCalls, 0u);
    EXPECT_EQ(shim->vbrHeaderCalls, 1u);
    EXPECT_EQ(shim->tagCallsBeforeClose, 0u) << "the header was asked for before the stream was closed";
    EXPECT_EQ(QFile::decodeName(shim->lastTagPath), s.mp3TempPath());
    // The frame really is in the file: the decoder trims the encoder delay by it.
    const QByteArray start = fileBytes(s.mp3TempPath()).left(400);
    EXPECT_TRUE(start.contains("Info") || start.contains("Xing"));
    const DecodedMp3 d = decodeMp3(s.mp3TempPath());
    ASSERT_TRUE(d.ok) << d.problem.toStdString();
    EXPECT_EQ(d.frames, 8000u);
}

TEST(Mp3TempFile, AnEncoderFailureGivesItUpSilentlyWhileRecordingGoesOn)
{
    SavingSession s(shimFolder("counting"));
    ShimState* shim = loadedShim("counting");
    ASSERT_NE(shim, nullptr);
    shim->reportedOutputBufferSize = 32768;
    shim->failEncodeAtCall = 5;
    s.StartRecording(kStereo44k16Bit);
    const QString path = s.mp3TempPath();
    s.Capture(1000, 10 * 1536);
    EXPECT_TRUE(s.mp3TempPath().isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(shim->encodeCalls, 5u) << "encoding went on after the failure";
    EXPECT_EQ(shim->closeCalls, 1u);
    s.Capture(1000, 1536);
    s.StopRecording();
    EXPECT_EQ(framesOfRecording(s), 11u * 1536);
    EXPECT_EQ(shim->deinitCalls, 0u);
    EXPECT_TRUE(s.engineView.errors.empty());
}

TEST(Mp3TempFile, FailuresToOpenOrFlushTheStreamLeaveNoFile)
{
    {
        SavingSession s(shimFolder("counting"));
        ShimState* shim = loadedShim("counting");
        ASSERT_NE(shim, nullptr);
        shim->failInit = 1;
        s.Record(kStereo44k16Bit, 1000, 4000);
        EXPECT_EQ(shim->initCalls, 1u);
        EXPECT_TRUE(s.mp3TempPath().isEmpty());
        EXPECT_TRUE(mp3FilesIn(s.tempFolder()).isEmpty());
        EXPECT_EQ(framesOfRecording(s), 4000u);
    }
    SavingSession s(shimFolder("counting"));
    ShimState* shim = loadedShim("counting");
    ASSERT_NE(shim, nullptr);
    shim->reportedOutputBufferSize = 32768;
    shim->failDeinit = 1;
    s.Record(kStereo44k16Bit, 1000, 4000);
    EXPECT_EQ(shim->deinitCalls, 1u);
    EXPECT_EQ(shim->closeCalls, 1u);
    EXPECT_EQ(shim->infoTagCalls, 0u);
    EXPECT_TRUE(s.mp3TempPath().isEmpty());
    EXPECT_TRUE(mp3FilesIn(s.tempFolder()).isEmpty());
    EXPECT_TRUE(s.engineView.errors.empty());
}

}  // namespace
