#pragma once
// The program's main window: the recorder panel on the left, the playlist
// panel on the right and the tips line across the bottom. The window builds
// the controls from the template, hands them to the panels, keeps the
// settings they show and shows or hides the playlist half.

#include <QDialog>
#include <QHash>
#include <QStringList>
#include <memory>

#include "controls/dialog_units.h"
#include "recorder/window_controls.h"
#include "settings/settings_store.h"

class RecorderPanel;
class RecordingEngine;
class SaveFlow;
class SettingsAutosave;
class TipsTicker;
namespace playlist {
class PlaylistBox;
class PlaylistPanel;
class PlaylistModel;
}  // namespace playlist

class RecorderDialog : public QDialog {
    Q_OBJECT
public:
    // Reads section "Settings" from `store` (not owned; must outlive the window).
    explicit RecorderDialog(SettingsStore& store, QWidget* parent = nullptr);
    ~RecorderDialog() override;

    // The control of the template with this id, or nullptr: the way tests and
    // the accessibility names reach a control as the user sees it.
    QWidget* Control(int id) const { return m_controls.value(id); }
    template <typename T>
    T* ControlAs(int id) const
    {
        return qobject_cast<T*>(Control(id));
    }

    RecorderPanel& Recorder() { return *m_recorder; }
    RecordingEngine& Engine();
    SaveFlow& GetSaveFlow();
    playlist::PlaylistPanel& PlaylistPanel() { return *m_playlistPanel; }
    playlist::PlaylistModel& Playlist();
    playlist::PlaylistBox& PlaylistBox() { return *m_c.playlist; }
    TipsTicker& Tips() { return *m_tips; }

    // The playlist repeats (its check box).
    bool IsLoopPlaying() const { return m_values.loopPlaying; }
    // The record folder as last taken from its edit or chosen.
    QString RecordFolder() const { return m_values.recordFolder; }

    // The one way in for recordings, saved here or salvaged at start-up.
    void AddRecording(const QString& path);
    // The files saved so far, in order (the playlist takes them when it exists).
    QStringList SavedRecordings() const;

    // Show/hide of the playlist half (its toggle button).
    void TogglePlaylistPanel();
    bool PlaylistPanelShown() const { return m_values.showRightPanel; }

    // A command of the window menu: the About entry is command 16.
    void OnSysCommand(int command);
    void OnAbout();

    // For the session-end policy. A take is being saved or holds audio not
    // yet saved.
    bool HoldsUnsavedRecording() const;
    // Writes the settings and the playlist, leaving the recording's
    // temporary file for the next start's salvage.
    void KeepForSalvage();
    // The window's clean-up: settings written, devices and list closed; once.
    void OnDestroy();
    // The clean-up must not run (the recording is left for salvage).
    void SkipCleanUp() { m_destroyed = true; }
    bool CleanedUp() const { return m_destroyed; }

signals:
    // A take starts (true) or ends, by Stop or by a failure.
    void RecordingChanged(bool recording);

public slots:
    // Escape, the close box and Alt+F4 come here.
    void OnCancel();

protected:
    void reject() override;
    void accept() override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void SetUpPlaylistPanel();
    void ApplyPlaylistPanel();
    void StoreSettings();

    SettingsStore& m_store;
    controls::DialogUnits m_units;
    QHash<int, QWidget*> m_controls;
    WindowControls m_c;
    QSize m_fullClientSize;
    // The settings the controls show and change.
    RecorderSettings m_values;
    // The stored folder when it could not be used in this run (null otherwise).
    QString m_setAsideFolder;
    // The recorder goes after the playlist, as its engine was made first.
    std::unique_ptr<RecorderPanel> m_recorder;
    std::unique_ptr<playlist::PlaylistPanel> m_playlistPanel;
    std::unique_ptr<TipsTicker> m_tips;
    std::unique_ptr<SettingsAutosave> m_autosave;
    bool m_destroyed = false;
};
