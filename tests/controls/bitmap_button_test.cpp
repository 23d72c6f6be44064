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
#include <gtest/gtest.h>

#include <cstring>

using controls::BitmapButton;
using controls::GradientButton;
using widgettest::px;
using widgettest::shot;
namespace sys = controls::syscolour;

namespace {

const QColor kKey(192, 192, 192);

// A window with the button focused in it.
void showFocused(QWidget& window, QWidget* button)
{
    window.show();
    QApplication::setActiveWindow(&window);
    button->setFocus();
    ASSERT_TRUE(widgettest::waitUntil([&] { return button->hasFocus(); }));
}

}  // namespace

TEST(BitmapButton, FlatButtonShowsNoBorderAtRestRaisedWhenHotSunkenWhenPressed)
{
    BitmapButton button;
    button.resize(30, 30);
    EXPECT_EQ(button.SetImages(4711, kKey), BitmapButton::ImageSizeUnreadable);
    EXPECT_TRUE(button.ImageSize().isEmpty());
    ASSERT_EQ(button.SetImages(194, kKey), BitmapButton::ImagesSet);
    EXPECT_EQ(button.ImageSize(), QSize(16, 16));
    const QRgb face = sys::face(button.palette()).rgb(), light = sys::highlight(button.palette()).rgb(),
               dark = sys::shadow(button.palette()).rgb();
    ASSERT_NE(face, light);
    ASSERT_NE(face, dark);

    const QImage rest = shot(button);
    widgettest::hover(&button, {10, 10});
    ASSERT_TRUE(button.IsHot());
    const QImage hot = shot(button);
    button.setDown(true);
    const QImage pressed = shot(button);
    EXPECT_EQ(QList<QRgb>({px(rest, 0, 0), px(rest, 29, 29), px(hot, 0, 0), px(hot, 15, 0), px(hot, 29, 29),
                           px(pressed, 0, 0), px(pressed, 29, 29)}),
              QList<QRgb>({face, face, light, light, dark, dark, light}));
    // The picture, centred at (7, 7) at rest, moves one pixel right and down.
    EXPECT_EQ(rest.copy(7, 7, 16, 16), pressed.copy(8, 8, 16, 16));
    EXPECT_NE(rest.copy(7, 7, 16, 16), pressed.copy(7, 7, 16, 16));
}

TEST(BitmapButton, KeyPixelsShowTheBackgroundAndACaptionMovesThePictureLeft)
{
    const QImage picture = resources::bitmapImage(194);
    ASSERT_EQ(px(picture, 0, 0), kKey.rgb());
    ASSERT_NE(px(picture, 8, 8), kKey.rgb());
    BitmapButton button;
    QPalette green = button.palette();
    green.setColor(QPalette::Button, QColor(10, 200, 30));
    button.setPalette(green);  // a scheme change resets the colour pairs
    button.resize(30, 30);
    button.SetImages(194, kKey);
    const QImage drawn = shot(button);
    EXPECT_EQ(px(drawn, 7, 7), qRgb(10, 200, 30));
    EXPECT_EQ(px(drawn, 15, 15), px(picture, 8, 8));

    BitmapButton captioned(QStringLiteral("播放"));
    captioned.setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
    captioned.resize(80, 30);
    captioned.SetImages(194, kKey);
    EXPECT_EQ(px(shot(captioned), 3 + 8, 7 + 8), px(picture, 8, 8));  // left margin 3
}

TEST(BitmapButton, DisabledPictureIsEmbossedAndTheFocusMovesOn)
{
    QWidget window;
    auto* first = new BitmapButton(&window);
    auto* second = new BitmapButton(&window);
    first->setGeometry(0, 0, 30, 30);
    second->setGeometry(40, 0, 30, 30);
    first->SetImages(159, kKey);
    showFocused(window, first);
    const QImage enabled = shot(*first);
    first->setEnabled(false);
    EXPECT_TRUE(second->hasFocus());
    const QImage disabled = shot(*first);
    int light = 0, dark = 0, coloured = 0;
    for (int y = 7; y < 24; ++y)
        for (int x = 7; x < 24; ++x) {
            const QRgb c = px(disabled, x, y);
            light += c == sys::highlight(first->palette()).rgb();
            dark += c == sys::shadow(first->palette()).rgb();
            coloured += c == px(enabled, 15, 15);
        }
    EXPECT_GT(light, 5);
    EXPECT_GT(dark, 20);
    EXPECT_EQ(coloured, 0);
}

TEST(BitmapButton, FocusRectangleTwoPixelsInsideUnlessSwitchedOff)
{
    QWidget window;
    auto* button = new BitmapButton(&window);
    button->setGeometry(0, 0, 30, 30);
    button->SetImages(132, kKey);
    showFocused(window, button);
    const QRgb face = sys::face(button->palette()).rgb(), text = sys::text(button->palette()).rgb();
    const QImage with = shot(*button);
    // Dotted: (3, 2) is a gap.
    EXPECT_EQ(QList<QRgb>({px(with, 2, 2), px(with, 1, 1), px(with, 27, 5), px(with, 3, 2)}),
              QList<QRgb>({text, face, text, face}));
    button->SetFocusRectWhenFlat(false);
    const QImage without = shot(*button);
    EXPECT_EQ(px(without, 2, 2), face);
    EXPECT_EQ(px(without, 27, 5), face);
}

