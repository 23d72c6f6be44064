// The picture button and the textured push button: states, pictures, focus,
// hover and tooltips.
#include "controls/bitmap_button.h"
#include "controls/gradient_button.h"
#include "controls/system_colours.h"
#include "resources/artwork.h"
#include "resources/strings.h"
#include "widget_test_helpers.h"

#include <QHelpEvent>
#include <QToolTip>

#include <cstring>

using controls::BitmapButton;
using controls::GradientButton;
using widgettest::Px;
using widgettest::Shot;
namespace sys = controls::syscolour;

const QColor kKey(192, 192, 192);

TEST(BitmapButton, FlatButtonBordersFollowHoverAndPressKeyPixelsShowTheBackgroundAndACaptionMovesThePicture)
{
    BitmapButton button;
    button.resize(30, 30);
    EXPECT_TRUE(button.SetImages(4711, kKey) == BitmapButton::ImageSizeUnreadable && button.ImageSize().isEmpty());
    ASSERT_TRUE(button.SetImages(194, kKey) == BitmapButton::ImagesSet && button.ImageSize() == QSize(16, 16));
    const QRgb face = sys::Face(button.palette()).rgb(), light = sys::Highlight(button.palette()).rgb(),
               dark = sys::Shadow(button.palette()).rgb();
    ASSERT_TRUE(face != light && face != dark);

    const QImage rest = Shot(button);
    widgettest::Hover(&button, {10, 10});
    ASSERT_TRUE(button.IsHot());
    const QImage hot = Shot(button);
    button.setDown(true);
    const QImage pressed = Shot(button);
    EXPECT_EQ(QList<QRgb>({Px(rest, 0, 0), Px(rest, 29, 29), Px(hot, 0, 0), Px(hot, 15, 0), Px(hot, 29, 29),
                           Px(pressed, 0, 0), Px(pressed, 29, 29)}),
              QList<QRgb>({face, face, light, light, dark, dark, light}));
    // The picture, centred at (7, 7) at rest, moves one pixel right and down.
    EXPECT_EQ(rest.copy(7, 7, 16, 16), pressed.copy(8, 8, 16, 16));
    EXPECT_NE(rest.copy(7, 7, 16, 16), pressed.copy(7, 7, 16, 16));
    widgettest::SaveSheet({rest, hot, pressed}, QStringLiteral("bitmap_button"));
    // Hover ends when the mouse leaves, moves outside while grabbed, or the button is disabled.
    const std::function<void()> enders[] = {[&] { widgettest::Leave(&button); },
                                            [&] { widgettest::Hover(&button, QPoint(40, 5)); },
                                            [&] { button.setEnabled(false); }};
    for (const auto& end : enders) {
        widgettest::Hover(&button, {5, 5});
        ASSERT_TRUE(button.IsHot());
        end();
        EXPECT_FALSE(button.IsHot());
    }

    // Key pixels show the background; a caption moves the picture left.
    const QImage picture = resources::BitmapImage(194);
    ASSERT_TRUE(Px(picture, 0, 0) == kKey.rgb() && Px(picture, 8, 8) != kKey.rgb());
    button.setEnabled(true);
    QPalette green = button.palette();
    green.setColor(QPalette::Button, QColor(10, 200, 30));
    button.setPalette(green);  // a scheme change resets the colour pairs
    button.SetImages(194, kKey);
    EXPECT_EQ(QList<QRgb>({Px(Shot(button), 7, 7), Px(Shot(button), 15, 15)}),
              QList<QRgb>({qRgb(10, 200, 30), Px(picture, 8, 8)}));

    BitmapButton captioned(QStringLiteral("播放"));
    captioned.setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
    captioned.resize(80, 30);
    captioned.SetImages(194, kKey);
    EXPECT_EQ(Px(Shot(captioned), 3 + 8, 7 + 8), Px(picture, 8, 8));  // left margin 3
}

