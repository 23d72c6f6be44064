// The playlist control under hard use: tall pictures, names that look like
// markup, tips of a scrolled list, drops onto a full list and of places that
// are not local.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "playlist/row_tip.h"
#include "resources/strings.h"
#include "panel_fixture.h"

using namespace playlist;
using playlisttest::Panel;
using widgettest::waitUntil;

TEST(PlaylistBoxHardUse, RowsStayThirtyPixelsWhenAPictureIsTaller)
{
    Panel panel;
    QImage cover(64, 64, QImage::Format_RGB32);
    cover.fill(Qt::darkRed);
    ASSERT_TRUE(cover.save(panel.file("cover.png")));
    const QString wav = panel.wave("a.wav");
    const QString zla = panel.file("covered.zla");
    media::run(media::zlaTool(), {"pack", "-o", zla, "--picture", panel.file("cover.png"), wav});
    ASSERT_TRUE(panel.add({wav, panel.wave("b.wav"), panel.wave("c.wav"), zla}));
    ASSERT_TRUE(panel.model().item(3)->isLoaded());
    panel.box->resize(320, 260);  // lays the rows out again
    QApplication::processEvents();
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(panel.box->visualRect(panel.model().index(row)),
                  QRect(0, 30 * row, panel.box->viewport()->width(), 30))
            << "row " << row;
    EXPECT_TRUE(panel.tipAt(QPoint(20, 75)).startsWith("3) c\n")) << "the third band names the third row";
}

TEST(PlaylistBoxHardUse, TipsShowNamesThatLookLikeMarkupAsTheyAreAndWrapOnlyBeyond550Pixels)
{
    Panel panel;
    const QString odd = panel.wave("<b>loud & <i>clear.wav");
    const QString plain = panel.wave("a  b.wav");
    const QString wide = panel.wave(QString(200, 'w') + ".wav");
    ASSERT_TRUE(panel.add({odd, plain, wide}));
    const RowTip& tip = panel.box->rowTip();
    EXPECT_EQ(panel.tipAt(QPoint(20, 15)).toStdString(), ("1) <b>loud & <i>clear\n" + odd).toStdString());
    EXPECT_EQ(tip.shownLineCount(), 2) << "the path fits in 550 pixels: no wrapping";
    const QFontMetrics metrics(tip.window()->font());
    EXPECT_GE(tip.window()->width(), metrics.horizontalAdvance(odd));
    EXPECT_EQ(panel.tipAt(QPoint(20, 45)).toStdString(), ("2) a  b\n" + plain).toStdString());

    // A name wider than the tip breaks where it must, within 550 pixels.
    ASSERT_TRUE(panel.tipAt(QPoint(20, 75)).endsWith(wide));
    EXPECT_EQ(tip.window()->width(), 550);
    EXPECT_GT(tip.shownLineCount(), 2);
}

TEST(PlaylistBoxHardUse, DropsReturnAtOnceAndRefuseWhatIsNotLocal)
{
    Panel panel;
    const std::pair refused{false, false}, taken{true, true};
    EXPECT_EQ(panel.drop({QUrl("https://example.org/take.mp3"), QUrl("sftp://host/take.wav")}), refused)
        << "nothing of it could be added";

    // A full list: the folder's passes report it once, and only after the
    // file manager has its answer.
    panel.fill(5000);
    QDir().mkpath(panel.file("folder"));
    panel.wave("folder/x.wav");
    widgettest::MessageBoxCatcher catcher;
    EXPECT_EQ(panel.drop({QUrl("https://example.org/take.mp3"), QUrl::fromLocalFile(panel.file("folder"))}), taken);
    EXPECT_EQ(catcher.count, 0) << "no message while the drop is still open";
    ASSERT_TRUE(waitUntil([&] { return catcher.count == 1; }));
    EXPECT_EQ(catcher.text, resources::text(resources::IDS_LIST_FULL).replace("%d", "5000"));
    EXPECT_EQ(catcher.icon, QMessageBox::Critical);
    EXPECT_EQ(panel.model().count(), 5000);
}

TEST(PlaylistBoxHardUse, TipsOfAScrolledListNameTheRowsInView)
{
    Panel panel;
    QStringList paths;
    for (int i = 1; i <= 20; ++i)
        paths << panel.wave(QString("take %1.wav").arg(i, 2, 10, QChar('0')));
    ASSERT_TRUE(panel.add(paths));  // selects the last row and scrolls it into view
    const int top = panel.box->indexAt(QPoint(1, 1)).row();
    ASSERT_GT(top, 0);
    EXPECT_TRUE(
        panel.tipAt(QPoint(20, 5)).startsWith(QString("%1) take %2\n").arg(top + 1).arg(top + 1, 2, 10, QChar('0'))));
    EXPECT_TRUE(panel.tipAt(QPoint(20, 65)).startsWith(QString("%1) take").arg(top + 3)));
    // Keys scroll by whole rows; the bands follow.
    QTest::keyClick(panel.box.get(), Qt::Key_Home);
    EXPECT_TRUE(panel.tipAt(QPoint(20, 35)).startsWith("2) take 02\n"));
}

TEST(PlaylistBoxHardUse, ATipComesAfterTheDelayEvenWhileAnotherWindowIsActive)
{
    Panel panel;
    ASSERT_TRUE(panel.add({panel.wave("a.wav"), panel.wave("b.wav")}));
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(waitUntil([&] { return other.isActiveWindow(); }));
    ASSERT_FALSE(panel.box->isActiveWindow());

    const RowTip& tip = panel.box->rowTip();
    QElapsedTimer rested;
    widgettest::hover(panel.box->viewport(), QPoint(20, 40));
    rested.start();
    ASSERT_TRUE(waitUntil([&] { return tip.isShown(); }, 5000));
    EXPECT_GE(rested.elapsed(), 1000 - 20) << "not before the pointer has rested a second";
    EXPECT_TRUE(tip.shownText().startsWith("2) b\n"));

    // The pointer leaves: the tip goes.
    widgettest::leave(panel.box->viewport());
    EXPECT_FALSE(tip.isShown());
}
