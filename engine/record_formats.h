#pragma once
// The 28 recording formats: 7 rates x 8 or 16 bits x mono or stereo, ordered
// by rate, then 8-bit mono, 16-bit mono, 8-bit stereo, 16-bit stereo. The
// format list's index is the row.

#include <array>
#include <cstdint>

#include "platform/audio/audio_types.h"

namespace RecordFormats {

inline constexpr int kCount = 28;
inline constexpr int kDefaultRow = 9;  // 16000 Hz, 16 bits, mono

// Three parallel tables.
extern const std::array<uint16_t, kCount> kRates;
extern const std::array<uint16_t, kCount> kBits;
extern const std::array<uint16_t, kCount> kChannels;

// The wave format of a row; rows outside 0..27 (no selection) mean row 0.
platform::audio::PcmFormat Format(int row);

}  // namespace RecordFormats
