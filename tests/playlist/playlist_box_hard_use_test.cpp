// The playlist control under hard use: odd pictures, big lists, drops.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QImage>
#include <QMimeData>
#include <QToolTip>

#include "playlist/remove_items_dialog.h"
#include "playlist_panel.h"

using namespace playlist;
using playlisttest::Panel;
using widgettest::waitUntil;

namespace {

QString tipAt(PlaylistBox& box, QPoint at)
{
    QHelpEvent help(QEvent::ToolTip, at, box.viewport()->mapToGlobal(at));
    QApplication::sendEvent(box.viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

}  // namespace

TEST(PlaylistBoxHardUse, RowsStayThirtyPixelsWhenAPictureIsTaller)
{
    Panel panel;
    QImage cover(64, 64, QImage::Format_RGB32);
    cover.fill(Qt::darkRed);
    ASSERT_TRUE(cover.save(panel.file("cover.png")));
    const QString wav = panel.wave("a.wav");
    const QString zla = panel.file("covered.zla");
    media::run(media::zlaTool(), {"pack", "-o", zla, "--picture", panel.file("cover.png"), wav});
    panel.chooseFiles({wav, panel.wave("b.wav"), panel.wave("c.wav"), zla});
    panel.box->AddFiles();
    ASSERT_TRUE(panel.waitLoaded());
    ASSERT_TRUE(panel.model().item(3)->isLoaded());
    panel.box->resize(320, 260);  // lays the rows out again
    QApplication::processEvents();
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(panel.box->visualRect(panel.model().index(row)), QRect(0, 30 * row, panel.box->viewport()->width(), 30))
            << "row " << row;
    EXPECT_TRUE(tipAt(*panel.box, QPoint(20, 75)).startsWith("3) c\n")) << "the third band names the third row";
}
