// The waveform panel draws what the engine put into its points: black, a
// green centre line and one green vertical line per column. The engine's
// snapshot of the sound is its own test's; the window's shows it
// (recorder_window_test.cpp).
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include "recorder/waveform_view.h"

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);

class WaveformViewTest : public ::testing::Test {
protected:
    WaveformView view;
    int w = 0, h = 0;  // the inside, without the sunken edge

    void SetUp() override { Make(QSize(100, 42)); }  // inside 98 x 40
    void Make(QSize outer)
    {
        view.resize(outer);
        view.Initialize();
        w = view.contentsRect().width();
        h = view.contentsRect().height();
    }
    // The inside of `v` as drawn, in its own coordinates.
    static QImage Inside(WaveformView& v)
    {
        return v.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(v.contentsRect());
    }
    // Rows of column `x` that are lit, as [first, last]; {-1, -1} for none,
    // {first, -2} when they have a gap.
    static std::pair<int, int> LitRows(const QImage& img, int x)
    {
        int first = -1, last = -1, lit = 0;
        for (int y = 0; y < img.height(); ++y)
            if (img.pixel(x, y) == kGreen) {
                if (first < 0)
                    first = y;
                last = y;
                ++lit;
            }
        return {first, lit && lit != last - first + 1 ? -2 : last};
    }
};

}  // namespace

TEST_F(WaveformViewTest, AnEmptyViewIsBlackWithOneGreenLineThroughTheMiddle)
{
    EXPECT_EQ(view.PointCount(), 98) << "the sunken edge is not part of the inside";
    EXPECT_EQ(view.FullScale(), 25000);
    const QImage img = Inside(view);
    ASSERT_EQ(img.size(), QSize(w, h));
    const int mid = h / 2;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(img.pixel(x, y), y == mid ? kGreen : kBlack) << x << "," << y;
}

// One point at a time: the lit rows run without a gap, symmetric around the
// centre, scaled by the full scale (8-bit full scale 130; 0 taken as 1).
TEST_F(WaveformViewTest, EachPointLightsItsColumnSymmetricallyAroundTheCentre)
{
    const struct {
        int outerHeight, fullScale, column, point, first, last;
    } cases[] = {{42, 25000, 10, 25000, 0, 39}, {42, 25000, 0, 25000, 20, 20},  // column 0 is never drawn
                 {42, 25000, 11, 0, 20, 20},    {43, 25000, 20, -10000, 12, 28}, {43, 25000, 30, 10000, 12, 28},
                 {42, 130, 5, 128, 1, 39},      {42, 130, 6, -127, 1, 39},       {42, 130, 7, 64, 11, 29},
                 {42, 0, 7, 1, 0, 39}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.outerHeight << " " << c.fullScale << " " << c.point);
        Make(QSize(100, c.outerHeight));
        std::fill(view.Points(), view.Points() + view.PointCount(), int16_t(0));
        view.SetFullScale(int16_t(c.fullScale));
        view.Points()[c.column] = int16_t(c.point);
        EXPECT_EQ(LitRows(Inside(view), c.column), std::make_pair(c.first, c.last));
    }
}

TEST_F(WaveformViewTest, ARedrawAfterChangesLooksLikeAFreshDrawingOfTheSamePoints)
{
    // Only changed columns are drawn again: what shrank, grew, or changed
    // with the full scale must leave nothing of the earlier picture behind.
    for (int i = 0; i < w; ++i)
        view.Points()[i] = int16_t((i * 997) % 50000 - 25000);
    Inside(view);
    for (int i = 0; i < w; i += 3)
        view.Points()[i] = int16_t(i * 50);
    view.Points()[1] = 0;
    view.SetFullScale(12000);
    const QImage redrawn = Inside(view);

    WaveformView fresh;
    fresh.resize(view.size());
    fresh.Initialize();
    std::copy(view.Points(), view.Points() + w, fresh.Points());
    fresh.SetFullScale(12000);
    const QImage expected = Inside(fresh);
    ASSERT_EQ(redrawn.size(), expected.size());
    for (int x = 0; x < w; ++x)
        ASSERT_EQ(LitRows(redrawn, x), LitRows(expected, x)) << x;
    EXPECT_EQ(redrawn, expected);
}
