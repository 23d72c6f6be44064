// The packed palette picture and the button texture built from it.
#include "controls/crt_random.h"
#include "controls/gradient_button.h"
#include "controls/palette_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using controls::GradientButton;
using controls::PaletteImage;

namespace {

std::uint32_t readLe32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
std::uint16_t readLe16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }

std::vector<std::uint8_t> blockCopy(const PaletteImage& image)
{
    return {image.Block(), image.Block() + image.TotalSize()};
}

}  // namespace

TEST(PaletteImage, PackedLayoutHasHeaderPaletteAndPaddedRows)
{
    PaletteImage image;
    ASSERT_NE(image.Create(10, 3, 8), nullptr);
    EXPECT_EQ(image.Stride(), 12u);  // 10 bytes padded to a multiple of four
    EXPECT_EQ(image.PaletteSize(), 256);
    EXPECT_EQ(image.TotalSize(), 40u + 1024u + 36u);
    const std::uint8_t* block = image.Block();
    EXPECT_EQ(readLe32(block + 0), 40u);
    EXPECT_EQ(readLe32(block + 4), 10u);
    EXPECT_EQ(readLe32(block + 8), 3u);  // positive: bottom row first
    EXPECT_EQ(readLe16(block + 12), 1);
    EXPECT_EQ(readLe16(block + 14), 8);
    EXPECT_EQ(readLe32(block + 16), 0u);
    EXPECT_EQ(readLe32(block + 20), 36u);
    for (int offset = 24; offset < 40; offset += 4)
        EXPECT_EQ(readLe32(block + offset), 0u) << offset;
    EXPECT_EQ(image.Bits(), block + 40 + 1024);
}

TEST(PaletteImage, StrideAndPaletteFollowTheDepth)
{
    PaletteImage image;
    image.Create(5, 2, 1);
    EXPECT_EQ(image.Stride(), 4u);
    EXPECT_EQ(image.PaletteSize(), 2);
    image.Create(9, 1, 4);
    EXPECT_EQ(image.Stride(), 8u);
    EXPECT_EQ(image.PaletteSize(), 16);
    image.Create(3, 1, 24);
    EXPECT_EQ(image.Stride(), 12u);
    EXPECT_EQ(image.PaletteSize(), 0);
    EXPECT_EQ(image.TotalSize(), 40u + 12u);
    image.Release();
    EXPECT_EQ(image.Bits(), nullptr);
    EXPECT_EQ(image.Width(), 0);
}

TEST(PaletteImage, SetPixelCountsRowsFromTheTopAndIgnoresOutsidePixels)
{
    PaletteImage image;
    image.Create(6, 4, 8);
    image.Fill(0);
    image.SetPixel(2, 0, 7);  // top row: the last row in the block
    image.SetPixel(5, 3, 9);  // bottom row: the first row in the block
    EXPECT_EQ(image.Bits()[3 * image.Stride() + 2], 7);
    EXPECT_EQ(image.Bits()[0 * image.Stride() + 5], 9);
    EXPECT_EQ(image.Pixel(2, 0), 7);

    const auto before = blockCopy(image);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {6, 0}, {0, 4}, {6, 4}, {-100, 200}})
        image.SetPixel(x, y, 200);
    EXPECT_EQ(blockCopy(image), before);
}

TEST(PaletteImage, PaletteEntriesAreStoredBlueGreenRedAndIndexedByTheLowByte)
{
    PaletteImage image;
    image.Create(2, 2, 8);
    image.SetPaletteEntry(3, 10, 20, 30);
    const std::uint8_t* quad = image.Block() + 40 + 4 * 3;
    EXPECT_EQ(quad[0], 30);
    EXPECT_EQ(quad[1], 20);
    EXPECT_EQ(quad[2], 10);
    EXPECT_EQ(quad[3], 0);
    image.SetPaletteEntry(0x105, 1, 2, 3);  // low byte 5
    EXPECT_EQ(image.PaletteEntry(5), qRgb(1, 2, 3));

    PaletteImage small;
    small.Create(2, 2, 4);
    const auto before = blockCopy(small);
    small.SetPaletteEntry(20, 9, 9, 9);  // beyond the 16 entries: ignored
    EXPECT_EQ(blockCopy(small), before);
}

