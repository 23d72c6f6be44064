#pragma once
// A scriptable audio back end for tests. Install it with
// SetBackendForTesting(&fake); the code under test then opens fake devices,
// and the test plays sound card, server and "another program":
//
//   FakeBackend fake;
//   fake.AddInputDevice("Microphone");
//   SetBackendForTesting(&fake);
//   ... code under test opens and starts a capture stream ...
//   fake.GetCaptureStream()->DeliverTone(1000, 0.5, 4800);
//   FakeBackend::ProcessCallbacks(); // bufferDone calls run now
//
// Callbacks are queued calls on the thread that opened the stream or mixer,
// as with the real server: nothing is called back from inside the caller's
// own call. ProcessCallbacks() delivers what is pending.

#include <map>
#include <memory>
#include <vector>
#include <QPointer>

#include "platform/audio/audio_backend.h"
#include "platform/audio/fake_capture_stream.h"
#include "platform/audio/fake_mixer.h"
#include "platform/audio/fake_playback_stream.h"

namespace platform::audio {

struct FakeRegistry;

class FakeBackend final : public AudioBackend {
public:
    FakeBackend();
    ~FakeBackend() override;

    // --- Devices ---
    // Listed as the real back end lists them: devices that are not monitors
    // first, then monitors, each group in the order added.
    // Adding or removing a device while watches live reports to them, as a
    // queued call.
    void AddInputDevice(const QString& name, bool isMonitor = false, const QString& serverName = {});
    void RemoveInputDevice(const QString& serverName);
    // The device the server takes as its default source (none at first).
    void SetDefaultInputDevice(const QString& serverName) { m_defaultSource = serverName; }
    // No server: no devices, every open fails, no mixer.
    void SetServerAvailable(bool available) { m_serverAvailable = available; }
    // Non-empty: the next opens fail with this reason (until cleared).
    void SetCaptureOpenError(const QString& reason) { m_captureOpenError = reason; }
    void SetPlaybackOpenError(const QString& reason) { m_playbackOpenError = reason; }
    // The mixer of input device `device` (created on first use; a device
    // whose mixer was never touched has none and openMixer gives nullptr).
    FakeMixerDevice& MixerDevice(int device);

    // --- Streams ---
    // The most recently opened capture stream that is still alive, or nullptr.
    FakeCaptureStream* GetCaptureStream() const;
    // Live playback streams in the order they were opened.
    std::vector<FakePlaybackStream*> PlaybackStreams() const;
    FakePlaybackStream* LastPlaybackStream() const;
    int CaptureOpenCount() const;
    int CaptureCloseCount() const;  // close() or destruction of an open stream
    int PlaybackOpenCount() const;
    int PlaybackCloseCount() const;
    int MixerOpenCount() const { return m_mixerOpens; }

    // Runs the callbacks queued for the calling thread.
    static void ProcessCallbacks();

    // --- AudioBackend ---
    std::vector<InputDevice> InputDevices() override;
    std::unique_ptr<CaptureStream> OpenCapture(int device, const PcmFormat& format, CaptureCallbacks callbacks,
                                               QString* error = nullptr) override;
    std::unique_ptr<PlaybackStream> OpenPlayback(const PcmFormat& format, PlaybackCallbacks callbacks,
                                                 QString* error = nullptr) override;
    std::unique_ptr<InputMixer> OpenMixer(int device, MixerCallbacks callbacks) override;
    std::unique_ptr<InputDeviceWatch> WatchInputDevices() override;

private:
    void ReportDeviceChange();

    std::shared_ptr<FakeRegistry> m_registry;
    std::vector<InputDevice> m_devices;  // in the order added
    QString m_defaultSource;
    std::vector<QPointer<InputDeviceWatch>> m_watches;
    std::map<int, std::shared_ptr<FakeMixerDevice>> m_mixers;
    bool m_serverAvailable = true;
    QString m_captureOpenError;
    QString m_playbackOpenError;
    int m_mixerOpens = 0;
};

}  // namespace platform::audio
