#pragma once
// The text push button of every window: a BitmapButton whose background is
// a texture computed once for its size (light at the top left, dark at the
// bottom right, with fine noise and short diagonal streaks), in the colours
// of the button scheme. While hot, a lighter copy of the texture shows; it
// differs only in its palette.

#include "controls/bitmap_button.h"
#include "controls/palette_image.h"

namespace controls {

class GradientButton : public BitmapButton {
    Q_OBJECT
public:
    explicit GradientButton(QWidget* parent = nullptr);
    explicit GradientButton(const QString& caption, QWidget* parent = nullptr);

    // Builds the face and the hover face for the button's current size.
    // Every caller passes (8, 8, 10, 0, 0) once the button has its geometry.
    // A button without width or height keeps the plain background.
    void CreateSkin(int style, int noise, int hoverTint, int tintPercent, QRgb tintColour);

    bool HasSkin() const { return m_face.Block() != nullptr; }
    const PaletteImage& Face() const { return m_face; }
    const PaletteImage& HoverFace() const { return m_hoverFace; }

    // The texture of style 8 into an 8-bit image of any size, with the palette
    // ramp shadow -> face -> highlight. Exposed for its own tests.
    static void BuildFace(PaletteImage& face, int width, int height, QColor shadow, QColor faceColour, QColor highlight,
                          int noise);

protected:
    void PaintBackground(QPainter& painter, QRect& rect) override;

private:
    PaletteImage m_face;
    PaletteImage m_hoverFace;
};

}  // namespace controls
