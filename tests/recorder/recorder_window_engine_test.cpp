// The recorder window driving the engine through its buttons, with the fake
// sound card: control states per state, readouts, closing rules, screenshots.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <set>

#include "platform/paths.h"

#include "controls/gradient_button.h"
#include "controls/progress_dialog.h"
#include "engine/recording_engine.h"
#include "platform/audio/fake_backend.h"
#include "recorder/recorder_dialog.h"
#include "recorder/waveform_view.h"
#include "support/test_support.h"

namespace {

using platform::audio::FakeBackend;

const int kStateControls[] = {1127, 1122, 1123, 1121, 103, 1124, 1125, 1116, 1022, 1266, 1217};

class RecorderWindowEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        backend.addInputDevice("Microphone");
        platform::audio::setBackendForTesting(&backend);
        settings = std::make_unique<QSettings>(dir.filePath("Quillon.conf"), QSettings::IniFormat);
        store = std::make_unique<SettingsStore>(settings.get());
        window = std::make_unique<RecorderDialog>(*store);
        window->controlAs<QComboBox>(1217)->setCurrentIndex(27);  // 48000 Hz 16-bit stereo
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        platform::audio::setBackendForTesting(nullptr);
    }

    std::set<int> enabledStateControls() const
    {
        std::set<int> on;
        for (int id : kStateControls)
            if (window->control(id)->isEnabled())
                on.insert(id);
        return on;
    }
    void click(int id) { QTest::mouseClick(window->controlAs<QPushButton>(id), Qt::LeftButton); }
    // Runs the queued device callbacks until the fake has handed over all it holds.
    void pump()
    {
        for (int i = 0; i < 10000; ++i) {
            FakeBackend::processCallbacks();
            auto* capture = backend.captureStream();
            if (!capture || capture->waitingBytes() == 0)
                break;
        }
        FakeBackend::processCallbacks();
    }
    // Answers the next message box with `button` and reports its text.
    void answerNextMessage(QMessageBox::StandardButton button, QString* text)
    {
        QTimer::singleShot(30, [button, text] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                *text = box->text();
                if (QAbstractButton* b = box->button(button))
                    b->click();
                else
                    box->close();
            }
        });
    }

    QTemporaryDir dir, temp;
    FakeBackend backend;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<RecorderDialog> window;
};

TEST_F(RecorderWindowEngineTest, ControlStatesAndReadoutsFollowTheEngineThroughItsButtons)
{
    EXPECT_EQ(enabledStateControls(), (std::set<int>{1127, 1266, 1217}));
    EXPECT_EQ(window->controlAs<QLabel>(1119)->text(), QString::fromUtf8("\n位置:\n000:00.0"));
    EXPECT_EQ(window->controlAs<QLabel>(1120)->text(), QString::fromUtf8("\n长度:\n000:00.0"));

    click(1127);
    ASSERT_NE(backend.captureStream(), nullptr);
    EXPECT_EQ(backend.captureStream()->format(), (platform::audio::PcmFormat{48000, 16, 2}));
    EXPECT_EQ(enabledStateControls(), (std::set<int>{1022}));

    ASSERT_TRUE(backend.captureStream()->deliverTone(440, 0.5, 48000 * 61 + 12000));
    pump();
    click(1022);
    pump();
    EXPECT_EQ(enabledStateControls(), (std::set<int>{1127, 1122, 1123, 1121, 103, 1124, 1125, 1116}));
    EXPECT_EQ(window->controlAs<QLabel>(1120)->text(), QString::fromUtf8("\n长度:\n001:01.2"));
    EXPECT_EQ(window->controlAs<QSlider>(1121)->maximum(), 48000 * 61 + 12000);

    // The waveform got a snapshot of the sine.
    auto* wave = static_cast<WaveformView*>(window->control(1084));
    EXPECT_EQ(wave->fullScale(), 32767);
    int nonZero = 0;
    for (int i = 0; i < wave->pointCount(); ++i)
        nonZero += wave->points()[i] != 0;
    EXPECT_GT(nonZero, wave->pointCount() / 2);
    EXPECT_TRUE(window->grab().save(testsupport::screenshotDir() + "/recorder_window_stopped.png"));

    click(1122);  // <<
    EXPECT_EQ(window->controlAs<QLabel>(1119)->text(), QString::fromUtf8("\n位置:\n000:00.0"));
    click(103);   // play
    EXPECT_EQ(enabledStateControls(), (std::set<int>{1122, 1123, 1121, 1022}));
    click(1022);  // stop: draining keeps the playing states until the device closes
    EXPECT_EQ(enabledStateControls(), (std::set<int>{1122, 1123, 1121, 1022}));
    backend.lastPlaybackStream()->completeAll();
    pump();
    EXPECT_EQ(enabledStateControls(), (std::set<int>{1127, 1122, 1123, 1121, 103, 1124, 1125, 1116}));
}

