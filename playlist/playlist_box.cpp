#include "playlist/playlist_box.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>

#include <algorithm>

#include "playlist/playlist_model.h"
#include "playlist/row_painter.h"
#include "playlist/row_texts.h"
#include "playlist/row_tip.h"
#include "resources/artwork.h"
#include "resources/strings.h"

namespace playlist {

namespace {

constexpr int kTooltipBand = 30;

// The local files and folders of a drop; other places cannot be played.
QStringList LocalPaths(const QMimeData* data)
{
    QStringList paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    return paths;
}

}  // namespace

PlaylistBox::PlaylistBox(QWidget* parent)
    : QListView(parent)
{
    setItemDelegate(new RowPainter(
        this, [this] { return QModelIndex(m_anchor); }, nullptr));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    viewport()->setAutoFillBackground(false);
    setMouseTracking(true);
    // The tips come in 30-pixel bands, one per row from the top row.
    m_rowTip = new RowTip(viewport(), [this](QPoint pos) {
        const int band = pos.y() / kTooltipBand;
        const int index = TopItem() + band;
        const PlaylistItem* item = pos.y() >= 0 && Playlist() ? Playlist()->Item(index) : nullptr;
        if (!item)
            return RowTip::Tip{};
        return RowTip::Tip{TooltipText(*item, index).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                           QRect(0, band * kTooltipBand, viewport()->width(), kTooltipBand)};
    });
}

PlaylistBox::~PlaylistBox() = default;

void PlaylistBox::SetPlaylist(PlaylistModel* model, const PlaylistPlayer* player)
{
    static_cast<RowPainter*>(itemDelegate())->SetPlayer(player);
    if (model != QListView::model())
        setModel(model);
}

PlaylistModel* PlaylistBox::Playlist() const { return qobject_cast<PlaylistModel*>(model()); }

// --- Selection ---

std::vector<int> PlaylistBox::GetSelectedRows() const
{
    std::vector<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int PlaylistBox::GetSingleSelection() const
{
    const std::vector<int> rows = GetSelectedRows();
    return rows.empty() ? -1 : rows.size() > 1 ? -2 : rows.front();
}

int PlaylistBox::GetFirstSelected() const
{
    const std::vector<int> rows = GetSelectedRows();
    return rows.empty() ? -1 : rows.front();
}

void PlaylistBox::SelectOnly(int row)
{
    const QModelIndex at = model() ? model()->index(row, 0) : QModelIndex();
    if (!at.isValid())
        return;
    // Through the view, so that its own anchor moves too: Shift with an
    // arrow key then extends from this row, not from an older click.
    m_selectingAlone = true;
    setCurrentIndex(at);
    m_selectingAlone = false;
    SetAnchor(at);
    viewport()->update();
}

QItemSelectionModel::SelectionFlags PlaylistBox::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    // A row the program selects is selected alone, whatever keys are held.
    if (m_selectingAlone)
        return QItemSelectionModel::ClearAndSelect;
    return QListView::selectionCommand(index, event);
}

// --- Keys and mouse ---

int PlaylistBox::TopItem() const
{
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

void PlaylistBox::keyPressEvent(QKeyEvent* event)
{
    m_rowTip->Hide();
    switch (event->key()) {
    case Qt::Key_Delete:
        emit RemoveRequested(GetSelectedRows());
        return;
    case Qt::Key_F12: {
        // Beside the first selected row in view, else at the top left.
        QPoint at(10, 10);
        for (int row : GetSelectedRows()) {
            const QRect r = visualRect(model()->index(row, 0));
            if (r.bottom() >= 0 && r.top() < viewport()->height()) {
                at = r.topLeft() + QPoint(10, 10);
                break;
            }
        }
        emit MenuRequested(viewport()->mapToGlobal(at));
        return;
    }
    case Qt::Key_Space:
        emit PauseRequested();
        return;
    case Qt::Key_Period:
        emit RecorderStopRequested();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit PlayRequested(GetSelectedRows());
        return;
    default: {
        const int top = TopItem();
        QListView::keyPressEvent(event);
        if (!(event->modifiers() & Qt::ShiftModifier))
            SetAnchor(currentIndex());
        if (TopItem() != top)
            viewport()->update();
    }
    }
}

void PlaylistBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) {
        QListView::mousePressEvent(event);
        if (event->button() == Qt::LeftButton && !(event->modifiers() & Qt::ShiftModifier))
            SetAnchor(indexAt(event->position().toPoint()));
        return;
    }
    // A right click on a row outside the selection selects that row alone;
    // inside the selection it keeps it for the menu.
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid() && !selectionModel()->isSelected(at))
        SelectOnly(at.row());
    event->accept();
}

void PlaylistBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) {
        QListView::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    emit MenuRequested(viewport()->mapToGlobal(event->position().toPoint()));
}

void PlaylistBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && model() && model()->rowCount() > 0)
        emit PlayRequested(GetSelectedRows());
}

// --- Drawing ---

void PlaylistBox::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(viewport());
        const QRect client = viewport()->rect();
        painter.fillRect(client, Qt::white);
        static const QPixmap corner = resources::Bitmap(131);
        painter.drawPixmap(client.right() + 1 - corner.width(), client.bottom() + 1 - corner.height(), corner);
        if (!model() || model()->rowCount() == 0) {
            painter.setFont(TitleFont());
            painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
            painter.drawText(client.adjusted(10, 15, -10, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                             resources::Text(resources::IDS_PLAYLIST_EMPTY));
        }
    }
    QListView::paintEvent(event);
}

bool PlaylistBox::viewportEvent(QEvent* event)
{
    // Rows have tips of their own (RowTip), not Qt's.
    if (event->type() == QEvent::ToolTip)
        return true;
    return QListView::viewportEvent(event);
}

// --- Drops from file managers ---

void PlaylistBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (!LocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void PlaylistBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (!LocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void PlaylistBox::dropEvent(QDropEvent* event)
{
    const QStringList paths = LocalPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    // The file manager waits until the drop returns: adding a large folder
    // or a message about a full list must not hold it.
    QMetaObject::invokeMethod(
        this, [this, paths] { emit FilesDropped(paths); }, Qt::QueuedConnection);
}

}  // namespace playlist
