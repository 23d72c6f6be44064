// Capture into the temporary WAVE file, buffer by buffer, on the fake back end.
#include "engine_fixture.h"

#include <sys/stat.h>
#include <QDir>
#include <QFileInfo>

#include "engine/readout.h"
#include "resources/strings.h"

using namespace enginetest;

namespace {

const std::set<int> kEmpty = {ControlId::Record, ControlId::DeviceList, ControlId::FormatList};
const std::set<int> kRecording = {ControlId::Stop};
const std::set<int> kStoppedWithData = {ControlId::Record, ControlId::SeekStart, ControlId::SeekEnd,
                                        ControlId::PositionSlider, ControlId::Play,
                                        ControlId::ClearAfterPosition, ControlId::NewRecording,
                                        ControlId::Save};

QString PositionText(const char* readout) { return QString::fromUtf8("\n位置:\n") + readout; }
QString LengthText(const char* readout) { return QString::fromUtf8("\n长度:\n") + readout; }

}  // namespace

TEST_F(EngineTest, RecordCreatesThePrivateTemporaryFileWithAnEmptyHeaderAndOpensTheChosenInput)
{
    view.device = 1;
    view.formatRow = kRow48000Stereo16;
    engine->OnRecord();

    ASSERT_TRUE(engine->IsRecording());
    EXPECT_EQ(WavPath(), tmp.path() + "/quillon_temp_" + QString::number(platform::currentThreadId()) + ".wav");
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(WavPath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(FileBytes().size(), 44);
    const WaveHeader h = FileHeader();
    EXPECT_EQ(h.riffSize, 36u);
    EXPECT_EQ(h.dataSize, 0u);
    EXPECT_EQ(h.format, (PcmFormat{48000, 16, 2}));

    ASSERT_TRUE(Card());
    EXPECT_EQ(Card()->device(), 1);
    EXPECT_EQ(Card()->format(), (PcmFormat{48000, 16, 2}));
    EXPECT_TRUE(Card()->isStarted());
    EXPECT_EQ(Card()->queuedBufferCount(), 15);
    EXPECT_EQ(engine->GetHeaderSize(), 44u);
    EXPECT_EQ(engine->GetDataLength(), 0u);
    EXPECT_EQ(view.wave.fullScale, 32767);
    EXPECT_EQ(view.enabledControls(), kRecording);
}

TEST_F(EngineTest, NoFormatSelectedRecordsTheFirstRowAndEightBitSetsTheSmallFullScale)
{
    view.formatRow = -1;
    engine->OnRecord();
    ASSERT_TRUE(Card());
    EXPECT_EQ(Card()->format(), (PcmFormat{8000, 8, 1}));
    EXPECT_EQ(FileHeader().format, (PcmFormat{8000, 8, 1}));
    EXPECT_EQ(view.wave.fullScale, 130);
}

TEST_F(EngineTest, TemporaryFolderWithATrailingSlashGivesTheSameName)
{
    qputenv("TMPDIR", (tmp.path() + "/").toLocal8Bit());
    engine->OnRecord();
    EXPECT_TRUE(QFile::exists(WavPath()));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{QFileInfo(WavPath()).fileName()});
}

TEST_F(EngineTest, EveryReturnedBufferIsOnDiskAtOnceAndMovesPositionAndLength)
{
    view.formatRow = kRow16000Mono16;
    engine->OnRecord();
    const QByteArray a = Pattern(kBlock * 2 + 1000, 1);
    Deliver(a);

    // Only the two full blocks came back; the partial one is still at the device.
    // Another reader sees them: nothing waits in the program's memory.
    EXPECT_EQ(FileData(), a.left(kBlock * 2));
    EXPECT_EQ(engine->GetDataLength(), uint32_t(kBlock * 2));
    EXPECT_EQ(engine->position(), uint32_t(kBlock));  // frames of 2 bytes
    EXPECT_EQ(view.range, uint32_t(kBlock));
    EXPECT_EQ(view.thumb, uint32_t(kBlock));
    EXPECT_EQ(view.positionText, PositionText("000:00.3"));  // 6144 / 16000 s = 0.384
    EXPECT_EQ(view.lengthText, LengthText("000:00.3"));
    EXPECT_FALSE(engine->IsSaved());
    EXPECT_EQ(Card()->queuedBufferCount(), 15);  // handed back to the device at once
}

