#include "platform/audio/fake_backend.h"

#include <QCoreApplication>

#include "platform/audio/fake_registry.h"
#include "platform/audio/format_check.h"

namespace platform::audio {

namespace {
void setError(QString* error, const QString& reason)
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

void FakeBackend::addInputDevice(const QString& name, bool isMonitor, const QString& serverName)
{
    InputDevice d;
    d.name = name;
    d.isMonitor = isMonitor;
    d.serverName = serverName.isEmpty() ? QStringLiteral("fake_source_%1").arg(m_devices.size()) : serverName;
    m_devices.push_back(d);
    reportDeviceChange();
}

void FakeBackend::removeInputDevice(const QString& serverName)
{
    std::erase_if(m_devices, [&](const InputDevice& d) { return d.serverName == serverName; });
    reportDeviceChange();
}

void FakeBackend::reportDeviceChange()
{
    std::erase_if(m_watches, [](const QPointer<InputDeviceWatch>& w) { return w.isNull(); });
    for (const auto& watch : m_watches)
        QMetaObject::invokeMethod(
            watch, [w = watch.data()] { emit w->inputDevicesChanged(); }, Qt::QueuedConnection);
}

std::unique_ptr<InputDeviceWatch> FakeBackend::watchInputDevices()
{
    auto watch = std::make_unique<InputDeviceWatch>();
    m_watches.emplace_back(watch.get());
    return watch;
}

FakeMixerDevice& FakeBackend::mixerDevice(int device)
{
    auto& slot = m_mixers[device];
    if (!slot)
        slot = std::make_shared<FakeMixerDevice>();
    return *slot;
}

FakeCaptureStream* FakeBackend::captureStream() const
{
    return m_registry->captures.empty() ? nullptr : m_registry->captures.back();
}

std::vector<FakePlaybackStream*> FakeBackend::playbackStreams() const { return m_registry->playbacks; }

FakePlaybackStream* FakeBackend::lastPlaybackStream() const
{
    return m_registry->playbacks.empty() ? nullptr : m_registry->playbacks.back();
}

int FakeBackend::captureOpenCount() const { return m_registry->captureOpens; }
int FakeBackend::captureCloseCount() const { return m_registry->captureCloses; }
int FakeBackend::playbackOpenCount() const { return m_registry->playbackOpens; }
int FakeBackend::playbackCloseCount() const { return m_registry->playbackCloses; }

void FakeBackend::processCallbacks() { QCoreApplication::sendPostedEvents(); }

std::vector<InputDevice> FakeBackend::inputDevices()
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

std::unique_ptr<CaptureStream> FakeBackend::openCapture(int device, const PcmFormat& format, CaptureCallbacks callbacks,
                                                        QString* error)
{
    if (!m_serverAvailable) {
        setError(error, kNoServer);
        return nullptr;
    }
    if (!m_captureOpenError.isEmpty()) {
        setError(error, m_captureOpenError);
        return nullptr;
    }
    if (device < -1 || device >= int(m_devices.size())) {
        setError(error, QStringLiteral("No such input device: %1").arg(device));
        return nullptr;
    }
    if (const QString reason = unsupportedFormatReason(format); !reason.isEmpty()) {
        setError(error, reason);
        return nullptr;
    }
    ++m_registry->captureOpens;
    return std::make_unique<FakeCaptureStream>(m_registry, device, format, std::move(callbacks));
}

std::unique_ptr<PlaybackStream> FakeBackend::openPlayback(const PcmFormat& format, PlaybackCallbacks callbacks,
                                                          QString* error)
{
    if (!m_serverAvailable) {
        setError(error, kNoServer);
        return nullptr;
    }
    if (!m_playbackOpenError.isEmpty()) {
        setError(error, m_playbackOpenError);
        return nullptr;
    }
    if (const QString reason = unsupportedFormatReason(format); !reason.isEmpty()) {
        setError(error, reason);
        return nullptr;
    }
    ++m_registry->playbackOpens;
    return std::make_unique<FakePlaybackStream>(m_registry, format, std::move(callbacks));
}

std::unique_ptr<InputMixer> FakeBackend::openMixer(int device, MixerCallbacks callbacks)
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
