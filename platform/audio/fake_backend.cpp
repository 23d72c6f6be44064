#include "platform/audio/fake_backend.h"

#include <QCoreApplication>

#include "platform/audio/fake_registry.h"
#include "platform/audio/format_check.h"

namespace platform::audio {

namespace {
void SetError(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
}
const QString kNoServer = QStringLiteral("Connection refused");
}  // namespace

FakeBackend::FakeBackend()
    : m_registry(std::make_shared<FakeRegistry>())
{
}

FakeBackend::~FakeBackend() = default;

void FakeBackend::AddInputDevice(const QString& name, bool isMonitor, const QString& serverName)
{
    InputDevice d;
    d.name = name;
    d.isMonitor = isMonitor;
    d.serverName = serverName.isEmpty() ? QStringLiteral("fake_source_%1").arg(m_devices.size()) : serverName;
    m_devices.push_back(d);
    ReportDeviceChange();
}

void FakeBackend::RemoveInputDevice(const QString& serverName)
{
    std::erase_if(m_devices, [&](const InputDevice& d) { return d.serverName == serverName; });
    ReportDeviceChange();
}

void FakeBackend::ReportDeviceChange()
{
    std::erase_if(m_watches, [](const QPointer<InputDeviceWatch>& w) { return w.isNull(); });
    for (const auto& watch : m_watches)
        QMetaObject::invokeMethod(
            watch, [w = watch.data()] { emit w->InputDevicesChanged(); }, Qt::QueuedConnection);
}

std::unique_ptr<InputDeviceWatch> FakeBackend::WatchInputDevices()
{
    auto watch = std::make_unique<InputDeviceWatch>();
    m_watches.emplace_back(watch.get());
    return watch;
}

FakeMixerDevice& FakeBackend::MixerDevice(int device)
{
    auto& slot = m_mixers[device];
    if (!slot)
        slot = std::make_shared<FakeMixerDevice>();
    return *slot;
}

FakeCaptureStream* FakeBackend::GetCaptureStream() const
{
    return m_registry->captures.empty() ? nullptr : m_registry->captures.back();
}

std::vector<FakePlaybackStream*> FakeBackend::PlaybackStreams() const { return m_registry->playbacks; }

FakePlaybackStream* FakeBackend::LastPlaybackStream() const
{
    return m_registry->playbacks.empty() ? nullptr : m_registry->playbacks.back();
}

int FakeBackend::CaptureOpenCount() const { return m_registry->captureOpens; }
int FakeBackend::CaptureCloseCount() const { return m_registry->captureCloses; }
int FakeBackend::PlaybackOpenCount() const { return m_registry->playbackOpens; }
int FakeBackend::PlaybackCloseCount() const { return m_registry->playbackCloses; }

void FakeBackend::ProcessCallbacks() { QCoreApplication::sendPostedEvents(); }

std::vector<InputDevice> FakeBackend::InputDevices()
{
    std::vector<InputDevice> list;
    if (!m_serverAvailable)
        return list;
    for (bool monitors : {false, true})
        for (const auto& d : m_devices)
            if (d.isMonitor == monitors) {
                list.push_back(d);
                list.back().isDefault = d.serverName == m_defaultSource;
                list.back().index = int(list.size()) - 1;
            }
    return list;
}

std::unique_ptr<CaptureStream> FakeBackend::OpenCapture(int device, const PcmFormat& format, CaptureCallbacks callbacks,
                                                        QString* error)
{
    if (!m_serverAvailable) {
        SetError(error, kNoServer);
        return nullptr;
    }
    if (!m_captureOpenError.isEmpty()) {
        SetError(error, m_captureOpenError);
        return nullptr;
    }
    if (device < -1 || device >= int(m_devices.size())) {
        SetError(error, QStringLiteral("No such input device: %1").arg(device));
        return nullptr;
    }
    if (const QString reason = UnsupportedFormatReason(format); !reason.isEmpty()) {
        SetError(error, reason);
        return nullptr;
    }
    ++m_registry->captureOpens;
    return std::make_unique<FakeCaptureStream>(m_registry, device, format, std::move(callbacks));
}

std::unique_ptr<PlaybackStream> FakeBackend::OpenPlayback(const PcmFormat& format, PlaybackCallbacks callbacks,
                                                          QString* error)
{
    if (!m_serverAvailable) {
        SetError(error, kNoServer);
        return nullptr;
    }
    if (!m_playbackOpenError.isEmpty()) {
        SetError(error, m_playbackOpenError);
        return nullptr;
    }
    if (const QString reason = UnsupportedFormatReason(format); !reason.isEmpty()) {
        SetError(error, reason);
        return nullptr;
    }
    ++m_registry->playbackOpens;
    return std::make_unique<FakePlaybackStream>(m_registry, format, std::move(callbacks));
}

std::unique_ptr<InputMixer> FakeBackend::OpenMixer(int device, MixerCallbacks callbacks)
{
    if (!m_serverAvailable)
        return nullptr;
    const auto it = m_mixers.find(device);
    if (it == m_mixers.end())
        return nullptr;
    ++m_mixerOpens;
    return std::make_unique<FakeInputMixer>(it->second, std::move(callbacks));
}

}  // namespace platform::audio
