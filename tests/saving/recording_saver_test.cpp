// Saving and partial clearing: names, folders and the save dialog, WAVE and
// MP3 files judged by soxi and mpg123, the copy of the MP3 temporary file,
// the progress display with its pacing and Cancel, and every failure.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/wave_header.h"
#include "saving_harness.h"
#include "support/test_support.h"

using namespace savingtest;

namespace {

constexpr int kSaveFailed = 382;
constexpr int kCompressing = 432;
const QString kClockName = QStringLiteral("2008-03-05 14h07m09s");

uint32_t framesOfRecording(SavingSession& s)
{
    return s.engine->GetDataLength() / s.engine->format().blockAlign();
}

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot); }

// The header of a saved WAVE file agrees with the file and the recording.
void expectWaveMatches(const QString& path, uint32_t frames, int rate, int channels, int bits)
{
    const QByteArray bytes = fileBytes(path);
    ASSERT_GE(bytes.size(), WaveHeader::kSize);
    WaveHeader header;
    ASSERT_TRUE(WaveHeader::parse(reinterpret_cast<const uint8_t*>(bytes.constData()), WaveHeader::kSize, header));
    EXPECT_EQ(header.riffSize, uint32_t(bytes.size() - 8));
    EXPECT_EQ(header.dataSize, uint32_t(bytes.size() - WaveHeader::kSize));
    const WaveInfo w = probeWave(path);
    ASSERT_TRUE(w.ok) << "soxi cannot read " << path.toStdString();
    EXPECT_EQ(w.frames, frames);
    EXPECT_EQ(w.rate, rate);
    EXPECT_EQ(w.channels, channels);
    EXPECT_EQ(w.bits, bits);
}

void expectMp3Matches(const QString& path, uint32_t frames, int rate, int channels, int kbps, double tone)
{
    const DecodedMp3 d = decodeMp3(path);
    ASSERT_TRUE(d.ok) << d.problem.toStdString();
    EXPECT_EQ(d.frames, frames);
    EXPECT_EQ(d.rate, rate);
    EXPECT_EQ(d.channels, channels);
    EXPECT_EQ(d.bitrateKbps, kbps);
    EXPECT_NEAR(toneFrequency(d.samples, d.channels, d.rate), tone, tone * 0.01);
}

// ------------------------------------------------------------------ names

TEST(SaveFileName, IsTheLocalTimeWithUnitLetters)
{
    EXPECT_EQ(RecordingSaver::SaveFileName(QDateTime(QDate(2008, 3, 5), QTime(14, 7, 9))), kClockName);
    EXPECT_EQ(RecordingSaver::SaveFileName(QDateTime(QDate(2031, 12, 31), QTime(23, 59, 58))),
              QStringLiteral("2031-12-31 23h59m58s"));
    EXPECT_EQ(RecordingSaver::SaveFileName(QDateTime(QDate(987, 1, 2), QTime(0, 0, 0))),
              QStringLiteral("0987-01-02 00h00m00s"));
}

// ---------------------------------------------------------- WAVE, folder

TEST(SaveIntoFolder, WaveIsAByteCopyUnderTheClockNameAndASecondSaveOverwrites)
{
    SavingSession s(realPluginFolder());
    s.saveView.method = 1;  // WAVE
    s.saveView.folder = s.saveFolder() + "//";  // trailing separators do not matter
    s.Record(kStereo44k16Bit, 1000, 30000);
    s.engine->SetSaved(false);
    s.engine->OnSave();

    const QString path = s.saveFolder() + "/" + kClockName + ".wav";
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(fileBytes(path), fileBytes(s.wavTempPath()));
    expectWaveMatches(path, 30000, 44100, 2, 16);
    EXPECT_EQ(s.saveView.controlValueReads, 1);
    EXPECT_TRUE(s.saveView.dialogCalls.empty());
    EXPECT_TRUE(s.saveView.errors.empty());
    EXPECT_EQ(s.saveView.events, QStringList({"label shown", "wait cursor", "label hidden", "normal cursor"}));
    EXPECT_EQ(s.sleeps, std::vector<int>{300});
    EXPECT_EQ(s.saveView.progress.created, 0);
    EXPECT_TRUE(s.engine->IsSaved());
    EXPECT_EQ(s.saveView.added, QStringList{path});
    EXPECT_EQ(s.saver->savedFiles(), QStringList{path});

    // Same second, longer recording: the file is replaced.
    s.Record(kStereo44k16Bit, 1000, 10000);
    s.engine->OnSave();
    EXPECT_EQ(filesIn(s.saveFolder()), QStringList{kClockName + ".wav"});
    expectWaveMatches(path, 40000, 44100, 2, 16);
    EXPECT_EQ(s.saveView.added, QStringList({path, path}));
}

