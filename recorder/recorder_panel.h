#pragma once
// The recorder half of the window: the input choice, the transport, the
// readouts and the storage settings. It owns the recording engine and the
// save flow, routes the transport commands to them and shows what the
// engine reports as readouts, enabled controls and messages.

#include <QObject>
#include <memory>

#include "engine/engine_state.h"
#include "settings/settings_store.h"

class DeviceListFollower;
class EncoderPlugin;
class MixerPanel;
class QWidget;
class RecordingEngine;
class SaveFlow;
class WindowPrompts;
struct WindowControls;

class RecorderPanel : public QObject {
    Q_OBJECT
public:
    // `window` shows the messages; `values` are the window's settings, which
    // the storage controls change (all must outlive the panel).
    RecorderPanel(QWidget& window, const WindowControls& controls, RecorderSettings& values);
    ~RecorderPanel() override;

    // Fills the input lists from `history` and readies the controls.
    void SetUp(const InputHistory& history);

    RecordingEngine& Engine() { return *m_engine; }
    SaveFlow& GetSaveFlow() { return *m_saveFlow; }

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
    // Also the first step of closing: asks about an unsaved take.
    void OnNewRecording();

    // The readouts and the enabled controls, from what the engine reports.
    void ShowLength();
    void ShowPosition(bool moveSlider);
    void RefreshControlStates();
    // The sound system dropped that much of the take (filled with silence).
    void ShowAudioLost(double seconds);

    // A take is being saved, or holds audio not yet saved.
    bool HoldsUnsavedRecording() const;
    // Ends the save flow and gives the sound devices back.
    void Release();

signals:
    // A take starts (true) or ends, by Stop or by a failure.
    void RecordingChanged(bool recording);
    // A save wrote this file.
    void RecordingSaved(const QString& path);

private:
    void SetUpButtons();
    void ConnectCommands();
    void ConnectEngine();
    void OnQualityScroll();
    void ShowQualityBitrate();
    void OnBrowseFolder();
    void OnEngineStateChanged(EngineState state);
    void ShowEngineError(EngineError error);
    void ShowWaveformBlock(const QByteArray& block);

    QWidget& m_window;
    const WindowControls& m_c;
    RecorderSettings& m_values;
    // Declared in this order: the plug-in outlives the engine's MP3 side and
    // the save flow, and the save flow goes before the engine.
    std::shared_ptr<EncoderPlugin> m_encoder;
    std::unique_ptr<RecordingEngine> m_engine;
    std::unique_ptr<WindowPrompts> m_prompts;
    std::unique_ptr<SaveFlow> m_saveFlow;
    std::unique_ptr<MixerPanel> m_mixerPanel;  // closes its mixer before the controls go
    std::unique_ptr<DeviceListFollower> m_deviceList;
    bool m_reportedRecording = false;
    // Whether the enabled controls were last set for a take with data.
    bool m_statesShownWithData = false;
    // The thumb is held: the engine's reports do not move it meanwhile.
    bool m_sliderDragging = false;
    // A slider notification is being handled: the slider already stands there.
    bool m_sliderScrolling = false;
};
