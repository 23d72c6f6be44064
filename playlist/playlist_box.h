#pragma once
// The playlist's list: a view over the playlist model that draws its rows
// and tips and turns keys, clicks and drops into requests for the panel
// that owns the model and the player.

#include <vector>

#include <QList>
#include <QListView>
#include <QStringList>

namespace playlist {

class PlaylistModel;
class PlaylistPlayer;
class RowTip;

class PlaylistBox : public QListView {
    Q_OBJECT
public:
    explicit PlaylistBox(QWidget* parent = nullptr);
    ~PlaylistBox() override;

    // The model to show and the player whose current item gets the queue's
    // current marker (either may be null to let go of it).
    void SetPlaylist(PlaylistModel* model, const PlaylistPlayer* player);

    // --- Selection, by row ---
    // -1 none selected, -2 several, else the one row.
    int GetSingleSelection() const;
    int GetFirstSelected() const;
    void SelectOnly(int row);
    std::vector<int> GetSelectedRows() const;

    RowTip& GetRowTip() const { return *m_rowTip; }

signals:
    // Enter or a double-click on a row.
    void PlayRequested(const std::vector<int>& rows);
    // The Delete key.
    void RemoveRequested(const std::vector<int>& rows);
    // A right click or F12; `globalPos` is where the menu opens.
    void MenuRequested(QPoint globalPos);
    // Local files and folders dropped on the list, after the drop returned.
    void FilesDropped(const QStringList& paths);
    // Keys meant for the window: Space pauses or resumes, "." stops the recorder.
    void PauseRequested();
    void RecorderStopRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    PlaylistModel* Playlist() const;
    int TopItem() const;
    void SetAnchor(const QModelIndex& index) { m_anchor = index; }

    RowTip* m_rowTip = nullptr;
    // Where the last click or key step without Shift landed.
    QPersistentModelIndex m_anchor;
    bool m_selectingAlone = false;
};

}  // namespace playlist
