#include "controls/crt_random.h"

namespace controls {
namespace {
// The classic linear congruential step; bits 16..30 of the state are the result.
std::uint32_t state = 1;
}  // namespace

int CrtRand()
{
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7fffu);
}

void CrtSrand(std::uint32_t seed) { state = seed; }

}  // namespace controls
