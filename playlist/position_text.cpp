#include "playlist/position_text.h"

namespace playlist {

namespace {

// Tenths are truncated, never rounded up, so the text never runs ahead.
QString Minutes(uint32_t frames, uint32_t rate)
{
    const uint32_t seconds = frames / rate;
    return QString::asprintf("%02u:%02u.%u", seconds % 3600 / 60, seconds % 60,
                             uint32_t(uint64_t(frames % rate) * 10 / rate));
}

QString Hours(uint32_t frames, uint32_t rate)
{
    const uint32_t seconds = frames / rate;
    return QString::asprintf("%u:%02u:%02u.%u", seconds / 3600, seconds % 3600 / 60, seconds % 60,
                             uint32_t(uint64_t(frames % rate) * 10 / rate));
}

}  // namespace

QString FormatPositionText(uint32_t position, uint32_t length, uint32_t rate)
{
    if (rate == 0)
        return {};
    if (length / rate < 3600)
        return Minutes(position, rate) + '/' + Minutes(length, rate);
    return Hours(position, rate) + '/' + Hours(length, rate);
}

}  // namespace playlist
