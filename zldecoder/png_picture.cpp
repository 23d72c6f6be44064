#include "png_picture.h"

#include <png.h>

#include <cstring>
#include <new>

namespace zldecoder {

PictureResult DecodePng(const uint8_t* data, size_t size, uint32_t maxSide, uint64_t maxPixels, Picture& out)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size))
        return PictureResult::Damaged;  // libpng has freed its own state
    if (image.width == 0 || image.height == 0 || image.width > maxSide || image.height > maxSide ||
        uint64_t(image.width) * image.height > maxPixels) {
        png_image_free(&image);
        return PictureResult::TooLarge;
    }
    image.format = PNG_FORMAT_BGRA;
    const size_t bytes = size_t(image.width) * image.height * 4;
    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[bytes]);
    if (!pixels) {
        png_image_free(&image);
        return PictureResult::TooLarge;
    }
    // A positive stride puts the top row first.
    const bool read =
        png_image_finish_read(&image, nullptr, pixels.get(), static_cast<png_int_32>(image.width * 4), nullptr);
    png_image_free(&image);
    if (!read)
        return PictureResult::Damaged;
    out.width = image.width;
    out.height = image.height;
    out.pixels = std::move(pixels);
    return PictureResult::Decoded;
}

}  // namespace zldecoder
