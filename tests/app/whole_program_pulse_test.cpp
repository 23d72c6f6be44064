// The whole program on the private PulseAudio server, used as a person uses
// it: the application object runs the window, the test clicks and types into
// it. A private HOME holds the settings; the list file lies beside them.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/recorder_app.h"
#include "controls/progress_dialog.h"
#include "controls/widget_test_helpers.h"
#include "engine/recording_engine.h"
#include "input/mixer_line_list.h"
#include "support/pulse_test_support.h"
#include "program_home.h"
#include "playlist/playlist_actions.h"
#include "playlist/playlist_box.h"
#include "playlist/playlist_panel.h"
#include "playlist/playlist_item.h"
#include "playlist/playlist_player.h"
#include "playlist/remove_items_dialog.h"
#include "playlist/row_texts.h"
#include "recorder/recorder_dialog.h"
#include "recorder/dialog_template.h"

namespace {

using namespace audiotest;
using platform::audio::PcmFormat;
using widgettest::ModalAnswer;

static ::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new SinkKeeper);

constexpr double kToneHz = 1000;
const PcmFormat kStereo48k{48000, 16, 2};

// Typing as an input method does: QTest's key clicks know only ASCII.
void TypeText(QWidget* w, const QString& text)
{
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(w, &commit);
}

// One line a stream.
int StreamsOnTheServer()
{
    return int(Pactl({"list", "short", "sink-inputs"}).out.count('\n') +
               Pactl({"list", "short", "source-outputs"}).out.count('\n'));
}

class WholeProgram : public ProgramHomeTest {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
        ASSERT_TRUE(home.isValid() && temp.isValid() && music.isValid());
    }

    // Starts the program and hands its window to `user` once it is on
    // screen; the user ends by closing it as a person would (Escape), else
    // the test fails and the window is closed for it.
    void RunScenario(const std::function<void(RecorderDialog&)>& user)
    {
        // The window's own start-up may already run the event loop, so the
        // user waits until the window is the one in front, and comes once.
        bool came = false;
        ModalAnswer<RecorderDialog> once([&](RecorderDialog& window) {
            if (std::exchange(came, true))
                return;
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
            user(window);
            if (window.isVisible()) {
                ADD_FAILURE() << "the window is still open";
                window.Engine().Stop();
                window.Engine().DiscardTake();
                window.done(QDialog::Rejected);
            }
        });
        RecorderApp app;
        EXPECT_EQ(app.InitInstance(), 0);
        EXPECT_TRUE(came) << "the window did not come up";
    }

    static void Click(RecorderDialog& w, int id) { QTest::mouseClick(w.ControlAs<QPushButton>(id), Qt::LeftButton); }
    static void Shoot(QWidget& w, const QString& name)
    {
        EXPECT_TRUE(w.grab().save(testsupport::ScreenshotDir() + "/" + name + ".png")) << name.toStdString();
    }
    static bool WaitLoaded(playlist::PlaylistModel& model, int row)
    {
        return QTest::qWaitFor([&] { return model.Count() > row && model.Item(row)->IsLoaded(); }, 10000);
    }

    QTemporaryDir music;
};

