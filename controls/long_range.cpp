#include "controls/long_range.h"

#include <algorithm>
#include <climits>

namespace controls {

void LongRange::Set(qint64 minimum, qint64 maximum)
{
    m_min = minimum;
    m_max = std::max(minimum, maximum);
    m_scale = m_max > INT_MAX ? (m_max + INT_MAX - 1) / INT_MAX : 1;
}

int LongRange::ToSteps(qint64 units) const
{
    return int(std::clamp<qint64>((units + m_scale - 1) / m_scale, MinSteps(), MaxSteps()));
}

qint64 LongRange::FromSteps(int steps) const { return std::min<qint64>(qint64(steps) * m_scale, m_max); }

}  // namespace controls
