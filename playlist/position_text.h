#pragma once
// The playlist's position text: "mm:ss.t/mm:ss.t" for items under an hour,
// "h:mm:ss.t/h:mm:ss.t" otherwise, in integer arithmetic on sample frames.

#include <cstdint>
#include <QString>

namespace playlist {

// `position` and `length` in frames at `rate` frames per second; empty when
// there is no rate to count with.
QString FormatPositionText(uint32_t position, uint32_t length, uint32_t rate);

}  // namespace playlist
