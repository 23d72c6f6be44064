// The level meter on the private sound server: a quiet tone played into the
// null sink and recorded from its monitor leaves the clip mark out; a tone
// at full scale lights it, and the stopped recording's tooltip says so.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "engine/recording_engine.h"
#include "platform/audio/audio_backend.h"
#include "support/pulse_test_support.h"
#include "recorder/level_meter.h"
#include "recorder/recorder_dialog.h"
#include "recorder/waveform_view.h"
#include "resources/strings.h"
#include "settings/settings_store.h"
#include "support/scoped_state.h"
#include "support/test_support.h"
#include "recorder/dialog_template.h"

namespace {

// The clip mark as on screen, from the panel's screenshot.
QRgb ClipMark(WaveformView& view, const QString& name)
{
    const QImage inside = view.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(view.contentsRect());
    inside.save(testsupport::ScreenshotDir() + "/" + name + ".png");
    return inside.pixel(inside.width() - LevelMeter::kWidth / 2 - 1, 1);
}

TEST(LevelsOnTheServer, AQuietToneLeavesTheClipMarkOutAndAFullScaleToneLightsIt)
{
    ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
    QTemporaryDir dir;
    const testsupport::ScopedEnv tmpDir("TMPDIR", dir.path());
    QSettings settings(dir.filePath("Quillon.conf"), QSettings::IniFormat);
    SettingsStore store(&settings);
    RecorderDialog window(store);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_GT(window.ControlAs<QComboBox>(RecorderControl::DeviceList)->count(), 0);
    window.ControlAs<QComboBox>(RecorderControl::FormatList)->setCurrentIndex(27);  // 48000 Hz 16-bit stereo
    RecordingEngine& engine = window.Engine();
    auto& panel = *static_cast<WaveformView*>(window.ControlAs<QWidget>(RecorderControl::Waveform));
    auto clickOn = [&](int id) { QTest::mouseClick(window.ControlAs<QPushButton>(id), Qt::LeftButton); };
    auto take = [&](double amplitude, const QString& name) {
        // A tone into the null sink keeps its monitor running in real time.
        audiotest::TonePlayer tone(1000, amplitude, 30, {48000, 16, 2});
        EXPECT_TRUE(tone.Started());
        QTest::qWait(2000);
        clickOn(RecorderControl::Record);
        EXPECT_TRUE(engine.IsRecording());
        QTest::qWait(1500);
        const QRgb mark = ClipMark(panel, name);
        clickOn(RecorderControl::Stop);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !engine.IsRecording(); }, 5000));
        return mark;
    };

    EXPECT_EQ(take(0.25, "levels_server_quiet"), qRgb(80, 0, 0));
    EXPECT_TRUE(panel.toolTip().contains(" -12.0 dBFS")) << panel.toolTip().toStdString();
    EXPECT_EQ(take(1.0, "levels_server_full_scale"), qRgb(255, 0, 0));
    EXPECT_TRUE(panel.toolTip().contains(" 0.0 dBFS")) << panel.toolTip().toStdString();
    engine.DiscardTake();  // closing asks nothing
}

}  // namespace
