#pragma once
// The settings the window's controls show and change: put into the
// controls when the window opens, read back before a save and on close.

#include <QObject>
#include <QTimer>
#include <functional>

#include "settings/settings_store.h"

struct WindowControls;

// The record folder edit, the save format, the rename and loop check boxes.
void ShowSettings(const RecorderSettings& settings, const WindowControls& controls);
void TakeSettings(RecorderSettings& settings, const WindowControls& controls);

// The chosen input device and format, remembered for the next start.
InputHistory TakeInputHistory(const WindowControls& controls);

// Has the settings written a moment after any of them changes, as well as
// at close: a program killed or cut off by a power failure keeps what the
// user chose. The moment lets a typed folder name be written once.
class SettingsAutosave : public QObject {
public:
    SettingsAutosave(const WindowControls& controls, std::function<void()> store, QObject* parent = nullptr);

private:
    QTimer m_pending;
};
