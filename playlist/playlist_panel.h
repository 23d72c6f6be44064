#pragma once
// The playlist half of the window: owns the model (items, list file,
// loader), the player, the adder and the commands, and answers the list
// view's requests. The view is the window's; the panel only drives it.

#include <functional>
#include <memory>

#include <QObject>
#include <QPointer>
#include <QStringList>

#include "playlist/playlist_adder.h"
#include "playlist/playlist_player.h"
#include "playlist/status_line.h"
#include "settings/settings_store.h"
#include "resources/strings.h"

class QLabel;

namespace controls {
class BitmapSlider;
}

namespace playlist {

class PlaylistActions;
class PlaylistBox;
class PlaylistModel;
class PlayWhenLoaded;

class PlaylistPanel : public QObject, public PlayerHost {
    Q_OBJECT
public:
    explicit PlaylistPanel(PlaylistBox& view, QObject* parent = nullptr);
    ~PlaylistPanel() override;

    // Reads the list file (the default one when none is named) and keeps
    // the slider.
    void Initialize(controls::BitmapSlider* slider, const QString& listFilePath = QString());
    // Stops the player, writes the list file if it changed and stops the
    // loader; the destructor does it if nobody did.
    void Shutdown();
    void SetStatusWindow(QLabel* status);
    void SetPositionWindow(QLabel* position);
    // The store for the remembered check box and the mail signature; not owned.
    void SetSettings(SettingsStore* settings) { m_settings = settings; }
    // The application's remembered folders; not owned. `changed` runs when
    // adding has remembered another folder.
    void SetFolderHistory(FolderHistory* history, std::function<void()> changed = {})
    {
        m_adder.SetFolderHistory(history, std::move(changed));
    }
    // The window's loop check box.
    void SetLoopSource(std::function<bool()> isLoopPlaying) { m_isLoopPlaying = std::move(isLoopPlaying); }

    // --- Commands ---
    void PlaySelected();
    void StopPlaying();
    void TogglePause();
    void AddFiles();
    void AddDirectory();
    void RemoveSelected();
    void MailSelected();
    // A saved or salvaged recording joins the list; a path too long for the
    // list file is reported as adding files reports it, a full list is not.
    void AddRecording(const QString& path, bool select);
    // Files and folders the program was given: added as dropped ones are,
    // the first of them selected and played once it is loaded.
    void OpenFiles(const QStringList& paths);
    // Adds a file as the add-files command does, selects it and plays it
    // once it has loaded (a file that fails to load is refused as the play
    // button does).
    void OpenAndPlay(const QString& path);

    PlaylistBox& View() const { return m_view; }
    PlaylistModel& Model() const { return *m_model; }
    PlaylistPlayer& Player() const { return *m_player; }
    // Null once shut down.
    PlaylistPlayer* ActivePlayer() const { return m_player.get(); }
    PlaylistAdder& Adder() { return m_adder; }
    PlaylistActions& Actions() const { return *m_actions; }
    SettingsStore& Settings();

    // A message box with string `stringId` ("%d" replaced by `arg`).
    void ShowError(resources::StringId stringId, const QString& arg = QString());
    // The full-list and refused-path messages of an adding, and its selection.
    void ShowOutcome(const PlaylistAdder::Outcome& outcome);

    // --- PlayerHost ---
    bool IsLoopPlaying() const override;
    void ShowStatus(const QString& title) override;
    void ShowPlayError(resources::StringId stringId) override;
    void InvalidateList() override;
    QString ItemTitle(const PlaylistItem& item) const override;
    bool FileChanged(const PlaylistItem& item) const override;
    bool ReloadItem(PlaylistItem& item) override;

private:
    void PlayRows(const std::vector<int>& rows);
    void OpenMenu(QPoint globalPos);
    void AddDropped(const QStringList& paths);

    PlaylistBox& m_view;
    // The window may take its view down before the panel.
    QPointer<PlaylistBox> m_viewAlive;
    std::unique_ptr<PlaylistModel> m_model;
    std::unique_ptr<PlaylistPlayer> m_player;
    PlaylistAdder m_adder;
    PlaylistActions* m_actions;
    std::unique_ptr<PlayWhenLoaded> m_playWhenLoaded;
    StatusLine m_status;
    SettingsStore* m_settings = nullptr;
    std::unique_ptr<SettingsStore> m_ownSettings;
    std::function<bool()> m_isLoopPlaying;
};

}  // namespace playlist
