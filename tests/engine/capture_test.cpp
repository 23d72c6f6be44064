// Capture into the temporary WAVE file, buffer by buffer, on the fake back end.
#include "engine_fixture.h"

#include <QFileInfo>

using namespace enginetest;

TEST_F(EngineTest, RecordCreatesAPrivateFileWithAnEmptyHeaderAndOpensTheChosenInput)
{
    // No row chosen: the first. A state folder given with a trailing slash.
    for (auto [device, row, format, stateSuffix] : {std::tuple{1, kRow48000Stereo16, PcmFormat{48000, 16, 2}, ""},
                                                    std::tuple{0, -1, PcmFormat{8000, 8, 1}, "/"}}) {
        SCOPED_TRACE(row);
        qputenv("XDG_STATE_HOME", (tmp.path() + "/state" + stateSuffix).toLocal8Bit());
        Restart();
        view.device = device;
        view.formatRow = row;
        StartRecording();

        ASSERT_TRUE(engine->IsRecording());
        EXPECT_EQ(QDir(TakesDir()).entryList(QDir::Files), QStringList{QFileInfo(WavPath()).fileName()});
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(WavPath()).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        ASSERT_EQ(::lstat(QFile::encodeName(TakesDir()).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(FileBytes().size(), 44);
        EXPECT_TRUE(HeaderMatchesFile());
        EXPECT_EQ(FileHeader().format, format);
        ASSERT_TRUE(Card());
        EXPECT_EQ(std::tuple(Card()->Device(), Card()->Format(), Card()->IsStarted(), Card()->QueuedBufferCount()),
                  std::tuple(device, format, true, TakeWriter::kBlockCount));
        EXPECT_EQ(engine->GetHeaderSize(), 44u);
        EXPECT_EQ(engine->State(), EngineState::Recording);
    }
}

TEST_F(EngineTest, TakesInProgressLiveInThePersistentStateFolderElseInTheTemporaryOne)
{
    const QString home = tmp.path() + "/home", stateInHome = home + "/.local/state/tessaly/Quillon";
    const QString readOnly = tmp.path() + "/read-only";
    ASSERT_TRUE(QDir().mkpath(readOnly));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const bool root = ::geteuid() == 0;                             // root writes anyway
    ASSERT_TRUE(testsupport::WriteFile(tmp.path() + "/file", {}));  // a file where a state folder would be
    testsupport::ScopedEnv homeEnv("HOME", home);
    // What XDG_STATE_HOME and TMPDIR say, and where the take goes.
    for (auto [what, state, temp, folder] :
         {std::tuple<const char*, QString, QString, QString>{"unset: under the home", {}, tmp.path(), stateInHome},
          {"relative: ignored", "state", tmp.path(), stateInHome},
          {"not writable: the temporary folder", readOnly, tmp.path(),
           root ? readOnly + "/tessaly/Quillon" : tmp.path()},
          {"a stale TMPDIR as well: /tmp", tmp.path() + "/file", tmp.filePath("gone"), "/tmp"}}) {
        SCOPED_TRACE(what);
        testsupport::ScopedEnv stateEnv("XDG_STATE_HOME", state), tempEnv("TMPDIR", temp);
        Restart();
        StartRecording();
        ASSERT_TRUE(engine->IsRecording());
        const QString path = engine->GetRecordingFile().Path();
        EXPECT_EQ(QFileInfo(path).path(), folder);
        EXPECT_TRUE(view.errors.empty());
        Restart();
        EXPECT_FALSE(QFile::exists(path));
    }
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(EngineTest, BlocksReachTheDiskOnTheWriterStopKeepsEverythingAndRecordGoesOnInTheSameFile)
{
    uint32_t now = 0;
    engine->SetTickClock([&] { return now += 101; });  // every block is reported
    view.formatRow = kRow16000Mono16;
    const int block = Block();
    StartRecording();
    const QByteArray a = Pattern(block * (TakeWriter::kBlockCount + 3) + 1000, 1);
    Deliver(a.left(block * 2 + 1000));

    // Two full blocks are in the file for any reader; the partial one is still at the device.
    EXPECT_EQ(FileData(), a.left(block * 2));
    EXPECT_EQ(engine->GetDataLength(), uint32_t(block * 2));
    // The position and both readouts, in frames of 2 bytes.
    EXPECT_EQ(std::tuple(engine->Position(), view.length, view.position), std::tuple(block, block, block));
    EXPECT_EQ(Card()->QueuedBufferCount(), TakeWriter::kBlockCount) << "handed back to the device at once";

    // More than the queued blocks arrive before Stop: the rest waits in the server.
    uint32_t waiting = 0;
    OnCard([&](FakeCaptureStream& card) { card.Deliver(a.mid(block * 2 + 1000)), waiting = card.WaitingBytes(); });
    EXPECT_GT(waiting, 0u);
    engine->Stop();
    EXPECT_TRUE(engine->IsRecording()) << "the device still hands over what it captured";
    EXPECT_EQ(engine->State(), EngineState::Recording);
    Settle();

    EXPECT_FALSE(engine->IsRecording());
    EXPECT_EQ(FileData(), a);
    EXPECT_TRUE(HeaderMatchesFile());
    EXPECT_EQ(engine->Position(), uint32_t(a.size() / 2));
    EXPECT_EQ(engine->State(), EngineState::Stopped);
    EXPECT_TRUE(engine->IsCaptureDeviceOpen());
    EXPECT_FALSE(CardDelivers(Pattern(10, 3))) << "a stopped device captures nothing, as a real one";

    // Record again: the same file on the same device, whatever the lists now say.
    view.formatRow = kRow8000Mono8;
    view.device = 1;
    StartRecording();
    EXPECT_EQ(fake.CaptureOpenCount(), 1);
    EXPECT_EQ(Card()->StartCount(), 2);
    EXPECT_EQ(Card()->QueuedBufferCount(), TakeWriter::kBlockCount);
    const QByteArray b = Pattern(block + 1200, 5);
    Deliver(b);
    StopAndSettle();
    EXPECT_EQ(FileData(), a + b) << "one continuous recording, nothing lost at the stop";
    EXPECT_TRUE(HeaderMatchesFile());
    EXPECT_EQ(FileHeader().format, (PcmFormat{16000, 16, 1}));
    EXPECT_EQ(engine->Position(), uint32_t((a.size() + b.size()) / 2));
}

TEST_F(EngineTest, ResumeAtTheThumbOverwritesFromThereAndGrowsTheFileOnlyPastItsEnd)
{
    // Inside the data (the length stays), and running past its end.
    for (auto [first, thumbFrame, second] : {std::tuple{kBlock * 3, 1000, kBlock + 600}, {kBlock, 2000, kBlock * 2}}) {
        SCOPED_TRACE(first);
        Restart();
        uint32_t now = 0;
        engine->SetTickClock([&] { return now += 101; });  // every block is reported
        view.formatRow = kRow16000Mono16;
        const QByteArray a = Pattern(first, 6), b = Pattern(second, 7);
        RecordAndStop(a);
        engine->MoveTo(thumbFrame);
        EXPECT_EQ(engine->Position(), uint32_t(thumbFrame));
        StartRecording();
        Deliver(b.left(Block()));
        // The position shows the end of the file from the first returned block on.
        EXPECT_EQ(engine->Position(), uint32_t(std::max(first, thumbFrame * 2 + Block()) / 2));
        Deliver(b.mid(Block()));
        StopAndSettle();

        QByteArray expected = a;
        expected.replace(thumbFrame * 2, b.size(), b);
        EXPECT_EQ(FileData(), expected);
        EXPECT_TRUE(HeaderMatchesFile());
        EXPECT_EQ(engine->Position(), uint32_t(expected.size() / 2));
    }
}

// What is already at the temporary name, a link another program planted or
// a crashed run's leftover that the start-up could not salvage, is never
// followed or deleted: the recording takes the next free name.
TEST_F(EngineTest, DiscardDeletesOnlyTheTakeClosesTheDeviceAndTheNextRecordChoosesAnew)
{
    const QByteArray leftover = Pattern(5000, 1);
    ASSERT_TRUE(QDir().mkpath(TakesDir()));
    ASSERT_TRUE(QFile::link(tmp.path() + "/elsewhere", WavPath()));
    const QString second = TakesDir() + "/quillon_temp_" + QString::number(platform::CurrentThreadId()) + "-2.wav";
    ASSERT_TRUE(testsupport::WriteFile(second, leftover));

    const QByteArray a = Pattern(kBlock, 12);
    StartRecording();
    Deliver(a);
    engine->DiscardTake();
    EXPECT_TRUE(engine->IsRecording()) << "not while recording";
    StopAndSettle();
    const QString taken = engine->GetRecordingFile().Path();
    EXPECT_EQ(QFileInfo(taken).fileName().toStdString(),
              "quillon_temp_" + std::to_string(platform::CurrentThreadId()) + "-3.wav");
    EXPECT_EQ(testsupport::ReadFile(taken).mid(44), a);

    engine->DiscardTake();
    Settle();  // buffers that come back now are dropped
    EXPECT_FALSE(QFile::exists(taken));
    EXPECT_TRUE(QFileInfo(WavPath()).isSymLink());
    EXPECT_FALSE(QFile::exists(tmp.path() + "/elsewhere"));
    EXPECT_EQ(testsupport::ReadFile(second), leftover);
    EXPECT_FALSE(engine->IsCaptureDeviceOpen());
    EXPECT_EQ(fake.CaptureCloseCount(), 1);
    // Lengths, position and the readouts at zero, and nothing to save.
    EXPECT_EQ(
        std::tuple(engine->GetDataLength(), engine->GetHeaderSize(), engine->Position(), view.length, view.position),
        std::tuple(0u, 0u, 0u, 0u, 0u));
    EXPECT_EQ(engine->State(), EngineState::Empty);

    // The next recording opens the device anew with the format chosen now.
    view.formatRow = kRow8000Mono8;
    RecordAndStop(Pattern(kBlock, 13));
    EXPECT_EQ(fake.CaptureOpenCount(), 2);
    EXPECT_EQ(HeaderOf(testsupport::ReadFile(engine->GetRecordingFile().Path())).format, (PcmFormat{8000, 8, 1}));
}

TEST_F(EngineTest, AFailedStartLeavesTheEngineEmptyAndAReleaseWhileRecordingLeavesNothing)
{
    // Neither the state folder nor the temporary folder is a folder: nowhere
    // to create the recording.
    {
        const QString notAFolder = tmp.path() + "/file";
        ASSERT_TRUE(testsupport::WriteFile(notAFolder, {}));
        testsupport::ScopedEnv state("XDG_STATE_HOME", notAFolder), temp("TMPDIR", notAFolder);
        StartRecording();
        EXPECT_EQ(view.errors, std::vector{EngineError::TakeFileNotCreated});
        EXPECT_EQ(fake.CaptureOpenCount(), 0);
    }

    // The device cannot be opened, or breaks before the first block: no file
    // is left, both lists can be changed and the next Record starts afresh.
    view.errors.clear();
    fake.SetCaptureOpenError("no such source");
    StartRecording();
    fake.SetCaptureOpenError({});
    StartRecording();
    OnCard([](FakeCaptureStream& card) { card.BreakStream(); });
    Settle();
    EXPECT_EQ(view.errors, (std::vector{EngineError::CaptureNotOpened, EngineError::CaptureNotOpened}));
    EXPECT_FALSE(engine->IsRecording());
    EXPECT_FALSE(engine->IsCaptureDeviceOpen());
    EXPECT_EQ(Card(), nullptr) << "the broken stream is closed";
    EXPECT_FALSE(QFile::exists(WavPath()));
    EXPECT_EQ(engine->State(), EngineState::Empty);

    view.formatRow = kRow48000Stereo16;
    StartRecording();
    EXPECT_EQ(Card()->Format(), (PcmFormat{48000, 16, 2}));
    EXPECT_EQ(engine->State(), EngineState::Recording);
    Deliver(Pattern(kBlock, 17));
    ASSERT_TRUE(QFile::exists(WavPath()));
    engine.reset();
    EXPECT_FALSE(QFile::exists(WavPath()));
    EXPECT_EQ(fake.GetCaptureStream(), nullptr) << "the device is closed";
}

TEST_F(EngineTest, TheWindowHearsOfTheTakeAtMostOnceInAHundredMilliseconds)
{
    uint32_t now = 0;
    engine->SetTickClock([&] { return now; });
    StartRecording();
    const int block = Block();  // a tenth of a second
    const QByteArray samples = Pattern(block, 9);
    // Waveform and readouts move together; Stop shows the final figures.
    for (auto [at, refreshes, shown] :
         {std::tuple{100u, 0, 0u}, {201u, 1, 3200u}, {290u, 1, 3200u}, {381u, 2, 6400u}}) {
        now = at;
        Deliver(samples.left(block / 2)), Deliver(samples.mid(block / 2));
        EXPECT_EQ(view.wave.refreshes, refreshes) << at;
        EXPECT_EQ(std::pair(view.length, view.position), std::pair(shown, shown)) << at;
    }
    for (int i : {0, 1, 50, 99})  // every other sample of the mono block
        EXPECT_EQ(view.wave.data[size_t(i)], int16_t(uint8_t(samples[4 * i]) | uint8_t(samples[4 * i + 1]) << 8)) << i;
    Deliver(samples);
    StopAndSettle();
    EXPECT_EQ(std::pair(view.length, view.position), std::pair(uint32_t(block * 5 / 2), uint32_t(block * 5 / 2)));
}