TEST_F(EngineTest, StopKeepsThePartlyFilledBufferAndWritesTheHeaderSizes)
{
    view.formatRow = kRow8000Mono8;
    engine->OnRecord();
    const QByteArray a = Pattern(kBlock + 777, 2);
    Deliver(a);
    engine->OnStop();
    EXPECT_TRUE(engine->IsRecording()) << "the device still hands over what it captured";
    EXPECT_EQ(view.enabledControls(), kRecording);
    Settle();

    EXPECT_FALSE(engine->IsRecording());
    EXPECT_EQ(FileData(), a);
    ExpectHeaderMatchesFile();
    EXPECT_EQ(engine->position(), uint32_t(a.size()));
    EXPECT_EQ(view.enabledControls(), kStoppedWithData);
    EXPECT_TRUE(engine->IsCaptureDeviceOpen());
    EXPECT_FALSE(Card()->isClosed());
}

TEST_F(EngineTest, StopKeepsWhatStillWaitsInTheServerBeyondTheQueuedBuffers)
{
    view.formatRow = kRow8000Mono8;
    engine->OnRecord();
    // More than fifteen blocks arrive before the program gets to run: the
    // rest waits in the server while Stop is pressed.
    const QByteArray a = Pattern(kBlock * 16 + 500, 3);
    ASSERT_TRUE(Card()->deliver(a));
    EXPECT_GT(Card()->waitingBytes(), 0u);
    engine->OnStop();
    Settle();

    EXPECT_FALSE(engine->IsRecording());
    EXPECT_EQ(FileData().size(), a.size());
    EXPECT_EQ(FileData(), a);
    ExpectHeaderMatchesFile();
}

TEST_F(EngineTest, RecordStopRecordContinuesTheSameFileOnTheSameDevice)
{
    view.formatRow = kRow48000Stereo16;
    const QByteArray a = Pattern(kBlock * 2 + 400, 4);
    const QByteArray b = Pattern(kBlock + 1200, 5);
    RecordAndStop(a);
    ExpectHeaderMatchesFile();

    // The lists stay locked to the recording's device and format.
    view.formatRow = kRow8000Mono8;
    view.device = 1;
    EXPECT_FALSE(view.enabled[ControlId::DeviceList]);
    EXPECT_FALSE(view.enabled[ControlId::FormatList]);

    engine->OnRecord();
    EXPECT_EQ(fake.captureOpenCount(), 1);
    EXPECT_EQ(Card()->startCount(), 2);
    EXPECT_EQ(Card()->queuedBufferCount(), 15);
    Deliver(b);
    StopAndSettle();

    EXPECT_EQ(FileData(), a + b) << "one continuous recording, nothing lost at the stop";
    ExpectHeaderMatchesFile();
    EXPECT_EQ(FileHeader().format, (PcmFormat{48000, 16, 2}));
    EXPECT_EQ(engine->position(), uint32_t((a.size() + b.size()) / 4));
}

TEST_F(EngineTest, ResumeFromTheMiddleOverwritesAndKeepsTheLength)
{
    view.formatRow = kRow16000Mono16;
    const QByteArray a = Pattern(kBlock * 3, 6);
    const QByteArray b = Pattern(kBlock + 600, 7);
    RecordAndStop(a);

    engine->OnHScroll(4, 1000);  // thumb moved to frame 1000
    EXPECT_EQ(engine->position(), 1000u);
    EXPECT_EQ(view.positionText, PositionText("000:00.0"));
    engine->OnRecord();
    Deliver(b.left(kBlock));
    // The position jumps to the end of the file at the first returned buffer.
    EXPECT_EQ(engine->position(), uint32_t(a.size() / 2));
    Deliver(b.mid(kBlock));
    StopAndSettle();

    QByteArray expected = a;
    expected.replace(2000, b.size(), b);
    EXPECT_EQ(FileData().size(), a.size());
    EXPECT_EQ(FileData(), expected);
    ExpectHeaderMatchesFile();
}

TEST_F(EngineTest, ResumingPastTheEndOfTheDataGrowsTheFileAndTheHeaderFollows)
{
    view.formatRow = kRow16000Mono16;
    const QByteArray a = Pattern(kBlock, 8);
    const QByteArray b = Pattern(kBlock * 2, 9);
    RecordAndStop(a);
    engine->OnHScroll(4, 2000);  // frame 2000 = byte 4000
    engine->OnRecord();
    Deliver(b);
    StopAndSettle();

    EXPECT_EQ(FileData(), a.left(4000) + b);
    ExpectHeaderMatchesFile();
    EXPECT_EQ(engine->position(), uint32_t((4000 + b.size()) / 2));
}

