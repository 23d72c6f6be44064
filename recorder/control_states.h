#pragma once
// Which of the recorder's transport controls and input lists the user may
// use, as a function of what the engine reports: its state and whether the
// take holds any audio.

#include <set>

#include "engine/engine_state.h"

namespace RecorderControl {
inline constexpr int Play = 103;
inline constexpr int Stop = 1022;
inline constexpr int Save = 1116;
inline constexpr int PositionSlider = 1121;
inline constexpr int SeekStart = 1122;
inline constexpr int SeekEnd = 1123;
inline constexpr int ClearAfterPosition = 1124;
inline constexpr int NewRecording = 1125;
inline constexpr int Record = 1127;
inline constexpr int FormatList = 1217;
inline constexpr int DeviceList = 1266;
}  // namespace RecorderControl

// The controls whose state follows the engine; all others stay enabled.
inline constexpr int kEngineControls[] = {
    RecorderControl::Record,   RecorderControl::SeekStart,    RecorderControl::SeekEnd,
    RecorderControl::PositionSlider, RecorderControl::Play,   RecorderControl::ClearAfterPosition,
    RecorderControl::NewRecording, RecorderControl::Save,     RecorderControl::Stop,
    RecorderControl::DeviceList, RecorderControl::FormatList,
};

// The ids among kEngineControls that are enabled.
std::set<int> EnabledControls(EngineState state, bool hasData);
