#include "engine/record_formats.h"

#include <cstdint>

platform::audio::PcmFormat RecordFormatOfRow(int row)
{
    static constexpr uint32_t kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000};
    if (row < 0 || row >= kRecordFormatCount)
        row = 0;
    platform::audio::PcmFormat f;
    f.sampleRate = kRates[row / 4];
    f.bitsPerSample = row % 2 == 0 ? 8 : 16;
    f.channels = (row / 2) % 2 == 0 ? 1 : 2;
    return f;
}
