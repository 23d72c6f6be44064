// The picture button and the textured push button: states, pictures,
// clicks, focus and tooltips.
#include "controls/bitmap_button.h"
#include "controls/gradient_button.h"
#include "controls/system_colours.h"
#include "resources/artwork.h"
#include "resources/strings.h"
#include "widget_test_helpers.h"

#include <QHelpEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using controls::BitmapButton;
using controls::GradientButton;
namespace sys = controls::syscolour;

namespace {

const QColor kKey(192, 192, 192);

QRgb px(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xff000000u; }
QImage shot(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// A row of a control's states side by side, for a person to look at.
class Sheet {
public:
    void add(QWidget& w) { m_images.append(shot(w)); }
    void save(const QString& name)
    {
        int width = 8, height = 0;
        for (const QImage& i : m_images) {
            width += i.width() + 8;
            height = std::max(height, i.height());
        }
        QImage sheet(width, height + 16, QImage::Format_RGB32);
        sheet.fill(QColor(200, 200, 200));
        QPainter p(&sheet);
        int x = 8;
        for (const QImage& i : m_images) {
            p.drawImage(x, 8, i);
            x += i.width() + 8;
        }
        p.end();
        sheet.scaled(sheet.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .save(QDir(testsupport::screenshotDir()).filePath(name + ".png"));
    }

private:
    QList<QImage> m_images;
};

}  // namespace

TEST(BitmapButton, SetImagesReportsAMissingBitmapAndKeepsNoPicture)
{
    BitmapButton button;
    EXPECT_EQ(button.SetImages(4711, kKey), BitmapButton::ImageSizeUnreadable);
    EXPECT_TRUE(button.ImageSize().isEmpty());
    EXPECT_EQ(button.SetImages(194, kKey), BitmapButton::ImagesSet);
    EXPECT_EQ(button.ImageSize(), QSize(16, 16));
}

TEST(BitmapButton, FlatButtonShowsNoBorderAtRestRaisedWhenHotSunkenWhenPressed)
{
    BitmapButton button;
    button.resize(30, 30);
    ASSERT_EQ(button.SetImages(194, kKey), 0);
    const QPalette& p = button.palette();
    ASSERT_NE(sys::face(p), sys::highlight(p));
    ASSERT_NE(sys::face(p), sys::shadow(p));

    const QImage rest = shot(button);
    EXPECT_EQ(px(rest, 0, 0), sys::face(p).rgb());
    EXPECT_EQ(px(rest, 29, 29), sys::face(p).rgb());

    widgettest::hover(&button, {10, 10});
    ASSERT_TRUE(button.IsHot());
    const QImage hot = shot(button);
    EXPECT_EQ(px(hot, 0, 0), sys::highlight(p).rgb());
    EXPECT_EQ(px(hot, 15, 0), sys::highlight(p).rgb());
    EXPECT_EQ(px(hot, 29, 29), sys::shadow(p).rgb());

    button.setDown(true);
    const QImage pressed = shot(button);
    EXPECT_EQ(px(pressed, 0, 0), sys::shadow(p).rgb());
    EXPECT_EQ(px(pressed, 29, 29), sys::highlight(p).rgb());
    // The picture, centred at (7, 7) at rest, moves one pixel right and down.
    EXPECT_EQ(rest.copy(7, 7, 16, 16), pressed.copy(8, 8, 16, 16));
    EXPECT_NE(rest.copy(7, 7, 16, 16), pressed.copy(7, 7, 16, 16));
}

TEST(BitmapButton, KeyColouredPixelsShowTheButtonBackground)
{
    BitmapButton button;
    QPalette green = button.palette();
    green.setColor(QPalette::Button, QColor(10, 200, 30));
    button.setPalette(green);  // a scheme change resets the colour pairs
    button.resize(30, 30);
    button.SetImages(194, kKey);
    const QImage picture = resources::bitmapImage(194);
    ASSERT_EQ(px(picture, 0, 0), kKey.rgb());
    const QImage drawn = shot(button);
    EXPECT_EQ(px(drawn, 7, 7), qRgb(10, 200, 30));
    // A drawn pixel of the picture keeps its own colour.
    EXPECT_NE(px(picture, 8, 8), kKey.rgb());
    EXPECT_EQ(px(drawn, 15, 15), px(picture, 8, 8));
}

TEST(BitmapButton, CaptionShiftsThePictureToTheLeftMargin)
{
    BitmapButton button(QStringLiteral("播放"));
    button.setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
    button.resize(80, 30);
    button.SetImages(194, kKey);
    const QImage drawn = shot(button);
    const QImage picture = resources::bitmapImage(194);
    // Picture at left margin 3, centred vertically: (3, 7).
    EXPECT_EQ(px(drawn, 3 + 8, 7 + 8), px(picture, 8, 8));
}

TEST(BitmapButton, DisabledPictureIsEmbossedAndTheFocusMovesOn)
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
    ASSERT_TRUE(widgettest::waitUntil([&] { return first->hasFocus(); }));

    const QImage enabled = shot(*first);
    first->setEnabled(false);
    EXPECT_TRUE(second->hasFocus());
    const QImage disabled = shot(*first);
    const QPalette& p = first->palette();
    int highlightPixels = 0, shadowPixels = 0, pictureColoured = 0;
    for (int y = 7; y < 24; ++y)
        for (int x = 7; x < 24; ++x) {
            const QRgb c = px(disabled, x, y);
            highlightPixels += c == sys::highlight(p).rgb();
            shadowPixels += c == sys::shadow(p).rgb();
            pictureColoured += c == px(enabled, 15, 15);
        }
    EXPECT_GT(highlightPixels, 5);
    EXPECT_GT(shadowPixels, 20);
    EXPECT_EQ(pictureColoured, 0);
}

TEST(BitmapButton, DoubleClickCountsAsTwoClicks)
{
    BitmapButton button;
    button.resize(30, 30);
    QSignalSpy clicks(&button, &QPushButton::clicked);
    // The second click of a fast pair arrives as a double click, not a press.
    QTest::mouseClick(&button, Qt::LeftButton, {}, {15, 15});
    QTest::mouseDClick(&button, Qt::LeftButton, {}, {15, 15});
    QTest::mouseRelease(&button, Qt::LeftButton, {}, {15, 15});
    EXPECT_EQ(clicks.count(), 2);
}

TEST(BitmapButton, ClickTakesTheFocus)
{
    QWidget window;
    auto* other = new QPushButton(QStringLiteral("x"), &window);
    auto* button = new BitmapButton(&window);
    other->setGeometry(0, 0, 30, 30);
    button->setGeometry(40, 0, 30, 30);
    window.show();
    QApplication::setActiveWindow(&window);
    other->setFocus();
    ASSERT_TRUE(widgettest::waitUntil([&] { return other->hasFocus(); }));
    QTest::mouseClick(button, Qt::LeftButton, {}, {15, 15});
    EXPECT_TRUE(button->hasFocus());
}

TEST(BitmapButton, FocusRectangleTwoPixelsInsideUnlessSwitchedOff)
{
    QWidget window;
    auto* button = new BitmapButton(&window);
    button->setGeometry(0, 0, 30, 30);
    button->SetImages(132, kKey);
    window.show();
    QApplication::setActiveWindow(&window);
    button->setFocus();
    ASSERT_TRUE(widgettest::waitUntil([&] { return button->hasFocus(); }));
    const QRgb face = sys::face(button->palette()).rgb();
    const QRgb text = sys::text(button->palette()).rgb();

    const QImage with = shot(*button);
    EXPECT_EQ(px(with, 2, 2), text);
    EXPECT_EQ(px(with, 1, 1), face);
    EXPECT_EQ(px(with, 27, 5), text);
    EXPECT_EQ(px(with, 3, 2), face);  // dotted

    button->SetFocusRectWhenFlat(false);
    const QImage without = shot(*button);
    EXPECT_EQ(px(without, 2, 2), face);
    EXPECT_EQ(px(without, 27, 5), face);
}

TEST(BitmapButton, HoverEndsWhenTheMouseLeavesOrTheButtonIsDisabled)
{
    BitmapButton button;
    button.resize(30, 30);
    widgettest::hover(&button, {5, 5});
    ASSERT_TRUE(button.IsHot());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.IsHot());

