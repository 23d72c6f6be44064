#pragma once
// MP3 bit rates in kbit/s by quality setting 0..15.

#include <array>

inline constexpr std::array<int, 16> QualityBitrates = {8,   16,  32,  40,  48,  56,  64,  80,
                                                        96,  112, 128, 160, 192, 224, 256, 320};
