#pragma once
// PNG pictures decoded by libpng into 32-bit BGRA, rows top-down.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zldecoder {

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::unique_ptr<uint8_t[]> pixels;  // width * height * 4 bytes, stable while the picture lives
};

enum class PictureResult { Decoded, Damaged, TooLarge };

// Decodes a PNG whose sides are at most maxSide and whose pixel count is at
// most maxPixels; the limits are checked before any pixel memory is taken.
PictureResult DecodePng(const uint8_t* data, size_t size, uint32_t maxSide, uint64_t maxPixels, Picture& out);

}  // namespace zldecoder
