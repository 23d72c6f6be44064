#include "platform/audio/mux_values.h"

#include <algorithm>

namespace platform::audio {

std::vector<int32_t> MuxValues(int lineCount, int activeLine)
{
    std::vector<int32_t> values(size_t(std::max(lineCount, 0)), 0);
    if (activeLine >= 0 && activeLine < lineCount)
        values[size_t(lineCount - 1 - activeLine)] = 1;
    return values;
}

int MuxLineOf(const std::vector<int32_t>& values, int lineCount)
{
    if (lineCount <= 0 || values.size() != size_t(lineCount))
        return -1;
    if (std::count_if(values.begin(), values.end(), [](int32_t v) { return v != 0; }) != 1)
        return -1;
    const auto k = int(std::find_if(values.begin(), values.end(), [](int32_t v) { return v != 0; }) - values.begin());
    return lineCount - 1 - k;
}

}  // namespace platform::audio
