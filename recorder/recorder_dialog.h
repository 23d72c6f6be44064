#pragma once
// The program's main window: the recorder on the left, the playlist panel on
// the right. It owns the controls and routes their commands; the recording
// engine, the input lists and the playlist do the work. What the engine
// reports, the window turns into readouts, enabled controls and messages.

#include <QDialog>
#include <QHash>
#include <QRect>
#include <QStringList>
#include <memory>

#include "settings/settings_store.h"
#include "controls/dialog_units.h"
#include "engine/engine_state.h"
#include "recorder/save_prompts.h"

class DeviceListFollower;
class EncoderPlugin;
class MixerPanel;
class RecordingEngine;
namespace playlist {
class PlaylistBox;
class PlaylistPanel;
class PlaylistModel;
}
class SaveFlow;

class QComboBox;
class QLabel;
class QSlider;

class RecorderDialog : public QDialog, public SavePrompts {
    Q_OBJECT
public:
    // Reads section "Settings" from `store` (not owned; must outlive the window).
    explicit RecorderDialog(SettingsStore& store, QWidget* parent = nullptr);
    ~RecorderDialog() override;

    // The control of the template with this id, or nullptr.
    QWidget* control(int id) const { return m_controls.value(id); }
    template <typename T>
    T* controlAs(int id) const { return qobject_cast<T*>(control(id)); }

    // The playlist asks whether it repeats (check box 1025).
    bool IsLoopPlaying() const;

    // Data exchange between the members and controls 1001, 1003, 1024, 1025.
    void UpdateData(bool fromControls);

    const RecorderSettings& settings() const { return m_settingsSnapshot; }

    RecordingEngine& engine() { return *m_engine; }
    playlist::PlaylistModel& playlist();
    playlist::PlaylistBox& playlistBox() { return *m_playlist; }
    SaveFlow& saveFlow() { return *m_saveFlow; }
    playlist::PlaylistPanel& playlistPanel() { return *m_playlistPanel; }

    // The recorder's commands.
    void OnRecord();
    void OnStop();
    void OnPlay();
    void OnSeekStart();
    void OnSeekEnd();
    // The position slider's notifications (Trackbar codes) at `position`.
    void OnHScroll(int code, int64_t position);
    void OnSave();
    void OnClearAfterPosition();
    // New recording 1125; also the first step of closing.
    void OnNewRecording();

    // The readouts and the enabled controls, from what the engine reports.
    void ShowLength();
    void ShowPosition(bool moveSlider);
    void RefreshControlStates();

    // SavePrompts: what saving reads and shows through the window.
    void takeControlValues() override { UpdateData(true); }
    QString recordFolder() const override { return m_recordFolder; }
    int encodeMethod() const override { return m_encodeMethod; }
    bool askForRenaming() const override { return m_askForRenaming; }
    int recordQuality() const override { return m_recordQuality; }
    std::optional<QString> chooseSavePath(const QString& defaultExtension, const QString& filter,
                                          const QString& initialName) override;
    bool confirmReplace(const QString& path) override;
    void showSavingLabel(bool shown) override;
    void setWaitCursor(bool wait) override;
    std::unique_ptr<ProgressReporter> createProgress(int titleId) override;
    Answer ask(int stringId) override;
    void showError(int stringId) override;
    // The one way in for recordings, saved here or salvaged at start-up.
    void addRecording(const QString& path);

    // The files saved so far, in order (the playlist takes them when it exists).
    QStringList savedRecordings() const;

    // Show/hide of the playlist panel (button 1007).
    void TogglePlaylistPanel();
    bool playlistPanelShown() const { return m_showRightPanel; }

    // A command of the window menu: the About entry is command 16.
    void OnSysCommand(int command);
    void OnAbout();
    // The tips line's timer tick: the next tip, in a colour picked by the clock.
    void ShowNextTip();
    int tipIndex() const { return m_tipIndex; }

    // The sound system dropped that much of the take (filled with silence).
    void ShowAudioLost(double seconds);

signals:
    // A take starts (true) or ends, by Stop or by a failure.
    void recordingChanged(bool recording);

public slots:
    // Escape, the close box and Alt+F4 come here.
    void OnCancel();
    // The desktop ends the session. With nothing unsaved the window closes
    // as usual and this returns true. Otherwise the settings and the playlist
    // are written, the recording is left in its temporary file for the next
    // start to salvage, and this returns false: the process must end without
    // the window's clean-up.
    bool OnSessionEnd();
    // The process is ending under the window (the display connection
    // broke): the window's clean-up runs now, except that an unsaved
    // recording stays in its temporary file for the next start to salvage.
    void OnAbruptExit();

protected:
    void reject() override;
    void accept() override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void OnInitDialog();
    void OnDestroy();
    void StoreSettings();
    bool HoldsUnsavedRecording() const;
    // Writes the settings and the playlist, leaving the recording's
    // temporary file for the next start's salvage.
    void KeepForSalvage();
    void ApplyPlaylistPanel();
    void OnQualityScroll();
    void ShowQualityBitrate();
    void LoadTips();
    void SetUpPlaylistControls();
    void SetUpButtons();
    void OnBrowseFolder();
    void OnOnlineHelp();
    void connectCommands();
    void connectEngine();
    void OnEngineStateChanged(EngineState state);
    void ShowEngineError(EngineError error);
    void ShowWaveformBlock(const QByteArray& block);

    SettingsStore& m_store;
    // Declared in this order: the plug-in outlives the engine's MP3 side and
    // the save flow, and the save flow goes before the engine.
    std::shared_ptr<EncoderPlugin> m_encoder;
    std::unique_ptr<RecordingEngine> m_engine;
    std::unique_ptr<SaveFlow> m_saveFlow;
    playlist::PlaylistBox* m_playlist = nullptr;  // control 1011
    std::unique_ptr<playlist::PlaylistPanel> m_playlistPanel;
    std::unique_ptr<MixerPanel> m_mixerPanel;  // closes its mixer before the controls go
    std::unique_ptr<DeviceListFollower> m_deviceList;
    controls::DialogUnits m_units;
    QHash<int, QWidget*> m_controls;
    bool m_destroyed = false;
    bool m_reportedRecording = false;
    // The thumb is held: the engine's reports do not move it meanwhile.
    bool m_sliderDragging = false;
    // A slider notification is being handled: the slider already stands there.
    bool m_sliderScrolling = false;

    // Members exchanged with the controls and stored in "Settings".
    int m_encodeMethod = 0;
    QString m_recordFolder;
    // The stored folder when it could not be used in this run (null otherwise).
    QString m_setAsideFolder;
    bool m_showRightPanel = true;
    int m_recordQuality = 9;
    bool m_askForRenaming = false;
    bool m_loopPlaying = false;
    RecorderSettings m_settingsSnapshot;

    QStringList m_tipTexts;
    QStringList m_tipLinks;
    int m_tipIndex = -1;
    int m_tipTimer = 0;
    QSize m_fullClientSize;
};
