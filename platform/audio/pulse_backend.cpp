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

void setError(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
}
}  // namespace

PulseBackend::PulseBackend() = default;
PulseBackend::~PulseBackend() = default;

std::shared_ptr<PulseContext> PulseBackend::connection(QString* error)
{
    if (m_pulse) {
        PulseContext::Lock lock(*m_pulse);
        if (m_pulse->isReady())
            return m_pulse;
    }
    QString reason;
    m_pulse = PulseContext::connect(kConnectTimeoutMs, &reason);
    if (!m_pulse) {
        qCWarning(lcAudio) << "cannot reach the sound server:" << reason;
        setError(error, reason);
    }
    return m_pulse;
}

std::vector<InputDevice> PulseBackend::inputDevices()
{
    const auto pulse = connection(nullptr);
    if (!pulse)
        return {};
    auto devices = listInputDevices(*pulse, kListTimeoutMs);
    if (!devices) {
        qCWarning(lcAudio) << "the sound server did not list its sources";
        return {};
    }
    m_devices = *devices;
    m_listed = true;
    return m_devices;
}

bool PulseBackend::sourceNameOf(int device, QByteArray* name, QString* error)
{
    if (device == -1) {
        name->clear();
        return true;
    }
    if (!m_listed)
        inputDevices();
    if (device < 0 || device >= int(m_devices.size())) {
        qCWarning(lcAudio) << "no input device" << device << "among" << m_devices.size();
        setError(error, QStringLiteral("No such input device: %1").arg(device));
        return false;
    }
    *name = m_devices[size_t(device)].serverName.toUtf8();
    return true;
}

std::shared_ptr<PulseContext> PulseBackend::connectionFor(const PcmFormat& format, QString* error)
{
    // A format either back end refuses is refused before the server is asked.
    if (const QString reason = unsupportedFormatReason(format); !reason.isEmpty()) {
        qCWarning(lcAudio) << "format refused:" << reason;
        setError(error, reason);
        return nullptr;
    }
    return connection(error);
}

std::unique_ptr<CaptureStream> PulseBackend::openCapture(int device, const PcmFormat& format,
                                                         CaptureCallbacks callbacks, QString* error)
{
    auto pulse = connectionFor(format, error);
    if (!pulse)
        return nullptr;
    QByteArray source;
    if (!sourceNameOf(device, &source, error))
        return nullptr;
    QString reason;
    auto stream = PulseCaptureStream::open(std::move(pulse), source, format, std::move(callbacks), &reason);
    if (!stream) {
        qCWarning(lcAudio) << "cannot open capture from" << source << ":" << reason;
        setError(error, reason);
    }
    return stream;
}

std::unique_ptr<PlaybackStream> PulseBackend::openPlayback(const PcmFormat& format, PlaybackCallbacks callbacks,
                                                           QString* error)
{
    auto pulse = connectionFor(format, error);
    if (!pulse)
        return nullptr;
    QString reason;
    auto stream = PulsePlaybackStream::open(std::move(pulse), format, std::move(callbacks), &reason);
    if (!stream) {
        qCWarning(lcAudio) << "cannot open playback:" << reason;
        setError(error, reason);
    }
    return stream;
}

std::unique_ptr<InputMixer> PulseBackend::openMixer(int device, MixerCallbacks callbacks)
{
    if (device < 0)
        return nullptr;
    auto pulse = connection(nullptr);
    if (!pulse)
        return nullptr;
    QByteArray source;
    if (!sourceNameOf(device, &source, nullptr))
        return nullptr;
    return PulseMixer::open(std::move(pulse), source, std::move(callbacks));
}

std::unique_ptr<InputDeviceWatch> PulseBackend::watchInputDevices()
{
    auto pulse = connection(nullptr);
    if (!pulse)
        return AudioBackend::watchInputDevices();
    return std::make_unique<PulseDeviceWatch>(std::move(pulse));
}

}  // namespace platform::audio
