#include "controls/palette_image.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace controls {
namespace {

void PutLe(std::uint8_t*& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        *out++ = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::uint8_t* PaletteImage::Create(int width, int height, int bitsPerPixel)
{
    Release();
    if (width < 0 || height < 0 || bitsPerPixel <= 0 || bitsPerPixel > 32)
        return nullptr;
    const std::uint64_t stride = (std::uint64_t(width) * bitsPerPixel + 31) / 32 * 4;
    const std::uint64_t imageSize = stride * std::uint64_t(height);
    const std::uint16_t paletteSize = bitsPerPixel == 1 ? 2 : bitsPerPixel == 4 ? 16 : bitsPerPixel == 8 ? 256 : 0;
    const std::uint64_t total = kHeaderSize + 4ull * paletteSize + imageSize;
    if (total > std::numeric_limits<std::uint32_t>::max())
        return nullptr;

    m_header = {};
    m_header.biSize = kHeaderSize;
    m_header.biWidth = width;
    m_header.biHeight = height;
    m_header.biPlanes = 1;
    m_header.biBitCount = static_cast<std::uint16_t>(bitsPerPixel);
    m_header.biCompression = 0;
    m_header.biSizeImage = static_cast<std::uint32_t>(imageSize);
    m_stride = static_cast<std::uint32_t>(stride);
    m_paletteSize = paletteSize;
    m_block = std::make_unique_for_overwrite<std::uint8_t[]>(total);
    WriteHeader();
    return m_block.get();
}

void PaletteImage::WriteHeader()
{
    // Little-endian, as the packed layout is defined, whatever the host.
    std::uint8_t* out = m_block.get();
    PutLe(out, m_header.biSize, 4);
    PutLe(out, std::uint32_t(m_header.biWidth), 4);
    PutLe(out, std::uint32_t(m_header.biHeight), 4);
    PutLe(out, m_header.biPlanes, 2);
    PutLe(out, m_header.biBitCount, 2);
    PutLe(out, m_header.biCompression, 4);
    PutLe(out, m_header.biSizeImage, 4);
    PutLe(out, std::uint32_t(m_header.biXPelsPerMeter), 4);
    PutLe(out, std::uint32_t(m_header.biYPelsPerMeter), 4);
    PutLe(out, m_header.biClrUsed, 4);
    PutLe(out, m_header.biClrImportant, 4);
}

void PaletteImage::Release()
{
    m_section = QImage();
    m_block.reset();
    m_header = {};
    m_stride = 0;
    m_paletteSize = 0;
}

std::uint8_t* PaletteImage::PaletteBytes() { return m_block ? m_block.get() + kHeaderSize : nullptr; }
const std::uint8_t* PaletteImage::PaletteBytes() const { return m_block ? m_block.get() + kHeaderSize : nullptr; }

std::uint8_t* PaletteImage::Bits() { return m_block ? m_block.get() + m_header.biSize + 4u * m_paletteSize : nullptr; }

const std::uint8_t* PaletteImage::Bits() const
{
    return m_block ? m_block.get() + m_header.biSize + 4u * m_paletteSize : nullptr;
}

std::uint32_t PaletteImage::TotalSize() const { return kHeaderSize + 4u * m_paletteSize + m_header.biSizeImage; }

void PaletteImage::SetPaletteEntry(int index, int red, int green, int blue)
{
    const unsigned i = static_cast<unsigned>(index) & 0xffu;
    if (!m_block || i >= m_paletteSize)
        return;
    std::uint8_t* quad = PaletteBytes() + 4 * i;
    quad[0] = static_cast<std::uint8_t>(blue);
    quad[1] = static_cast<std::uint8_t>(green);
    quad[2] = static_cast<std::uint8_t>(red);
    quad[3] = 0;
}

QRgb PaletteImage::PaletteEntry(int index) const
{
    const unsigned i = static_cast<unsigned>(index) & 0xffu;
    if (!m_block || i >= m_paletteSize)
        return qRgb(0, 0, 0);
    const std::uint8_t* quad = PaletteBytes() + 4 * i;
    return qRgb(quad[2], quad[1], quad[0]);
}

void PaletteImage::TintPalette(QColor colour, unsigned percent)
{
    if (!m_block)
        return;
    percent = std::min(percent, 100u);
    const unsigned target[3] = {unsigned(colour.blue()), unsigned(colour.green()), unsigned(colour.red())};
    std::uint8_t* quad = PaletteBytes();
    for (unsigned i = 0; i < m_paletteSize; ++i, quad += 4) {
        for (int c = 0; c < 3; ++c)
            quad[c] = static_cast<std::uint8_t>((target[c] * percent + quad[c] * (100u - percent)) / 100u);
    }
}

void PaletteImage::Fill(std::uint8_t index)
{
    if (m_block)
        std::memset(Bits(), index, m_header.biSizeImage);
}

void PaletteImage::SetPixel(int x, int y, std::uint8_t index)
{
    if (!m_block || x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    Bits()[std::size_t(Height() - 1 - y) * m_stride + x] = index;
}

std::uint8_t PaletteImage::Pixel(int x, int y) const
{
    if (!m_block || x < 0 || y < 0 || x >= Width() || y >= Height())
        return 0;
    return Bits()[std::size_t(Height() - 1 - y) * m_stride + x];
}

void PaletteImage::CopyFrom(const PaletteImage& other)
{
    if (&other == this)
        return;
    if (!other.m_block) {
        Release();
        return;
    }
    if (Create(other.Width(), other.Height(), other.BitCount()))
        std::memcpy(m_block.get(), other.m_block.get(), other.TotalSize());
}

void PaletteImage::FillSection(QImage& section) const
{
    QList<QRgb> table(m_paletteSize);
    for (int i = 0; i < m_paletteSize; ++i)
        table[i] = PaletteEntry(i);
    section.setColorTable(table);
    const int rowBytes = int((std::uint64_t(Width()) * BitCount() + 7) / 8);
    for (int y = 0; y < Height(); ++y)
        std::memcpy(section.scanLine(y), Bits() + std::size_t(Height() - 1 - y) * m_stride, rowBytes);
}

void PaletteImage::Draw(QPainter& painter, int x, int y)
{
    if (!m_block || Width() == 0 || Height() == 0)
        return;
    const QImage::Format format = BitCount() == 8 ? QImage::Format_Indexed8
        : BitCount() == 1                         ? QImage::Format_Mono
                                                  : QImage::Format_Invalid;
    if (format == QImage::Format_Invalid)
        return;  // only the palette depths this program draws
    if (m_section.isNull())
        m_section = QImage(Width(), Height(), format);
    if (m_section.isNull())
        return;
    // The palette is re-read too, so a tint applied after the first drawing shows.
    FillSection(m_section);
    painter.drawImage(x, y, m_section);
}

QImage PaletteImage::ToImage() const
{
    if (!m_block || BitCount() != 8 || Width() == 0 || Height() == 0)
        return {};
    QImage image(Width(), Height(), QImage::Format_Indexed8);
    FillSection(image);
    return image;
}

}  // namespace controls
