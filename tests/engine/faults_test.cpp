// What the engine does when the disk, the WAVE format, the sound server or
// the process itself gives out while recording.
#include "engine_fixture.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <QLoggingCategory>

#include "app/temp_file_cleaner.h"
#include "platform/locked_file.h"

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
        static QString logged;
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) { logged += m; });
        QLoggingCategory::setFilterRules("quillon.engine.warning=true");
        view.formatRow = kRow48000Stereo16;
        StartRecording();
        CardDelivers(a);
        Settle();
        check(view.errors == std::vector{EngineError::TakeWriteFailed}, "told once");
        check(logged.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), "the log says why");
        check(!engine->IsRecording(), "recording stopped");
        check(FileData() == kept, "whole frames of the data that was written");
        check(HeaderMatchesFile(), "header sizes match the file");
        check(engine->Position() == uint32_t(kept.size() / 4), "position at the end");
        check(engine->State() == EngineState::Stopped, "stopped with data");
        engine->Play();
        check(Speaker() && Speaker()->WrittenBytes() == kept, "playable");
        return failures;
    });
    EXPECT_EQ(status, 0) << "128 + " << SIGXFSZ << " would mean the file-size signal killed the process";
}

TEST_F(EngineTest, TheRecordingStopsAtTheSizeLimitWithOneMessageAndResumeCannotPassIt)
{
    WaveHeader largest;
    largest.SetSizesFromFileLength(WaveHeader::kSize + RecordingFile::kMaxDataBytes);
    EXPECT_EQ(RecordingFile::kMaxDataBytes % 4, 0u);
    EXPECT_EQ(largest.dataSize, uint32_t(RecordingFile::kMaxDataBytes)) << "fits in 32 bits";
    EXPECT_GT(largest.riffSize, largest.dataSize) << "the RIFF size does not wrap either";

    // Reached inside a block, reached while stopping, reached exactly.
    for (auto [row, limitBlocks, deliveredBlocks, stopFirst] : {std::tuple{kRow16000Mono16, 2.3, 3.5, false},
                                                                {kRow8000Mono8, 8.3, 8.6, true},
                                                                {kRow16000Mono16, 3.0, 3.0, false}}) {
        SCOPED_TRACE(limitBlocks);
        Restart();
        view.formatRow = row;
        // Whole frames, as the WAVE format's own limit.
        const int limit = int(Block() * limitBlocks) / 4 * 4, delivered = int(Block() * deliveredBlocks);
        engine->SetMaxDataBytes(uint64_t(limit));
        StartRecording();
        const QByteArray a = Pattern(delivered, limit);
        Deliver(a);
        if (stopFirst) {
            EXPECT_TRUE(engine->IsRecording());
            StopAndSettle();
        }
        EXPECT_EQ(view.errors, std::vector{EngineError::TakeSizeLimit});
        EXPECT_FALSE(engine->IsRecording());
        EXPECT_FALSE(Card()->IsStarted());
        EXPECT_EQ(FileData(), a.left(limit));
        EXPECT_TRUE(HeaderMatchesFile());
        EXPECT_EQ(engine->State(), EngineState::Stopped);
    }

    // Resuming in the middle may overwrite up to the limit, no further.
    const int block = Block();
    engine->MoveTo(block / 2);  // one block in
    StartRecording();
    const QByteArray b = Pattern(block * 3, 23);
    Deliver(b);
    EXPECT_EQ(view.errors.size(), 2u);
    EXPECT_EQ(FileData().size(), block * 3);
    EXPECT_EQ(FileData().mid(block), b.left(block * 2));
    EXPECT_TRUE(HeaderMatchesFile());
}

