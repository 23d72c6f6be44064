// The bitmaps by number: present, at their sizes, with the colours the
// controls rely on (transparent key, channel background, white row surround).
#include "controls/flood_fill.h"
#include "resources/artwork.h"
#include "widget_test_helpers.h"

#include <gtest/gtest.h>

using widgettest::px;

namespace {
const QRgb kKey = qRgb(192, 192, 192), kWhite = qRgb(255, 255, 255);
}

TEST(Artwork, SizesAndTheColoursTheControlsRelyOn)
{
    const struct {
        int id, width, height;
        QRgb corner;  // 0: transparent by its own top-left colour
    } expected[] = {
        {131, 55, 51, kWhite}, {132, 7, 15, kKey},   {133, 7, 15, kKey},    {134, 332, 12, qRgb(236, 236, 236)},
        {137, 332, 12, qRgb(236, 236, 236)},         {135, 17, 11, kKey},   {138, 17, 11, kKey},
        {193, 30, 30, kWhite}, {234, 30, 30, kWhite}, {235, 30, 30, kWhite}, {236, 30, 30, kWhite},
        {237, 30, 30, kWhite}, {238, 30, 30, kWhite}, {249, 9, 9, 0},       {250, 9, 9, 0},
        {159, 16, 16, kKey},   {160, 16, 16, kKey},   {194, 16, 16, kKey},   {229, 125, 16, kKey},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.id);
        const QImage image = resources::bitmapImage(e.id);
        ASSERT_EQ(image.size(), QSize(e.width, e.height));
        EXPECT_FALSE(image.hasAlphaChannel()) << "transparency is a colour key";
        const int r = e.width - 1, b = e.height - 1;
        const QRgb key = e.corner ? e.corner : px(image, 0, 0);
        for (QPoint c : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)})
            EXPECT_EQ(px(image, c.x(), c.y()), key);
        int drawn = 0;
        for (int y = 0; y <= b; ++y)
            for (int x = 0; x <= r; ++x)
                drawn += px(image, x, y) != key;
        EXPECT_GT(drawn, e.width * e.height / 8);
    }
    EXPECT_TRUE(resources::bitmapImage(999).isNull());
    for (auto [a, b] : {std::pair{238, 234}, {234, 235}, {235, 236}, {249, 250}})  // frames and markers differ
        EXPECT_NE(resources::bitmapImage(a), resources::bitmapImage(b)) << a;

    for (int size : {16, 32, 48})
        EXPECT_TRUE(resources::icon(128).availableSizes().contains(QSize(size, size))) << size;
    EXPECT_TRUE(resources::icon(5).isNull());
}

TEST(Artwork, StripHoldsFiveSeparateTwentyFivePixelPictures)
{
    const QList<QPixmap> pieces = resources::imageList(229, 25, QColor(kKey));
    ASSERT_EQ(pieces.size(), 5);
    const QImage strip = resources::bitmapImage(229);
    for (int i = 0; i < 5; ++i) {
        for (int y = 0; y < strip.height(); ++y) {  // the seams stay transparent
            EXPECT_EQ(px(strip, i * 25, y), kKey) << i;
            EXPECT_EQ(px(strip, i * 25 + 24, y), kKey) << i;
        }
        EXPECT_EQ(qAlpha(pieces[i].toImage().pixel(0, 0)), 0) << i;
        EXPECT_EQ(qAlpha(pieces[i].toImage().pixel(12, 8)), 255) << i;
    }
}

TEST(Artwork, ChannelBackgroundIsOneAreaAroundTheGroove)
{
    const QRgb magenta = QColor(Qt::magenta).rgb();
    for (int id : {134, 137}) {
        QImage channel = resources::bitmapImage(id).convertToFormat(QImage::Format_RGB32);
        controls::FloodFillSurface(channel, {0, 0}, QColor(236, 236, 236), Qt::magenta);
        for (QPoint p : {QPoint(0, 11), QPoint(331, 11), QPoint(166, 0)})  // reaches below the groove
            EXPECT_EQ(px(channel, p.x(), p.y()), magenta) << id;
        EXPECT_NE(px(channel, 166, 6), magenta) << id << " groove untouched";
    }
    EXPECT_NE(px(resources::bitmapImage(134), 100, 6), px(resources::bitmapImage(137), 100, 6));
}
