#include "controls/gradient_button.h"

#include "controls/crt_random.h"
#include "controls/system_colours.h"

#include <QPainter>

#include <algorithm>

namespace controls {
namespace {

// Entry 0 is the shadow, 128 (almost) the face and 255 the highlight.
void FillButtonRamp(PaletteImage& image, QColor s, QColor f, QColor l)
{
    for (int i = 0; i <= 128; ++i) {
        image.SetPaletteEntry(i, (s.red() * (128 - i) + f.red() * i) / 128,
                              (s.green() * (128 - i) + f.green() * i) / 128,
                              (s.blue() * (128 - i) + f.blue() * i) / 128);
    }
    for (int k = 1; k <= 128; ++k) {
        image.SetPaletteEntry(127 + k, (f.red() * (128 - k) + l.red() * k) / 128,
                              (f.green() * (128 - k) + l.green() * k) / 128,
                              (f.blue() * (128 - k) + l.blue() * k) / 128);
    }
}

// Style 8: short diagonal streaks, then the diagonal shading with noise.
void PaintStreakedShading(PaletteImage& image, int noise)
{
    const int w = image.Width();
    const int h = image.Height();
    const int n = noise & 0xff;
    image.Fill(0);

    const int m = std::min(w, h);
    for (int i = 0; i < 200; ++i) {
        const int x0 = CrtRand() / (kCrtRandMax / w);
        const int y0 = CrtRand() / (kCrtRandMax / h);
        const int half = (CrtRand() / (kCrtRandMax / m)) / 2;
        const auto v = static_cast<std::uint8_t>(CrtRand() / 819);
        for (int j = 0; j < half; ++j) {
            if (x0 - j > 0 && y0 + j < h)
                image.SetPixel(x0 - j, y0 + j, v);
            if (x0 + j < w && y0 - j > 0)
                image.SetPixel(w - x0 + j, y0 - j, v);
        }
    }

    const int g = (255 - n - n - 40) / 2;
    const int b = kCrtRandMax / std::max(1, 2 * n);
    std::uint8_t* bits = image.Bits();
    for (int s = 0; s < h; ++s) {  // s = 0 is the bottom row as stored
        const int rowTerm = (s * g) / h;
        std::uint8_t* row = bits + std::size_t(s) * image.Stride();
        for (int x = 0; x < w; ++x) {
            row[x] = static_cast<std::uint8_t>(row[x] + (g * (w - x)) / w + rowTerm);
            row[x] = static_cast<std::uint8_t>(row[x] + CrtRand() / b);
        }
    }
}

}  // namespace

GradientButton::GradientButton(QWidget* parent)
    : BitmapButton(parent)
{
}
GradientButton::GradientButton(const QString& caption, QWidget* parent)
    : BitmapButton(caption, parent)
{
}

void GradientButton::BuildFace(PaletteImage& face, int width, int height, QColor shadow, QColor faceColour,
                               QColor highlight, int noise)
{
    if (!face.Create(width, height, 8))
        return;
    FillButtonRamp(face, shadow, faceColour, highlight);
    if (width > 0 && height > 0 && width <= kCrtRandMax && height <= kCrtRandMax)
        PaintStreakedShading(face, noise);
}

void GradientButton::CreateSkin(int style, int noise, int hoverTint, int tintPercent, QRgb tintColour)
{
    const int w = width();
    const int h = height();
    // The texture divides by the width, the height and their minimum.
    if (w <= 0 || h <= 0 || w > kCrtRandMax || h > kCrtRandMax) {
        m_face.Release();
        m_hoverFace.Release();
        return;
    }
    const QPalette& p = palette();
    // Style 8 is the only design; other styles get the same texture.
    Q_UNUSED(style);
    BuildFace(m_face, w, h, syscolour::Shadow(p), syscolour::Face(p), syscolour::Highlight(p), noise);
    if (!HasSkin())
        return;
    // Tinting touches the palette only, so it may follow the texture.
    m_face.TintPalette(QColor::fromRgb(tintColour), static_cast<unsigned>(std::max(0, tintPercent)));

    m_hoverFace.CopyFrom(m_face);
    m_hoverFace.TintPalette(syscolour::Highlight(p), static_cast<unsigned>(std::max(0, hoverTint)));
    update();
}

void GradientButton::PaintBackground(QPainter& painter, QRect& rect)
{
    if (!HasSkin()) {
        BitmapButton::PaintBackground(painter, rect);
        return;
    }
    if (!m_hot)
        m_face.Draw(painter, 0, 0);
    else if (isDown())
        m_hoverFace.Draw(painter, 1, 1);
    else
        m_hoverFace.Draw(painter, 0, 0);
}

}  // namespace controls
