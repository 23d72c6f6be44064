#pragma once
// A pseudo-random generator with the C runtime's contract: values 0 to 32767,
// one shared sequence per process, reseeded with CrtSrand. The textures are
// computed from it, so the same seed gives the same pictures.

#include <cstdint>

namespace controls {

inline constexpr int kCrtRandMax = 32767;

int CrtRand();
void CrtSrand(std::uint32_t seed);

}  // namespace controls