TEST(BitmapButton, FocusRectangleTwoPixelsInsideDisabledPictureEmbossedFocusMovingOnAndOwnTooltipOnlyWhenActive)
{
    QWidget window;
    auto* first = new BitmapButton(&window);
    auto* second = new BitmapButton(&window);
    first->setGeometry(0, 0, 30, 30);
    second->setGeometry(40, 0, 30, 30);
    first->SetImages(159, kKey);
    window.show();
    QApplication::setActiveWindow(&window);
    first->setFocus();
    ASSERT_TRUE(widgettest::WaitUntil([&] { return first->hasFocus(); }));
    const QRgb face = sys::Face(first->palette()).rgb(), text = sys::Text(first->palette()).rgb();
    const QImage with = Shot(*first);  // dotted: (3, 2) is a gap
    EXPECT_EQ(QList<QRgb>({Px(with, 2, 2), Px(with, 1, 1), Px(with, 27, 5), Px(with, 3, 2)}),
              QList<QRgb>({text, face, text, face}));
    first->SetFocusRectWhenFlat(false);
    const QImage without = Shot(*first);
    EXPECT_EQ(QList<QRgb>({Px(without, 2, 2), Px(without, 27, 5)}), QList<QRgb>({face, face}));
    first->setEnabled(false);
    EXPECT_TRUE(second->hasFocus());
    const QImage disabled = Shot(*first);
    int light = 0, dark = 0, coloured = 0;
    for (int y = 7; y < 24; ++y)
        for (int x = 7; x < 24; ++x) {
            const QRgb c = Px(disabled, x, y);
            light += c == sys::Highlight(first->palette()).rgb();
            dark += c == sys::Shadow(first->palette()).rgb();
            coloured += c == Px(with, 15, 15);
        }
    EXPECT_GT(light, 5);
    EXPECT_GT(dark, 20);
    EXPECT_EQ(coloured, 0);

    // The button's own tooltip shows its text only when active.
    BitmapButton* button = second;
    auto askTip = [&] {
        QHelpEvent help(QEvent::ToolTip, {5, 5}, button->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(button, &help);
    };
    button->SetTipText(resources::IDS_TIP_PLAYLIST_PLAY, true);  // from the numbered texts
    askTip();
    EXPECT_TRUE(QToolTip::isVisible() && QToolTip::text() == QStringLiteral("播放选择的条目"));
    QToolTip::hideText();
    button->SetTipText(resources::StringId(99999), true);  // no such string: ignored
    EXPECT_EQ(button->TipText(), QStringLiteral("播放选择的条目"));
    button->SetTipText(QStringLiteral("暂停/继续播放"), false);
    askTip();
    EXPECT_FALSE(QToolTip::isVisible() && QToolTip::text() == QStringLiteral("暂停/继续播放"));
}

TEST(GradientButton, HoverFaceIsTheTintedPaletteOverTheSamePixelsAndPaintsLighter)
{
    GradientButton button;
    button.resize(90, 28);
    button.CreateSkin(8, 8, 10, 0, 0);
    ASSERT_TRUE(button.HasSkin());
    const auto &face = button.Face(), &hover = button.HoverFace();
    ASSERT_EQ(face.TotalSize(), hover.TotalSize());
    EXPECT_EQ(std::memcmp(face.Bits(), hover.Bits(), face.Stride() * face.Height()), 0);
    EXPECT_EQ(face.PaletteEntry(0), sys::Shadow(button.palette()).rgb() | 0xff000000u);
    EXPECT_EQ(face.PaletteEntry(255), sys::Highlight(button.palette()).rgb() | 0xff000000u);

    const QImage rest = Shot(button);
    EXPECT_EQ(rest.copy(2, 2, 86, 24), face.ToImage().convertToFormat(QImage::Format_RGB32).copy(2, 2, 86, 24));
    EXPECT_GT(qGray(Px(rest, 3, 3)), qGray(Px(rest, 86, 24)) + 30);
    widgettest::Hover(&button, {40, 10});
    const QImage hot = Shot(button);
    long lighter = 0;
    for (int y = 2; y < 26; ++y)
        for (int x = 2; x < 88; ++x)
            lighter += qGray(Px(hot, x, y)) - qGray(Px(rest, x, y));
    EXPECT_GT(lighter, 0);
    button.setDown(true);
    EXPECT_EQ(Shot(button).copy(3, 3, 80, 20), hot.copy(2, 2, 80, 20));
    for (QSize empty : {QSize(0, 20), QSize(60, 0)}) {  // no texture, the plain face
        GradientButton flat(QStringLiteral("保存"));
        flat.resize(empty);
        flat.CreateSkin(8, 8, 10, 0, 0);
        EXPECT_FALSE(flat.HasSkin());
        flat.resize(60, 20);
        EXPECT_EQ(Px(Shot(flat), 1, 1), sys::Face(flat.palette()).rgb());
    }
}
