#include "playlist/row_painter.h"

#include <QPainter>

#include "controls/dialog_units.h"
#include "controls/flood_fill.h"
#include "controls/system_colours.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_player.h"
#include "resources/artwork.h"

namespace playlist {

namespace {

QFont FontOfSize(int points)
{
    QFont f = controls::DialogFont();
    f.setPointSize(points);
    return f;
}

// A marker with the colour of its top-left pixel made transparent.
QPixmap Marker(int id)
{
    const QImage image = resources::BitmapImage(id).convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(image.pixel(0, 0), Qt::MaskInColor)));
    return pixmap;
}

}  // namespace

QFont TitleFont()
{
    static const QFont f = FontOfSize(10);
    return f;
}

QFont SmallFont()
{
    static const QFont f = FontOfSize(6);
    return f;
}

RowPainter::RowPainter(QObject* parent, std::function<QModelIndex()> anchor, const PlaylistPlayer* player)
    : QAbstractItemDelegate(parent)
    , m_anchor(std::move(anchor))
    , m_player(player)
{
}

QSize RowPainter::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    // Every row keeps the waiting picture's height it was added with: a
    // taller picture a stream brings later is clipped, since the tooltip
    // bands and the scrolling by rows count on one height for all rows.
    return QSize(option.rect.width(), kRowHeight);
}

void RowPainter::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!index.isValid())
        return;
    const QRect r = option.rect;
    const bool selected = (option.state & QStyle::State_Selected) || (m_anchor && m_anchor() == index);
    const QSize pictureSize = index.data(PlaylistModel::PictureSizeRole).toSize();
    const QPalette& palette = option.palette;
    painter->save();
    painter->setClipRect(r);
    // Unselected rows show the list's background, painted by the view.
    if (selected)
        painter->fillRect(QRect(r.left() + pictureSize.width(), r.top(), r.width() - pictureSize.width(), r.height()),
                          kSelectionColour);

    const int x = r.left() + pictureSize.width() + 5;
    const QString number = QStringLiteral("%1. ").arg(index.row() + 1);
    painter->setPen(controls::syscolour::Text(palette));
    painter->setFont(SmallFont());
    const QFontMetrics small(SmallFont());
    painter->drawText(QPoint(x, r.top() + 2 + small.ascent()), number);
    painter->setFont(TitleFont());
    const QFontMetrics title(TitleFont());
    painter->drawText(QPoint(x + small.horizontalAdvance(number) + 2, r.top() + title.ascent()),
                      index.data(PlaylistModel::TitleRole).toString());

    painter->setFont(SmallFont());
    const int secondTop = r.top() + title.height() - 1;
    const QString state = index.data(PlaylistModel::StateTextRole).toString();
    if (state.isEmpty()) {
        painter->setPen(selected ? controls::syscolour::Selection(palette) : controls::syscolour::GrayText(palette));
        painter->drawText(QPoint(x + 10, secondTop + small.ascent()), index.data(PlaylistModel::DetailRole).toString());
    } else {
        painter->setPen(kStateTextColour);
        painter->drawText(QPoint(x + 10, secondTop + small.ascent()), state);
    }

    const QRect area(r.topLeft(), pictureSize);
    QImage picture = index.data(PlaylistModel::PictureRole).value<QImage>();
    if (picture.isNull()) {
        painter->fillRect(area, Qt::white);
    } else {
        picture = picture.convertToFormat(QImage::Format_RGB32);
        // The picture's white surround takes the row's selection colour.
        if (selected)
            controls::FloodFillSurface(picture, QPoint(0, 0), Qt::white, kSelectionColour);
        painter->drawImage(area, picture, QRect(QPoint(0, 0), area.size()));
    }

    if (index.data(PlaylistModel::QueuedRole).toBool()) {
        static const QPixmap queued = Marker(249);
        static const QPixmap current = Marker(250);
        const auto* model = qobject_cast<const PlaylistModel*>(index.model());
        const bool isCurrent = m_player && model && m_player->Queue().Current() == model->Item(index.row());
        painter->drawPixmap(r.left() + 33, r.top() + r.height() - 9 - 4, isCurrent ? current : queued);
    }
    painter->restore();
}

}  // namespace playlist
