// The bitmaps the controls cut: the strip's seams, and the program icon. The
// channel's background, filled with the face colour, is tried where the
// position slider paints it (slider_test.cpp).
#include "resources/artwork.h"
#include "controls/widget_test_helpers.h"

using widgettest::Px;

const QRgb kKey = qRgb(192, 192, 192);

TEST(Artwork, StripHoldsFiveSeparateTwentyFivePixelPicturesAndTheIconTheDesktopsSizes)
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

    // The program icon comes in the desktop's sizes.
    for (int size : {16, 32, 48})
        EXPECT_TRUE(resources::Icon(128).availableSizes().contains(QSize(size, size))) << size;
}
