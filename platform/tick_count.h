#pragma once
// Milliseconds of a monotonic clock in an unsigned 32-bit value, wrapping
// like the system tick count the timing rules were written for.

#include <cstdint>

namespace platform {

uint32_t TickCount();

}  // namespace platform