TEST_F(RecorderWindowEngineTest, ClosingAsksAboutUnsavedDataAndRefusesWhileRecording)
{
    click(1127);
    ASSERT_TRUE(backend.captureStream()->deliverTone(440, 0.5, 24000));
    pump();
    EXPECT_TRUE(window->grab().save(testsupport::screenshotDir() + "/recorder_window_recording.png"));

    QString text;
    answerNextMessage(QMessageBox::Ok, &text);
    window->close();
    EXPECT_EQ(text, QString::fromUtf8("退出之前请先停止录音/播放。"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->engine().IsRecording());

    click(1022);
    pump();
    const QString tempFile = temp.filePath(QString("quillon_temp_%1.wav").arg(platform::currentThreadId()));
    ASSERT_TRUE(QFile::exists(tempFile));

    answerNextMessage(QMessageBox::Cancel, &text);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(text, QString::fromUtf8("保存对当前记录所作的更改吗?"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_GT(window->engine().GetDataLength(), 0u);

    answerNextMessage(QMessageBox::No, &text);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(QFile::exists(tempFile));
}

TEST_F(RecorderWindowEngineTest, SaveWritesTheRecordingIntoTheFolderAndPartialClearCutsIt)
{
    QTemporaryDir folder;
    window->controlAs<QLineEdit>(1001)->setText(folder.path() + "/");
    window->controlAs<QComboBox>(1003)->setCurrentIndex(1);  // WAVE
    click(1127);
    ASSERT_TRUE(backend.captureStream()->deliverTone(1000, 0.5, 48000));
    pump();
    click(1022);
    pump();

    click(1116);
    ASSERT_EQ(window->savedRecordings().size(), 1);
    const QString saved = window->savedRecordings().first();
    EXPECT_EQ(QFileInfo(saved).absolutePath(), QFileInfo(folder.path()).absoluteFilePath());
    EXPECT_TRUE(QRegularExpression(R"(^\d{4}-\d{2}-\d{2} \d{2}h\d{2}m\d{2}s\.wav$)")
                    .match(QFileInfo(saved).fileName()).hasMatch())
        << saved.toStdString();
    const auto soxi = testsupport::runTool("soxi", {"-s", saved});
    EXPECT_EQ(soxi.out.trimmed(), "48000");
    EXPECT_FALSE(window->control(1008)->isVisible());

    // Back to a quarter of a second, clear the rest: the length follows.
    window->controlAs<QSlider>(1121)->setValue(12000);
    window->engine().OnHScroll(RecordingEngine::kEndTrack, 12000);
    click(1124);
    EXPECT_EQ(window->engine().GetDataLength(), 12000u * 4);
    EXPECT_EQ(window->controlAs<QLabel>(1120)->text(), QString::fromUtf8("\n长度:\n000:00.2"));

    // Unsaved since the clear? No: a partial clear leaves the saved flag alone,
    // so closing asks nothing and the window goes.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(RecorderWindowEngineTest, Mp3SaveAtAnotherQualityEncodesUnderTheProgressDialogAndCancelLeavesNothing)
{
    QTemporaryDir folder;
    window->controlAs<QLineEdit>(1001)->setText(folder.path());
    window->controlAs<QComboBox>(1003)->setCurrentIndex(0);  // MP3
    click(1127);
    ASSERT_TRUE(backend.captureStream()->deliverTone(1000, 0.5, 48000 * 3));
    pump();
    click(1022);
    pump();
    window->controlAs<QSlider>(1004)->setValue(5);  // 56 kbps: the MP3 made while recording does not fit

    // Cancel as soon as the progress dialog shows: no file, no message.
    bool sawProgress = false;
    QTimer cancel;
    cancel.setInterval(20);
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<controls::ProgressDialog*>(w); p && p->isVisible()) {
                sawProgress = true;
                EXPECT_FALSE(window->isEnabled());
                p->CancelButton()->click();
            }
    });
    cancel.start();
    click(1116);
    cancel.stop();
    EXPECT_TRUE(sawProgress);
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(window->savedRecordings().isEmpty());
    EXPECT_TRUE(window->isEnabled());

    click(1116);
    ASSERT_EQ(window->savedRecordings().size(), 1);
    const QString saved = window->savedRecordings().first();
    EXPECT_TRUE(saved.endsWith(".mp3"));
    const QString decoded = folder.filePath("decoded.wav");
    ASSERT_EQ(testsupport::runTool("mpg123", {"-q", "-w", decoded, saved}).exitCode, 0);
    EXPECT_EQ(testsupport::runTool("soxi", {"-s", decoded}).out.trimmed(), "144000");
    EXPECT_TRUE(testsupport::runTool("mpg123", {"-t", "-v", saved}).err.contains("cbr56"));
}

}  // namespace
