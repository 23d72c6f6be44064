// The trackbar: which codes keys, wheel and mouse send, when tracking ends,
// the page size, ranges beyond an int, and repaints only when the thumb moves.
#include "controls/trackbar.h"
#include "widget_test_helpers.h"

#include <QScreen>
#include <QWheelEvent>

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
    void Wheel(int delta)
    {
        const QPointF at(100, 15);
        QWheelEvent e(at, bar.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&bar, &e);
    }

    QWidget window;
    Trackbar bar{&window};
    std::vector<int> codes;
};

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

}  // namespace

// A held key, the wheel turned away and a dragged thumb, each reaching the
// playing engine, are tried on the recorder window's position slider
// (window_controls_test.cpp).
TEST_F(TrackbarTest, KeysWheelAndChannelStepAsTheTrackbarDoesEndTrackingOnceAndARangeBeyondAnIntIsScaled)
{
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
    Wheel(-2 * QWheelEvent::DefaultDeltasPerStep);
    EXPECT_EQ(bar.GetPos(), 500 - 2 * lines);
    EXPECT_EQ(codes, std::vector<int>(2 * lines, Trackbar::LineUp));
    Wheel(QWheelEvent::DefaultDeltasPerStep / 2);
    EXPECT_EQ(bar.GetPos(), 500 - 2 * lines);
    Wheel(QWheelEvent::DefaultDeltasPerStep / 2);
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
}

TEST_F(TrackbarTest, AGrowingRangeWithTheThumbAtItsEndDoesNotRepaintYetLooksRight)
{
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
