// The recorder window on the private PulseAudio server: a recording made
// from the null sink's monitor plays back while the user holds the mouse on
// the position slider's channel; the output is reset once, at the release,
// and playback goes on from the thumb to the end.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "settings/settings_store.h"
#include "recorder/readout.h"
#include "engine/recording_engine.h"
#include "platform/audio/audio_backend.h"
#include "recorder/recorder_dialog.h"
#include "support/pulse_test_support.h"
#include "support/scoped_state.h"
#include "recorder/dialog_template.h"
#include "resources/strings.h"

namespace {

using namespace platform::audio;

// The real back end, with every reset of an output stream counted.
class ResetCountingBackend final : public AudioBackend {
public:
    explicit ResetCountingBackend(AudioBackend& real)
        : m_real(real)
    {
    }
    int resets = 0;

    std::vector<InputDevice> InputDevices() override { return m_real.InputDevices(); }
    std::unique_ptr<CaptureStream> OpenCapture(int device, const PcmFormat& format, CaptureCallbacks callbacks,
                                               QString* error) override
    {
        return m_real.OpenCapture(device, format, std::move(callbacks), error);
    }
    std::unique_ptr<PlaybackStream> OpenPlayback(const PcmFormat& format, PlaybackCallbacks callbacks,
                                                 QString* error) override
    {
        auto inner = m_real.OpenPlayback(format, std::move(callbacks), error);
        if (!inner)
            return nullptr;
        return std::make_unique<Counted>(std::move(inner), resets);
    }
    std::unique_ptr<InputMixer> OpenMixer(int device, MixerCallbacks callbacks) override
    {
        return m_real.OpenMixer(device, std::move(callbacks));
    }

private:
    struct Counted final : PlaybackStream {
        Counted(std::unique_ptr<PlaybackStream> inner, int& resets)
            : inner(std::move(inner))
            , resets(resets)
        {
        }
        bool Write(AudioBuffer* buffer) override { return inner->Write(buffer); }
        void Reset() override
        {
            ++resets;
            inner->Reset();
        }
        void Pause() override { inner->Pause(); }
        void Resume() override { inner->Resume(); }
        uint64_t PlayedFrames() const override { return inner->PlayedFrames(); }
        void Close() override { inner->Close(); }
        std::unique_ptr<PlaybackStream> inner;
        int& resets;
    };
    AudioBackend& m_real;
};

TEST(RecorderWindowOnTheServer, HoldingTheSliderChannelDuringPlaybackResetsOnceAndPlaysOnFromTheThumb)
{
    ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
    QTemporaryDir dir;
    const testsupport::ScopedEnv tmpDir("TMPDIR", dir.path());
    // A tone into the null sink keeps its monitor running in real time.
    audiotest::TonePlayer tone(440, 0.5, 30, {48000, 16, 2});
    ASSERT_TRUE(tone.Started());
    QTest::qWait(3000);

    ResetCountingBackend counting(Backend());
    const testsupport::ScopedBackend scoped(counting);
    {
        QSettings settings(dir.filePath("Quillon.conf"), QSettings::IniFormat);
        SettingsStore store(&settings);
        RecorderDialog window(store);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_GT(window.ControlAs<QComboBox>(RecorderControl::DeviceList)->count(), 0);
        window.ControlAs<QComboBox>(RecorderControl::FormatList)->setCurrentIndex(27);  // 48000 Hz 16-bit stereo
        RecordingEngine& engine = window.Engine();
        auto clickOn = [&](int id) { QTest::mouseClick(window.ControlAs<QPushButton>(id), Qt::LeftButton); };

        clickOn(RecorderControl::Record);
        ASSERT_TRUE(engine.IsRecording());
        QTest::qWait(2500);
        clickOn(RecorderControl::Stop);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.IsRecording(); }, 5000));
        const uint32_t frames = engine.GetDataLength() / 4;
        ASSERT_GT(frames, 48000u * 2);

        clickOn(RecorderControl::SeekStart);
        clickOn(RecorderControl::Play);
        ASSERT_TRUE(engine.IsPlaying());
        auto* slider = window.ControlAs<QSlider>(RecorderControl::PositionSlider);
        const QPoint channel(slider->width() * 3 / 5, slider->height() / 2);
        QTest::mousePress(slider, Qt::LeftButton, {}, channel);
        QTest::qWait(1200);
        EXPECT_EQ(counting.resets, 0);
        QTest::mouseRelease(slider, Qt::LeftButton, {}, channel);
        EXPECT_EQ(counting.resets, 1);
        const auto thumb = uint32_t(slider->value());
        EXPECT_GT(thumb, frames / 2);
        EXPECT_EQ(window.ControlAs<QLabel>(RecorderControl::PositionReadout)->text(),
                  ReadoutText(resources::IDS_POSITION_READOUT, thumb, 48000));

        // From the thumb to the end, then the device closes by itself.
        EXPECT_TRUE(engine.IsPlaying());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.IsPlaying(); }, 10000));
        EXPECT_EQ(engine.Position(), frames);
        EXPECT_EQ(counting.resets, 1);
        engine.DiscardTake();  // closing asks nothing
    }
}

}  // namespace