    widgettest::hover(&button, {5, 5});
    ASSERT_TRUE(button.IsHot());
    widgettest::hover(&button, {40, 5});  // still grabbed, but outside
    EXPECT_FALSE(button.IsHot());

    widgettest::hover(&button, {5, 5});
    button.setEnabled(false);
    EXPECT_FALSE(button.IsHot());
}

TEST(BitmapButton, OwnTooltipShowsItsTextOnlyWhenActive)
{
    QWidget window;
    auto* button = new BitmapButton(&window);
    button->setGeometry(0, 0, 30, 30);
    window.show();
    button->SetTipText(433, true);
    EXPECT_EQ(button->TipText(), resources::text(433));
    EXPECT_EQ(button->TipText(), QStringLiteral("播放选择的条目"));

    QHelpEvent help(QEvent::ToolTip, {5, 5}, button->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(button, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("播放选择的条目"));
    QToolTip::hideText();

    button->SetTipText(99999, true);  // no such string: ignored
    EXPECT_EQ(button->TipText(), QStringLiteral("播放选择的条目"));

    button->SetTipText(QStringLiteral("暂停/继续播放"), false);
    QHelpEvent again(QEvent::ToolTip, {5, 5}, button->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(button, &again);
    EXPECT_FALSE(QToolTip::isVisible() && QToolTip::text() == QStringLiteral("暂停/继续播放"));
}

TEST(GradientButton, HoverShowsTheLighterPaletteOverTheSamePixels)
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
    for (int i : {0, 64, 128, 255}) {
        const QRgb f = face.PaletteEntry(i), h = hover.PaletteEntry(i);
        EXPECT_EQ(qRed(h), (light.red() * 10 + qRed(f) * 90) / 100) << i;
        EXPECT_EQ(qBlue(h), (light.blue() * 10 + qBlue(f) * 90) / 100) << i;
    }
    // Entry 0 is the scheme's shadow, 255 its highlight.
    EXPECT_EQ(face.PaletteEntry(0), sys::shadow(button.palette()).rgb() | 0xff000000u);
    EXPECT_EQ(face.PaletteEntry(255), light.rgb() | 0xff000000u);
}

TEST(GradientButton, PaintsItsTextureAndMovesTheHoverCopyWhenPressed)
{
    GradientButton button;
    button.resize(90, 28);
    button.CreateSkin(8, 8, 10, 0, 0);
    const QImage rest = shot(button);
    EXPECT_EQ(rest.copy(2, 2, 86, 24), button.Face().ToImage().convertToFormat(QImage::Format_RGB32).copy(2, 2, 86, 24));
    // Light at the top left, dark at the bottom right.
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
    const QImage pressed = shot(button);
    EXPECT_EQ(pressed.copy(3, 3, 80, 20), hot.copy(2, 2, 80, 20));
}

TEST(GradientButton, ButtonWithoutWidthOrHeightKeepsThePlainBackground)
{
    GradientButton button(QStringLiteral("保存"));
    button.resize(0, 20);
    button.CreateSkin(8, 8, 10, 0, 0);
    EXPECT_FALSE(button.HasSkin());
    button.resize(60, 0);
    button.CreateSkin(8, 8, 10, 0, 0);
    EXPECT_FALSE(button.HasSkin());
    button.resize(60, 20);
    const QImage plain = shot(button);  // paints without a texture
    EXPECT_EQ(px(plain, 1, 1), sys::face(button.palette()).rgb());
}

TEST(ButtonScreenshots, StatesOfEveryButton)
{
    QWidget window;
    window.setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 8));
    auto* layout = new QVBoxLayout(&window);
    Q_UNUSED(layout);

    for (int id : {194, 159, 160}) {
        Sheet sheet;
        auto* b = new BitmapButton(&window);
        b->setGeometry(0, 0, 24, 26);
        b->SetImages(id, kKey);
        window.show();
        b->show();
        sheet.add(*b);
        widgettest::hover(b, {5, 5});
        sheet.add(*b);
        b->setDown(true);
        sheet.add(*b);
        b->setDown(false);
        QApplication::setActiveWindow(&window);
        b->setFocus();
        EXPECT_TRUE(widgettest::waitUntil([&] { return b->hasFocus(); }));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        sheet.add(*b);
        b->setEnabled(false);
        sheet.add(*b);
        sheet.save(QStringLiteral("bitmap_button_%1").arg(id));
        delete b;
    }
    {
        Sheet sheet;
        auto* b = new BitmapButton(&window);
        b->setGeometry(0, 0, 14, 28);
        b->show();
        for (int id : {132, 133}) {
            b->SetImages(id, kKey);
            sheet.add(*b);
            widgettest::hover(b, {5, 5});
            sheet.add(*b);
            b->setDown(true);
            sheet.add(*b);
            b->setDown(false);
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(b, &leave);
        }
        sheet.save(QStringLiteral("bitmap_button_panel"));
        delete b;
    }
    {
        Sheet sheet;
        auto* b = new GradientButton(QStringLiteral("保存"), &window);
        b->setGeometry(0, 0, 88, 26);
        b->show();
        b->CreateSkin(8, 8, 10, 0, 0);
        sheet.add(*b);
        widgettest::hover(b, {5, 5});
        sheet.add(*b);
        b->setDown(true);
        sheet.add(*b);
        b->setDown(false);
        QApplication::setActiveWindow(&window);
        b->setFocus();
        EXPECT_TRUE(widgettest::waitUntil([&] { return b->hasFocus(); }));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        sheet.add(*b);
        b->setEnabled(false);
        sheet.add(*b);
        sheet.save(QStringLiteral("gradient_button"));
    }
}
