// The packed palette picture and the button texture built from it.
#include "controls/crt_random.h"
#include "controls/gradient_button.h"
#include "controls/palette_image.h"

#include <gtest/gtest.h>

#include <vector>

using controls::GradientButton;
using controls::PaletteImage;

static std::vector<std::uint8_t> BlockOf(const PaletteImage& i) { return {i.Block(), i.Block() + i.TotalSize()}; }

TEST(PaletteImage, PixelsCountFromTheTopAndTheButtonTextureRunsFromShadowToHighlightInRangeForAnySeed)
{
    PaletteImage image;
    image.Create(6, 4, 8);
    image.Fill(0);
    image.SetPixel(2, 0, 7);  // top row: the last row in the block
    image.SetPixel(5, 3, 9);
    EXPECT_EQ(image.Bits()[3 * image.Stride() + 2], 7);
    EXPECT_EQ(image.Bits()[5], 9);
    EXPECT_EQ(image.Pixel(2, 0), 7);
    const auto before = BlockOf(image);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {6, 0}, {0, 4}, {6, 4}, {-100, 200}})
        image.SetPixel(x, y, 200);
    EXPECT_EQ(BlockOf(image), before);

    image.SetPaletteEntry(0x105, 1, 2, 3);  // indexed by the low byte
    EXPECT_EQ(image.PaletteEntry(5), qRgb(1, 2, 3));
    // The button's tints, a palette of their own, are tried by its hover face.
    image.TintPalette(QColor(9, 8, 7), 250);  // above 100 acts as 100
    EXPECT_EQ(image.PaletteEntry(5), qRgb(9, 8, 7));
    image.Create(2, 2, 4);
    const auto small = BlockOf(image);
    image.SetPaletteEntry(20, 9, 9, 9);  // beyond the 16 entries
    EXPECT_EQ(BlockOf(image), small);

    // The button texture: its palette runs from shadow to highlight, its shading stays in range for any seed.
    // Highlight and face far enough apart that every step above the face shows.
    PaletteImage face;
    GradientButton::BuildFace(face, 40, 20, QColor(0, 20, 40), QColor(100, 60, 0), QColor(255, 255, 255), 8);
    EXPECT_EQ(QList<QRgb>({face.PaletteEntry(0), face.PaletteEntry(255)}),
              QList<QRgb>({qRgb(0, 20, 40), qRgb(255, 255, 255)}));
    EXPECT_EQ(face.PaletteEntry(64), qRgb(50, 40, 20));  // halfway down to the shadow
    for (int i = 1; i < 256; ++i)
        EXPECT_GE(qRed(face.PaletteEntry(i)), qRed(face.PaletteEntry(i - 1))) << i;

    GradientButton::BuildFace(face, 1, 1, Qt::black, Qt::gray, Qt::white, 8);  // tiny buttons get a face too
    EXPECT_EQ(face.Width(), 1);

    // The top left is lightest, the bottom right darkest, for any seed, and the noise stays in range.
    const int w = 80, h = 24;
    for (std::uint32_t seed : {1u, 7u, 12345u, 0xdeadbeefu}) {
        SCOPED_TRACE(seed);
        controls::CrtSrand(seed);
        GradientButton::BuildFace(face, w, h, Qt::black, Qt::gray, Qt::white, 8);
        // Shading gives 99 + 94 at the top left and 1 at the bottom right;
        // noise adds 0..16 and a streak a base of up to 40.
        EXPECT_GE(face.Pixel(0, 0), 193);
        EXPECT_LE(face.Pixel(w - 1, h - 1), 1 + 16 + 40);
        int maxIndex = 0, topLeft = 0, bottomRight = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                maxIndex = std::max<int>(maxIndex, face.Pixel(x, y));
                topLeft += x < 8 && y < 6 ? face.Pixel(x, y) : 0;
                bottomRight += x >= w - 8 && y >= h - 6 ? face.Pixel(x, y) : 0;
            }
        EXPECT_LE(maxIndex, 254) << "no byte may wrap";
        EXPECT_GT(topLeft / 48, 170);
        EXPECT_LT(bottomRight / 48, 60);
    }
}
