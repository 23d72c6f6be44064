#pragma once
// The input devices as the recorder lists them: PulseAudio sources by
// description, real inputs before monitors, each group in the server's order.

#include <optional>
#include <vector>

#include "platform/audio/audio_types.h"

namespace platform::audio {

class PulseContext;

// Lock not held. Nothing when the server does not answer within `timeoutMs`.
std::optional<std::vector<InputDevice>> ListInputDevices(PulseContext& pulse, int timeoutMs);

}  // namespace platform::audio
