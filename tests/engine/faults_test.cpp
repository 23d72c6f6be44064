// What the engine does when the disk, the WAVE format, the sound server or
// the process itself gives out while recording.
#include "engine_fixture.h"

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>

#include "platform/locked_file.h"
#include "resources/strings.h"

using namespace enginetest;

namespace {

const std::set<int> kStoppedWithData = {ControlId::Record, ControlId::SeekStart, ControlId::SeekEnd,
                                        ControlId::PositionSlider, ControlId::Play,
                                        ControlId::ClearAfterPosition, ControlId::NewRecording,
                                        ControlId::Save};

// Runs `body` in a forked copy of this process: its exit code, or 128 + the
// signal that ended it.
int RunInChild(const std::function<int()>& body)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

// Collects the failed checks of a child process; its exit code is their count.
struct ChildChecks {
    int failures = 0;
    void check(bool ok, const char* what)
    {
        if (!ok) {
            std::fprintf(stderr, "child check failed: %s\n", what);
            ++failures;
        }
    }
};

}  // namespace

class FaultTest : public EngineTest {
protected:
    bool FileIsConsistent() const
    {
        const qint64 length = FileBytes().size();
        const WaveHeader h = FileHeader();
        return h.riffSize == uint32_t(length - 8) && h.dataSize == uint32_t(length - 44);
    }
};

TEST_F(FaultTest, AFailedWriteStopsTheRecordingKeepsWholeFramesAndSaysSo)
{
    // 48 kHz stereo 16-bit: frames of 4 bytes. The file may not grow beyond
    // two blocks and 102 bytes, so the third write stops half-way into a frame.
    const QByteArray a = Pattern(kBlock * 4, 20);
    const int status = RunInChild([&] {
        ChildChecks c;
        const rlim_t limit = 44 + kBlock * 2 + 102;
        const rlimit lim{limit, limit};
        setrlimit(RLIMIT_FSIZE, &lim);
        view.formatRow = kRow48000Stereo16;
        engine->OnRecord();
        Card()->deliver(a);
        Settle();
        c.check(view.errors == std::vector<int>{resources::IDS_RECORD_WRITE_FAILED}, "message 901 once");
        c.check(!engine->IsRecording(), "recording stopped");
        c.check(FileBytes().size() == 44 + kBlock * 2 + 100, "whole frames kept");
        c.check(FileData() == a.left(kBlock * 2 + 100), "the data that was written");
        c.check(FileIsConsistent(), "header sizes match the file");
        c.check(engine->position() == uint32_t((kBlock * 2 + 100) / 4), "position at the end");
        c.check(view.enabledControls() == kStoppedWithData, "stopped with data");
        engine->OnPlay();
        c.check(Speaker() && Speaker()->writtenBytes() == a.left(kBlock * 2 + 100), "playable");
        return c.failures;
    });
    EXPECT_EQ(status, 0) << "128 + " << SIGXFSZ << " would mean the file-size signal killed the process";
}

TEST_F(FaultTest, TheRecordingStopsBeforeTheHeaderSizesWouldOverflow)
{
    EXPECT_EQ(RecordingFile::kMaxDataBytes % 4, 0u);
    WaveHeader largest;
    largest.setSizesFromFileLength(WaveHeader::kSize + RecordingFile::kMaxDataBytes);
    EXPECT_EQ(largest.dataSize, uint32_t(RecordingFile::kMaxDataBytes)) << "fits in 32 bits";
    EXPECT_GT(largest.riffSize, largest.dataSize) << "the RIFF size does not wrap either";

    view.formatRow = kRow16000Mono16;
    engine->SetMaxDataBytes(kBlock * 2 + 1000);
    engine->OnRecord();
    const QByteArray a = Pattern(kBlock * 3, 21);
    Deliver(a);

    EXPECT_EQ(view.errors, std::vector<int>{resources::IDS_RECORD_SIZE_LIMIT});
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_EQ(FileData(), a.left(kBlock * 2 + 1000));
    EXPECT_TRUE(FileIsConsistent());
    EXPECT_EQ(view.enabledControls(), kStoppedWithData);
    EXPECT_FALSE(Card()->isStarted());
    engine->OnPlay();
    EXPECT_EQ(Speaker()->writtenBytes(), a.left(kBlock * 2 + 1000));
}

