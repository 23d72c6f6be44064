#pragma once
// The playlist panel's list: a view over the playlist model that draws its
// rows, answers keys, clicks, drops and its pop-up menu, and carries out the
// playlist commands (add, remove, play, pause, stop, mail). It owns the
// model (items, list file, loader) and the player.

#include <functional>
#include <memory>
#include <vector>

#include <QListView>
#include <QStringList>

#include "settings/settings_store.h"
#include "playlist/playlist_player.h"
#include "playlist/status_line.h"

class QLabel;
class QMenu;

namespace controls {
class BitmapSlider;
}

namespace playlist {

class PlaylistModel;
class PlayWhenLoaded;
class RowTip;

class PlaylistBox : public QListView, public PlayerHost {
    Q_OBJECT
public:
    // Menu commands and the commands that keys send to the window.
    enum Command {
        CmdPlay = 32788,
        CmdAddFiles = 32777,
        CmdAddDirectory = 32776,
        CmdRemove = 32780,
        CmdMail = 32772,
        CmdPauseResume = 1021,
        CmdRecorderStop = 1022,
        CmdStop = 1023,
        CmdPlayButton = 104,
    };

    explicit PlaylistBox(QWidget* parent = nullptr);
    ~PlaylistBox() override;

    // Stops the player, writes the list file if it changed and stops the
    // loader; the destructor does it if nobody did.
    void Shutdown();
    // Reads the list file, starts the animation and keeps the slider.
    void Initialize(controls::BitmapSlider* slider, const QString& listFilePath = QString());
    void SetStatusWindow(QLabel* status);
    void SetPositionWindow(QLabel* position);
    // The store for the remembered folders and check box; not owned.
    void SetSettings(SettingsStore* settings) { m_settings = settings; }
    // The application's remembered folders (slot 1: added files, slot 2: added folder); not owned.
    void SetFolderHistory(FolderHistory* history) { m_folderHistory = history; }
    // The window's loop check box.
    void SetLoopSource(std::function<bool()> isLoopPlaying) { m_isLoopPlaying = std::move(isLoopPlaying); }

    // --- Commands ---
    void PlaySelected();
    void StopPlaying();
    void TogglePause();
    void AddFiles();
    void AddDirectory();
    // A saved or salvaged recording joins the list; a path too long for the
    // list file is reported as adding files reports it, a full list is not.
    void AddRecording(const QString& path, bool select);
    // Files and folders the program was given: added as dropped ones are,
    // the first of them selected and played once it is loaded.
    void OpenFiles(const QStringList& paths);
    void RemoveSelected();
    void MailSelected();
    // Adds a file as dropping it does, selects it and plays it once it has
    // loaded (a file that fails to load is refused as the play button does).
    void OpenAndPlay(const QString& path);
    // Carries out a command the window forwards (menu, buttons, keys).
    void OnCommand(int id);

    // --- Selection, by item index ---
    // -1 none selected, -2 several, else the one item.
    int GetSingleSelection() const;
    int GetFirstSelected() const;
    void SelectOnly(int index);
    std::vector<int> GetSelectedRows() const;

    // The pop-up menu as it would open now, greyed by the selection.
    std::unique_ptr<QMenu> CreatePopupMenu();

    // --- PlayerHost ---
    bool IsLoopPlaying() const override;
    void ShowStatus(const QString& title) override;
    void ShowPlayError(int stringId) override;
    void InvalidateList() override;
    QString ItemTitle(const PlaylistItem& item) const override;
    bool FileChanged(const PlaylistItem& item) const override;
    bool ReloadItem(PlaylistItem& item) override;

    PlaylistModel& model() const { return *m_model; }
    PlaylistPlayer& player() const { return *m_player; }
    RowTip& rowTip() const { return *m_rowTip; }

    // The open-files dialog (tests replace it): the chosen paths, empty when
    // cancelled.
    using FileChooser = std::function<QStringList(QWidget* owner, const QString& startFolder, const QStringList& filters)>;
    static void SetFileChooserForTesting(FileChooser chooser);
    // The open-files dialog's filters; patterns match in any letter case.
    static QStringList AudioFileFilters();

signals:
    // A menu command or a key's command for the window, which forwards the
    // playlist's own commands back to OnCommand.
    void commandIssued(int id);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Adds one file: kListFull (after saying so) or kPathRefused (collected)
    // or the item's index.
    unsigned AddOne(const QString& path, QStringList& refused);
    // Adds files in order, stopping at a folder or a full list; returns the
    // last item added (kListFull when none) and collects refused paths.
    unsigned AddFileList(const QStringList& paths, QStringList& refused, bool rememberFolder);
    // Adds the files of `folder` matching "*.<ext>" in any case, in name order.
    void AddPattern(const QString& folder, const QString& ext, QStringList& refused);
    // The four passes of a folder.
    void AddFolder(const QString& folder, QStringList& refused);
    // Dropped files and folders, after the drop has returned.
    void AddDropped(const QStringList& paths);
    void ReportRefused(const QStringList& refused);
    // A row added again whose file changed meanwhile is loaded again,
    // unless it plays (its next play looks again).
    void RefreshIfChanged(unsigned index);
    void ShowError(int stringId, const QString& arg = QString());
    void Issue(int id);
    void OpenMenuAt(QPoint viewportPos);
    int TopItem() const;
    void SetAnchor(const QModelIndex& index) { m_anchor = index; }
    SettingsStore& settings();

    std::unique_ptr<PlaylistModel> m_model;
    std::unique_ptr<PlaylistPlayer> m_player;
    std::unique_ptr<PlayWhenLoaded> m_playWhenLoaded;
    // The row of the first file the current adding command added or found.
    int m_firstAdded = -1;
    StatusLine m_status;
    SettingsStore* m_settings = nullptr;
    std::unique_ptr<SettingsStore> m_ownSettings;
    FolderHistory* m_folderHistory = nullptr;
    std::function<bool()> m_isLoopPlaying;
    int m_timerId = 0;
    RowTip* m_rowTip = nullptr;
    // Where the last click or key step without Shift landed.
    QPersistentModelIndex m_anchor;
    bool m_selectingAlone = false;
};

}  // namespace playlist