TEST_F(EngineTest, ALostDeviceStopsTheRecordingKeepsItsDataAndRecordOpensItAgain)
{
    view.device = 1;
    view.formatRow = kRow16000Mono16;
    StartRecording();
    const QByteArray a = Pattern(kBlock + 500, 25);
    Deliver(a);
    OnCard([](FakeCaptureStream& card) { card.BreakStream(); });
    Settle();
    EXPECT_EQ(view.errors, std::vector{EngineError::CaptureLost});
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_EQ(FileData(), a) << "the partly filled block came back before the failure";
    EXPECT_TRUE(HeaderMatchesFile());
    EXPECT_EQ(engine->State(), EngineState::Stopped) << "the lists stay locked to the file's format";

    // Record opens the same device and format again and continues the file.
    view.device = 0;
    view.formatRow = kRow8000Mono8;
    StartRecording();
    ASSERT_EQ(fake.CaptureOpenCount(), 2);
    EXPECT_EQ(Card()->Device(), 1);
    EXPECT_EQ(Card()->Format(), (PcmFormat{16000, 16, 1}));
    const QByteArray b = Pattern(kBlock + 100, 26);
    Deliver(b);
    StopAndSettle();
    EXPECT_EQ(FileData(), a + b);
    EXPECT_TRUE(HeaderMatchesFile());

    // Lost while stopped: nothing to say until Record cannot open it again.
    OnCard([](FakeCaptureStream& card) { card.BreakStream(); });
    Settle();
    EXPECT_EQ(view.errors.size(), 1u);
    fake.SetCaptureOpenError("server gone");
    StartRecording();
    EXPECT_EQ(view.errors.back(), EngineError::CaptureNotOpened);
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_EQ(FileData(), a + b);
    fake.SetCaptureOpenError({});
    StartRecording();
    EXPECT_TRUE(engine->IsRecording());
    EXPECT_EQ(Card()->QueuedBufferCount(), TakeWriter::kBlockCount);
}

TEST_F(EngineTest, AKilledProcessLeavesEveryBlockItWasHandedInTheFile)
{
    view.formatRow = kRow48000Stereo16;
    const QByteArray a = Pattern(Block() * 3, 28);
    const int status = RunInChild([&] {
        StartRecording();
        CardDelivers(a.left(Block() * 2 + 2000));  // two blocks handed over, one partly filled
        Settle();
        std::raise(SIGKILL);
        return 0;
    });
    ASSERT_EQ(status, 128 + SIGKILL);

    const QStringList left = QDir(TakesDir()).entryList({"quillon_temp_*.wav"}, QDir::Files);
    ASSERT_EQ(left.size(), 1);
    const QString path = TakesDir() + "/" + left.first();
    EXPECT_FALSE(platform::IsLockedElsewhere(path)) << "the next start may salvage it";
    const QByteArray bytes = testsupport::ReadFile(path);
    EXPECT_EQ(HeaderOf(bytes).format, (PcmFormat{48000, 16, 2})) << "the format needed to repair the sizes";
    EXPECT_EQ(bytes.mid(44), a.left(Block() * 2));

    // The next start salvages it from there, playable with its sizes repaired.
    TempFileCleaner cleaner(TakesDir(), QString(), tmp.path() + "/recovered");
    cleaner.CleanTempFiles();
    ASSERT_EQ(cleaner.SalvagedFiles().size(), 1);
    const QByteArray salvaged = testsupport::ReadFile(cleaner.SalvagedFiles().first());
    EXPECT_EQ(salvaged.mid(44), a.left(Block() * 2));
    EXPECT_EQ(HeaderOf(salvaged).dataSize, uint32_t(Block() * 2));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(EngineTest, TheTakeIsMadeDurableOnTheWriterEveryTwoSecondsAndOnceMoreAtStop)
{
    struct Seen {
        TakeSync sync;
        WaveHeader header;  // on disk at that moment
    };
    std::vector<Seen> seen;
    const QString path = WavPath();  // named after this thread
    engine->GetTakeWriter().SetSyncObserver([&](const TakeSync& s) {
        seen.push_back({s, HeaderOf(testsupport::ReadFile(path))});
    });
    uint32_t now = 0;
    engine->SetTickClock([&] { return now; });
    view.formatRow = kRow16000Mono16;
    const int block = Block();
    StartRecording();
    for (uint32_t i = 1; i <= 45; ++i) {  // a block every tenth of a second
        now = i * 100;
        Deliver(Pattern(block, int(i)));
    }
    ASSERT_EQ(seen.size(), 2u);
    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(seen[k].sync.tick, 2000u * (k + 1));
        EXPECT_NE(seen[k].sync.threadId, platform::CurrentThreadId()) << "never on the window's thread";
        EXPECT_FALSE(seen[k].sync.last);
        EXPECT_EQ(seen[k].sync.dataBytes, uint64_t(block) * 20 * (k + 1));
        EXPECT_EQ(seen[k].header.dataSize, seen[k].sync.dataBytes) << "the header's sizes as of the sync";
        EXPECT_EQ(seen[k].header.riffSize, seen[k].sync.dataBytes + 36);
    }
    StopAndSettle();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(seen[2].sync.last);
    EXPECT_EQ(seen[2].sync.dataBytes, uint64_t(block) * 45);
    EXPECT_TRUE(HeaderMatchesFile());
    EXPECT_TRUE(view.lost.empty()) << "blocks at the real pace lose nothing";
}
