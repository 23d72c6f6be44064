// Saving and partial clearing driven through the recorder window on the fake
// sound card, with the real encoder plug-in, the window's own save dialog and
// message boxes, and real files: what the window shows is what is kept, and
// no save loses a recording or a file that was already there.

#include "window_fixture.h"

#include <QCloseEvent>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "controls/trackbar.h"
#include "engine/mp3_side.h"
#include "engine/record_formats.h"
#include "recorder/recorder_panel.h"
#include "recorder/save_flow.h"
#include "mp3_probe.h"

namespace {

using namespace windowtest;

constexpr int kStereo48k16Bit = 27, kMono44k8Bit = 20;
const QDateTime kSaveTime(QDate(2008, 3, 5), QTime(14, 7, 9));
const QString kClockName = QStringLiteral("2008-03-05 14h07m09s");

// For root, whom no file refuses: the saves of a test run as `nobody`, as an
// ordinary user would meet a read-only file.
class ActingAsOrdinaryUser {
public:
    ActingAsOrdinaryUser()
        : m_root(::geteuid() == 0)
    {
        EXPECT_TRUE(!m_root || ::seteuid(65534) == 0);
    }
    ~ActingAsOrdinaryUser() { EXPECT_TRUE(!m_root || ::seteuid(0) == 0); }

private:
    bool m_root;
};

class SavingWindowTest : public RecorderWindowEngineTest {
protected:
    void SetUp() override
    {
        RecorderWindowEngineTest::SetUp();
        Ctl<QLineEdit>(id::FolderEdit)->setText(saves.path());
        window->GetSaveFlow().SetClock([] { return kSaveTime; });
    }
    RecordingEngine& Engine() { return window->Engine(); }
    void Record(int formatRow, uint32_t frames)
    {
        Ctl<QComboBox>(id::FormatList)->setCurrentIndex(formatRow);
        RecorderWindowEngineTest::Record(1000, frames);
    }
    void SaveAs(int method, bool askForName)
    {
        Ctl<QComboBox>(id::Encoding)->setCurrentIndex(method);
        Ctl<QCheckBox>(id::AskForRenaming)->setChecked(askForName);
        Click(id::Save);
    }
    QString Saved(const QString& name) const { return QDir(saves.path()).filePath(name); }
    // Every entry of the save folder, hidden ones included, with its size.
    QStringList FolderListing() const
    {
        QStringList entries;
        const auto filter = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        for (const QFileInfo& f : QDir(saves.path()).entryInfoList(filter, QDir::Name))
            entries << QString("%1 %2").arg(f.fileName()).arg(f.size());
        return entries;
    }
    static QString Seconds(const QString& readout) { return readout.section('\n', 2); }

