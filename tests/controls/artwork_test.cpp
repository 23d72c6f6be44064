// The bitmaps by number: present, at their sizes, with the colours the
// controls rely on (transparent key, channel background, white row surround).
#include "controls/flood_fill.h"
#include "resources/artwork.h"
#include "widget_test_helpers.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

const QRgb kKey = qRgb(192, 192, 192);

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xff000000u; }

}  // namespace

TEST(Artwork, EveryBitmapHasItsSize)
{
    const struct {
        int id;
        QSize size;
    } expected[] = {
        {131, {55, 51}}, {132, {7, 15}},  {133, {7, 15}},  {134, {332, 12}}, {137, {332, 12}},
        {135, {17, 11}}, {138, {17, 11}}, {193, {30, 30}}, {234, {30, 30}},  {235, {30, 30}},
        {236, {30, 30}}, {237, {30, 30}}, {238, {30, 30}}, {249, {9, 9}},    {250, {9, 9}},
        {159, {16, 16}}, {160, {16, 16}}, {194, {16, 16}}, {229, {125, 16}},
    };
    for (const auto& e : expected) {
        const QImage image = resources::bitmapImage(e.id);
        ASSERT_FALSE(image.isNull()) << e.id;
        EXPECT_EQ(image.size(), e.size) << e.id;
        EXPECT_FALSE(image.hasAlphaChannel()) << e.id << " transparency is a colour key";
    }
    EXPECT_TRUE(resources::bitmapImage(999).isNull());
}

TEST(Artwork, ProgramIconComesInTheUsualSizes)
{
    const QIcon icon = resources::icon(128);
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 32, 48})
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    EXPECT_TRUE(resources::icon(5).isNull());
}

TEST(Artwork, ButtonPicturesAreKeyedAtTheirEdgesAndDrawnInside)
{
    for (int id : {132, 133, 159, 160, 194, 135, 138}) {
        const QImage image = resources::bitmapImage(id);
        const int r = image.width() - 1, b = image.height() - 1;
        for (QPoint corner : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)})
            EXPECT_EQ(at(image, corner.x(), corner.y()), kKey) << id;
        int drawn = 0;
        for (int y = 0; y <= b; ++y)
            for (int x = 0; x <= r; ++x)
                drawn += at(image, x, y) != kKey;
        EXPECT_GT(drawn, image.width() * image.height() / 6) << id;
    }
}

TEST(Artwork, StripHoldsFiveSeparateTwentyFivePixelPictures)
{
    const QList<QPixmap> pieces = resources::imageList(229, 25, QColor(192, 192, 192));
    ASSERT_EQ(pieces.size(), 5);
    const QImage strip = resources::bitmapImage(229);
    for (int i = 0; i < 5; ++i) {
        // The seams between pictures stay transparent: nothing runs over.
        for (int y = 0; y < strip.height(); ++y) {
            EXPECT_EQ(at(strip, i * 25, y), kKey) << i;
            EXPECT_EQ(at(strip, i * 25 + 24, y), kKey) << i;
        }
        const QImage piece = pieces[i].toImage();
        EXPECT_EQ(qAlpha(piece.pixel(0, 0)), 0) << i;
        EXPECT_EQ(qAlpha(piece.pixel(12, 8)), 255) << i << " the middle is drawn";
    }
}

TEST(Artwork, ChannelBackgroundIsOneAreaAroundTheGroove)
{
    for (int id : {134, 137}) {
        QImage channel = resources::bitmapImage(id).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(at(channel, 0, 0), qRgb(236, 236, 236)) << id;
        // Filling from the top-left corner must reach below the groove too.
        controls::FloodFillSurface(channel, {0, 0}, QColor(236, 236, 236), Qt::magenta);
        EXPECT_EQ(at(channel, 0, 11), QColor(Qt::magenta).rgb()) << id;
        EXPECT_EQ(at(channel, 331, 11), QColor(Qt::magenta).rgb()) << id;
        EXPECT_EQ(at(channel, 166, 0), QColor(Qt::magenta).rgb()) << id;
        EXPECT_NE(at(channel, 166, 6), QColor(Qt::magenta).rgb()) << id << " groove untouched";
    }
    // Filled and empty differ in the groove, not around it.
    EXPECT_NE(at(resources::bitmapImage(134), 100, 6), at(resources::bitmapImage(137), 100, 6));
}

TEST(Artwork, RowPicturesSitOnWhiteAndTheAnimationFramesDiffer)
{
    const int ids[] = {193, 238, 234, 235, 236, 237};
    for (int id : ids) {
        const QImage image = resources::bitmapImage(id);
        EXPECT_EQ(at(image, 0, 0), qRgb(255, 255, 255)) << id;
        EXPECT_EQ(at(image, 29, 29), qRgb(255, 255, 255)) << id;
    }
    for (int a = 1; a < 5; ++a)
        for (int b = a + 1; b < 5; ++b)
            EXPECT_NE(resources::bitmapImage(ids[a]), resources::bitmapImage(ids[b])) << ids[a] << " " << ids[b];
    EXPECT_EQ(at(resources::bitmapImage(131), 0, 0), qRgb(255, 255, 255));
}

TEST(Artwork, QueueMarkersAreTransparentWhereTheirTopLeftColourIs)
{
    for (int id : {249, 250}) {
        const QImage image = resources::bitmapImage(id);
        const QRgb key = at(image, 0, 0);
        EXPECT_NE(at(image, 4, 4), key) << id;
    }
    EXPECT_NE(resources::bitmapImage(249), resources::bitmapImage(250));
}

TEST(Artwork, ContactSheet)
{
    // For a person to judge the look: every bitmap at four times its size.
    const int ids[] = {131, 132, 133, 135, 138, 159, 160, 194, 193, 238, 234, 235, 236, 237, 249, 250};
    QImage sheet(1200, 620, QImage::Format_RGB32);
    sheet.fill(QColor(236, 236, 236));
    QPainter p(&sheet);
    int x = 8, y = 8, rowHeight = 0;
    for (int id : ids) {
        const QImage image = resources::bitmapImage(id);
        const QSize zoomed = image.size() * 4;
        if (x + zoomed.width() > sheet.width()) {
            x = 8;
            y += rowHeight + 8;
            rowHeight = 0;
        }
        p.drawImage(QRect(QPoint(x, y), zoomed), image);
        x += zoomed.width() + 8;
        rowHeight = std::max(rowHeight, zoomed.height());
    }
    y += rowHeight + 8;
    for (int id : {229, 134, 137}) {
        const QImage image = resources::bitmapImage(id);
        p.drawImage(QRect(8, y, image.width() * 3, image.height() * 3), image);
        y += image.height() * 3 + 8;
    }
    p.drawPixmap(8, y, resources::icon(128).pixmap(64, 64));
    p.drawPixmap(80, y + 32, resources::icon(128).pixmap(32, 32));
    p.drawPixmap(120, y + 48, resources::icon(128).pixmap(16, 16));
    p.end();
    EXPECT_TRUE(sheet.save(QDir(testsupport::screenshotDir()).filePath("artwork_sheet.png")));
}
