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
using widgettest::WaitUntil;

TEST(PlaylistBoxHardUse, RowsStayThirtyPixelsWhenAPictureIsTaller)
{
    Panel panel;
    QImage cover(64, 64, QImage::Format_RGB32);
    cover.fill(Qt::darkRed);
    ASSERT_TRUE(cover.save(panel.File("cover.png")));
    const QString wav = panel.Wave("a.wav");
    const QString zla = panel.File("covered.zla");
    media::Run(media::ZlaTool(), {"pack", "-o", zla, "--picture", panel.File("cover.png"), wav});
    ASSERT_TRUE(panel.Add({wav, panel.Wave("b.wav"), panel.Wave("c.wav"), zla}));
    ASSERT_TRUE(panel.Model().Item(3)->IsLoaded());
    panel.box->resize(320, 260);  // lays the rows out again
    QApplication::processEvents();
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(panel.box->visualRect(panel.Model().index(row)),
                  QRect(0, 30 * row, panel.box->viewport()->width(), 30))
            << "row " << row;
    EXPECT_TRUE(panel.TipAt(QPoint(20, 75)).startsWith("3) c\n")) << "the third band names the third row";
}

TEST(PlaylistBoxHardUse, TipsShowNamesThatLookLikeMarkupAsTheyAreAndWrapOnlyBeyond550Pixels)
{
    Panel panel;
    const QString odd = panel.Wave("<b>loud & <i>clear.wav");
    const QString plain = panel.Wave("a  b.wav");
    const QString wide = panel.Wave(QString(200, 'w') + ".wav");
    ASSERT_TRUE(panel.Add({odd, plain, wide}));
    const RowTip& tip = panel.box->GetRowTip();
    EXPECT_EQ(panel.TipAt(QPoint(20, 15)).toStdString(), ("1) <b>loud & <i>clear\n" + odd).toStdString());
    EXPECT_EQ(tip.ShownLineCount(), 2) << "the path fits in 550 pixels: no wrapping";
    const QFontMetrics metrics(tip.GetWindow()->font());
    EXPECT_GE(tip.GetWindow()->width(), metrics.horizontalAdvance(odd));
    EXPECT_EQ(panel.TipAt(QPoint(20, 45)).toStdString(), ("2) a  b\n" + plain).toStdString());

    // A name wider than the tip breaks where it must, within 550 pixels.
    ASSERT_TRUE(panel.TipAt(QPoint(20, 75)).endsWith(wide));
    EXPECT_EQ(tip.GetWindow()->width(), 550);
    EXPECT_GT(tip.ShownLineCount(), 2);
}

TEST(PlaylistBoxHardUse, DropsReturnAtOnceAndRefuseWhatIsNotLocal)
{
    Panel panel;
    const std::pair refused{false, false}, taken{true, true};
    EXPECT_EQ(panel.Drop({QUrl("https://example.org/take.mp3"), QUrl("sftp://host/take.wav")}), refused)
        << "nothing of it could be added";

    // A full list: the folder's passes report it once, and only after the
    // file manager has its answer.
    panel.Fill(5000);
    QDir().mkpath(panel.File("folder"));
    panel.Wave("folder/x.wav");
    widgettest::MessageBoxCatcher catcher;
    EXPECT_EQ(panel.Drop({QUrl("https://example.org/take.mp3"), QUrl::fromLocalFile(panel.File("folder"))}), taken);
    EXPECT_EQ(catcher.count, 0) << "no message while the drop is still open";
    ASSERT_TRUE(WaitUntil([&] { return catcher.count == 1; }));
    EXPECT_EQ(catcher.text, resources::Text(resources::IDS_LIST_FULL).replace("%d", "5000"));
    EXPECT_EQ(catcher.icon, QMessageBox::Critical);
    EXPECT_EQ(panel.Model().Count(), 5000);
}

TEST(PlaylistBoxHardUse, TipsOfAScrolledListNameTheRowsInView)
{
    Panel panel;
    QStringList paths;
    for (int i = 1; i <= 20; ++i)
        paths << panel.Wave(QString("take %1.wav").arg(i, 2, 10, QChar('0')));
    ASSERT_TRUE(panel.Add(paths));  // selects the last row and scrolls it into view
    const int top = panel.box->indexAt(QPoint(1, 1)).row();
    ASSERT_GT(top, 0);
    EXPECT_TRUE(
        panel.TipAt(QPoint(20, 5)).startsWith(QString("%1) take %2\n").arg(top + 1).arg(top + 1, 2, 10, QChar('0'))));
    EXPECT_TRUE(panel.TipAt(QPoint(20, 65)).startsWith(QString("%1) take").arg(top + 3)));
    // Keys scroll by whole rows; the bands follow.
    QTest::keyClick(panel.box.get(), Qt::Key_Home);
    EXPECT_TRUE(panel.TipAt(QPoint(20, 35)).startsWith("2) take 02\n"));
}

TEST(PlaylistBoxHardUse, ATipComesAfterTheDelayEvenWhileAnotherWindowIsActive)
{
    Panel panel;
    ASSERT_TRUE(panel.Add({panel.Wave("a.wav"), panel.Wave("b.wav")}));
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(WaitUntil([&] { return other.isActiveWindow(); }));
    ASSERT_FALSE(panel.box->isActiveWindow());

    const RowTip& tip = panel.box->GetRowTip();
    QElapsedTimer rested;
    widgettest::Hover(panel.box->viewport(), QPoint(20, 40));
    rested.start();
    ASSERT_TRUE(WaitUntil([&] { return tip.IsShown(); }, 5000));
    EXPECT_GE(rested.elapsed(), 1000 - 20) << "not before the pointer has rested a second";
    EXPECT_TRUE(tip.ShownText().startsWith("2) b\n"));

    // The pointer leaves: the tip goes.
    widgettest::Leave(panel.box->viewport());
    EXPECT_FALSE(tip.IsShown());
}
