#include "controls/bitmap_button.h"

#include "controls/system_colours.h"
#include "resources/artwork.h"
#include "resources/strings.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace controls {

void Draw3dRect(QPainter& painter, const QRect& rect, QColor topLeft, QColor bottomRight)
{
    const int x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    if (w <= 0 || h <= 0)
        return;
    painter.fillRect(x, y, w - 1, 1, topLeft);
    painter.fillRect(x, y, 1, h - 1, topLeft);
    painter.fillRect(x + w - 1, y, 1, h, bottomRight);
    painter.fillRect(x, y + h - 1, w, 1, bottomRight);
}

void DrawFocusRect(QPainter& painter, const QRect& rect, QColor colour)
{
    // Every other pixel of the outline, on a fixed checkerboard, as the
    // classic dotted focus frame.
    auto dot = [&](int x, int y) {
        if (((x + y) & 1) == 0)
            painter.fillRect(x, y, 1, 1, colour);
    };
    for (int x = rect.left(); x <= rect.right(); ++x) {
        dot(x, rect.top());
        dot(x, rect.bottom());
    }
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        dot(rect.left(), y);
        dot(rect.right(), y);
    }
}

BitmapButton::BitmapButton(QWidget* parent)
    : BitmapButton(QString(), parent)
{
}

BitmapButton::BitmapButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent)
{
    ResetColours(false);
    // Hover is followed through plain mouse moves, as the flat look needs.
    setMouseTracking(m_flat);
    setAttribute(Qt::WA_Hover, false);
}

BitmapButton::~BitmapButton() = default;

void BitmapButton::SetFlat(bool flat)
{
    m_flat = flat;
    setMouseTracking(flat);
    if (!flat)
        m_hot = false;
    update();
}

int BitmapButton::SetImages(int imageId, QColor transparent)
{
    return SetImages(resources::BitmapImage(imageId), transparent);
}

int BitmapButton::SetImages(const QImage& picture, QColor transparent)
{
    m_image = QImage();
    m_imageMask = QBitmap();
    m_imageSize = QSize();
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) {
        update();
        return ImageSizeUnreadable;
    }
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const QImage maskImage = image.createMaskFromColor(transparent.rgb() | 0xff000000u, Qt::MaskInColor);
    const QBitmap mask = QBitmap::fromImage(maskImage);
    if (mask.isNull()) {
        update();
        return MaskFailed;
    }
    // The picture's transparent pixels are cleared, so that drawing it over
    // the background lets the background show through exactly there.
    const QRgb key = transparent.rgb() & 0xffffffu;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] & 0xffffffu) == key)
                row[x] = 0;
        }
    }
    m_image = image;
    m_imageMask = mask;
    m_imageSize = image.size();
    m_transparent = transparent;
    update();
    return ImagesSet;
}

void BitmapButton::SetTipText(resources::StringId stringId, bool activate)
{
    SetTipText(resources::Text(stringId), activate);
}

void BitmapButton::SetTipText(const QString& text, bool activate)
{
    if (text.isEmpty())
        return;
    m_tipText = text;
    m_tipActive = activate;
    // A picture says nothing to a screen reader: the tip names the button.
    setAccessibleName(text);
    if (!activate && QToolTip::isVisible() && QToolTip::text() == text)
        QToolTip::hideText();
}

void BitmapButton::SetFocusRectWhenFlat(bool on, bool redraw)
{
    m_focusRectWhenFlat = on;
    if (redraw)
        update();
}

void BitmapButton::ResetColours(bool redraw)
{
    const QPalette& p = palette();
    for (ColourPair& pair : m_colours)
        pair = {syscolour::Face(p), syscolour::Text(p)};
    if (redraw)
        update();
}

const BitmapButton::ColourPair& BitmapButton::StateColours(bool pressed) const
{
    if (m_hot || pressed)
        return m_colours[HotOrPressed];
    if (hasFocus())
        return m_colours[Focused];
    return m_colours[Normal];
}

void BitmapButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool pressed = isDown();
    const bool focused = hasFocus();
    const bool disabled = !isEnabled();
    m_isDefault = isDefault();

    QRect itemRect = rect();
    QRect backgroundRect = itemRect;
    PaintBackground(painter, backgroundRect);
    PaintBorder(painter, backgroundRect);

    const QString caption = text();
    QRect captionRect = itemRect;
    if (!m_image.isNull())
        PaintImage(painter, !caption.isEmpty(), itemRect, captionRect, pressed, disabled);
    if (!caption.isEmpty())
        PaintCaption(painter, caption, itemRect, captionRect, pressed, disabled);

    if ((!m_flat || m_focusRectWhenFlat) && focused) {
        DrawFocusRect(painter, itemRect.adjusted(2, 2, -2, -2), syscolour::Text(palette()));
    }
}

void BitmapButton::PaintBackground(QPainter& painter, QRect& rect)
{
    if (!m_flat && (hasFocus() || m_isDefault)) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        rect.adjust(1, 1, -1, -1);
    }
    painter.fillRect(rect, StateColours(isDown()).background);
}

