// The trackbar: which codes keys, wheel and mouse send, when tracking ends,
// the page size, and ranges beyond an int.
#include "controls/trackbar.h"
#include "widget_test_helpers.h"

#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <climits>

using controls::Trackbar;

namespace {

class TrackbarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(340, 60);
        bar.setGeometry(10, 10, 320, 30);
        bar.SetRange(0, 1000);
        QObject::connect(&bar, &Trackbar::Scrolled, [this](int code) { codes.push_back(code); });
        window.show();
        bar.setFocus();
    }
    void Key(QEvent::Type type, Qt::Key k, bool autoRepeat = false)
    {
        QKeyEvent e(type, k, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(&bar, &e);
    }
    void Wheel(int delta)
    {
        const QPointF at(100, 15);
        QWheelEvent e(at, bar.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&bar, &e);
    }
    int Count(int code) const { return int(std::count(codes.begin(), codes.end(), code)); }

    QWidget window;
    Trackbar bar{&window};
    std::vector<int> codes;
};

}  // namespace

TEST_F(TrackbarTest, KeysStepAsTheTrackbarDoesAndEndTrackingOnceWhenLetGo)
{
    EXPECT_EQ(bar.pageStep(), 200);  // a fifth of the range
    EXPECT_EQ(bar.singleStep(), 1);
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
    // A held key repeats its step; tracking ends once, when it is let go.
    codes.clear();
    Key(QEvent::KeyPress, Qt::Key_Right);
    for (int i = 0; i < 4; ++i) {
        Key(QEvent::KeyRelease, Qt::Key_Right, true);
        Key(QEvent::KeyPress, Qt::Key_Right, true);
    }
    EXPECT_EQ(Count(Trackbar::EndTrack), 0);
    Key(QEvent::KeyRelease, Qt::Key_Right);
    EXPECT_EQ(codes, (std::vector<int>{1, 1, 1, 1, 1, 8}));
    EXPECT_EQ(bar.GetPos(), 207);
}

TEST_F(TrackbarTest, TheWheelStepsByLinesAndTellsTheReceiverEachStep)
{
    bar.SetPos(500);
    const int lines = std::max(1, QApplication::wheelScrollLines());
    Wheel(QWheelEvent::DefaultDeltasPerStep);
    EXPECT_EQ(bar.GetPos(), 500 + lines);
    EXPECT_EQ(Count(Trackbar::LineDown), lines);
    codes.clear();
    Wheel(-2 * QWheelEvent::DefaultDeltasPerStep);
    EXPECT_EQ(bar.GetPos(), 500 - lines);
    EXPECT_EQ(codes, std::vector<int>(2 * lines, Trackbar::LineUp));
    // Half notches add up to a whole one.
    codes.clear();
    Wheel(QWheelEvent::DefaultDeltasPerStep / 2);
    EXPECT_TRUE(codes.empty());
    Wheel(QWheelEvent::DefaultDeltasPerStep / 2);
    EXPECT_EQ(bar.GetPos(), 500);
}

TEST_F(TrackbarTest, HeldOnTheChannelItPagesUntilTheThumbIsThereAndEndsOnceAtRelease)
{
    const QPoint target(bar.width() * 7 / 10, bar.height() / 2);  // about position 700
    QTest::mousePress(&bar, Qt::LeftButton, {}, target);
    EXPECT_EQ(codes, std::vector<int>{Trackbar::PageDown});
    EXPECT_EQ(bar.GetPos(), 200);
    QTest::qWait(Trackbar::kRepeatDelayMs + 20 * Trackbar::kRepeatPeriodMs);
    // The thumb stopped at the first page that reached the pointer.
    EXPECT_EQ(bar.GetPos(), 800);
    EXPECT_EQ(Count(Trackbar::PageDown), 4);
    EXPECT_EQ(Count(Trackbar::EndTrack), 0);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, target);
    EXPECT_EQ(codes.back(), Trackbar::EndTrack);
    EXPECT_EQ(Count(Trackbar::EndTrack), 1);

    codes.clear();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(2, bar.height() / 2));
    EXPECT_EQ(codes, (std::vector<int>{Trackbar::PageUp, Trackbar::EndTrack}));
    EXPECT_EQ(bar.GetPos(), 600);
}

TEST_F(TrackbarTest, DraggingTheThumbTracksAndEndsWithItsPosition)
{
    const QPoint grip = widgettest::SliderHandle(bar).center();
    QTest::mousePress(&bar, Qt::LeftButton, {}, grip);
    for (int dx : {20, 60, 120})
        QTest::mouseMove(&bar, grip + QPoint(dx, 0));
    EXPECT_GE(Count(Trackbar::ThumbTrack), 2);
    EXPECT_EQ(Count(Trackbar::EndTrack), 0);
    const qint64 dragged = bar.GetPos();
    EXPECT_GT(dragged, 300);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, grip + QPoint(120, 0));
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[codes.size() - 2], Trackbar::ThumbPosition);
    EXPECT_EQ(codes.back(), Trackbar::EndTrack);
    EXPECT_EQ(Count(Trackbar::EndTrack), 1);
    EXPECT_EQ(bar.GetPos(), dragged);
}

TEST_F(TrackbarTest, ARangeBeyondAnIntIsScaledAndStillReachesItsEnd)
{
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
}
