// The trackbar: which codes keys, wheel and mouse send, when tracking ends,
// the page size, ranges beyond an int, and repaints only when the thumb moves.
// The playlist's position slider: geometry, clicks, dragging and the
// notifications its receiver gets.
#include "controls/bitmap_slider.h"
#include "controls/system_colours.h"
#include "controls/trackbar.h"
#include "resources/artwork.h"
#include "widget_test_helpers.h"

#include <QScreen>
#include <QWheelEvent>

#include <climits>

using controls::BitmapSlider;
using controls::Trackbar;
using widgettest::Px;

namespace {

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

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

// A held key, the wheel turned away and a dragged thumb, each reaching the
// playing engine, are tried on the recorder window's position slider
// (window_controls_test.cpp).
TEST(TrackbarTest, KeysWheelChannelAndRangesBeyondAnIntStepAsTheTrackbarDoesAndAGrowingRangeDoesNotRepaint)
{
    QWidget window;
    Trackbar bar{&window};
    std::vector<int> codes;
    window.resize(340, 60);
    bar.setGeometry(10, 10, 320, 30);
    bar.SetRange(0, 1000);
    QObject::connect(&bar, &Trackbar::Scrolled, [&](int code) { codes.push_back(code); });
    window.show();
    bar.setFocus();
    const auto wheel = [&](int delta) {
        const QPointF at(100, 15);
        QWheelEvent e(at, bar.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&bar, &e);
    };
    const std::tuple<Qt::Key, int, qint64> steps[] = {
        {Qt::Key_End, Trackbar::Bottom, 1000},   {Qt::Key_Left, Trackbar::LineUp, 999},
        {Qt::Key_Up, Trackbar::LineUp, 998},     {Qt::Key_PageUp, Trackbar::PageUp, 798},
        {Qt::Key_Home, Trackbar::Top, 0},        {Qt::Key_PageDown, Trackbar::PageDown, 200},
        {Qt::Key_Down, Trackbar::LineDown, 201}, {Qt::Key_Right, Trackbar::LineDown, 202}};
    for (const auto& [k, code, position] : steps) {
        codes.clear();
        QTest::keyClick(&bar, k);
        EXPECT_EQ(codes, (std::vector<int>{code, Trackbar::EndTrack})) << k;
        EXPECT_EQ(bar.GetPos(), position) << k;
    }

    // The wheel steps by the desktop's lines, both ways; half notches add up.
    bar.SetPos(500);
    codes.clear();
    const int lines = std::max(1, QApplication::wheelScrollLines());
    wheel(-2 * QWheelEvent::DefaultDeltasPerStep);
    EXPECT_EQ(bar.GetPos(), 500 - 2 * lines);
    EXPECT_EQ(codes, std::vector<int>(2 * lines, Trackbar::LineUp));
    wheel(QWheelEvent::DefaultDeltasPerStep / 2);
    EXPECT_EQ(bar.GetPos(), 500 - 2 * lines);
    wheel(QWheelEvent::DefaultDeltasPerStep / 2);
    EXPECT_EQ(bar.GetPos(), 500 - lines);

    // Held on the channel it pages until the thumb is at the pointer, and ends once at release.
    bar.SetPos(0);
    codes.clear();
    const QPoint target(bar.width() * 7 / 10, bar.height() / 2);  // about position 700
    QTest::mousePress(&bar, Qt::LeftButton, {}, target);
    EXPECT_EQ(bar.GetPos(), 200);
    QTest::qWait(Trackbar::kRepeatDelayMs + 20 * Trackbar::kRepeatPeriodMs);
    EXPECT_EQ(bar.GetPos(), 800);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, target);
    EXPECT_EQ(codes,
              (std::vector<int>{Trackbar::PageDown, Trackbar::PageDown, Trackbar::PageDown, Trackbar::PageDown,
                                Trackbar::EndTrack}));
    codes.clear();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(2, bar.height() / 2));
    EXPECT_EQ(codes, (std::vector<int>{Trackbar::PageUp, Trackbar::EndTrack}));
    EXPECT_EQ(bar.GetPos(), 600);

    // A range beyond an int is scaled and still reaches its end.
    const qint64 frames = 4'000'000'000;  // a long 8-bit mono recording
    bar.SetRange(0, frames);
    EXPECT_LE(bar.maximum(), INT_MAX);
    EXPECT_EQ(bar.Scale(), 2);
    bar.SetPos(frames);
    EXPECT_EQ(bar.GetPos(), frames);
    bar.SetPos(3'000'000'001);
    EXPECT_LE(std::abs(bar.GetPos() - 3'000'000'001), bar.Scale());
    QTest::keyClick(&bar, Qt::Key_Home);
    EXPECT_EQ(bar.GetPos(), 0);
    QTest::keyClick(&bar, Qt::Key_PageDown);
    EXPECT_EQ(bar.GetPos(), frames / 5);
    QTest::keyClick(&bar, Qt::Key_End);
    EXPECT_EQ(bar.GetPos(), frames);

    // Back in an int's range the scale is gone; a page size someone chose stays.
    bar.SetRange(0, 50);
    EXPECT_EQ(bar.Scale(), 1);
    EXPECT_EQ(bar.pageStep(), 10);
    bar.setPageStep(1);
    bar.SetRange(0, 15);
    EXPECT_EQ(bar.pageStep(), 1);

    // A growing range with the thumb at its end does not repaint, yet looks right.
    // What the window shows (its backing store) against a trackbar drawn afresh.
    Trackbar fresh;
    fresh.resize(bar.size());
    const auto shows = [&](qint64 length, qint64 position) {
        fresh.SetRange(0, length);
        fresh.SetPos(position);
        const QImage shown = window.screen()
                                 ->grabWindow(window.winId(), bar.x(), bar.y(), bar.width(), bar.height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        return shown == fresh.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    bar.SetRange(0, 1000);
    bar.SetPos(1000);
    QApplication::processEvents();
    ASSERT_TRUE(shows(1000, 1000));
    PaintCounter counter;
    bar.installEventFilter(&counter);
    for (qint64 length = 1000; length <= 2000; length += 100) {  // a take as it records
        bar.SetRangeAndPos(0, length, length);
        QApplication::processEvents();
    }
    EXPECT_EQ(counter.paints, 0);
    EXPECT_TRUE(shows(2000, 2000));

    bar.SetRangeAndPos(0, 2100, 500);  // the thumb moves: it is drawn where it is
    QApplication::processEvents();
    EXPECT_GT(counter.paints, 0);
    EXPECT_TRUE(shows(2100, 500));
}

TEST_F(SliderTest, PositionFromXThumbPaintingPressStepsReleaseAndDragAsThePlaylistsPlayerNeedsThem)
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

    // The channel is filled left of the thumb; the background matches the face.
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