TEST(SaveIntoFolder, EightBitRecordingsAreSavedAsWaveWithMp3Chosen)
{
    SavingSession s(realPluginFolder());
    s.saveView.method = 0;
    s.Record(kMono44k8Bit, 1000, 20000);
    s.engine->OnSave();
    const QString path = s.saveFolder() + "/" + kClockName + ".wav";
    EXPECT_EQ(filesIn(s.saveFolder()), QStringList{kClockName + ".wav"});
    expectWaveMatches(path, 20000, 44100, 1, 8);
    EXPECT_TRUE(s.saveView.errors.empty());
    EXPECT_EQ(s.saveView.progress.created, 0);
    EXPECT_TRUE(s.engine->IsSaved());
}

TEST(SaveIntoFolder, WithoutThePluginMp3ChosenGivesWaveSilently)
{
    SavingSession s{QString()};
    s.saveView.method = 0;
    s.Record(kStereo44k16Bit, 1000, 20000);
    s.engine->OnSave();
    expectWaveMatches(s.saveFolder() + "/" + kClockName + ".wav", 20000, 44100, 2, 16);
    EXPECT_EQ(filesIn(s.saveFolder()).size(), 1);
    EXPECT_TRUE(s.mp3TempPath().isEmpty());
    EXPECT_TRUE(QDir(s.tempFolder()).entryList({"*.mp3"}, QDir::Files).isEmpty()) << "an MP3 temporary file was made";
    EXPECT_TRUE(s.saveView.errors.empty());
    EXPECT_TRUE(s.engine->IsSaved());
}

// ------------------------------------------------------------ MP3, folder

TEST(SaveMp3, AtTheRecordingsQualityCopiesTheMp3TempFile)
{
    SavingSession s(realPluginFolder());
    s.saveView.quality = 10;
    s.Record(kStereo44k16Bit, 1000, 44100);
    ASSERT_FALSE(s.mp3TempPath().isEmpty());
    s.engine->OnSave();

    const QString path = s.saveFolder() + "/" + kClockName + ".mp3";
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(fileBytes(path), fileBytes(s.mp3TempPath()));
    EXPECT_EQ(s.saveView.progress.created, 0) << "a copy needs no progress display";
    EXPECT_EQ(s.totalSleepMs(), 0);
    EXPECT_TRUE(s.saveView.errors.empty());
    EXPECT_TRUE(s.engine->IsSaved());
    EXPECT_EQ(s.saveView.added, QStringList{path});
    EXPECT_EQ(s.saveView.events, QStringList({"label shown", "wait cursor", "label hidden", "normal cursor"}));
    expectMp3Matches(path, 44100, 44100, 2, 128, 1000);
}

TEST(SaveMp3, AfterTheQualityChangedEncodesFromTheWaveDataUnderTheProgressDisplay)
{
    SavingSession s(realPluginFolder());
    s.saveView.quality = 10;
    s.Record(kStereo44k16Bit, 1000, 3 * 44100);
    s.saveView.quality = 15;
    s.engine->OnSave();

    const QString path = s.saveFolder() + "/" + kClockName + ".mp3";
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_NE(fileBytes(path), fileBytes(s.mp3TempPath()));
    expectMp3Matches(path, 3 * 44100, 44100, 2, 320, 1000);

    const ProgressLog& p = s.saveView.progress;
    EXPECT_EQ(s.saveView.progressTitles, std::vector<int>{kCompressing});
    EXPECT_EQ(p.created, 1);
    EXPECT_EQ(p.destroyed, 1);
    EXPECT_EQ(p.ranges, (std::vector<std::pair<int, int>>{{0, 100}}));
    // One step per block read: 3 s of 44.1 kHz stereo is 529200 bytes, three blocks.
    ASSERT_EQ(p.positions.size(), 3u);
    EXPECT_EQ(p.positions, (std::vector<int>{38, 77, 100}));
    EXPECT_EQ(p.checks, 3);
    // About 60 ms per ten per cent: eleven steps, also for a short job.
    EXPECT_EQ(s.sleeps, std::vector<int>(11, 60));
    EXPECT_TRUE(s.saveView.errors.empty());
    EXPECT_TRUE(s.engine->IsSaved());
}

