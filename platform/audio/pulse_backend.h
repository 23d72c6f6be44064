#pragma once
// The audio back end on a PulseAudio server. One connection serves every
// stream and mixer; when the server went away, the next call connects anew.

#include <memory>
#include <vector>

#include "platform/audio/audio_backend.h"

namespace platform::audio {

class PulseContext;

class PulseBackend final : public AudioBackend {
public:
    PulseBackend();
    ~PulseBackend() override;

    std::vector<InputDevice> InputDevices() override;
    // `device` is an index into the latest InputDevices() list (listed now
    // if there was none yet); -1 is the default source.
    std::unique_ptr<CaptureStream> OpenCapture(int device, const PcmFormat& format, CaptureCallbacks callbacks,
                                               QString* error = nullptr) override;
    std::unique_ptr<PlaybackStream> OpenPlayback(const PcmFormat& format, PlaybackCallbacks callbacks,
                                                 QString* error = nullptr) override;
    std::unique_ptr<InputMixer> OpenMixer(int device, MixerCallbacks callbacks) override;
    std::unique_ptr<InputDeviceWatch> WatchInputDevices() override;

    // The connection every stream shares, or nullptr before the first one.
    // Holding its lock stalls all audio of this process, as a machine deep
    // in swap does: tests use it to stall the client in-process.
    std::shared_ptr<PulseContext> SharedConnection() const { return m_pulse; }

private:
    std::shared_ptr<PulseContext> Connection(QString* error);
    // The connection for a stream in `format`, or nullptr with the reason.
    std::shared_ptr<PulseContext> ConnectionFor(const PcmFormat& format, QString* error);
    // The server name of a listed device; empty for -1; false when unknown.
    bool SourceNameOf(int device, QByteArray* name, QString* error);

    std::shared_ptr<PulseContext> m_pulse;
    std::vector<InputDevice> m_devices;
    bool m_listed = false;
};

}  // namespace platform::audio
