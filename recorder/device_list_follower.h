#pragma once
// Keeps the recorder's device list in step with the sound
// server: sources that come and go while the window runs, and the capture
// device the server moved the recording to. The selection follows a device
// by its server name, not by its row.

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/audio/audio_backend.h"

class MixerPanel;
class QComboBox;
class QLabel;
class QWidget;

class DeviceListFollower : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QComboBox* devices = nullptr;
        QLabel* status = nullptr;   // the window's status line
        QWidget* window = nullptr;  // owner of the messages
    };
    // `deviceOpen` tells whether the recording engine holds a capture device.
    DeviceListFollower(const Controls& controls, std::function<bool()> deviceOpen, QObject* parent = nullptr);
    ~DeviceListFollower() override;

    // Fills the list from the server and selects the stored row (row 0 when
    // it does not exist); then follows the server's changes.
    void Fill(int storedIndex);
    // The mixer panel is told whenever the selected device changes under it.
    void SetMixerPanel(MixerPanel* panel) { m_mixer = panel; }

    // Reads the server's sources again, keeping the selected device.
    void Refresh();
    // The engine's capture device records from another source now.
    void OnCaptureMoved(const QString& fromSource, const QString& toSource);

private:
    void Rebuild(const std::vector<platform::audio::InputDevice>& devices, const QString& select);
    QString SelectedSource() const;
    QString DescriptionOf(const QString& source) const;

    Controls m_controls;
    std::function<bool()> m_deviceOpen;
    MixerPanel* m_mixer = nullptr;
    std::unique_ptr<platform::audio::InputDeviceWatch> m_watch;
    std::vector<platform::audio::InputDevice> m_devices;  // as the list shows them
    // Every source seen in this run: a removed one is still named in messages.
    QHash<QString, QString> m_descriptions;
};