    QTemporaryDir saves;
};

TEST_F(SavingWindowTest, ThePositionShownAfterPlayAndStopIsWhereThePartialClearCuts)
{
    Record(kStereo48k16Bit, 48000 * 41);
    EXPECT_EQ(Seconds(Text(id::PositionReadout)), "000:41.0");

    // Play rewinds and queues fourteen blocks; Stop after five have played
    // keeps the position heard, and that is what the readout and the slider show.
    Click(id::Play);
    EXPECT_EQ(Engine().Position(), 0u);
    for (int i = 0; i < 5; ++i)
        backend.LastPlaybackStream()->CompleteNext();
    FakeBackend::ProcessCallbacks();
    const uint32_t heard = 5 * 6144 / 4;
    EXPECT_EQ(Engine().Position(), heard);
    EXPECT_EQ(Seconds(Text(id::PositionReadout)), "000:00.1");
    EXPECT_EQ(uint32_t(Ctl<QSlider>(id::PositionSlider)->value()), heard);
    Click(id::Stop);
    backend.LastPlaybackStream()->CompleteAll();
    FakeBackend::ProcessCallbacks();
    ASSERT_FALSE(Engine().IsPlaying());
    EXPECT_EQ(Engine().Position(), heard);
    EXPECT_EQ(uint32_t(Ctl<QSlider>(id::PositionSlider)->value()), heard);
    const QString shown = Seconds(Text(id::PositionReadout));

    Click(id::ClearAfterPosition);
    EXPECT_EQ(Engine().GetDataLength(), heard * 4);
    EXPECT_EQ(Seconds(Text(id::LengthReadout)), shown);
    EXPECT_EQ(EnabledStateControls(), kStoppedWithData);

    // Cleared from the start, nothing is left to play, move or save.
    Click(id::SeekStart);
    Click(id::ClearAfterPosition);
    EXPECT_EQ(Engine().GetDataLength(), 0u);
    EXPECT_EQ(EnabledStateControls(), std::set<int>{id::Record});
}

TEST_F(SavingWindowTest, ASaveOntoTheRecordingsOwnFilesOrOntoAReadOnlyFileFailsAndChangesNothing)
{
    Record(kStereo48k16Bit, 48000 * 2);
    const QString wavTemp = Engine().GetRecordingFile().Path(), mp3Temp = Engine().GetMp3Side().Mp3TempPath();
    const QByteArray wavBytes = testsupport::ReadFile(wavTemp), mp3Bytes = testsupport::ReadFile(mp3Temp);
    ASSERT_TRUE(wavBytes.size() == 44 + 48000 * 2 * 4 && !mp3Bytes.isEmpty());
    ASSERT_TRUE(QFile::link(wavTemp, Saved("link.wav")));
    const QString readOnlyWave = Saved("take.wav"), readOnlyMp3 = Saved("take.mp3");
    for (const QString& path : {readOnlyWave, readOnlyMp3}) {
        ASSERT_TRUE(testsupport::WriteFile(path, "the user's file"));
        ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    }
    // Everything but the read-only files is open to the ordinary user, so
    // only their being read-only can stop the save.
    ::chmod(QFile::encodeName(saves.path()).constData(), 0777);
    ::chmod(QFile::encodeName(temp.path()).constData(), 0755);
    for (const QString& path : {wavTemp, mp3Temp})
        ::chmod(QFile::encodeName(path).constData(), 0644);

    struct Case {
        QString target;
        int method;
        bool readOnly;
    };
    for (const Case& c : {Case{wavTemp, 1, false}, Case{Saved("link.wav"), 0, false}, Case{mp3Temp, 0, false},
                          Case{readOnlyWave, 1, true}, Case{readOnlyMp3, 0, true}}) {
        SCOPED_TRACE(c.target.toStdString());
        ModalAnswers answers({c.target}, {QMessageBox::Yes, QMessageBox::Ok});  // replace it; the failure
        {
            std::optional<ActingAsOrdinaryUser> user;
            if (c.readOnly)
                user.emplace();
            SaveAs(c.method, true);
        }
        ASSERT_EQ(answers.messages.size(), 2);
        EXPECT_EQ(answers.messages[1], resources::Text(resources::IDS_SAVE_FAILED));
        EXPECT_TRUE(window->SavedRecordings().isEmpty() && !window->GetSaveFlow().IsSaved());
        EXPECT_EQ(testsupport::ReadFile(wavTemp), wavBytes);
        EXPECT_EQ(testsupport::ReadFile(mp3Temp), mp3Bytes);
        EXPECT_EQ(FolderListing(), (QStringList{"link.wav 384044", "take.mp3 15", "take.wav 15"}));
    }

    // The recording's MP3 file is whole, so a save at the same quality is its copy.
    ModalAnswers answers({Saved("kept.mp3")});
    SaveAs(0, true);
    EXPECT_TRUE(answers.messages.isEmpty());
    EXPECT_EQ(testsupport::ReadFile(Saved("kept.mp3")), mp3Bytes);
}

TEST_F(SavingWindowTest, NoSaveReplacesAFileWithoutTheUsersWord)
{
    // Two saves under one clock second, a partial clear between them: both stay.
    Record(kStereo48k16Bit, 48000);
    SaveAs(1, false);
    window->Recorder().OnHScroll(controls::Trackbar::EndTrack, 12000);
    Click(id::ClearAfterPosition);
    SaveAs(1, false);
    EXPECT_EQ(FolderListing(), (QStringList{kClockName + " 2.wav 48044", kClockName + ".wav 192044"}));
    EXPECT_EQ(window->SavedRecordings(), (QStringList{Saved(kClockName + ".wav"), Saved(kClockName + " 2.wav")}));
    EXPECT_FALSE(Ctl(id::SavingLabel)->isVisible()) << "the saving label is gone";
    ASSERT_EQ(window->Playlist().Count(), 2);
    EXPECT_EQ(window->Playlist().Item(1)->FilePath(), Saved(kClockName + " 2.wav"));
    Click(id::NewRecording);  // saved: the new recording asks nothing
    EXPECT_EQ(Engine().GetDataLength(), 0u);

    // An 8-bit recording typed as take.mp3 is saved as take.wav: asked like
    // the save dialog asks, No keeps the file there, Yes replaces it.
    Record(kMono44k8Bit, 44100);
    ASSERT_TRUE(testsupport::WriteFile(Saved("take.wav"), "the user's file"));
    for (const auto button : {QMessageBox::No, QMessageBox::Yes}) {
        ModalAnswers answers({Saved("take.mp3")}, {button});
        SaveAs(0, true);
        EXPECT_EQ(answers.messages, QStringList{"take.wav already exists.\nDo you want to replace it?"});
    }
    EXPECT_EQ(window->SavedRecordings().size(), 3);
    EXPECT_TRUE(window->GetSaveFlow().IsSaved());
    EXPECT_EQ(FolderListing().filter("take"), QStringList{"take.wav 44144"});

    // New audio after the save makes closing ask again: Cancel keeps the
    // window and the recording, No closes it and deletes the recording's file.
    // The refusal while recording is tried on the real server
    // (whole_program_pulse_test.cpp).
    RecorderWindowEngineTest::Record(1000, 4410);
    const QString wavTemp = Engine().GetRecordingFile().Path();
    ASSERT_TRUE(QFile::exists(wavTemp));
    ModalAnswers answers({}, {QMessageBox::Cancel, QMessageBox::No});
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(answers.messages, QStringList{resources::Text(resources::IDS_ASK_SAVE_CHANGES)});
    EXPECT_TRUE(window->isVisible());
    EXPECT_GT(Engine().GetDataLength(), 0u);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(answers.messages.size(), 2);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(QFile::exists(wavTemp));
}

// Without a record folder the dialog gets a bare name: it opens in the
// user's music folder, not where the program was started, and after a save
// through it, in that save's folder.
TEST_F(SavingWindowTest, ABareNameOpensTheDialogInTheMusicFolderThenWhereTheLastSaveWent)
{
    const testsupport::ScopedEnv home("HOME", Saved("home"));
    const testsupport::ScopedEnv config("XDG_CONFIG_HOME", Saved("home/.config"));
    ASSERT_TRUE(QDir().mkpath(Saved("home/Music")) && QDir().mkpath(Saved("elsewhere")));
    Ctl<QLineEdit>(id::FolderEdit)->clear();
    Record(kStereo48k16Bit, 4800);
    QStringList opened;
    for (const QString& target : {Saved("elsewhere/a.wav"), Saved("elsewhere/b.wav")}) {
        ModalAnswers answers({target});
        SaveAs(1, false);
        opened << answers.dialogFolders;
        EXPECT_EQ(QFileInfo(target).size(), 4800 * 4 + 44);
    }
    EXPECT_EQ(opened, (QStringList{Saved("home/Music"), Saved("elsewhere")}));
}

// A record folder of about 240 characters takes the clock-named file past
// what the list file holds: the recording is saved and the user is told
// that it is not listed, as adding files tells it.
TEST_F(SavingWindowTest, ARecordingSavedUnderAPathTooLongForTheListIsKeptAndTheUserIsTold)
{
    QString folder = saves.path();
    while (folder.size() < 236)
        folder += "/" + QString(9, 'd');
    ASSERT_TRUE(QDir().mkpath(folder));
    Ctl<QLineEdit>(id::FolderEdit)->setText(folder);
    Record(kStereo48k16Bit, 4800);
    ModalAnswers answers;
    SaveAs(1, false);
    const QString path = folder + "/" + kClockName + ".wav";
    ASSERT_GT(QFile::encodeName(path).size(), 259);
    EXPECT_EQ(answers.messages, QStringList{playlist::PlaylistModel::RefusedPathsMessage({path})});
    EXPECT_EQ(window->SavedRecordings(), QStringList{path});
    EXPECT_EQ(QFileInfo(path).size(), 4800 * 4 + 44);
    EXPECT_TRUE(window->GetSaveFlow().IsSaved());
    EXPECT_EQ(window->Playlist().Count(), 0);
}

TEST_F(SavingWindowTest, ACancelledSaveLeavesNothingAndACloseOrClickDuringOneIsRefused)
{
    Record(kStereo48k16Bit, 48000 * 3);
    Ctl<QSlider>(id::Quality)->setValue(5);  // another quality: encoded under the progress dialog
    Ctl<QComboBox>(id::Encoding)->setCurrentIndex(0);
    const QString wavTemp = Engine().GetRecordingFile().Path();

    // Cancel as soon as the progress dialog shows: no file, no message.
    ModalAnswers answers;
    bool sawProgress = false;
    SaveWhileProgressShows([&](controls::ProgressDialog& progress) {
        sawProgress = true;
        EXPECT_FALSE(window->isEnabled());
        progress.CancelButton()->click();
    });
    EXPECT_TRUE(sawProgress);
    EXPECT_TRUE(FolderListing().isEmpty());
    EXPECT_TRUE(window->SavedRecordings().isEmpty());
    EXPECT_TRUE(window->isEnabled() && !Ctl(id::SavingLabel)->isVisible());
    EXPECT_TRUE(QFile::exists(Engine().GetMp3Side().Mp3TempPath()))
        << "the recording's MP3 file is kept for a later save";

    answers.buttons = {QMessageBox::No, QMessageBox::No};
    int closeRequests = 0;
    SaveWhileProgressShows([&](controls::ProgressDialog&) {
        if (closeRequests == 2)
            return;
        ++closeRequests;
        EXPECT_FALSE(window->isEnabled());
        window->windowHandle()->close();  // as the window manager asks
    });
    EXPECT_EQ(closeRequests, 2);
    EXPECT_TRUE(answers.messages.isEmpty()) << answers.messages.join(" | ").toStdString();
    EXPECT_TRUE(window->isVisible() && window->isEnabled());
    EXPECT_TRUE(QFile::exists(wavTemp));
    ASSERT_EQ(window->SavedRecordings(), QStringList{Saved(kClockName + ".mp3")});
    const QString decoded = temp.filePath("decoded.wav");
    ASSERT_EQ(testsupport::RunTool("mpg123", {"-q", "-w", decoded, window->SavedRecordings().first()}).exitCode, 0);
    EXPECT_EQ(testsupport::RunTool("soxi", {"-s", decoded}).out.trimmed(), "144000");

    // The WAVE copy lets no events through: a close request and a click on
    // New that wait for it are dropped, not carried out once it is over.
    Ctl<QComboBox>(id::Encoding)->setCurrentIndex(1);
    QMetaObject::invokeMethod(Ctl<QAbstractButton>(id::Save), &QAbstractButton::click, Qt::QueuedConnection);
    QCoreApplication::postEvent(window->windowHandle(), new QCloseEvent);
    QMetaObject::invokeMethod(Ctl<QAbstractButton>(id::NewRecording), &QAbstractButton::click, Qt::QueuedConnection);
    QTest::qWait(1000);
    EXPECT_TRUE(answers.messages.isEmpty()) << answers.messages.join(" | ").toStdString();
    EXPECT_EQ(window->SavedRecordings().size(), 2);
    EXPECT_TRUE(window->isVisible() && window->isEnabled());
    EXPECT_EQ(Engine().GetDataLength(), 48000u * 3 * 4);
}

}  // namespace

