#pragma once
// Draws the playlist's rows from the model's roles: the picture at the left
// (its white surround in the selection colour on a selected row), the number
// and title, the detail line or the red state text, and the queue marker.

#include <QAbstractItemDelegate>
#include <QColor>
#include <QFont>

#include <functional>

namespace playlist {

class PlaylistPlayer;

inline const QColor kSelectionColour(150, 205, 230);
inline const QColor kStateTextColour(180, 0, 0);
inline constexpr int kRowHeight = 30;

// The row fonts: 10 and 6 points of the dialogs' family.
QFont TitleFont();
QFont SmallFont();

class RowPainter : public QAbstractItemDelegate {
    Q_OBJECT
public:
    // `anchor` tells the row where the user's last click or key step
    // landed, drawn like a selected one; `player` tells which item is current
    // in the play queue (may be null).
    RowPainter(QObject* parent, std::function<QModelIndex()> anchor, const PlaylistPlayer* player);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The player whose current item is marked (null: none any more).
    void SetPlayer(const PlaylistPlayer* player) { m_player = player; }

private:
    std::function<QModelIndex()> m_anchor;
    const PlaylistPlayer* m_player;
};

}  // namespace playlist
