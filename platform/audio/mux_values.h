#pragma once
// The values of a MUX select control in the wave mixer's order: one value per
// line, value k belonging to line n - 1 - k, exactly one of them on.

#include <cstdint>
#include <vector>

namespace platform::audio {

// The values with `activeLine` on (none on when it is -1).
std::vector<int32_t> MuxValues(int lineCount, int activeLine);
// The line that `values` switch on; -1 unless there is one value per line and
// exactly one of them is on.
int MuxLineOf(const std::vector<int32_t>& values, int lineCount);

}  // namespace platform::audio