struct RoundTrip {
    int row;
    int recordQuality;
    int saveQuality;
    int rate;
    int channels;
    int recordKbps;
    int saveKbps;
    double tone;
};

class SaveMp3RoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(SaveMp3RoundTrip, BothTheCopyAndTheEncodedFileHoldTheRecording)
{
    const RoundTrip t = GetParam();
    SavingSession s(realPluginFolder());
    s.saveView.quality = t.recordQuality;
    const uint32_t frames = uint32_t(t.rate) * 3 / 2 + 321;
    s.Record(t.row, t.tone, frames);
    ASSERT_EQ(framesOfRecording(s), frames);

    s.engine->OnSave();  // same quality: the copy
    const QString copied = s.saveFolder() + "/" + kClockName + ".mp3";
    expectMp3Matches(copied, frames, t.rate, t.channels, t.recordKbps, t.tone);
    EXPECT_EQ(s.saveView.progress.created, 0);

    s.saveView.quality = t.saveQuality;
    s.saver->SetClock([] { return QDateTime(QDate(2008, 3, 5), QTime(14, 7, 10)); });
    s.engine->OnSave();  // another quality: encoded now
    const QString encoded = s.saveFolder() + "/2008-03-05 14h07m10s.mp3";
    expectMp3Matches(encoded, frames, t.rate, t.channels, t.saveKbps, t.tone);
    EXPECT_EQ(s.saveView.progress.created, 1);
    EXPECT_TRUE(s.saveView.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveMp3RoundTrip,
                         ::testing::Values(RoundTrip{kStereo44k16Bit, 10, 7, 44100, 2, 128, 80, 1000},
                                           RoundTrip{kMono48k16Bit, 15, 9, 48000, 1, 320, 112, 1500},
                                           RoundTrip{kStereo22k16Bit, 6, 2, 22050, 2, 64, 32, 700},
                                           RoundTrip{kMono8k16Bit, 0, 1, 8000, 1, 8, 16, 440}));

TEST(SaveMp3, WithoutAProgressDisplayEncodesWithoutPacing)
{
    SavingSession s(realPluginFolder());
    s.saveView.progressAvailable = false;
    s.saveView.quality = 10;
    s.Record(kMono48k16Bit, 1000, 48000);
    s.saveView.quality = 11;
    s.engine->OnSave();
    expectMp3Matches(s.saveFolder() + "/" + kClockName + ".mp3", 48000, 48000, 1, 160, 1000);
    EXPECT_EQ(s.saveView.progressTitles.size(), 1u);
    EXPECT_EQ(s.totalSleepMs(), 0);
    EXPECT_TRUE(s.engine->IsSaved());
}

TEST(SaveMp3, AFailedCopyOfTheMp3TempFileFallsBackToEncoding)
{
    SavingSession s(realPluginFolder());
    s.Record(kStereo44k16Bit, 1000, 30000);
    // The file vanished behind the recorder's back: the copy fails.
    ASSERT_TRUE(QFile::remove(s.mp3TempPath()));
    s.engine->OnSave();
    expectMp3Matches(s.saveFolder() + "/" + kClockName + ".mp3", 30000, 44100, 2, 128, 1000);
    EXPECT_EQ(s.saveView.progress.created, 1);
    EXPECT_TRUE(s.saveView.errors.empty());
}

// ------------------------------------------------------------ save dialog

TEST(SaveDialog, OpensWithTheClockNameInTheFolderWhenRenamingIsAsked)
{
    SavingSession s(realPluginFolder());
    s.saveView.rename = true;
    s.saveView.dialogAnswer = s.saveFolder() + "/interview";  // typed without extension
    s.Record(kStereo44k16Bit, 1000, 20000);
    s.engine->OnSave();

    ASSERT_EQ(s.saveView.dialogCalls.size(), 1u);
    EXPECT_EQ(s.saveView.dialogCalls[0].defaultExtension, "mp3");
    EXPECT_EQ(s.saveView.dialogCalls[0].filter, "MP3 File (*.mp3)");
    EXPECT_EQ(s.saveView.dialogCalls[0].initialName, s.saveFolder() + "/" + kClockName);
    const QString path = s.saveFolder() + "/interview.mp3";
    EXPECT_EQ(filesIn(s.saveFolder()), QStringList{"interview.mp3"});
    expectMp3Matches(path, 20000, 44100, 2, 128, 1000);
    EXPECT_EQ(s.saveView.added, QStringList{path});
}

TEST(SaveDialog, OffersTheBareNameWhenTheFolderIsMissingOrNoFolder)
{
    for (const QString& folder : {QStringLiteral("/nonexistent/quillon"), QStringLiteral("plain.txt")}) {
        SavingSession s(realPluginFolder());
        const QString plainFile = s.saveFolder() + "/plain.txt";
        ASSERT_TRUE(testsupport::writeFile(plainFile, "not a folder"));
        s.saveView.folder = folder == "plain.txt" ? plainFile : folder;
        s.saveView.method = 1;
        s.saveView.dialogAnswer = std::nullopt;
        s.Record(kStereo44k16Bit, 1000, 5000);
        s.engine->OnSave();
        ASSERT_EQ(s.saveView.dialogCalls.size(), 1u);
        EXPECT_EQ(s.saveView.dialogCalls[0].defaultExtension, "wav");
        EXPECT_EQ(s.saveView.dialogCalls[0].filter, "WAVE File (*.wav)");
        EXPECT_EQ(s.saveView.dialogCalls[0].initialName, kClockName);
    }
}

TEST(SaveDialog, TheTypedExtensionDecidesAndOthersGetMp3Appended)
{
    struct Case {
        const char* typed;
        int method;
        int row;
        bool withPlugin;
        const char* saved;
        bool mp3;
    };
    const Case cases[] = {
        {"take.txt", 1, kStereo44k16Bit, true, "take.txt.mp3", true},  // another extension: MP3 added
        {"take.wav", 0, kStereo44k16Bit, true, "take.wav", false},     // MP3 chosen, WAVE typed
        {"Take.MP3", 1, kStereo44k16Bit, true, "Take.MP3", true},      // WAVE chosen, MP3 typed
        {"take.mp3", 0, kMono44k8Bit, true, "take.wav", false},        // 8-bit: always WAVE
        {"take", 0, kMono44k8Bit, true, "take.wav", false},
        {"take.mp3", 0, kStereo44k16Bit, false, "take.wav", false},  // no plug-in
        {"take.Wav", 0, kStereo44k16Bit, false, "take.wav", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        SavingSession s(c.withPlugin ? realPluginFolder() : QString());
        s.saveView.rename = true;
        s.saveView.method = c.method;
        s.saveView.dialogAnswer = s.saveFolder() + "/" + c.typed;
        s.Record(c.row, 1000, 6000);
        s.engine->OnSave();
        EXPECT_EQ(filesIn(s.saveFolder()), QStringList{c.saved});
        const QByteArray bytes = fileBytes(s.saveFolder() + "/" + c.saved);
        EXPECT_EQ(bytes.startsWith("RIFF"), !c.mp3);
        if (c.mp3) {
            EXPECT_EQ(decodeMp3(s.saveFolder() + "/" + c.saved).frames, 6000u);
        }
        EXPECT_TRUE(s.saveView.errors.empty());
        EXPECT_TRUE(s.engine->IsSaved());
    }
}

TEST(SaveDialog, CancelSavesNothingAndSaysNothing)
{
    SavingSession s(realPluginFolder());
    s.saveView.rename = true;
    s.saveView.dialogAnswer = std::nullopt;
    s.Record(kStereo44k16Bit, 1000, 5000);
    s.engine->OnSave();
    EXPECT_EQ(s.saveView.dialogCalls.size(), 1u);
    EXPECT_TRUE(filesIn(s.saveFolder()).isEmpty());
    EXPECT_TRUE(s.saveView.errors.empty());
    EXPECT_TRUE(s.saveView.events.isEmpty());
    EXPECT_FALSE(s.engine->IsSaved());
    EXPECT_TRUE(s.saveView.added.isEmpty());
}

// --------------------------------------------------------------- failures

TEST(SaveFailure, AnUnwritableFolderGivesMessage382AndLeavesNothing)
{
    // /proc is a folder that not even root may create files in.
    for (const int method : {1, 0}) {
        SCOPED_TRACE(method);
        SavingSession s(realPluginFolder());
        s.saveView.folder = QStringLiteral("/proc");
        s.saveView.method = method;
        s.Record(kStereo44k16Bit, 1000, 5000);
        s.engine->OnSave();
        EXPECT_EQ(s.saveView.errors, std::vector<int>{kSaveFailed});
        EXPECT_FALSE(QFile::exists("/proc/" + kClockName + (method ? ".wav" : ".mp3")));
        EXPECT_FALSE(s.engine->IsSaved());
        EXPECT_TRUE(s.saveView.added.isEmpty());
        EXPECT_TRUE(s.saver->savedFiles().isEmpty());
        EXPECT_EQ(s.saveView.events, QStringList({"label shown", "wait cursor", "normal cursor", "label hidden"}));
        // The recording is untouched and can still be saved elsewhere.
        EXPECT_EQ(framesOfRecording(s), 5000u);
        s.saveView.folder = s.saveFolder();
        s.engine->OnSave();
        EXPECT_TRUE(s.engine->IsSaved());
    }
}

TEST(SaveFailure, ATypedPathUnderAFileGivesMessage382)
{
    SavingSession s(realPluginFolder());
    const QString plainFile = s.saveFolder() + "/plain.txt";
    ASSERT_TRUE(testsupport::writeFile(plainFile, "not a folder"));
    s.saveView.rename = true;
    s.saveView.dialogAnswer = plainFile + "/take.mp3";
    s.saveView.quality = 10;
    s.Record(kStereo44k16Bit, 1000, 5000);
    s.saveView.quality = 4;  // no copy: the encoder cannot create the file
    s.engine->OnSave();
    EXPECT_EQ(s.saveView.errors, std::vector<int>{kSaveFailed});
    EXPECT_EQ(s.saveView.progress.created, 0);
    EXPECT_EQ(filesIn(s.saveFolder()), QStringList{"plain.txt"});
    EXPECT_EQ(fileBytes(plainFile), QByteArray("not a folder"));
    EXPECT_FALSE(s.engine->IsSaved());
}

TEST(SaveFailure, EncoderFailuresDeleteTheTargetAndGiveMessage382)
{
    struct Case {
        const char* what;
        uint32_t ShimState::*setting;
        uint32_t value;
    };
    for (const Case c : {Case{"init", &ShimState::failInit, 1}, Case{"encode", &ShimState::failEncodeAtCall, 3},
                         Case{"deinit", &ShimState::failDeinit, 1}}) {
        SCOPED_TRACE(c.what);
        SavingSession s(shimFolder("counting"));
        ShimState* shim = loadedShim("counting");
        ASSERT_NE(shim, nullptr);
        shim->reportedOutputBufferSize = 32768;
        s.Record(kStereo44k16Bit, 1000, 3 * 44100);
        s.saveView.quality = 12;  // encode now
        const uint32_t closesBefore = shim->closeCalls;
        const uint32_t encodesBefore = shim->encodeCalls;
        shim->*c.setting = c.setting == &ShimState::failEncodeAtCall ? encodesBefore + c.value : c.value;
        s.engine->OnSave();
        EXPECT_EQ(s.saveView.errors, std::vector<int>{kSaveFailed});
        EXPECT_TRUE(filesIn(s.saveFolder()).isEmpty());
        EXPECT_FALSE(s.engine->IsSaved());
        EXPECT_EQ(s.saveView.progress.created, s.saveView.progress.destroyed);
        // A stream that was opened is closed again.
        EXPECT_EQ(shim->closeCalls - closesBefore, c.setting == &ShimState::failInit ? 0u : 1u);
    }
}

TEST(SaveFailure, CancelInTheProgressDisplayLeavesNoFileAndNoMessage)
{
    SavingSession s(shimFolder("counting"));
    ShimState* shim = loadedShim("counting");
    ASSERT_NE(shim, nullptr);
    shim->reportedOutputBufferSize = 32768;
    s.Record(kStereo48k16Bit, 1000, 5 * 48000);
    s.saveView.quality = 6;
    s.saveView.progress.cancelAtCheck = 3;
    const uint32_t closesBefore = shim->closeCalls;
    s.engine->OnSave();

    EXPECT_TRUE(filesIn(s.saveFolder()).isEmpty());
    EXPECT_TRUE(s.saveView.errors.empty());
    EXPECT_FALSE(s.engine->IsSaved());
    EXPECT_TRUE(s.saveView.added.isEmpty());
    EXPECT_EQ(s.saveView.progress.checks, 3);
    EXPECT_EQ(s.saveView.progress.positions.size(), 2u) << "the job went on after Cancel";
    EXPECT_EQ(s.saveView.progress.destroyed, 1);
    EXPECT_EQ(shim->closeCalls - closesBefore, 1u);
    EXPECT_EQ(s.saveView.events, QStringList({"label shown", "wait cursor", "normal cursor", "label hidden"}));
    // The MP3 temporary file of the recording is still there for a later save.
    EXPECT_TRUE(QFile::exists(s.mp3TempPath()));
}

// ---------------------------------------------------------- partial clear

TEST(ClearAfterPosition, CutsTheRecordingAndTheSavedFilesHoldOnlyTheKeptPart)
{
    SavingSession s(realPluginFolder());
    s.Record(kStereo44k16Bit, 1000, 2 * 44100);
    const QString mp3Temp = s.mp3TempPath();
    ASSERT_TRUE(QFile::exists(mp3Temp));
    s.engine->SetSaved(true);
    s.engine->SetPosition(44100 / 2);
    s.saver->OnClearAfterPosition();

    EXPECT_EQ(framesOfRecording(s), 44100u / 2);
    EXPECT_EQ(QFileInfo(s.wavTempPath()).size(), 44 + 44100 / 2 * 4);
    EXPECT_TRUE(s.mp3TempPath().isEmpty());
    EXPECT_FALSE(QFile::exists(mp3Temp));
    EXPECT_TRUE(s.engine->IsSaved()) << "a partial clear does not touch the saved flag";
    EXPECT_EQ(s.engineView.lengthText, QStringLiteral("\n长度:\n000:00.5"));
    // The temporary file's own header already matches.
    expectWaveMatches(s.wavTempPath(), 44100 / 2, 44100, 2, 16);

    s.saveView.method = 1;
    s.engine->OnSave();
    expectWaveMatches(s.saveFolder() + "/" + kClockName + ".wav", 44100 / 2, 44100, 2, 16);

    s.saveView.method = 0;
    s.saver->SetClock([] { return QDateTime(QDate(2008, 3, 5), QTime(14, 7, 10)); });
    s.engine->OnSave();
    expectMp3Matches(s.saveFolder() + "/2008-03-05 14h07m10s.mp3", 44100 / 2, 44100, 2, 128, 1000);
    EXPECT_EQ(s.saveView.progress.created, 1) << "the shortened recording is encoded anew";
}

TEST(ClearAfterPosition, AtTheStartEmptiesTheRecordingButKeepsTheDevice)
{
    SavingSession s(realPluginFolder());
    s.Record(kStereo44k16Bit, 1000, 10000);
    s.engine->OnSeekStart();
    s.saver->OnClearAfterPosition();
    EXPECT_EQ(s.engine->GetDataLength(), 0u);
    EXPECT_EQ(QFileInfo(s.wavTempPath()).size(), 44);
    EXPECT_TRUE(s.engine->IsCaptureDeviceOpen());
    // Recording resumes into the same file.
    s.Record(kStereo44k16Bit, 1000, 3000);
    EXPECT_EQ(framesOfRecording(s), 3000u);
}

// ----------------------------------------------------- new-recording question

TEST(NewRecordingQuestion, YesSavesTheRecordingBeforeItIsThrownAway)
{
    SavingSession s(realPluginFolder());
    s.Record(kStereo44k16Bit, 1000, 20000);
    const QByteArray mp3 = fileBytes(s.mp3TempPath());
    s.engineView.answer = Answer::Yes;
    s.engine->OnNewRecording();
    EXPECT_EQ(s.engineView.questions, std::vector<int>{364});
    const QString path = s.saveFolder() + "/" + kClockName + ".mp3";
    EXPECT_EQ(fileBytes(path), mp3);
    EXPECT_EQ(s.saveView.added, QStringList{path});
    EXPECT_EQ(s.engine->GetDataLength(), 0u) << "the recording was not discarded after saving";
    EXPECT_FALSE(s.engine->IsCaptureDeviceOpen());
}

TEST(NewRecordingQuestion, YesWithACancelledDialogKeepsTheRecording)
{
    SavingSession s(realPluginFolder());
    s.saveView.rename = true;
    s.saveView.dialogAnswer = std::nullopt;
    s.Record(kStereo44k16Bit, 1000, 20000);
    s.engineView.answer = Answer::Yes;
    s.engine->OnNewRecording();
    EXPECT_EQ(framesOfRecording(s), 20000u);
    EXPECT_TRUE(s.engine->IsCaptureDeviceOpen());
    EXPECT_FALSE(s.engine->IsSaved());
    EXPECT_TRUE(QFile::exists(s.mp3TempPath()));
    EXPECT_TRUE(filesIn(s.saveFolder()).isEmpty());
}

}  // namespace
