#pragma once
// An 8-bit (or 1/4-bit) picture with its own palette, held in one memory
// block in the packed device-independent layout: a 40-byte info header, the
// palette as (blue, green, red, 0) quads, then the pixel rows bottom row
// first, each row padded to a multiple of four bytes. Changing the palette
// recolours the whole picture without touching a pixel.

#include <QColor>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <memory>

namespace controls {

struct BitmapInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;  // BI_RGB
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

class PaletteImage {
public:
    static constexpr std::uint32_t kHeaderSize = 40;

    PaletteImage() = default;
    PaletteImage(const PaletteImage&) = delete;
    PaletteImage& operator=(const PaletteImage&) = delete;

    // Releases what is held and allocates a new block (pixels unset). Returns
    // the block, or nullptr when the size cannot be held.
    std::uint8_t* Create(int width, int height, int bitsPerPixel);
    void Release();

    std::uint8_t* Bits();
    const std::uint8_t* Bits() const;
    const std::uint8_t* Block() const { return m_block.get(); }
    int Width() const { return m_header.biWidth; }
    int Height() const { return m_header.biHeight; }
    std::uint32_t Stride() const { return m_stride; }
    int BitCount() const { return m_header.biBitCount; }
    int PaletteSize() const { return m_paletteSize; }
    std::uint32_t TotalSize() const;

    // Only the low 8 bits of index count; an index beyond the palette is ignored.
    void SetPaletteEntry(int index, int red, int green, int blue);
    QRgb PaletteEntry(int index) const;
    // Moves every entry percent (at most 100) of the way towards colour.
    void TintPalette(QColor colour, unsigned percent);
    void Fill(std::uint8_t index);
    // y counts from the top; outside the picture nothing happens.
    void SetPixel(int x, int y, std::uint8_t index);
    std::uint8_t Pixel(int x, int y) const;
    void CopyFrom(const PaletteImage& other);

    // Copies the pixels (and palette) into the drawable image made at the
    // first call and draws it at (x, y) in full size.
    void Draw(QPainter& painter, int x, int y);
    // The picture as it would be drawn: the palette applied to the pixels.
    QImage ToImage() const;

private:
    std::uint8_t* PaletteBytes();
    const std::uint8_t* PaletteBytes() const;
    void WriteHeader();
    void FillSection(QImage& section) const;

    std::unique_ptr<std::uint8_t[]> m_block;
    BitmapInfoHeader m_header;
    std::uint32_t m_stride = 0;
    std::uint16_t m_paletteSize = 0;
    // The drawable copy, made at the first drawing and kept (there is no
    // separate memory context in Qt: a QImage is both).
    QImage m_section;
};

}  // namespace controls