void BitmapButton::PaintBorder(QPainter& painter, const QRect& rect)
{
    const QPalette& p = palette();
    if (isDown()) {
        if (!m_flat) {
            painter.setPen(syscolour::Shadow(p));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
        } else if (m_drawBorder) {
            Draw3dRect(painter, rect, syscolour::Shadow(p), syscolour::Highlight(p));
        }
        return;
    }
    if (!m_flat) {
        Draw3dRect(painter, rect, syscolour::Highlight(p), syscolour::DarkShadow(p));
        Draw3dRect(painter, rect.adjusted(1, 1, -1, -1), syscolour::Light3d(p), syscolour::Shadow(p));
    } else if (m_hot && m_drawBorder) {
        Draw3dRect(painter, rect, syscolour::Highlight(p), syscolour::Shadow(p));
    }
}

QRect BitmapButton::PlacedImageRect(bool hasCaption, const QRect& itemRect, bool pressed) const
{
    const int w = m_imageSize.width(), h = m_imageSize.height();
    const int left = hasCaption ? itemRect.left() + m_margin : itemRect.left() + (itemRect.width() - w) / 2;
    QRect placed(left, itemRect.top() + (itemRect.height() - h) / 2, w, h);
    if (pressed)
        placed.translate(m_pressedOffset);
    return placed;
}

void BitmapButton::PaintImage(QPainter& painter, bool hasCaption, const QRect& itemRect, QRect& captionRect,
                              bool pressed, bool disabled)
{
    const QRect placed = PlacedImageRect(hasCaption, itemRect, pressed);
    if (hasCaption)
        captionRect.setLeft(captionRect.left() + m_imageSize.width() + m_margin);
    if (disabled)
        painter.drawImage(placed.topLeft(), DisabledImage());
    else
        painter.drawImage(placed.topLeft(), m_image);
}

QImage BitmapButton::DisabledImage() const
{
    // The embossed look of a disabled picture: every pixel that is not white
    // once the picture lies on white becomes the shape, drawn once in the
    // highlight colour one pixel down and right, and once in the shadow colour.
    const QPalette& p = palette();
    const QRgb highlight = syscolour::Highlight(p).rgb();
    const QRgb shadow = syscolour::Shadow(p).rgb();
    QImage out(m_imageSize + QSize(1, 1), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    auto isShape = [&](int x, int y) {
        const QRgb c = m_image.pixel(x, y);
        if (qAlpha(c) == 0)
            return false;
        return qGray(c) < 250;
    };
    for (int y = 0; y < m_imageSize.height(); ++y)
        for (int x = 0; x < m_imageSize.width(); ++x)
            if (isShape(x, y))
                out.setPixel(x + 1, y + 1, highlight);
    for (int y = 0; y < m_imageSize.height(); ++y)
        for (int x = 0; x < m_imageSize.width(); ++x)
            if (isShape(x, y))
                out.setPixel(x, y, shadow);
    return out;
}

void BitmapButton::PaintCaption(QPainter& painter, const QString& caption, const QRect&, const QRect& captionRect,
                                bool pressed, bool disabled)
{
    QRect area = captionRect;
    if (pressed)
        area.translate(m_pressedOffset);
    const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    const QRect measured = painter.boundingRect(area, flags, caption);
    QRect centred = measured;
    centred.moveCenter(area.center());
    painter.setFont(font());
    if (disabled) {
        const QPalette& p = palette();
        painter.setPen(syscolour::Highlight(p));
        painter.drawText(centred.translated(1, 1), flags, caption);
        painter.setPen(syscolour::Shadow(p));
        painter.drawText(centred, flags, caption);
        return;
    }
    painter.setPen(StateColours(pressed).text);
    painter.drawText(centred, flags, caption);
}

void BitmapButton::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    if (!m_flat)
        return;
    if ((event->buttons() & Qt::LeftButton) && !m_hot)
        return;
    const bool over = rect().contains(event->position().toPoint());
    const bool tracking = m_trackAlways || QApplication::activeWindow() != nullptr;
    if (over && tracking) {
        if (!m_hot) {
            m_hot = true;
            update();
        }
    } else {
        EndHover();
    }
}

void BitmapButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A fast second click is a click of its own, not a double click.
    mousePressEvent(event);
}

void BitmapButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    EndHover();
}

void BitmapButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    EndHover();
}

void BitmapButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            EndHover();
            // A disabled button cannot keep the keyboard focus: hand it on.
            if (hasFocus()) {
                QWidget* parent = parentWidget();
                if (!focusNextChild() && parent)
                    parent->setFocus(Qt::TabFocusReason);
            }
        }
        break;
    case QEvent::ActivationChange:
        if (!isActiveWindow())
            EndHover();
        break;
    case QEvent::PaletteChange:
        ResetColours(true);
        break;
    default:
        break;
    }
}

bool BitmapButton::event(QEvent* event)
{
    // A button without a tip of its own keeps the one its window gave it
    // (the text buttons' tips come from the window's table).
    if (event->type() == QEvent::ToolTip && !m_tipText.isEmpty()) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (m_tipActive)
            QToolTip::showText(help->globalPos(), m_tipText, this, rect());
        else
            QToolTip::hideText();
        return true;
    }
    return QPushButton::event(event);
}

void BitmapButton::EndHover()
{
    if (m_hot) {
        m_hot = false;
        update();
    }
}

}  // namespace controls