TEST_F(EngineTest, ReadoutsShowMinutesSecondsAndCutTenths)
{
    engine->ShowLength();
    engine->ShowPosition(true);
    EXPECT_EQ(view.positionText, PositionText("000:00.0"));
    EXPECT_EQ(view.lengthText, LengthText("000:00.0"));

    // 61.25 s at 8000 Hz, 8 bits, mono.
    view.formatRow = kRow8000Mono8;
    engine->OnRecord();
    Deliver(Pattern(490000, 10));
    StopAndSettle();
    EXPECT_EQ(view.lengthText, LengthText("001:01.2"));
    EXPECT_EQ(view.positionText, PositionText("001:01.2"));

    EXPECT_EQ(ReadoutText(385, 8000 * 600, 8000), PositionText("010:00.0"));
    EXPECT_EQ(ReadoutText(384, 8000 * 59 + 7999, 8000), LengthText("000:59.9"));
    EXPECT_EQ(ReadoutText(384, 48000 * 6000, 48000), LengthText("100:00.0"));
}

TEST_F(EngineTest, ControlStatesFollowEveryStateOfTheEngine)
{
    engine->RefreshControlStates();
    EXPECT_EQ(view.enabledControls(), kEmpty) << "empty";

    view.formatRow = kRow8000Mono8;
    engine->OnRecord();
    EXPECT_EQ(view.enabledControls(), kRecording) << "recording";
    Deliver(Pattern(kBlock * 3, 11));
    StopAndSettle();
    EXPECT_EQ(view.enabledControls(), kStoppedWithData) << "stopped with data";

    engine->OnPlay();
    const std::set<int> playing = {ControlId::SeekStart, ControlId::SeekEnd, ControlId::PositionSlider,
                                   ControlId::Stop};
    EXPECT_EQ(view.enabledControls(), playing) << "playing";
    engine->OnStop();
    EXPECT_EQ(view.enabledControls(), playing) << "draining keeps the states of playing";
    Settle();
    EXPECT_EQ(view.enabledControls(), kStoppedWithData) << "device closed";

    view.answers = {Answer::No};
    engine->OnNewRecording();
    EXPECT_EQ(view.enabledControls(), kEmpty) << "after New recording";
}

TEST_F(EngineTest, RecordingWithoutDataStopsToTheEmptyStatesButKeepsTheListsLocked)
{
    engine->OnRecord();
    StopAndSettle();
    const std::set<int> expected = {ControlId::Record};
    EXPECT_EQ(view.enabledControls(), expected);
    EXPECT_EQ(engine->GetDataLength(), 0u);
}

TEST_F(EngineTest, NewRecordingWithUnsavedDataAsksAndCancelKeepsEverything)
{
    const QByteArray a = Pattern(kBlock, 12);
    RecordAndStop(a);
    view.answers = {Answer::Cancel};
    engine->OnNewRecording();

    EXPECT_EQ(view.questions, std::vector<int>{364});
    EXPECT_TRUE(engine->IsCaptureDeviceOpen());
    EXPECT_EQ(FileData(), a);
    EXPECT_FALSE(engine->IsSaved());
    EXPECT_EQ(view.enabledControls(), kStoppedWithData);
}

TEST_F(EngineTest, NewRecordingAnsweredNoDiscardsTheRecordingAndFreesTheLists)
{
    RecordAndStop(Pattern(kBlock, 13));
    view.answers = {Answer::No};
    engine->OnNewRecording();

    EXPECT_FALSE(QFile::exists(WavPath()));
    EXPECT_FALSE(engine->IsCaptureDeviceOpen());
    EXPECT_EQ(fake.captureCloseCount(), 1);
    EXPECT_EQ(engine->GetDataLength(), 0u);
    EXPECT_EQ(engine->GetHeaderSize(), 0u);
    EXPECT_EQ(engine->position(), 0u);
    EXPECT_EQ(view.positionText, PositionText("000:00.0"));
    EXPECT_EQ(view.lengthText, LengthText("000:00.0"));
    EXPECT_EQ(view.thumb, 0u);
    EXPECT_TRUE(engine->IsSaved());

    // The next recording opens the device anew with the format chosen now.
    view.formatRow = kRow8000Mono8;
    engine->OnRecord();
    EXPECT_EQ(fake.captureOpenCount(), 2);
    EXPECT_EQ(Card()->format(), (PcmFormat{8000, 8, 1}));
    EXPECT_EQ(FileBytes().size(), 44);
}

