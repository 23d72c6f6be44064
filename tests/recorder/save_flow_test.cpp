// Saving and partial clearing on the engine: WAVE and MP3 files judged by
// soxi and mpg123, names and the save dialog, the progress display, and the
// failures. The copy of the MP3 temporary file is tried on the real server
// (save_flow_pulse_test.cpp), Cancel in the window (saving_window_test.cpp).

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/replacing_file.h"
#include "saving_harness.h"
#include "resources/strings.h"

using namespace savingtest;

namespace {

const QString kTenSeconds = QStringLiteral("2008-03-05 14h07m10s.mp3");

TEST(SaveName, TheClockNameOrTheTypedOneAndWaveWhenChosenEightBitOrWithoutPluginWithoutAMessage)
{
    // typed: null saves under the clock name without the dialog.
    struct Case {
        const char* typed;
        int method, row;
        bool withPlugin;
        const char* saved;
    };
    for (const Case c :
         {Case{nullptr, 1, kStereo44k16Bit, true, ".wav"}, Case{nullptr, 0, kMono44k8Bit, true, ".wav"},
          Case{nullptr, 0, kStereo44k16Bit, false, ".wav"},
          Case{"interview", 0, kStereo44k16Bit, true, "interview.mp3"},
          Case{"take.txt", 1, kStereo44k16Bit, true, "take.txt.mp3"},
          Case{"take.wav", 0, kStereo44k16Bit, true, "take.wav"},
          Case{"Take.MP3", 1, kStereo44k16Bit, true, "Take.MP3"}, Case{"take.mp3", 0, kMono44k8Bit, true, "take.wav"},
          Case{"take", 0, kMono44k8Bit, true, "take.wav"}, Case{"take.mp3", 0, kStereo44k16Bit, false, "take.wav"}}) {
        SCOPED_TRACE(c.typed ? c.typed : c.saved);
        SavingSession s(c.withPlugin ? RealPluginFolder() : QString());
        s.saveView.rename = c.typed != nullptr;
        s.saveView.method = c.method;
        s.saveView.folder = s.SaveFolder() + "//";  // trailing separators do not matter
        if (c.typed)
            s.saveView.dialogAnswer = s.Saved(c.typed);
        s.Record(c.row, 1000, 30000);
        const bool mp3 = c.method == 0 && c.withPlugin && c.row != kMono44k8Bit, eightBit = c.row == kMono44k8Bit;
        EXPECT_EQ(s.Mp3TempFiles().isEmpty(), eightBit || !c.withPlugin);
        s.saver->OnSave();
        const QString name = c.typed ? QString(c.saved) : kClockName + c.saved, path = s.Saved(name);
        EXPECT_EQ(s.saveView.dialogCalls.join(""),
                  c.typed ? (mp3 ? "mp3|MP3 File (*.mp3)|" : "wav|WAVE File (*.wav)|") + s.Saved(kClockName) : "");
        EXPECT_EQ(s.SavedFiles(), QStringList{name});
        if (name.endsWith("mp3", Qt::CaseInsensitive))
            ExpectMp3Holds(path, 30000, 44100, 2, 128, 1000);
        else
            ExpectWaveHolds(path, 30000, 44100, eightBit ? 1 : 2, eightBit ? 8 : 16);
        EXPECT_TRUE(c.typed || testsupport::ReadFile(path) == testsupport::ReadFile(s.WavTempPath()));
        EXPECT_TRUE(s.saveView.errors.empty() && s.saveView.progress.created == 0 && s.saver->IsSaved());
        EXPECT_TRUE(s.saveView.ShownAndRestored(1));
        EXPECT_EQ(s.added, QStringList{path});
    }
    // A missing folder offers the bare name; Cancel saves nothing and says nothing.
    SavingSession s(RealPluginFolder());
    s.saveView.folder = "/nonexistent/quillon";
    s.Record(kStereo44k16Bit, 1000, 5000);
    s.saver->OnSave();
    EXPECT_EQ(s.saveView.dialogCalls, QStringList{"mp3|MP3 File (*.mp3)|" + kClockName});
    EXPECT_TRUE(s.SavedFiles().isEmpty() && s.saveView.errors.empty() && s.saveView.labelShows == 0);
    EXPECT_FALSE(s.saver->IsSaved());
}

// Another instance saving in the same second takes the name while this save
// is under way: its file stays, and this save takes the next number, in the
// record folder as for a name typed into the dialog that nobody was asked to
// replace. A file the user agreed to replace is replaced.
TEST(SaveName, ANameTakenDuringTheSaveKeepsItsFileAndTheSaveTakesTheNextNumber)
{
    const QByteArray theirs = "the other instance's take";
    struct Case {
        int method, quality;
        const char* typed;
        const char* taken;
        const char* expected;
    };
    for (const Case c : {Case{1, 10, nullptr, "09s.wav", "09s 2.wav"}, Case{0, 6, nullptr, "09s.mp3", "09s 2.mp3"},
                         Case{1, 10, "take.wav", "take.wav", "take 2.wav"}}) {
        SCOPED_TRACE(c.expected);
        SavingSession s(RealPluginFolder());
        s.Record(kStereo44k16Bit, 1000, 2 * 44100);
        s.saveView.method = c.method;
        s.saveView.quality = c.quality;
        const QString taken = c.typed ? s.Saved(c.taken) : s.Saved("2008-03-05 14h07m" + QString(c.taken));
        if (c.typed) {
            s.saveView.rename = true;
            s.saveView.dialogAnswer = s.Saved(c.typed);
        }
        // Whichever the save waits in: the WAVE copy's pause or the encoder's progress.
        const auto takeName = [&] {
            if (!QFile::exists(taken))
                testsupport::WriteFile(taken, theirs);
        };
        s.saver->SetSleep([&](int) { takeName(); });
        s.saveView.progress.duringCheck = takeName;
        s.saver->OnSave();

        const QString ours = c.typed ? s.Saved(c.expected) : s.Saved("2008-03-05 14h07m" + QString(c.expected));
        EXPECT_EQ(testsupport::ReadFile(taken), theirs);
        EXPECT_EQ(s.added, QStringList{ours});
        EXPECT_EQ(s.saver->SavedFiles(), QStringList{ours});
        EXPECT_EQ(s.SavedFiles().size(), 2);
        if (c.method)
            ExpectWaveHolds(ours, 2 * 44100, 44100, 2, 16);
        else
            ExpectMp3Holds(ours, 2 * 44100, 44100, 2, 64, 1000);

        // Asked and agreed to: the file the user chose is replaced.
        if (c.typed) {
            s.saveView.dialogAnswer = taken;
            s.saver->OnSave();
            ExpectWaveHolds(taken, 2 * 44100, 44100, 2, 16);
            EXPECT_EQ(s.SavedFiles().size(), 2);
        }
    }
}

// Two processes saving under one name at once, again and again: every
// file ends up under a name of its own.
TEST(SaveName, TwoProcessesClaimingOneNameNeverReplaceEachOther)
{
    QTemporaryDir dir;
    constexpr int kSaves = 150;
    const QString stem = dir.filePath(kClockName);
    std::vector<pid_t> children;
    for (const char who : {'a', 'b'}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < kSaves; ++i) {
                platform::ReplacingFile out(stem, ".wav");
                ok = ok && out.Open() && out.File().write(QByteArray(1, who) + QByteArray::number(i)) > 0 &&
                    out.Commit();
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    QSet<QByteArray> contents;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        contents.insert(testsupport::ReadFile(dir.filePath(name)));
    EXPECT_EQ(contents.size(), 2 * kSaves) << "saves were lost";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2 * kSaves);
    EXPECT_TRUE(QFile::exists(stem + ".wav") && QFile::exists(stem + QString(" %1.wav").arg(2 * kSaves)));
}

TEST(SaveFailure, AnUnwritableFolderOrAFailingEncoderSaysTheSaveFailedAndLeavesNoFile)
{
    // /proc is a folder that not even root may create files in.
    for (const int method : {1, 0}) {
        SCOPED_TRACE(method);
        SavingSession s(RealPluginFolder());
        s.saveView.folder = "/proc";
        s.saveView.method = method;
        s.Record(kStereo44k16Bit, 1000, 5000);
        s.saver->OnSave();
        EXPECT_EQ(s.saveView.errors, std::vector<int>{resources::IDS_SAVE_FAILED});
        EXPECT_TRUE(!s.saver->IsSaved() && s.added.isEmpty());
        EXPECT_TRUE(s.saveView.ShownAndRestored(1));
        // The recording is untouched and can still be saved elsewhere.
        s.saveView.folder = s.SaveFolder();
        s.saver->OnSave();
        EXPECT_TRUE(s.saver->IsSaved());
    }
    SavingSession s(ShimFolder("counting"));
    ShimState* shim = LoadedShim("counting");
    ASSERT_NE(shim, nullptr);
    s.Record(kStereo44k16Bit, 1000, 3 * 44100);
    s.saveView.quality = 12;  // encode now
    const uint32_t closesBefore = shim->closeCalls;
    shim->failEncodeAtCall = shim->encodeCalls + 3;
    s.saver->OnSave();
    EXPECT_EQ(s.saveView.errors, std::vector<int>{resources::IDS_SAVE_FAILED});
    EXPECT_TRUE(s.SavedFiles().isEmpty() && !s.saver->IsSaved());
    EXPECT_EQ(shim->closeCalls - closesBefore, 1u) << "the stream was not closed";
}

QStringList EntriesWithModes(const QString& folder)
{
    QStringList entries;
    const auto filter = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
    for (const QFileInfo& f : QDir(folder).entryInfoList(filter, QDir::Name)) {
        struct stat st {};
        ::stat(QFile::encodeName(f.filePath()).constData(), &st);
        entries << f.fileName() + QString::asprintf(" %o", unsigned(st.st_mode & 07777));
    }
    return entries;
}

TEST(SaveFailure, AWriteCutShortByTheFileSizeLimitKeepsTheFileThereAndLeavesNothingElse)
{
    const mode_t umaskNow = ::umask(0);
    ::umask(umaskNow);
    // The WAVE copy; the copy of the MP3 temporary file, which falls back to
    // encoding; encoding at another quality.
    struct Case {
        int method, saveQuality;
        bool existing;
    };
    for (const Case c : {Case{1, 10, true}, Case{1, 10, false}, Case{0, 10, true}, Case{0, 6, false}}) {
        SCOPED_TRACE(c.method * 100 + c.saveQuality * 10 + c.existing);
        SavingSession s(RealPluginFolder());
        s.Record(kStereo44k16Bit, 1000, 3 * 44100);
        const QString name = c.method ? "take.wav" : "take.mp3", target = s.Saved(name);
        const QByteArray before = "the user's file";
        if (c.existing) {
            ASSERT_TRUE(testsupport::WriteFile(target, before));
            ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
        }
        s.saveView.rename = true;
        s.saveView.dialogAnswer = target;
        s.saveView.method = c.method;
        s.saveView.quality = c.saveQuality;

        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit limit{16384, 16384};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            s.saver->OnSave();
            ::_exit(s.saveView.errors == std::vector<int>{resources::IDS_SAVE_FAILED} && !s.saver->IsSaved() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the cut-short save was not reported as failed";
        const QString mode = QString::asprintf(" %o", c.existing ? 0640u : unsigned(0666 & ~umaskNow));
        EXPECT_EQ(EntriesWithModes(s.SaveFolder()), c.existing ? QStringList{name + mode} : QStringList());
        EXPECT_EQ(testsupport::ReadFile(target), c.existing ? before : QByteArray());

        // Without the limit the same save replaces it whole, in the file's own mode.
        s.saver->OnSave();
        EXPECT_EQ(EntriesWithModes(s.SaveFolder()), QStringList{name + mode});
        if (c.method)
            ExpectWaveHolds(target, 3 * 44100, 44100, 2, 16);
        else
            ExpectMp3Holds(target, 3 * 44100, 44100, 2, c.saveQuality == 10 ? 128 : 64, 1000);
    }
}

TEST(SaveRunning, NoOtherCommandStartsWhileTheProgressDisplayLetsEventsThrough)
{
    SavingSession s(RealPluginFolder());
    s.Record(kStereo44k16Bit, 1000, 3 * 44100);
    s.engine->MoveTo(44100);
    s.saveView.quality = 6;  // encoded under the progress display
    s.saveView.answers = {Answer::Yes};
    s.saveView.progress.duringCheck = [&s] {
        s.NewRecording();  // the window's close
        s.engine->Record(s.engineView.device, RecordFormats::Format(s.engineView.formatRow));
        s.engine->Play();
        s.engine->MoveTo(s.engine->LengthFrames());
        s.saver->OnSave();
        s.engine->ClearAfterPosition();
    };
    s.SaveAt(9);
    EXPECT_TRUE(s.saveView.questions.empty());
    EXPECT_FALSE(s.engine->IsRecording() || s.engine->IsPlaying());
    EXPECT_EQ(s.backend.LastPlaybackStream(), nullptr);
    EXPECT_EQ(s.engine->Position(), 44100u);
    EXPECT_EQ(s.Frames(), 3u * 44100);
    EXPECT_EQ(s.saveView.progress.created, 1);
    EXPECT_EQ(s.SavedFiles(), QStringList{kClockName + ".mp3"});
    ExpectMp3Holds(s.Saved(kClockName + ".mp3"), 3 * 44100, 44100, 2, 64, 1000);
}

TEST(SaveSource, ARecordingWhoseTemporaryFilesWereDeletedMeanwhileIsStillSavedWhole)
{
    // The temporary folder cleaned or removed while the recording was open.
    SavingSession s(RealPluginFolder());
    s.Record(kStereo44k16Bit, 1000, 2 * 44100);
    ASSERT_TRUE(QFile::remove(s.Mp3TempPath()));
    ASSERT_TRUE(QFile::remove(s.WavTempPath()));

    s.saveView.method = 1;
    s.SaveAt(9);
    ExpectWaveHolds(s.Saved(kClockName + ".wav"), 2 * 44100, 44100, 2, 16);
    s.saveView.method = 0;
    s.SaveAt(10);
    ExpectMp3Holds(s.Saved(kTenSeconds), 2 * 44100, 44100, 2, 128, 1000);
    EXPECT_TRUE(s.saveView.errors.empty());
}

TEST(ClearAfterPosition, CutsTheRecordingDropsTheMp3TempAndTheSavedFilesHoldOnlyTheKeptPart)
{
    SavingSession s(RealPluginFolder());
    s.Record(kStereo44k16Bit, 1000, 4 * 44100);
    const QString mp3Temp = s.Mp3TempPath();
    ASSERT_TRUE(QFile::exists(mp3Temp));
    s.SaveAt(8);
    ASSERT_TRUE(s.saver->IsSaved());
    s.engine->MoveTo(3 * 44100);
    s.engine->ClearAfterPosition();
    EXPECT_EQ(s.Frames(), 3u * 44100);
    EXPECT_TRUE(s.Mp3TempPath().isEmpty() && !QFile::exists(mp3Temp));
    EXPECT_TRUE(s.saver->IsSaved()) << "a partial clear does not touch the saved flag";
    EXPECT_EQ(s.engineView.length, 3u * 44100);
    ExpectWaveHolds(s.WavTempPath(), 3 * 44100, 44100, 2, 16);

    s.saveView.method = 1;
    s.SaveAt(9);
    ExpectWaveHolds(s.Saved(kClockName + ".wav"), 3 * 44100, 44100, 2, 16);
    s.saveView.method = 0;
    s.sleeps.clear();
    s.SaveAt(10);
    ExpectMp3Holds(s.Saved(kTenSeconds), 3 * 44100, 44100, 2, 128, 1000);
    EXPECT_EQ(s.saveView.progress.created, 1) << "the shortened recording is encoded anew";
    // One step per block read: 3 s of 44.1 kHz stereo is 529200 bytes, three blocks;
    // about 60 ms per ten per cent: eleven steps, also for a short job.
    EXPECT_EQ(s.saveView.progress.positions, (std::vector<int>{38, 77, 100}));
    EXPECT_EQ(s.sleeps, std::vector<int>(11, 60));

    // At the start: empty, the device kept, recording resumes into the same file.
    s.engine->MoveTo(0);
    s.engine->ClearAfterPosition();
    EXPECT_EQ(QFileInfo(s.WavTempPath()).size(), 44);
    EXPECT_TRUE(s.engine->IsCaptureDeviceOpen());
    s.Record(kStereo44k16Bit, 1000, 3000);
    EXPECT_EQ(s.Frames(), 3000u);
}

TEST(NewRecordingQuestion, YesSavesTheRecordingBeforeItIsThrownAwayUnlessTheDialogIsCancelled)
{
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel);
        SavingSession s(RealPluginFolder());
        s.saveView.rename = cancel;  // the dialog answers nothing
        s.Record(kStereo44k16Bit, 1000, 20000);
        const QByteArray mp3 = testsupport::ReadFile(s.Mp3TempPath());
        s.saveView.answers = {Answer::Yes};
        s.NewRecording();
        EXPECT_EQ(s.saveView.questions, std::vector<int>{resources::IDS_ASK_SAVE_CHANGES});
        EXPECT_EQ(s.SavedFiles(), cancel ? QStringList() : QStringList{kClockName + ".mp3"});
        EXPECT_TRUE(cancel || testsupport::ReadFile(s.Saved(kClockName + ".mp3")) == mp3);
        EXPECT_EQ(s.Frames(), cancel ? 20000u : 0u);
        EXPECT_EQ(s.engine->IsCaptureDeviceOpen(), cancel);
    }
}

}  // namespace
