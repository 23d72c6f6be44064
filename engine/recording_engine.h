#pragma once
// The recording engine: records from the chosen input into the take's WAVE
// file, stops and resumes, plays the take back, moves the position, cuts the
// take, hands it to an export, and releases devices and files at the end.
//
// It reports upward only through its signals, in its own terms: its state,
// the take's length and position, the waveform's latest block, levels, lost
// audio and failures. It knows nothing of the window that shows them.
//
// States: Empty (no device, no file), Recording, Stopped (device and file kept
// open so that Record resumes at the position), Playing (and draining until the
// output device has handed back every block), Saving (an export reads the take).
// All calls on the owner's thread; the take itself is written by the engine's
// own writer thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <QByteArray>
#include <QObject>
#include <QString>

#include "engine/audio_blocks.h"
#include "engine/engine_state.h"
#include "engine/mp3_side.h"
#include "engine/recording_file.h"
#include "engine/recording_playback.h"
#include "engine/take_exporter.h"
#include "engine/take_tally.h"
#include "engine/take_writer.h"
#include "engine/waveform_snapshot.h"
#include "platform/audio/audio_backend.h"

class RecordingEngine : public QObject {
    Q_OBJECT
public:
    explicit RecordingEngine(QObject* parent = nullptr);
    ~RecordingEngine() override;

    // Starts a take on `device` (-1: the default input) in `format`, or
    // resumes the open one at the position (its device and format stay).
    void Record(int device, const platform::audio::PcmFormat& format);
    // Ends the take (every frame captured up to now is kept) or the playback.
    void Stop();
    void Play();
    // The position moves; queued playback still plays, refills go on from here.
    void MoveTo(uint32_t frame);
    // The position moves and playback drops what it queued, going on from here.
    void RestartAt(uint32_t frame);
    // Drops everything after the position.
    void ClearAfterPosition();
    // Closes the device and deletes the take: the engine is Empty again.
    void DiscardTake();

    // An export reads the take while the engine is Saving; nothing else may
    // change it meanwhile. False when there is no stopped take to export.
    bool BeginExport();
    TakeSource ExportSource() const;
    void EndExport();

    EngineState State() const { return m_state; }
    uint32_t GetDataLength() const;
    uint32_t GetHeaderSize() const;
    uint32_t LengthFrames() const;
    uint32_t Position() const { return m_position; }
    const platform::audio::PcmFormat& Format() const { return m_format; }

    bool IsRecording() const { return m_state == EngineState::Recording; }
    bool IsPlaying() const { return m_state == EngineState::Playing; }
    bool IsCaptureDeviceOpen() const { return m_writer.IsOpen(); }

    // Stops and closes both devices and deletes the take's files; the
    // destructor calls it too.
    void Release();

    // What the take's files are: its WAVE file and the MP3 side.
    RecordingFile& GetRecordingFile() { return m_wavTemp; }
    // The MP3 temporary file's side of a recording; NoMp3Side until the
    // encoder host provides one.
    void SetMp3Side(std::unique_ptr<Mp3Side> side);
    Mp3Side& GetMp3Side() { return *m_mp3; }

    // Tests: the clock behind the waveform's 100 ms pacing and the writer's
    // syncs, and a smaller ceiling than the WAVE format's own for the data of
    // one recording.
    void SetTickClock(TickClock clock);
    void SetMaxDataBytes(uint64_t bytes) { m_writer.SetMaxDataBytes(bytes); }
    TakeWriter& GetTakeWriter() { return m_writer; }

    // The whole recording's loudest moment and clipping: after a take, and
    // whenever the recording changes while stopped.
    const TakeTally& GetTakeTally() const { return m_tally; }
    // The recording was cut short: counts what remains, on a thread of its
    // own; TakeLevelsCounted follows.
    void RecountLevels();

signals:
    void StateChanged(EngineState state);
    void LengthChanged(uint32_t frames);
    void PositionChanged(uint32_t frame);
    // The start of the latest block recorded or played, in the take's format,
    // at most every 100 ms.
    void WaveformBlock(const QByteArray& block);
    // Audio reached the take that was not in it before.
    void AudioRecorded();
    // Record started (or resumed) a take.
    void TakeStarted();
    // The whole recording's figures: once a take has ended, after a recount,
    // and empty after New.
    void TakeLevelsCounted(const TakeTally& tally);
    // Loudness of the take since the previous report, at the waveform's pace.
    void LevelsMeasured(const TakeLevels& levels);
    // The sound server threw audio away before the program got it (the whole
    // process stalled past the server's buffer); that much silence now keeps
    // the take's timeline. Once per stall, after it.
    void AudioLost(double seconds);
    void Failed(EngineError error);
    // The sound server moved the open capture device to another source
    // (server names): the device went away or the user moved it. The take,
    // if one runs, goes on from the new source.
    void CaptureDeviceMoved(const QString& fromSource, const QString& toSource);

private:
    void OnTakeProgress(const TakeProgress& progress);
    void OnTakeStopped(bool headerWritten);
    void OnTakeFailed(TakeFault fault);
    // After the last data of a recording: Stopped, with length and position.
    void FinishTake();
    void StopRecordingAfterFault(EngineError error);
    // No device, no file, position 0: what New and a failed start leave.
    void EnterEmpty();
    void SetState(EngineState state);
    void ReportLength();
    void ReportPosition();
    // Neither recording, playing nor saving.
    bool IsIdle() const { return m_state == EngineState::Empty || m_state == EngineState::Stopped; }

    // True at most every 100 ms; the waveform follows it during playback.
    bool SnapshotDue();
    // After a take: the figures as summed, or counted anew from the file
    // when the take overwrote part of the recording.
    void CountFinishedTake();
    void StartRecount(uint64_t dataBytes);
    void StopRecount();

    platform::audio::PcmFormat m_format;
    RecordingFile m_wavTemp;

    EngineState m_state = EngineState::Empty;
    // While recording the file is the writer's: its length as last reported.
    uint32_t m_takeLength = 0;
    uint32_t m_position = 0;
    uint32_t m_lastSnapshotTick = 0;
    TickClock m_tickCount = MonotonicTickCount;

    RecordingPlayback m_playback{m_wavTemp, m_format, m_position};
    std::unique_ptr<Mp3Side> m_mp3;
    bool m_released = false;
    uint64_t m_lostFrames = 0;
    TakeWriter m_writer;

    // Summed from the reports of the takes since the last count; a running
    // recount's result is added to it.
    TakeTally m_tally;
    bool m_takeOverwrites = false;
    std::unique_ptr<QThread> m_recount;
    std::atomic<bool> m_recountCancel{false};
    uint64_t m_recountGeneration = 0;
};
