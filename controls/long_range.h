#pragma once
// A range of up to 2^32 units on a control that counts in int: beyond an
// int the units are scaled down by a whole factor, rounding positions up so
// that the top step still stands for the maximum exactly.

#include <QtGlobal>

namespace controls {

class LongRange {
public:
    void Set(qint64 minimum, qint64 maximum);
    qint64 Maximum() const { return m_max; }
    // Units per step (1 unless the range is beyond an int).
    qint64 Scale() const { return m_scale; }
    int MinSteps() const { return int(m_min / m_scale); }
    int MaxSteps() const { return int((m_max + m_scale - 1) / m_scale); }
    // The step that shows `units` (clamped to the range's steps).
    int ToSteps(qint64 units) const;
    // The units a step stands for, never beyond the maximum.
    qint64 FromSteps(int steps) const;

private:
    qint64 m_min = 0;
    qint64 m_max = 0;
    qint64 m_scale = 1;
};

}  // namespace controls
