// The bitmaps the controls cut and fill: the strip's seams and the channel's
// background, and the program icon.
#include "controls/flood_fill.h"
#include "resources/artwork.h"
#include "controls/widget_test_helpers.h"

#include <gtest/gtest.h>

using widgettest::Px;

namespace {
const QRgb kKey = qRgb(192, 192, 192);
}

TEST(Artwork, TheProgramIconComesInTheDesktopsSizes)
{
    for (int size : {16, 32, 48})
        EXPECT_TRUE(resources::Icon(128).availableSizes().contains(QSize(size, size))) << size;
}

TEST(Artwork, StripHoldsFiveSeparateTwentyFivePixelPictures)
{
    const QList<QPixmap> pieces = resources::ImageList(229, 25, QColor(kKey));
    ASSERT_EQ(pieces.size(), 5);
    const QImage strip = resources::BitmapImage(229);
    for (int i = 0; i < 5; ++i) {
        for (int y = 0; y < strip.height(); ++y) {  // the seams stay transparent
            EXPECT_EQ(Px(strip, i * 25, y), kKey) << i;
            EXPECT_EQ(Px(strip, i * 25 + 24, y), kKey) << i;
        }
        EXPECT_EQ(qAlpha(pieces[i].toImage().pixel(0, 0)), 0) << i;
        EXPECT_EQ(qAlpha(pieces[i].toImage().pixel(12, 8)), 255) << i;
    }
}

TEST(Artwork, ChannelBackgroundIsOneAreaAroundTheGroove)
{
    const QRgb magenta = QColor(Qt::magenta).rgb();
    for (int id : {134, 137}) {
        QImage channel = resources::BitmapImage(id).convertToFormat(QImage::Format_RGB32);
        controls::FloodFillSurface(channel, {0, 0}, QColor(236, 236, 236), Qt::magenta);
        for (QPoint p : {QPoint(0, 11), QPoint(331, 11), QPoint(166, 0)})  // reaches below the groove
            EXPECT_EQ(Px(channel, p.x(), p.y()), magenta) << id;
        EXPECT_NE(Px(channel, 166, 6), magenta) << id << " groove untouched";
    }
    EXPECT_NE(Px(resources::BitmapImage(134), 100, 6), Px(resources::BitmapImage(137), 100, 6));
}
