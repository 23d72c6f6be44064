#include "recorder/control_states.h"

std::set<int> EnabledControls(EngineState state, bool hasData)
{
    using namespace RecorderControl;
    // A save holds the take still: nothing may start or move meanwhile.
    const bool idle = state == EngineState::Empty || state == EngineState::Stopped;
    const bool moving = idle || state == EngineState::Playing;
    std::set<int> on;
    if (idle)
        on.insert(Record);
    if (moving && hasData)
        on.insert({SeekStart, SeekEnd, PositionSlider});
    if (idle && hasData)
        on.insert({Play, ClearAfterPosition, NewRecording, Save});
    if (state == EngineState::Recording || state == EngineState::Playing)
        on.insert(Stop);
    // The device and format are the take's until New closes its device.
    if (state == EngineState::Empty)
        on.insert({DeviceList, FormatList});
    return on;
}