TEST_F(FaultTest, ALimitReachedExactlyStopsAtOnceAndResumeCannotPassIt)
{
    view.formatRow = kRow16000Mono16;
    engine->SetMaxDataBytes(kBlock * 2);
    engine->OnRecord();
    Deliver(Pattern(kBlock * 2, 22));
    EXPECT_EQ(view.errors, std::vector<int>{resources::IDS_RECORD_SIZE_LIMIT});
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_EQ(FileData().size(), kBlock * 2);

    // Resuming in the middle may overwrite up to the limit, no further.
    engine->OnHScroll(4, kBlock / 2);  // frame 3072 = byte 6144
    engine->OnRecord();
    const QByteArray b = Pattern(kBlock * 2, 23);
    Deliver(b);
    EXPECT_EQ(view.errors.size(), 2u);
    EXPECT_EQ(FileData().size(), kBlock * 2);
    EXPECT_EQ(FileData().mid(kBlock), b.left(kBlock));
    EXPECT_TRUE(FileIsConsistent());
}

TEST_F(FaultTest, TheLimitReachedWhileStoppingEndsWithOneMessage)
{
    view.formatRow = kRow8000Mono8;
    engine->SetMaxDataBytes(kBlock + 1000);
    engine->OnRecord();
    const QByteArray a = Pattern(kBlock + 3000, 24);
    Deliver(a);
    engine->OnStop();
    Settle();
    EXPECT_EQ(view.errors, std::vector<int>{resources::IDS_RECORD_SIZE_LIMIT});
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_EQ(FileData(), a.left(kBlock + 1000));
    EXPECT_TRUE(FileIsConsistent());
}

TEST_F(FaultTest, ALostDeviceStopsTheRecordingKeepsItsDataAndRecordOpensItAgain)
{
    view.device = 1;
    view.formatRow = kRow16000Mono16;
    engine->OnRecord();
    const QByteArray a = Pattern(kBlock + 500, 25);
    Deliver(a);
    Card()->breakStream();
    Settle();

    EXPECT_EQ(view.errors, std::vector<int>{resources::IDS_RECORD_DEVICE_LOST});
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_EQ(FileData(), a) << "the partly filled block came back before the failure";
    EXPECT_TRUE(FileIsConsistent());
    EXPECT_EQ(view.enabledControls(), kStoppedWithData) << "the lists stay locked to the file's format";
    engine->OnPlay();
    EXPECT_EQ(Speaker()->writtenBytes(), a);
    Speaker()->completeAll();
    Settle();

    view.device = 0;
    view.formatRow = kRow8000Mono8;
    engine->OnRecord();
    ASSERT_EQ(fake.captureOpenCount(), 2);
    EXPECT_EQ(Card()->device(), 1);
    EXPECT_EQ(Card()->format(), (PcmFormat{16000, 16, 1}));
    const QByteArray b = Pattern(kBlock + 100, 26);
    Deliver(b);
    StopAndSettle();
    EXPECT_EQ(FileData(), a + b);
    EXPECT_TRUE(FileIsConsistent());
}

TEST_F(FaultTest, ADeviceLostWhileStoppedIsReopenedSilentlyOrReportedWith365)
{
    RecordAndStop(Pattern(kBlock, 27));
    Card()->breakStream();
    Settle();
    EXPECT_TRUE(view.errors.empty());

    fake.setCaptureOpenError("server gone");
    engine->OnRecord();
    EXPECT_EQ(view.errors, std::vector<int>{365});
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_TRUE(engine->IsCaptureDeviceOpen());
    EXPECT_EQ(FileData(), Pattern(kBlock, 27));

    fake.setCaptureOpenError({});
    engine->OnRecord();
    EXPECT_TRUE(engine->IsRecording());
    EXPECT_EQ(Card()->queuedBufferCount(), 15);
}

TEST_F(FaultTest, AKilledProcessLeavesEveryBufferItWasHandedInTheFile)
{
    const QByteArray a = Pattern(kBlock * 3, 28);
    const int status = RunInChild([&] {
        view.formatRow = kRow48000Stereo16;
        engine->OnRecord();
        Card()->deliver(a.left(kBlock * 2 + 2000));  // two blocks handed over, one partly filled
        Settle();
        std::raise(SIGKILL);
        return 0;
    });
    ASSERT_EQ(status, 128 + SIGKILL);

    const QStringList left = QDir(tmp.path()).entryList({"quillon_temp_*.wav"}, QDir::Files);
    ASSERT_EQ(left.size(), 1);
    const QString path = tmp.path() + "/" + left.first();
    EXPECT_FALSE(platform::isLockedElsewhere(path)) << "the next start may salvage it";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    WaveHeader h;
    ASSERT_TRUE(WaveHeader::parse(reinterpret_cast<const uint8_t*>(bytes.constData()), int(bytes.size()), h));
    EXPECT_EQ(h.format, (PcmFormat{48000, 16, 2})) << "the format needed to repair the sizes";
    EXPECT_EQ(bytes.mid(44), a.left(kBlock * 2));
}