TEST_F(WholeProgram, RecordPlaySaveAsMp3FindInThePlaylistPlayRestoreAndRemove)
{
    ExtraSource mic("quillon_e2e_mic", "Quillon-E2E-Mic");
    const QString folder = music.path();
    const QString savedPath = QDir(folder).filePath(QString::fromUtf8("第一段 take.mp3"));

    // --- First start: record, play back, save under a typed name. ---
    RunScenario([&](RecorderDialog& w) {
        Shoot(w, "window_empty");
        auto* devices = w.ControlAs<QComboBox>(RecorderControl::DeviceList);
        ASSERT_EQ(devices->count(), 2);
        EXPECT_EQ(devices->itemText(0), "Quillon-E2E-Mic");
        // The mixer panel follows the device the user picks.
        QTest::mouseClick(devices, Qt::LeftButton);
        QTest::keyClick(devices->view(), Qt::Key_Down);
        QTest::keyClick(devices->view(), Qt::Key_Return);
        ASSERT_EQ(devices->currentIndex(), 1);
        EXPECT_EQ(w.ControlAs<MixerLineList>(RecorderControl::LineList)->count(), 0)
            << "a monitor has no lines, only its volume";
        w.ControlAs<QComboBox>(RecorderControl::FormatList)->setCurrentIndex(27);  // 48000 Hz, 16-bit, stereo

        auto* folderEdit = w.ControlAs<QLineEdit>(RecorderControl::FolderEdit);
        folderEdit->selectAll();
        TypeText(folderEdit, folder);
        QTest::mouseClick(w.ControlAs<QCheckBox>(RecorderControl::AskForRenaming), Qt::LeftButton);  // ask for the name
        ASSERT_EQ(w.ControlAs<QComboBox>(RecorderControl::Encoding)->currentIndex(), 0) << "MP3 is the default";

        RecordingEngine& engine = w.Engine();
        {
            TonePlayer tone(kToneHz, 0.5, 30, kStereo48k);
            ASSERT_TRUE(tone.Started());
            QTest::qWait(500);
            Click(w, RecorderControl::Record);
            ASSERT_TRUE(engine.IsRecording());
            EXPECT_FALSE(devices->isEnabled());
            QTest::qWait(1000);
            Shoot(w, "window_recording");

            // Closing is refused while recording, and the recording goes on.
            QString refusal;
            {
                ModalAnswer<QMessageBox> ok([&](QMessageBox& box) { refusal = box.text(), box.accept(); });
                QTest::keyClick(&w, Qt::Key_Escape);
            }
            EXPECT_EQ(refusal, QString::fromUtf8("退出之前请先停止录音/播放。"));
            EXPECT_TRUE(w.isVisible());
            EXPECT_TRUE(engine.IsRecording());
            QTest::qWait(1500);
            Click(w, RecorderControl::Stop);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.IsRecording(); }, 5000));
        }
        const uint32_t frames = engine.GetDataLength() / 4;
        EXPECT_GT(frames, 48000u * 2);
        EXPECT_FALSE(devices->isEnabled()) << "the device stays open until New recording";
        Shoot(w, "window_stopped_with_data");

        Click(w, RecorderControl::SeekStart);
        Click(w, RecorderControl::Play);
        ASSERT_TRUE(engine.IsPlaying());
        EXPECT_FALSE(w.Control(RecorderControl::Save)->isEnabled()) << "no saving while playing";
        ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.IsPlaying(); }, 10000));
        EXPECT_EQ(engine.Position(), frames);

        // Save at another quality, so that the MP3 is made anew under the
        // progress dialog: the name dialog takes a typed name, and the
        // saving label shows while the file is written.
        w.ControlAs<QSlider>(RecorderControl::Quality)->setValue(5);
        bool labelShown = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* t : QApplication::topLevelWidgets())
                if (qobject_cast<controls::ProgressDialog*>(t) && t->isVisible() && !labelShown) {
                    labelShown = w.Control(RecorderControl::SavingLabel)->isVisible();
                    Shoot(w, "window_saving");
                }
        });
        watch.start(10);
        {
            ModalAnswer<QFileDialog> name([&](QFileDialog& d) {
                auto* edit = d.findChild<QLineEdit*>("fileNameEdit");
                ASSERT_NE(edit, nullptr);
                edit->selectAll();
                TypeText(edit, QFileInfo(savedPath).completeBaseName());
                QTest::keyClick(edit, Qt::Key_Return);
            });
            Click(w, RecorderControl::Save);
            EXPECT_EQ(name.seen, 1);
        }
        watch.stop();
        EXPECT_TRUE(labelShown);
        EXPECT_FALSE(w.Control(RecorderControl::SavingLabel)->isVisible());
        ASSERT_TRUE(QFile::exists(savedPath)) << QDir(folder).entryList().join(", ").toStdString();
        const QString decoded = temp.filePath("decoded.wav");
        ASSERT_EQ(testsupport::RunTool("mpg123", {"-q", "-w", decoded, savedPath}).exitCode, 0);
        EXPECT_NEAR(testsupport::RunTool("soxi", {"-D", decoded}).out.trimmed().toDouble(), frames / 48000.0, 0.1);

        // The playlist holds it, selected and loaded with its detail line.
        auto& box = w.PlaylistBox();
        auto& model = w.PlaylistPanel().Model();
        ASSERT_EQ(model.Count(), 1);
        ASSERT_TRUE(WaitLoaded(model, 0));
        EXPECT_EQ(box.GetSelectedRows(), std::vector<int>{0});
        const QString detail = playlist::FormatDetailLine(*model.Item(0));
        EXPECT_TRUE(detail.startsWith("00:00:0")) << detail.toStdString();
        EXPECT_TRUE(detail.contains("48000 Hz")) << detail.toStdString();
        EXPECT_TRUE(detail.contains("56 kbps")) << detail.toStdString();

        // Enter in the playlist plays the selection into the monitor.
        MonitorRecorder monitor(kStereo48k);
        ASSERT_TRUE(monitor.Started());
        box.setFocus();
        QTest::keyClick(&box, Qt::Key_Return);
        EXPECT_TRUE(w.isVisible()) << "Enter never closes the window";
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.PlaylistPanel().Player().IsPlaying(model.Item(0)); }, 3000));
        QTest::qWait(1500);
        Shoot(w, "window_playlist_playing");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.PlaylistPanel().Player().IsPlaying(model.Item(0)); }, 10000));
        const auto heard = ChannelSamples(monitor.Finish(), kStereo48k);
        EXPECT_GT(StrongestToneAmplitude(heard, 48000, kToneHz, 4800), 0.25);

        // New recording: the question is not asked for a saved recording.
        Click(w, RecorderControl::NewRecording);
        EXPECT_TRUE(devices->isEnabled());
        QTest::keyClick(&w, Qt::Key_Escape);
    });

    const int threadsAtRest = testsupport::ThreadCount();
    const int streamsAtRest = StreamsOnTheServer();
    const QSettings stored(SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("Settings/RecordFolder").toString(), folder);
    EXPECT_EQ(stored.value("Settings/AskForRenaming").toInt(), 1);
    EXPECT_EQ(stored.value("History/OfflineRecDev").toInt(), 1);

    // --- Second start: the list file brings the recording back; closing
    // while the playlist plays leaves nothing behind. ---
    RunScenario([&](RecorderDialog& w) {
        EXPECT_EQ(w.ControlAs<QComboBox>(RecorderControl::DeviceList)->currentIndex(), 1)
            << "the device chosen last time";
        EXPECT_TRUE(w.ControlAs<QCheckBox>(RecorderControl::AskForRenaming)->isChecked());
        auto& model = w.PlaylistPanel().Model();
        ASSERT_EQ(model.Count(), 1);
        EXPECT_EQ(model.Item(0)->FilePath(), savedPath);
        ASSERT_TRUE(WaitLoaded(model, 0));

        w.PlaylistBox().SelectOnly(0);
        QTest::mouseClick(w.ControlAs<QPushButton>(RecorderControl::PlaylistPlay), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.PlaylistPanel().Player().IsPlaying(model.Item(0)); }, 3000));
        EXPECT_GT(StreamsOnTheServer(), streamsAtRest);
        QTest::keyClick(&w, Qt::Key_Escape);  // the playlist may go on playing
    });
    EXPECT_EQ(testsupport::ThreadCount(), threadsAtRest) << "the loader and the player's threads are gone";
    EXPECT_TRUE(QTest::qWaitFor([&] { return StreamsOnTheServer() == streamsAtRest; }, 3000))
        << Pactl({"list", "sink-inputs"}).out.toStdString() << Pactl({"list", "source-outputs"}).out.toStdString();
    EXPECT_TRUE(QDir(temp.path()).entryList({"quillon_temp_*"}, QDir::Files).isEmpty());

    // --- Third start: remove it with its file. ---
    RunScenario([&](RecorderDialog& w) {
        ASSERT_TRUE(WaitLoaded(w.PlaylistPanel().Model(), 0));
        w.PlaylistBox().SelectOnly(0);
        {
            ModalAnswer<playlist::RemoveItemsDialog> remove([&](playlist::RemoveItemsDialog& d) {
                qobject_cast<QCheckBox*>(d.Control(playlist::RemoveItemsDialog::IdDeleteFiles))->setChecked(true);
                Shoot(d, "dialog_remove_items");
                QTest::mouseClick(qobject_cast<QPushButton*>(d.Control(1)), Qt::LeftButton);
            });
            w.PlaylistPanel().Actions().Remove()->trigger();
            EXPECT_EQ(remove.seen, 1);
        }
        EXPECT_EQ(w.PlaylistPanel().Model().Count(), 0);
        EXPECT_FALSE(QFile::exists(savedPath));
        QTest::keyClick(&w, Qt::Key_Escape);
    });
}

}  // namespace
