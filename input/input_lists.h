#pragma once
// Fills the device and format lists of the recorder window and restores the
// stored choices.

#include <QString>
#include <vector>

#include "platform/audio/audio_types.h"

class QComboBox;

namespace InputLists {

// One entry per input device, in the enumeration's order; selects `storedIndex`,
// or entry 0 when that does not exist. An empty list keeps no selection.
void FillDeviceList(QComboBox* list, const std::vector<platform::audio::InputDevice>& devices, int storedIndex);

// The text of format row `row`: the mono or the stereo pattern with the
// rate and the bits.
QString FormatLabel(int row);

// The 28 format rows; selects `storedRow`, or row 0 when that does not exist.
void FillFormatList(QComboBox* list, int storedRow);

}  // namespace InputLists