TEST_F(EngineTest, NewRecordingAnsweredYesSavesFirstAndStaysWhenTheSaveDidNotHappen)
{
    const QByteArray a = Pattern(kBlock, 14);
    RecordAndStop(a);
    int saves = 0;
    engine->SetSaveHandler([&] { ++saves; });  // the user cancelled the file dialog
    view.answers = {Answer::Yes};
    engine->OnNewRecording();
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(engine->IsCaptureDeviceOpen());
    EXPECT_EQ(FileData(), a);

    engine->SetSaveHandler([&] {
        ++saves;
        engine->SetSaved(true);
    });
    view.answers = {Answer::Yes};
    engine->OnNewRecording();
    EXPECT_EQ(saves, 2);
    EXPECT_FALSE(engine->IsCaptureDeviceOpen());
    EXPECT_FALSE(QFile::exists(WavPath()));
}

TEST_F(EngineTest, NewRecordingDoesNotAskWhenSavedOrEmpty)
{
    engine->OnNewRecording();
    RecordAndStop(Pattern(kBlock, 15));
    engine->SetSaved(true);
    engine->OnNewRecording();
    EXPECT_TRUE(view.questions.empty());
    EXPECT_FALSE(engine->IsCaptureDeviceOpen());
}

TEST_F(EngineTest, AFileThatCannotBeCreatedShowsMessage366AndOpensNoDevice)
{
    // Another program planted a link at our name: it is never followed.
    ASSERT_TRUE(QFile::link(tmp.path() + "/elsewhere", WavPath()));
    engine->OnRecord();
    EXPECT_EQ(view.errors, std::vector<int>{366});
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_FALSE(engine->IsCaptureDeviceOpen());
    EXPECT_EQ(fake.captureOpenCount(), 0);
    EXPECT_FALSE(QFile::exists(tmp.path() + "/elsewhere"));
    EXPECT_TRUE(QFileInfo(WavPath()).isSymLink());
}

TEST_F(EngineTest, ADeviceThatCannotBeOpenedShowsMessage365AndLeavesNoFile)
{
    fake.setCaptureOpenError("no such source");
    engine->OnRecord();
    EXPECT_EQ(view.errors, std::vector<int>{365});
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_FALSE(engine->IsCaptureDeviceOpen());
    EXPECT_FALSE(QFile::exists(WavPath()));
    engine->RefreshControlStates();
    EXPECT_EQ(view.enabledControls(), kEmpty);
}

TEST_F(EngineTest, WaveformTakesAtMostOneSnapshotPerHundredMilliseconds)
{
    uint32_t now = 0;
    engine->SetTickClock([&] { return now; });
    view.formatRow = kRow16000Mono16;
    engine->OnRecord();

    QByteArray block(kBlock, 0);
    for (int i = 0; i < kBlock / 2; ++i) {
        const int16_t s = int16_t(i * 10 - 15000);
        block[2 * i] = char(s & 0xff);
        block[2 * i + 1] = char((s >> 8) & 0xff);
    }
    now = 100;  // exactly 100 ms after the last snapshot: not yet
    Deliver(block);
    EXPECT_EQ(view.wave.refreshes, 0);
    now = 101;
    Deliver(block);
    EXPECT_EQ(view.wave.refreshes, 1);
    // Every other sample of the mono block: sample 2i.
    for (int i : {0, 1, 50, 99})
        EXPECT_EQ(view.wave.data[size_t(i)], int16_t(2 * i * 10 - 15000)) << i;
    now = 201;
    Deliver(block);
    EXPECT_EQ(view.wave.refreshes, 1);
    now = 202;
    Deliver(block);
    EXPECT_EQ(view.wave.refreshes, 2);
}

TEST_F(EngineTest, BuffersThatComeBackAfterNewRecordingAreDropped)
{
    view.formatRow = kRow8000Mono8;
    RecordAndStop(Pattern(kBlock, 16));
    view.answers = {Answer::No};
    engine->OnNewRecording();
    Settle();
    EXPECT_FALSE(QFile::exists(WavPath()));
    EXPECT_EQ(engine->GetDataLength(), 0u);
}

TEST_F(EngineTest, ReleaseClosesTheDeviceAndDeletesTheFileEvenWhileRecording)
{
    engine->OnRecord();
    Deliver(Pattern(kBlock, 17));
    ASSERT_TRUE(QFile::exists(WavPath()));
    engine.reset();
    EXPECT_FALSE(QFile::exists(WavPath()));
    EXPECT_EQ(fake.captureCloseCount(), 1);
    EXPECT_EQ(fake.captureStream(), nullptr);
}
