#pragma once
// The position and length readouts: minutes:seconds.tenths in a numbered text.

#include <cstdint>
#include <QString>

// `stringId` is 384 (length) or 385 (position); `frames` at `sampleRate`.
QString ReadoutText(int stringId, uint32_t frames, uint32_t sampleRate);
