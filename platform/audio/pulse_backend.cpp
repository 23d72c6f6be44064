#include "platform/audio/pulse_backend.h"

#include "platform/audio/audio_log.h"
#include "platform/audio/format_check.h"
#include "platform/audio/pulse_capture_stream.h"
#include "platform/audio/pulse_context.h"
#include "platform/audio/pulse_device_list.h"
#include "platform/audio/pulse_device_watch.h"
#include "platform/audio/pulse_mixer.h"
#include "platform/audio/pulse_playback_stream.h"

namespace platform::audio {

namespace {
// Connecting and listing together stay under the two seconds the device
// list may take when there is no server.
constexpr int kConnectTimeoutMs = 1200;
constexpr int kListTimeoutMs = 700;

void SetError(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
}
}  // namespace

PulseBackend::PulseBackend() = default;
PulseBackend::~PulseBackend() = default;

std::shared_ptr<PulseContext> PulseBackend::Connection(QString* error)
{
    if (m_pulse) {
        PulseContext::Lock lock(*m_pulse);
        if (m_pulse->IsReady())
            return m_pulse;
    }
    QString reason;
    m_pulse = PulseContext::Connect(kConnectTimeoutMs, &reason);
    if (!m_pulse) {
        qCWarning(lcAudio) << "cannot reach the sound server:" << reason;
        SetError(error, reason);
    }
    return m_pulse;
}

std::vector<InputDevice> PulseBackend::InputDevices()
{
    const auto pulse = Connection(nullptr);
    if (!pulse)
        return {};
    auto devices = ListInputDevices(*pulse, kListTimeoutMs);
    if (!devices) {
        qCWarning(lcAudio) << "the sound server did not list its sources";
        return {};
    }
    m_devices = *devices;
    m_listed = true;
    return m_devices;
}

bool PulseBackend::SourceNameOf(int device, QByteArray* name, QString* error)
{
    if (device == -1) {
        name->clear();
        return true;
    }
    if (!m_listed)
        InputDevices();
    if (device < 0 || device >= int(m_devices.size())) {
        qCWarning(lcAudio) << "no input device" << device << "among" << m_devices.size();
        SetError(error, QStringLiteral("No such input device: %1").arg(device));
        return false;
    }
    *name = m_devices[size_t(device)].serverName.toUtf8();
    return true;
}

std::shared_ptr<PulseContext> PulseBackend::ConnectionFor(const PcmFormat& format, QString* error)
{
    // A format either back end refuses is refused before the server is asked.
    if (const QString reason = UnsupportedFormatReason(format); !reason.isEmpty()) {
        qCWarning(lcAudio) << "format refused:" << reason;
        SetError(error, reason);
        return nullptr;
    }
    return Connection(error);
}

std::unique_ptr<CaptureStream> PulseBackend::OpenCapture(int device, const PcmFormat& format,
                                                         CaptureCallbacks callbacks, QString* error)
{
    auto pulse = ConnectionFor(format, error);
    if (!pulse)
        return nullptr;
    QByteArray source;
    if (!SourceNameOf(device, &source, error))
        return nullptr;
    QString reason;
    auto stream = PulseCaptureStream::Open(std::move(pulse), source, format, std::move(callbacks), &reason);
    if (!stream) {
        qCWarning(lcAudio) << "cannot open capture from" << source << ":" << reason;
        SetError(error, reason);
    }
    return stream;
}

std::unique_ptr<PlaybackStream> PulseBackend::OpenPlayback(const PcmFormat& format, PlaybackCallbacks callbacks,
                                                           QString* error)
{
    auto pulse = ConnectionFor(format, error);
    if (!pulse)
        return nullptr;
    QString reason;
    auto stream = PulsePlaybackStream::Open(std::move(pulse), format, std::move(callbacks), &reason);
    if (!stream) {
        qCWarning(lcAudio) << "cannot open playback:" << reason;
        SetError(error, reason);
    }
    return stream;
}

std::unique_ptr<InputMixer> PulseBackend::OpenMixer(int device, MixerCallbacks callbacks)
{
    if (device < 0)
        return nullptr;
    auto pulse = Connection(nullptr);
    if (!pulse)
        return nullptr;
    QByteArray source;
    if (!SourceNameOf(device, &source, nullptr))
        return nullptr;
    return PulseMixer::Open(std::move(pulse), source, std::move(callbacks));
}

std::unique_ptr<InputDeviceWatch> PulseBackend::WatchInputDevices()
{
    auto pulse = Connection(nullptr);
    if (!pulse)
        return AudioBackend::WatchInputDevices();
    return std::make_unique<PulseDeviceWatch>(std::move(pulse));
}

}  // namespace platform::audio
