#pragma once
// A push button that paints itself: a picture with a transparent colour
// and/or a centred caption, a flat look that lights up while the mouse is
// over it, its own tooltip, and a dialog push button's default behaviour.
// GradientButton replaces the background and border painting.

#include <QColor>
#include <QImage>
#include <QBitmap>
#include <QPoint>
#include <QPushButton>
#include "resources/strings.h"

namespace controls {

class BitmapButton : public QPushButton {
    Q_OBJECT
public:
    explicit BitmapButton(QWidget* parent = nullptr);
    explicit BitmapButton(const QString& caption, QWidget* parent = nullptr);
    ~BitmapButton() override;

    enum SetImagesResult { ImagesSet = 0, ImageSizeUnreadable = 1, MaskFailed = 2 };
    // Loads bitmap `imageId`; pixels of `transparent` show the background.
    int SetImages(int imageId, QColor transparent);
    // The same from a picture at hand (an image list's piece, a test picture).
    int SetImages(const QImage& image, QColor transparent);
    // Sets string `stringId` as the tooltip; an empty string is ignored.
    void SetTipText(resources::StringId stringId, bool activate = true);
    void SetTipText(const QString& text, bool activate = true);
    void SetFocusRectWhenFlat(bool on, bool redraw = true);
    void ResetColours(bool redraw = true);
    void SetFlat(bool flat);

    bool IsHot() const { return m_hot; }
    bool IsFlat() const { return m_flat; }
    bool IsTooltipActive() const { return m_tipActive; }
    QString TipText() const { return m_tipText; }
    QSize ImageSize() const { return m_imageSize; }

protected:
    // The painting steps, in the order the button runs them.
    virtual void PaintBackground(QPainter& painter, QRect& rect);
    virtual void PaintBorder(QPainter& painter, const QRect& rect);
    virtual void PaintImage(QPainter& painter, bool hasCaption, const QRect& itemRect, QRect& captionRect, bool pressed,
                            bool disabled);
    virtual void PaintCaption(QPainter& painter, const QString& caption, const QRect& itemRect,
                              const QRect& captionRect, bool pressed, bool disabled);

    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

    struct ColourPair {
        QColor background;
        QColor text;
    };
    enum ColourState { HotOrPressed = 0, Normal = 1, Focused = 2 };
    const ColourPair& StateColours(bool pressed) const;

    bool m_flat = true;
    bool m_hot = false;
    bool m_trackAlways = true;
    bool m_drawBorder = true;
    bool m_focusRectWhenFlat = true;
    bool m_isDefault = false;
    QPoint m_pressedOffset{1, 1};
    int m_margin = 3;
    ColourPair m_colours[3];
    QImage m_image;       // transparent pixels cleared (alpha 0)
    QBitmap m_imageMask;  // 1 where the picture has the transparent colour
    QSize m_imageSize;
    QColor m_transparent;

private:
    void EndHover();
    QRect PlacedImageRect(bool hasCaption, const QRect& itemRect, bool pressed) const;
    QImage DisabledImage() const;

    QString m_tipText;
    bool m_tipActive = false;
};

// Draws the two-colour 3-D frame of a rectangle: top and left in topLeft,
// bottom and right in bottomRight, one pixel wide, inside the rectangle.
void Draw3dRect(QPainter& painter, const QRect& rect, QColor topLeft, QColor bottomRight);
// Draws a dotted focus frame on the outline of the rectangle.
void DrawFocusRect(QPainter& painter, const QRect& rect, QColor colour);

}  // namespace controls
