// The playlist's position slider: geometry, clicks, dragging and the
// notifications its receiver gets.
#include "controls/system_colours.h"
#include "controls/bitmap_slider.h"
#include "resources/artwork.h"
#include "support/test_support.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using controls::BitmapSlider;

namespace {

// Collects the scroll notifications posted to it.
class Receiver : public QWidget {
public:
    QList<int> codes;
    QList<BitmapSlider*> senders;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == BitmapSlider::ScrollEvent::type()) {
            auto* scroll = static_cast<BitmapSlider::ScrollEvent*>(e);
            codes.append(scroll->code());
            senders.append(scroll->slider());
            return true;
        }
        return QWidget::event(e);
    }
};

// A slider 217 pixels wide: with the 17-pixel thumb, 200 pixels are usable.
class SliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        slider = new BitmapSlider(&window);
        slider->LoadBitmaps(137, 134, 135, 138);
        slider->setGeometry(0, 0, 217, 12);
        slider->SetNotifyWindow(&receiver);
        window.show();
        QApplication::setActiveWindow(&window);
    }

    void press(int x) { QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(x, 6)); }
    void move(int x) { QTest::mouseMove(slider, QPoint(x, 6)); }
    void release(int x) { QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(x, 6)); }
    void click(int x)
    {
        press(x);
        release(x);
    }

    QWidget window;
    Receiver receiver;
    BitmapSlider* slider = nullptr;
};

QRgb px(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xff000000u; }

}  // namespace

TEST(BitmapSliderMath, MulDivRoundsHalfAwayFromZero)
{
    EXPECT_EQ(BitmapSlider::MulDiv(101, 100, 200), 51);  // 50.5
    EXPECT_EQ(BitmapSlider::MulDiv(-101, 100, 200), -51);
    EXPECT_EQ(BitmapSlider::MulDiv(7, 1, 2), 4);
    EXPECT_EQ(BitmapSlider::MulDiv(1, 1, 3), 0);
    EXPECT_EQ(BitmapSlider::MulDiv(2, 1, 3), 1);
    EXPECT_EQ(BitmapSlider::MulDiv(5, 3, 0), -1);
    EXPECT_EQ(BitmapSlider::MulDiv(1 << 30, 8, 1), -1);  // does not fit
    EXPECT_EQ(BitmapSlider::MulDiv(1 << 30, 8, 4), -1);  // 2^31
    EXPECT_EQ(BitmapSlider::MulDiv(1 << 30, 2, 4), 1 << 29);
}

TEST_F(SliderTest, TakesTheChannelSizeWhenLoaded)
{
    BitmapSlider fresh;
    fresh.LoadBitmaps(137, 134, 135, 138);
    EXPECT_EQ(fresh.size(), QSize(332, 12));
    EXPECT_EQ(fresh.GetMin(), 1);  // constructed as min 1, max 0
    EXPECT_EQ(fresh.GetMax(), 0);
}

TEST_F(SliderTest, PositionFromXFollowsTheUsableWidth)
{
    slider->SetRange(0, 100);
    EXPECT_EQ(slider->PosFromX(0), 0);
    EXPECT_EQ(slider->PosFromX(8), 0);
    EXPECT_EQ(slider->PosFromX(108), 51);  // 101 * 100 / 200 = 50.5, rounded
    EXPECT_EQ(slider->PosFromX(107), 50);  // 101 * 99 / 200 = 49.995
    EXPECT_EQ(slider->PosFromX(208), 100);  // 101 * 200 / 200 = 101, clamped
    EXPECT_EQ(slider->PosFromX(500), 100);

    slider->SetPos(50);
    EXPECT_EQ(slider->ThumbCentre(), 108);  // 200 / 100 * 50 + 8
    slider->SetPos(33);
    EXPECT_EQ(slider->ThumbCentre(), 74);  // 2 * 33 + 8
    slider->SetRange(0, 3);
    slider->SetPos(1);
    EXPECT_EQ(slider->ThumbCentre(), 74);  // 66.67 truncated + 8
}

TEST_F(SliderTest, EmptyRangeKeepsTheThumbLeftAndAClickGivesZero)
{
    slider->SetRange(0, 0);
    slider->SetPos(0);
    EXPECT_EQ(slider->ThumbCentre(), 8);
    click(150);
    EXPECT_EQ(slider->GetPos(), 0);
}

TEST_F(SliderTest, SetPosBeyondTheMaximumShowsTheThumbAtTheRightEnd)
{
    slider->SetRange(0, 1000);
    slider->SetPos(5000);
    EXPECT_EQ(slider->GetPos(), 1000);
    EXPECT_EQ(slider->ThumbCentre(), 208);
    slider->SetPos(-5);
    EXPECT_EQ(slider->GetPos(), 0);
    slider->SetPos(700);
    slider->SetRange(0, 500);  // a narrower range clamps the position
    EXPECT_EQ(slider->GetPos(), 500);
}

TEST_F(SliderTest, ClickRightOfTheThumbMovesItUnderThePointer)
{
    slider->SetRange(0, 100);
    slider->SetPos(10);
    click(158);  // 101 * 150 / 200 = 75.75
    EXPECT_EQ(slider->GetPos(), 76);
    EXPECT_TRUE(slider->hasFocus());
}

