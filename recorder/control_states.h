#pragma once
// Which of the recorder's transport controls and input lists the user may
// use, as a function of what the engine reports: its state and whether the
// take holds any audio.

#include <set>

#include "engine/engine_state.h"
#include "recorder/dialog_template.h"

// The controls whose state follows the engine; all others stay enabled.
inline constexpr int kEngineControls[] = {
    RecorderControl::Record,         RecorderControl::SeekStart,  RecorderControl::SeekEnd,
    RecorderControl::PositionSlider, RecorderControl::Play,       RecorderControl::ClearAfterPosition,
    RecorderControl::NewRecording,   RecorderControl::Save,       RecorderControl::Stop,
    RecorderControl::DeviceList,     RecorderControl::FormatList,
};

// The ids among kEngineControls that are enabled.
std::set<int> EnabledControls(EngineState state, bool hasData);