// The quality label names the bit rate the saved frames carry, in every
// format the list offers and at every quality: MPEG versions below 32 kHz
// carry other rates than the quality's. An 8-bit recording is saved as WAVE;
// its label is that of the same rate at 16 bits.
TEST_F(SavingWindowTest, TheQualityLabelNamesTheBitRateOfTheSavedFramesInEveryFormat)
{
    window->GetSaveFlow().SetSleep([](int) {});  // no pacing of the progress display
    std::map<int, QStringList> labels;           // by format row, one per quality
    for (int row = 0; row < RecordFormats::kCount; ++row) {
        const platform::audio::PcmFormat format = RecordFormats::Format(row);
        SCOPED_TRACE(Ctl<QComboBox>(id::FormatList)->itemText(row).toStdString());
        Ctl<QComboBox>(id::FormatList)->setCurrentIndex(row);
        // Shown as soon as the format changes, before the quality moves.
        const std::pair<int, QString> onFormatChange{Ctl<QSlider>(id::Quality)->value(), Text(id::QualityBitrate)};
        const bool mp3 = format.bitsPerSample == 16;
        if (mp3)
            RecorderWindowEngineTest::Record(1000, format.sampleRate / 10);
        for (int quality = 0; quality < 16; ++quality) {
            Ctl<QSlider>(id::Quality)->setValue(quality);
            labels[row] << Text(id::QualityBitrate);
            if (!mp3)
                continue;
            SaveAs(0, false);
            ASSERT_TRUE(window->SavedRecordings().last().endsWith(".mp3"));
            const encodertest::Mp3Report frames = encodertest::ProbeMp3(window->SavedRecordings().last());
            ASSERT_TRUE(frames.error.empty()) << frames.error;
            EXPECT_EQ(frames.Bitrates(), std::set<int>{Text(id::QualityBitrate).section(' ', 0, 0).toInt()})
                << "quality " << quality << " labelled " << Text(id::QualityBitrate).toStdString();
        }
        if (mp3)
            Click(id::NewRecording);  // saved: nothing to ask
        EXPECT_EQ(onFormatChange.second, labels[row][onFormatChange.first]);
    }
    for (int row = 0; row < RecordFormats::kCount; row += 2)
        EXPECT_EQ(labels[row], labels[row + 1]) << "row " << row;
}
