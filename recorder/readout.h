#pragma once
// The position and length readouts: minutes:seconds.tenths in a numbered text.

#include <cstdint>
#include <QString>
#include "resources/strings.h"

// `stringId` is the length or the position readout; `frames` at `sampleRate`.
QString ReadoutText(resources::StringId stringId, uint32_t frames, uint32_t sampleRate);
