// The playlist's position slider: geometry, clicks, dragging and the
// notifications its receiver gets.
#include "controls/bitmap_slider.h"
#include "controls/system_colours.h"
#include "resources/artwork.h"
#include "widget_test_helpers.h"

using controls::BitmapSlider;
using widgettest::Px;

namespace {

// A slider 217 pixels wide: with the 17-pixel thumb, 200 pixels are usable.
class SliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        slider->LoadBitmaps(137, 134, 135, 138);
        slider->setGeometry(0, 0, 217, 12);
        QObject::connect(slider, &BitmapSlider::Scrolled, [this](int code) { codes << code; });
        window.show();
        QApplication::setActiveWindow(&window);
    }
    void Press(int x) { QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(x, 6)); }
    void Release(int x) { QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(x, 6)); }

    QWidget window;
    QList<int> codes;  // what the playlist's player is told
    BitmapSlider* slider = new BitmapSlider(&window);
};

}  // namespace

TEST_F(SliderTest, PositionFromXAndThumbFromPosition)
{
    BitmapSlider fresh;
    fresh.LoadBitmaps(137, 134, 135, 138);
    EXPECT_EQ(fresh.size(), QSize(332, 12)) << "takes the channel's size";
    slider->SetRange(0, 100);
    // 108: 101 * 100 / 200 = 50.5 rounds up; 107: 49.995; 208: 101 clamped.
    for (auto [x, pos] : {std::pair{0, 0}, {8, 0}, {107, 50}, {108, 51}, {208, 100}, {500, 100}})
        EXPECT_EQ(slider->PosFromX(x), pos) << x;
    const struct {
        int max, pos, centre, kept;
    } thumbs[] = {{100, 50, 108, 50}, {100, 33, 74, 33},       {3, 1, 74, 1},  // 66.67 truncated + 8
                  {0, 0, 8, 0},       {1000, 5000, 208, 1000}, {1000, -5, 8, 0}};
    for (const auto& t : thumbs) {
        slider->SetRange(0, t.max);
        slider->SetPos(t.pos);
        EXPECT_EQ(slider->ThumbCentre(), t.centre) << t.max << " " << t.pos;
        EXPECT_EQ(slider->GetPos(), t.kept);
    }
    slider->SetPos(700);
    slider->SetRange(0, 500);  // a narrower range clamps the position
    EXPECT_EQ(slider->GetPos(), 500);
}

TEST_F(SliderTest, PressStepsTowardsThePointerReleaseTakesThePositionFromXAndDragReportsThumbTrack)
{
    // Press at x: the position shown while the button is down, then after release.
    const struct {
        int max, pos, x, down, up;
    } cases[] = {
        {100, 10, 158, 76, 76},  // right of the thumb: under the pointer (75.75)
        {0, 0, 150, 0, 0},       // empty range
        // Two positions, centres 8 and 208; x below 58 maps to 0.
        {1, 0, 12, 0, 0},   // maps to the position, within half a thumb: nothing
        {1, 0, 40, 1, 0},   // maps to it, more than half a thumb right: one up
        {1, 1, 150, 0, 1},  // more than half a thumb left: one down
        // Eleven positions, centres 20p + 8; x in 90..107 maps to 5.
        {10, 5, 95, 4, 5},
        {10, 5, 104, 5, 5},
        {10, 10, 216, 10, 10},  // the step stops at the maximum
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.max << " " << c.pos << " " << c.x);
        slider->SetRange(0, c.max);
        slider->SetPos(c.pos);
        Press(c.x);
        EXPECT_EQ(slider->GetPos(), c.down);
        Release(c.x);
        EXPECT_EQ(slider->GetPos(), c.up);
    }
    EXPECT_TRUE(slider->hasFocus());

    // A drag reports thumb tracking for the press and each move, and one end scroll.
    codes.clear();
    slider->SetRange(0, 100);
    Press(50);
    EXPECT_TRUE(slider->IsDragging());
    QTest::mouseMove(slider, QPoint(80, 6));
    EXPECT_EQ(slider->GetPos(), 36);  // 101 * 72 / 200 = 36.36
    QTest::mouseMove(slider, QPoint(120, 6));
    Release(130);
    EXPECT_FALSE(slider->IsDragging());
    QTest::mouseMove(slider, QPoint(160, 6));  // not dragging any more: nothing
    EXPECT_EQ(slider->GetPos(), 62);           // 101 * 122 / 200 = 61.61
    const int track = BitmapSlider::SB_THUMBTRACK;
    EXPECT_EQ(codes, (QList<int>{track, track, track, BitmapSlider::SB_ENDSCROLL}));
}

TEST_F(SliderTest, PaintsFilledChannelLeftOfTheThumbAndMatchesTheFace)
{
    slider->SetRange(0, 100);
    slider->SetPos(50);  // thumb centre 108, thumb from x 100 to 116
    const QImage drawn = slider->grab().toImage();
    const QImage empty = resources::BitmapImage(137), filled = resources::BitmapImage(134);
    const QRgb face = controls::syscolour::Face(slider->palette()).rgb();
    EXPECT_EQ(Px(drawn, 0, 0), face);  // the 236 background matched to the face
    EXPECT_EQ(Px(drawn, 216, 11), face);
    EXPECT_EQ(Px(drawn, 30, 6), Px(filled, 30, 6));   // filled part, 1:1
    EXPECT_EQ(Px(drawn, 200, 6), Px(empty, 315, 6));  // right end, 1:1
    EXPECT_EQ(Px(drawn, 150, 6), Px(empty, 234, 6));  // stretched middle
    EXPECT_EQ(Px(drawn, 108, 5), Px(resources::BitmapImage(135), 8, 4));
    EXPECT_EQ(Px(drawn, 100, 1), face);  // the thumb's keyed corner

    Press(108);  // the pressed thumb has its own picture
    EXPECT_EQ(Px(slider->grab().toImage(), 108, 5), Px(resources::BitmapImage(138), 8, 4));
    Release(108);
}