TEST(BitmapButton, HoverEndsWhenTheMouseLeavesOrTheButtonIsDisabled)
{
    BitmapButton button;
    button.resize(30, 30);
    const std::function<void()> enders[] = {[&] { widgettest::leave(&button); },
                                            [&] { widgettest::hover(&button, {40, 5}); },  // grabbed, outside
                                            [&] { button.setEnabled(false); }};
    for (const auto& end : enders) {
        widgettest::hover(&button, {5, 5});
        ASSERT_TRUE(button.IsHot());
        end();
        EXPECT_FALSE(button.IsHot());
    }
}

TEST(BitmapButton, OwnTooltipShowsItsTextOnlyWhenActive)
{
    QWidget window;
    auto* button = new BitmapButton(&window);
    button->setGeometry(0, 0, 30, 30);
    window.show();
    auto askTip = [&] {
        QHelpEvent help(QEvent::ToolTip, {5, 5}, button->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(button, &help);
    };
    button->SetTipText(433, true);
    EXPECT_EQ(button->TipText(), QStringLiteral("播放选择的条目"));
    askTip();
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("播放选择的条目"));
    QToolTip::hideText();
    button->SetTipText(99999, true);  // no such string: ignored
    EXPECT_EQ(button->TipText(), QStringLiteral("播放选择的条目"));
    button->SetTipText(QStringLiteral("暂停/继续播放"), false);
    askTip();
    EXPECT_FALSE(QToolTip::isVisible() && QToolTip::text() == QStringLiteral("暂停/继续播放"));
}

TEST(GradientButton, HoverFaceIsTheTintedPaletteOverTheSamePixels)
{
    GradientButton button;
    button.resize(90, 28);
    button.CreateSkin(8, 8, 10, 0, 0);
    ASSERT_TRUE(button.HasSkin());
    const auto& face = button.Face();
    const auto& hover = button.HoverFace();
    ASSERT_EQ(face.TotalSize(), hover.TotalSize());
    EXPECT_EQ(std::memcmp(face.Bits(), hover.Bits(), face.Stride() * face.Height()), 0);
    const QColor light = sys::highlight(button.palette());
    EXPECT_EQ(face.PaletteEntry(0), sys::shadow(button.palette()).rgb() | 0xff000000u);
    EXPECT_EQ(face.PaletteEntry(255), light.rgb() | 0xff000000u);
    for (int i : {0, 64, 128, 255}) {
        const QRgb f = face.PaletteEntry(i), h = hover.PaletteEntry(i);
        EXPECT_EQ(qRed(h), (light.red() * 10 + qRed(f) * 90) / 100) << i;
        EXPECT_EQ(qBlue(h), (light.blue() * 10 + qBlue(f) * 90) / 100) << i;
    }
}

TEST(GradientButton, PaintsItsTextureLighterWhenHotAndShiftedWhenPressed)
{
    GradientButton button;
    button.resize(90, 28);
    button.CreateSkin(8, 8, 10, 0, 0);
    const QImage rest = shot(button);
    EXPECT_EQ(rest.copy(2, 2, 86, 24), button.Face().ToImage().convertToFormat(QImage::Format_RGB32).copy(2, 2, 86, 24));
    EXPECT_GT(qGray(px(rest, 3, 3)), qGray(px(rest, 86, 24)) + 30);
    widgettest::hover(&button, {40, 10});
    const QImage hot = shot(button);
    long restSum = 0, hotSum = 0;
    for (int y = 2; y < 26; ++y)
        for (int x = 2; x < 88; ++x) {
            restSum += qGray(px(rest, x, y));
            hotSum += qGray(px(hot, x, y));
        }
    EXPECT_GT(hotSum, restSum);
    button.setDown(true);
    EXPECT_EQ(shot(button).copy(3, 3, 80, 20), hot.copy(2, 2, 80, 20));

    for (QSize empty : {QSize(0, 20), QSize(60, 0)}) {  // no texture, the plain face
        GradientButton flat(QStringLiteral("保存"));
        flat.resize(empty);
        flat.CreateSkin(8, 8, 10, 0, 0);
        EXPECT_FALSE(flat.HasSkin());
        flat.resize(60, 20);
        EXPECT_EQ(px(shot(flat), 1, 1), sys::face(flat.palette()).rgb());
    }
}

TEST(ButtonScreenshots, StatesOfEveryButton)
{
    QWidget window;
    window.setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 8));
    window.show();
    QApplication::setActiveWindow(&window);
    // Rest, hot, pressed, focused, disabled.
    auto states = [&](QPushButton* b) {
        QList<QImage> images{shot(*b)};
        widgettest::hover(b, {5, 5});
        images << shot(*b);
        b->setDown(true);
        images << shot(*b);
        b->setDown(false);
        b->setFocus();
        EXPECT_TRUE(widgettest::waitUntil([&] { return b->hasFocus(); }));
        widgettest::leave(b);
        images << shot(*b);
        b->setEnabled(false);
        images << shot(*b);
        delete b;
        return images;
    };
    for (int id : {194, 159, 160, 132}) {
        auto* b = new BitmapButton(&window);
        b->setGeometry(0, 0, id == 132 ? 14 : 24, id == 132 ? 28 : 26);
        b->SetImages(id, kKey);
        b->show();
        widgettest::saveSheet(states(b), QStringLiteral("bitmap_button_%1").arg(id));
    }
    auto* g = new GradientButton(QStringLiteral("保存"), &window);
    g->setGeometry(0, 0, 88, 26);
    g->show();
    g->CreateSkin(8, 8, 10, 0, 0);
    widgettest::saveSheet(states(g), QStringLiteral("gradient_button"));
}
