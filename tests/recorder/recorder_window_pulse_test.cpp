// The recorder window against a real sound server, driven as a user does:
// record a tone from the null sink's monitor, play it to the end, save.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "engine/recording_engine.h"
#include "platform_audio/pulse_test_support.h"
#include "recorder/recorder_dialog.h"
#include "support/test_support.h"

namespace {

// The null sink keeps time like a sound card only while a client asks it to.
::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new audiotest::SinkKeeper);

TEST(RecorderWindowOnTheServer, ARecordingPlaysToTheEndThenTheWindowIsStoppedAndSaves)
{
    ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
    QTemporaryDir dir, temp, folder;
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    QSettings settings(dir.filePath("Quillon.conf"), QSettings::IniFormat);
    SettingsStore store(&settings);
    RecorderDialog window(store);
    window.show();
    const auto click = [&](int id) { QTest::mouseClick(window.controlAs<QPushButton>(id), Qt::LeftButton); };
    const auto enabled = [&](int id) { return window.controlAs<QWidget>(id)->isEnabled(); };
    window.controlAs<QComboBox>(1217)->setCurrentIndex(27);  // 48000 Hz 16-bit stereo
    window.controlAs<QLineEdit>(1001)->setText(folder.path() + "/");
    window.controlAs<QComboBox>(1003)->setCurrentIndex(1);  // WAVE

    audiotest::TonePlayer tone(1000, 0.5, 6, {48000, 16, 2});
    ASSERT_TRUE(tone.started());
    QTest::qWait(500);
    click(1127);  // record
    ASSERT_TRUE(window.engine().IsRecording());
    QTest::qWait(1500);
    click(1022);  // stop
    ASSERT_TRUE(QTest::qWaitFor([&] { return enabled(103); }, 5000)) << "never stopped recording";
    const double seconds = window.engine().GetDataLength() / 192000.0;
    EXPECT_NEAR(seconds, 1.5, 0.3);

    click(1122);  // to the start
    QElapsedTimer playing;
    playing.start();
    click(103);  // play
    EXPECT_TRUE(window.engine().IsPlaying());
    EXPECT_FALSE(enabled(1116)) << "no saving while playing";
    ASSERT_TRUE(QTest::qWaitFor([&] { return enabled(1116) && enabled(103); }, int(seconds * 1000) + 5000));
    EXPECT_LT(playing.elapsed() / 1000.0, seconds + 1.0) << "stopped long after the end";
    EXPECT_FALSE(window.engine().IsPlaying());

    click(1116);  // save
    ASSERT_EQ(window.savedRecordings().size(), 1);
    EXPECT_NEAR(testsupport::runTool("soxi", {"-D", window.savedRecordings().first()}).out.trimmed().toDouble(),
                seconds, 0.01);
}

}  // namespace
