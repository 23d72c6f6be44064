#pragma once
// The 28 recording formats by row of the format list: seven rates, each as
// 8-bit mono, 16-bit mono, 8-bit stereo, 16-bit stereo.

#include "platform/audio/audio_types.h"

inline constexpr int kRecordFormatCount = 28;

// A row outside the list (nothing selected) gives row 0, 8000 Hz 8-bit mono.
platform::audio::PcmFormat RecordFormatOfRow(int row);