TEST_F(SliderTest, PressMappingToTheCurrentPositionStepsTowardsIt)
{
    // The step shows while the button is down; the release takes the
    // position from x again.
    // Two positions: centres at 8 and 208; x below 58 maps to 0.
    slider->SetRange(0, 1);
    slider->SetPos(0);
    press(12);  // maps to 0, within half a thumb of the centre: nothing
    EXPECT_EQ(slider->GetPos(), 0);
    release(12);
    press(40);  // maps to 0, more than half a thumb right: one up
    EXPECT_EQ(slider->GetPos(), 1);
    release(40);
    EXPECT_EQ(slider->GetPos(), 0);
    slider->SetPos(1);
    press(150);  // maps to 1, more than half a thumb left of 208: one down
    EXPECT_EQ(slider->GetPos(), 0);
    release(150);
    EXPECT_EQ(slider->GetPos(), 1);

    slider->SetRange(0, 10);  // centres 20p + 8
    slider->SetPos(5);        // centre 108; x in 90..107 maps to 5
    press(95);
    EXPECT_EQ(slider->GetPos(), 4);
    release(95);
    slider->SetPos(5);
    press(104);  // within half a thumb
    EXPECT_EQ(slider->GetPos(), 5);
    release(104);
    slider->SetPos(10);
    press(216);  // maps to the maximum already; the step stops there
    EXPECT_EQ(slider->GetPos(), 10);
    release(216);
}

TEST_F(SliderTest, DragReportsThumbTrackForPressAndMovesAndOneEndScroll)
{
    slider->SetRange(0, 100);
    QSignalSpy spy(slider, &BitmapSlider::scrolled);
    press(50);
    EXPECT_TRUE(slider->IsDragging());
    move(80);
    EXPECT_EQ(slider->GetPos(), 36);  // 101 * 72 / 200 = 36.36
    move(120);
    release(130);
    EXPECT_FALSE(slider->IsDragging());
    EXPECT_EQ(slider->GetPos(), 62);  // 101 * 122 / 200 = 61.61
    move(160);  // not dragging any more: nothing
    QApplication::processEvents();
    EXPECT_EQ(receiver.codes, (QList<int>{5, 5, 5, 8}));
    EXPECT_EQ(receiver.senders.size(), 4);
    EXPECT_EQ(receiver.senders.front(), slider);
    ASSERT_EQ(spy.count(), 4);
    EXPECT_EQ(spy.at(3).at(0).toInt(), BitmapSlider::SB_ENDSCROLL);
    EXPECT_EQ(slider->GetPos(), 62);
}

TEST_F(SliderTest, WithoutANotifyObjectTheParentIsTold)
{
    Receiver parent;
    auto* own = new BitmapSlider(&parent);
    own->LoadBitmaps(137, 134, 135, 138);
    own->setGeometry(0, 0, 217, 12);
    own->SetRange(0, 10);
    QTest::mousePress(own, Qt::LeftButton, {}, QPoint(100, 6));
    QTest::mouseRelease(own, Qt::LeftButton, {}, QPoint(100, 6));
    QApplication::processEvents();
    EXPECT_EQ(parent.codes, (QList<int>{5, 8}));
}

TEST_F(SliderTest, PaintsFilledChannelLeftOfTheThumbAndMatchesTheFace)
{
    slider->SetRange(0, 100);
    slider->SetPos(50);  // thumb centre 108, thumb from x 100 to 116
    const QImage drawn = slider->grab().toImage();
    const QImage empty = resources::bitmapImage(137);
    const QImage filled = resources::bitmapImage(134);
    const QImage thumb = resources::bitmapImage(135);
    const QRgb face = controls::syscolour::face(slider->palette()).rgb();

    EXPECT_EQ(px(drawn, 0, 0), face);  // 236 background matched to the face
    EXPECT_EQ(px(drawn, 216, 11), face);
    EXPECT_EQ(px(drawn, 30, 6), px(filled, 30, 6));     // filled part, 1:1
    EXPECT_EQ(px(drawn, 200, 6), px(empty, 315, 6));    // right end, 1:1
    EXPECT_EQ(px(drawn, 150, 6), px(empty, 234, 6));    // stretched middle
    EXPECT_EQ(px(drawn, 108, 5), px(thumb, 8, 4));      // thumb at y = 6 - 5
    EXPECT_EQ(px(drawn, 100, 1), face);                 // its keyed corner

    press(108);
    const QImage dragging = slider->grab().toImage();
    EXPECT_EQ(px(dragging, 108, 5), px(resources::bitmapImage(138), 8, 4));
    release(108);
}

TEST_F(SliderTest, Screenshots)
{
    QImage sheet(260, 5 * 20 + 8, QImage::Format_RGB32);
    sheet.fill(controls::syscolour::face(slider->palette()));
    QPainter p(&sheet);
    slider->SetRange(0, 100);
    int y = 4;
    for (int pos : {0, 25, 60, 100}) {
        slider->SetPos(pos);
        p.drawImage(20, y, slider->grab().toImage());
        y += 20;
    }
    press(150);
    p.drawImage(20, y, slider->grab().toImage());
    release(150);
    p.end();
    sheet.scaled(sheet.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .save(QDir(testsupport::screenshotDir()).filePath("bitmap_slider.png"));
}