TEST(PaletteImage, TintingMovesThePaletteAndLeavesThePixels)
{
    PaletteImage image;
    image.Create(8, 8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.SetPixel(x, y, std::uint8_t(x * 8 + y));
    image.SetPaletteEntry(0, 100, 50, 0);
    image.SetPaletteEntry(1, 255, 255, 255);
    const std::vector<std::uint8_t> pixels(image.Bits(), image.Bits() + 8 * image.Stride());

    image.TintPalette(QColor(200, 100, 255), 50);
    EXPECT_EQ(image.PaletteEntry(0), qRgb(150, 75, 127));  // (255*50 + 0*50) / 100 = 127
    EXPECT_EQ(image.PaletteEntry(1), qRgb(227, 177, 255));
    EXPECT_EQ(std::vector<std::uint8_t>(image.Bits(), image.Bits() + 8 * image.Stride()), pixels);

    image.TintPalette(QColor(1, 2, 3), 250);  // above 100 acts as 100
    EXPECT_EQ(image.PaletteEntry(0), qRgb(1, 2, 3));
    EXPECT_EQ(image.PaletteEntry(255), qRgb(1, 2, 3));

    image.TintPalette(QColor(9, 9, 9), 0);
    EXPECT_EQ(image.PaletteEntry(0), qRgb(1, 2, 3));
}

TEST(PaletteImage, CopyIsWholeAndIndependent)
{
    PaletteImage source;
    source.Create(5, 3, 8);
    source.Fill(4);
    source.SetPaletteEntry(4, 1, 2, 3);
    PaletteImage copy;
    copy.CopyFrom(source);
    ASSERT_EQ(copy.TotalSize(), source.TotalSize());
    EXPECT_EQ(std::memcmp(copy.Block(), source.Block(), source.TotalSize()), 0);
    source.SetPixel(0, 0, 9);
    source.SetPaletteEntry(4, 7, 7, 7);
    EXPECT_EQ(copy.Pixel(0, 0), 4);
    EXPECT_EQ(copy.PaletteEntry(4), qRgb(1, 2, 3));
}

TEST(GradientTexture, PaletteRunsFromShadowThroughFaceToHighlight)
{
    const QColor s(100, 20, 40), f(200, 180, 160), l(255, 250, 245);
    PaletteImage face;
    GradientButton::BuildFace(face, 40, 20, s, f, l, 8);
    EXPECT_EQ(face.PaletteEntry(0), s.rgb());
    EXPECT_EQ(face.PaletteEntry(255), l.rgb());
    // Entry 128 is the first step above the face colour; entry 64 halfway down to the shadow.
    EXPECT_EQ(face.PaletteEntry(128), qRgb((200 * 127 + 255) / 128, (180 * 127 + 250) / 128, (160 * 127 + 245) / 128));
    EXPECT_EQ(face.PaletteEntry(64), qRgb(150, 100, 100));
    EXPECT_EQ(face.PaletteEntry(127), qRgb((100 + 200 * 127) / 128, (20 + 180 * 127) / 128, (40 + 160 * 127) / 128));
    for (int i = 1; i < 256; ++i)
        EXPECT_GE(qRed(face.PaletteEntry(i)), qRed(face.PaletteEntry(i - 1))) << i;
}

TEST(GradientTexture, TopLeftIsLightestAndBottomRightDarkestForAnySeed)
{
    for (std::uint32_t seed : {1u, 7u, 12345u, 0xdeadbeefu}) {
        controls::CrtSrand(seed);
        PaletteImage face;
        const int w = 80, h = 24;
        GradientButton::BuildFace(face, w, h, Qt::black, Qt::gray, Qt::white, 8);
        // Shading alone gives 99 + 94 at the top left and 1 at the bottom
        // right; noise adds 0..16 and a streak may set a base of up to 40.
        EXPECT_GE(face.Pixel(0, 0), 193) << seed;
        EXPECT_LE(face.Pixel(w - 1, h - 1), 1 + 16 + 40) << seed;
        int maxIndex = 0;
        long topLeft = 0, bottomRight = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                maxIndex = std::max<int>(maxIndex, face.Pixel(x, y));
                if (x < 8 && y < 6)
                    topLeft += face.Pixel(x, y);
                if (x >= w - 8 && y >= h - 6)
                    bottomRight += face.Pixel(x, y);
            }
        EXPECT_LE(maxIndex, 254) << "no byte may wrap";
        EXPECT_GT(topLeft / 48, 170) << seed;
        EXPECT_LT(bottomRight / 48, 60) << seed;
        EXPECT_GT(topLeft / 48 - bottomRight / 48, 120) << seed;
    }
}

TEST(GradientTexture, NoiseStaysWithinItsRange)
{
    // Without streaks' influence the row is shading plus 0..2n of noise.
    controls::CrtSrand(3);
    PaletteImage face;
    GradientButton::BuildFace(face, 200, 40, Qt::black, Qt::gray, Qt::white, 0);
    // n = 0: G = 107, noise is 0 except for the rare r() == 32767.
    const int g = (255 - 40) / 2;
    int exact = 0;
    for (int x = 0; x < 200; ++x) {
        const int shading = (g * (200 - x)) / 200 + (39 * g) / 40;  // top row is stored row 39
        const int value = face.Pixel(x, 0);
        if (value == shading)
            ++exact;
        EXPECT_GE(value, shading);
        EXPECT_LE(value, shading + 41);
    }
    EXPECT_GT(exact, 150);  // most of the top row carries no streak
}

TEST(GradientTexture, TinyButtonsStillGetAFace)
{
    PaletteImage face;
    GradientButton::BuildFace(face, 1, 1, Qt::black, Qt::gray, Qt::white, 8);
    EXPECT_EQ(face.Width(), 1);
    GradientButton::BuildFace(face, 3, 1, Qt::black, Qt::gray, Qt::white, 8);
    EXPECT_EQ(face.Height(), 1);
}
