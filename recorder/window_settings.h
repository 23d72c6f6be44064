#pragma once
// The settings the window's controls show and change: put into the
// controls when the window opens, read back before a save and on close.

#include "settings/settings_store.h"

struct WindowControls;

// The record folder edit, the save format, the rename and loop check boxes.
void ShowSettings(const RecorderSettings& settings, const WindowControls& controls);
void TakeSettings(RecorderSettings& settings, const WindowControls& controls);

// The chosen input device and format, remembered for the next start.
InputHistory TakeInputHistory(const WindowControls& controls);
