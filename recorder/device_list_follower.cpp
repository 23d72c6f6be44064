#include "recorder/device_list_follower.h"

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QSignalBlocker>

#include "input/input_lists.h"
#include "input/mixer_panel.h"
#include "recorder/recorder_log.h"
#include "resources/strings.h"

using platform::audio::InputDevice;

namespace {

QString Formatted(resources::StringId stringId, const QString& a, const QString& b = {})
{
    QString text = resources::Text(stringId);
    // The table's texts use %s as printf would.
    const int first = text.indexOf(QStringLiteral("%s"));
    if (first >= 0)
        text.replace(first, 2, a);
    const int second = text.indexOf(QStringLiteral("%s"), first < 0 ? 0 : first + int(a.size()));
    if (second >= 0)
        text.replace(second, 2, b);
    return text;
}

}  // namespace

DeviceListFollower::DeviceListFollower(const Controls& controls, std::function<bool()> deviceOpen, QObject* parent)
    : QObject(parent)
    , m_controls(controls)
    , m_deviceOpen(std::move(deviceOpen))
{
}

DeviceListFollower::~DeviceListFollower() = default;

void DeviceListFollower::Fill(int storedIndex)
{
    auto& backend = platform::audio::Backend();
    // Watching first: a source added while the list is read is not missed.
    m_watch = backend.WatchInputDevices();
    connect(m_watch.get(), &platform::audio::InputDeviceWatch::InputDevicesChanged, this, &DeviceListFollower::Refresh);
    m_devices = backend.InputDevices();
    for (const auto& d : m_devices)
        m_descriptions.insert(d.serverName, d.name);
    InputLists::FillDeviceList(m_controls.devices, m_devices, storedIndex);
}

QString DeviceListFollower::SelectedSource() const
{
    const int row = m_controls.devices->currentIndex();
    return row >= 0 && row < int(m_devices.size()) ? m_devices[size_t(row)].serverName : QString();
}

QString DeviceListFollower::DescriptionOf(const QString& source) const { return m_descriptions.value(source, source); }

void DeviceListFollower::Refresh()
{
    const QString selected = SelectedSource();
    const auto devices = platform::audio::Backend().InputDevices();
    for (const auto& d : devices)
        m_descriptions.insert(d.serverName, d.name);
    const bool kept = selected.isEmpty() ||
        std::any_of(devices.begin(), devices.end(), [&](const InputDevice& d) { return d.serverName == selected; });
    QString select = selected;
    if (!kept) {
        // The chosen device went away. An open capture device was moved by
        // the server and says where to; otherwise the default takes over.
        const auto fallback =
            std::find_if(devices.begin(), devices.end(), [](const InputDevice& d) { return d.isDefault; });
        select = fallback != devices.end() ? fallback->serverName : QString();
        if (!m_deviceOpen() && m_controls.status) {
            qCInfo(lcRecorder) << "selected source" << selected << "removed; now" << select;
            m_controls.status->setText(Formatted(resources::IDS_DEVICE_REMOVED_DEFAULT_CHOSEN, DescriptionOf(selected),
                                                 DescriptionOf(select)));
        }
    }
    Rebuild(devices, select);
}

void DeviceListFollower::Rebuild(const std::vector<InputDevice>& devices, const QString& select)
{
    const QString before = SelectedSource();
    const int rowBefore = m_controls.devices->currentIndex();
    m_devices = devices;
    int row = m_devices.empty() ? -1 : 0;
    for (size_t i = 0; i < m_devices.size(); ++i)
        if (m_devices[i].serverName == select)
            row = int(i);
    {
        // The rows change under the selection; the mixer is told once below.
        const QSignalBlocker blocker(m_controls.devices);
        m_controls.devices->clear();
        for (const auto& d : m_devices)
            m_controls.devices->addItem(d.name);
        m_controls.devices->setCurrentIndex(row);
    }
    if (m_mixer && (SelectedSource() != before || row != rowBefore))
        m_mixer->OnDeviceReplaced();
}

void DeviceListFollower::OnCaptureMoved(const QString& fromSource, const QString& toSource)
{
    qCWarning(lcRecorder) << "the server moved the capture from" << fromSource << "to" << toSource;
    const QString fromName = DescriptionOf(fromSource);
    const auto devices = platform::audio::Backend().InputDevices();
    for (const auto& d : devices)
        m_descriptions.insert(d.serverName, d.name);
    Rebuild(devices, toSource);
    // Not modal: a take goes on, and Stop stays at hand.
    auto* box = new QMessageBox(QMessageBox::Warning, m_controls.window->windowTitle(),
                                Formatted(resources::IDS_CAPTURE_DEVICE_MOVED, fromName, DescriptionOf(toSource)),
                                QMessageBox::Ok, m_controls.window);
    box->setObjectName(QStringLiteral("captureMovedMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}
