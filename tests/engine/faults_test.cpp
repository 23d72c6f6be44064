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
    return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

}  // namespace

TEST_F(EngineTest, AFailedWriteStopsTheRecordingKeepsWholeFramesAndSaysSo)
{
    // 48 kHz stereo 16-bit: frames of 4 bytes. The file may not grow beyond
    // two blocks and 102 bytes, so the third write stops half-way into a frame.
    const QByteArray a = Pattern(kBlock * 4, 20);
    const QByteArray kept = a.left(kBlock * 2 + 100);
    const int status = RunInChild([&] {
        int failures = 0;
        auto check = [&](bool ok, const char* what) {
            if (!ok)
                std::fprintf(stderr, "child check failed: %s\n", what), ++failures;
        };
        const rlim_t limit = 44 + kBlock * 2 + 102;
        const rlimit lim{limit, limit};
        setrlimit(RLIMIT_FSIZE, &lim);
        view.formatRow = kRow48000Stereo16;
        engine->OnRecord();
        Card()->deliver(a);
        Settle();
        check(view.errors == std::vector<int>{resources::IDS_RECORD_WRITE_FAILED}, "message 901 once");
        check(!engine->IsRecording(), "recording stopped");
        check(FileData() == kept, "whole frames of the data that was written");
        check(HeaderMatchesFile(), "header sizes match the file");
        check(engine->position() == uint32_t(kept.size() / 4), "position at the end");
        check(view.enabledControls() == kStoppedWithData, "stopped with data");
        engine->OnPlay();
        check(Speaker() && Speaker()->writtenBytes() == kept, "playable");
        return failures;
    });
    EXPECT_EQ(status, 0) << "128 + " << SIGXFSZ << " would mean the file-size signal killed the process";
}

TEST_F(EngineTest, TheRecordingStopsAtTheSizeLimitWithOneMessageAndResumeCannotPassIt)
{
    WaveHeader largest;
    largest.setSizesFromFileLength(WaveHeader::kSize + RecordingFile::kMaxDataBytes);
    EXPECT_EQ(RecordingFile::kMaxDataBytes % 4, 0u);
    EXPECT_EQ(largest.dataSize, uint32_t(RecordingFile::kMaxDataBytes)) << "fits in 32 bits";
    EXPECT_GT(largest.riffSize, largest.dataSize) << "the RIFF size does not wrap either";

    struct Case {
        int row, limit, delivered;
        bool stopFirst;
    };
    // Reached inside a block, reached while stopping, reached exactly.
    for (const Case& c : {Case{kRow16000Mono16, kBlock * 2 + 1000, kBlock * 3, false},
                          Case{kRow8000Mono8, kBlock + 1000, kBlock + 3000, true},
                          Case{kRow16000Mono16, kBlock * 2, kBlock * 2, false}}) {
        SCOPED_TRACE(c.limit);
        Restart();
        view.formatRow = c.row;
        engine->SetMaxDataBytes(uint64_t(c.limit));
        engine->OnRecord();
        const QByteArray a = Pattern(c.delivered, c.limit);
        Deliver(a);
        if (c.stopFirst)
            StopAndSettle();
        EXPECT_EQ(view.errors, std::vector<int>{resources::IDS_RECORD_SIZE_LIMIT});
        EXPECT_FALSE(engine->IsRecording());
        EXPECT_FALSE(Card()->isStarted());
        EXPECT_EQ(FileData(), a.left(c.limit));
        EXPECT_TRUE(HeaderMatchesFile());
        EXPECT_EQ(view.enabledControls(), kStoppedWithData);
    }

    // Resuming in the middle may overwrite up to the limit, no further.
    engine->OnHScroll(4, kBlock / 2);  // byte 6144
    engine->OnRecord();
    const QByteArray b = Pattern(kBlock * 2, 23);
    Deliver(b);
    EXPECT_EQ(view.errors.size(), 2u);
    EXPECT_EQ(FileData().size(), kBlock * 2);
    EXPECT_EQ(FileData().mid(kBlock), b.left(kBlock));
    EXPECT_TRUE(HeaderMatchesFile());
}

TEST_F(EngineTest, ALostDeviceStopsTheRecordingKeepsItsDataAndRecordOpensItAgain)
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
    EXPECT_TRUE(HeaderMatchesFile());
    EXPECT_EQ(view.enabledControls(), kStoppedWithData) << "the lists stay locked to the file's format";

    // Record opens the same device and format again and continues the file.
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
    EXPECT_TRUE(HeaderMatchesFile());

    // Lost while stopped: nothing to say until Record cannot open it again.
    Card()->breakStream();
    Settle();
    EXPECT_EQ(view.errors.size(), 1u);
    fake.setCaptureOpenError("server gone");
    engine->OnRecord();
    EXPECT_EQ(view.errors.back(), 365);
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_EQ(FileData(), a + b);
    fake.setCaptureOpenError({});
    engine->OnRecord();
    EXPECT_TRUE(engine->IsRecording());
    EXPECT_EQ(Card()->queuedBufferCount(), 15);
}

TEST_F(EngineTest, AKilledProcessLeavesEveryBufferItWasHandedInTheFile)
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
