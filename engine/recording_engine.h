#pragma once
// The recording engine of the recorder window: records from the chosen input
// into the temporary WAVE file, stops and resumes, plays the recording back,
// moves the position, keeps the readouts and the enabled controls up to date,
// and releases devices and files when the window goes away.
//
// States: Empty (no device, no file), Recording, Stopped (device and file kept
// open so that Record resumes at the position), Playing (and draining until the
// output device has handed back every block). All calls on the window's thread;
// the take itself is written by the engine's own writer thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <QObject>
#include <QString>

#include "engine/audio_blocks.h"
#include "engine/engine_view.h"
#include "engine/mp3_side.h"
#include "engine/recording_file.h"
#include "engine/recording_playback.h"
#include "engine/take_writer.h"
#include "engine/waveform_snapshot.h"
#include "platform/audio/audio_backend.h"

class RecordingEngine : public QObject {
    Q_OBJECT
public:
    // Position slider notification codes (OnHScroll).
    static constexpr int kThumbTrack = 5;
    static constexpr int kEndTrack = 8;

    explicit RecordingEngine(EngineView& view, QObject* parent = nullptr);
    ~RecordingEngine() override;

    // Commands of the recorder window.
    void OnRecord();                           // record 1127
    void OnStop();                             // stop 1022 (recording or playing)
    void OnNewRecording();                     // new 1125; also the first step of closing
    void OnPlay();                             // play 103
    void OnSeekStart();                        // << 1122
    void OnSeekEnd();                          // >> 1123
    void OnHScroll(int code, int64_t position); // position slider 1121; `position` is the slider's
    void OnSave();                             // save 1116: runs the save handler

    uint32_t GetDataLength() const;
    uint32_t GetHeaderSize() const;
    void ShowLength();
    void ShowPosition(bool moveSlider);
    void RefreshControlStates();

    // Recording includes the moments after Stop while the device still hands
    // over what it captured; playing includes draining.
    bool IsRecording() const { return m_recording; }
    bool IsPlaying() const { return m_playback.isOutputOpen(); }
    bool IsCaptureDeviceOpen() const { return m_writer.IsOpen(); }

    // Stops and closes both devices and deletes the temporary files; the
    // destructor calls it too.
    void Release();

    // Saving (built elsewhere) runs through this handler; it sets the saved
    // flag on success and leaves it alone on failure or cancel.
    void SetSaveHandler(std::function<void()> handler) { m_saveHandler = std::move(handler); }
    bool IsSaved() const { return m_saved; }
    // A save runs (its dialogs and progress display let events through):
    // no other command of the window may start meanwhile.
    bool IsSaving() const { return m_saving; }
    void SetSaved(bool saved) { m_saved = saved; }

    // What saving and clearing work on.
    RecordingFile& recordingFile() { return m_wavTemp; }
    const platform::audio::PcmFormat& format() const { return m_format; }
    uint32_t position() const { return m_position; }
    void SetPosition(uint32_t position) { m_position = position; }

    // The MP3 temporary file's side of a recording; NoMp3Side until the
    // encoder host provides one.
    void SetMp3Side(std::unique_ptr<Mp3Side> side);
    Mp3Side& mp3Side() { return *m_mp3; }

    // Tests: the clock behind the waveform's 100 ms pacing and the writer's
    // syncs, and a smaller ceiling than the WAVE format's own for the data of
    // one recording.
    void SetTickClock(TickClock clock);
    void SetMaxDataBytes(uint64_t bytes) { m_writer.SetMaxDataBytes(bytes); }
    TakeWriter& takeWriter() { return m_writer; }

signals:
    // Loudness of the take since the previous report, at the waveform's pace.
    void levelsMeasured(const TakeLevels& levels);
    // The sound server threw audio away before the program got it (the whole
    // process stalled past the server's buffer); that much silence now keeps
    // the take's timeline. Once per stall, after it.
    void audioLost(double seconds);
    // The sound server moved the open capture device to another source
    // (server names): the device went away or the user moved it. The take,
    // if one runs, goes on from the new source.
    void captureDeviceMoved(const QString& fromSource, const QString& toSource);

private:
    void OnTakeProgress(const TakeProgress& progress);
    void OnTakeStopped(bool headerWritten);
    void OnTakeFailed(TakeFault fault);
    // After the last data of a recording: readouts and controls.
    void ShowFinishedTake();
    void StopRecordingAfterFault(int messageId);
    // No device, no file, position 0: what New and a failed start leave.
    void EnterEmpty();

    // True at most every 100 ms; the waveform follows it during playback.
    bool SnapshotDue();
    void TakeSnapshotIfDue(const platform::audio::AudioBuffer& buffer);
    void SetViewFullScale();

    EngineView& m_view;

    platform::audio::PcmFormat m_format;
    RecordingFile m_wavTemp;

    bool m_recording = false;
    // While recording the file is the writer's: its length as last reported.
    uint32_t m_takeLength = 0;
    uint32_t m_position = 0;
    bool m_saved = false;
    bool m_saving = false;
    bool m_sliderDragging = false;
    uint32_t m_lastSnapshotTick = 0;
    TickClock m_tickCount = MonotonicTickCount;

    RecordingPlayback m_playback{m_wavTemp, m_format, m_position};
    std::unique_ptr<Mp3Side> m_mp3;
    std::function<void()> m_saveHandler;
    bool m_released = false;
    uint64_t m_lostFrames = 0;
    TakeWriter m_writer;
};
