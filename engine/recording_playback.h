#pragma once
// Plays the recording from its temporary file through the default output.
// Fourteen blocks circulate: each one that comes back is refilled from where
// the data handed to the device has reached, until the data ends or playback
// is stopped; the device is closed when the last queued block has come back.
// How many of them wait at the device, and how full, follows the time they
// last (about half a second whatever the format), and the position is what
// the listener has heard, as the sound server tells it.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <QTimer>

#include "engine/audio_blocks.h"
#include "engine/recording_file.h"
#include "platform/audio/audio_backend.h"
#include "platform/audio/queue_budget.h"

class RecordingPlayback {
public:
    static constexpr int kPlayBufferCount = 14;
    // How often the heard position is shown while the device plays.
    static constexpr int kPositionIntervalMs = 50;

    // `position` is the engine's m_position: while playing it follows what has
    // been heard; Start, Restart and ContinueFromPosition take it as the frame
    // to feed from.
    RecordingPlayback(RecordingFile& recording, const platform::audio::PcmFormat& format, uint32_t& position);
    ~RecordingPlayback();

    // A block came back (before it is refilled): the waveform may take it.
    std::function<void(const platform::audio::AudioBuffer&)> onBufferPlayed;
    // The position moved: Start, Stop, each block back, and on a timer.
    std::function<void()> onPositionAdvanced;
    // The device closed: playback and draining are over.
    std::function<void()> onClosed;

    enum class StartResult { Started, DeviceFailed, ReadFailed };
    // Opens the device, rewinds when the position is at the end and queues
    // the first blocks.
    StartResult Start();
    // Stop while playing: the position stays at what has been heard; the
    // device hands every block back at once and closes after the last.
    void Stop();
    // The position moved under a playing device (slider released): the queued
    // blocks come back now and the refills continue from the new position.
    void Restart();
    // The position moved by << or >>: the queued blocks still play, the
    // refills continue from the new position.
    void ContinueFromPosition();
    // Release: no more callbacks, device closed.
    void Close();

    bool IsPlaying() const { return m_playing; }
    // A read of the recording failed since the last call: playback stopped
    // there and drained.
    bool TakeReadFailure() { return std::exchange(m_readFailed, false); }
    // The sound server went away while playing since the last call.
    bool TakeDeviceLoss() { return std::exchange(m_deviceLost, false); }
    bool IsOutputOpen() const { return m_waveOut != nullptr; }
    uint32_t QueuedBuffers() const { return m_queuedPlayBuffers; }

private:
    // What one write handed to the device, for mapping the heard frames back.
    struct Piece {
        const platform::audio::AudioBuffer* buffer;
        uint32_t frame;  // of the recording
        uint32_t frames;
    };

    void OnWaveOutDone(platform::audio::AudioBuffer* buffer);
    void OnWaveOutFailed();
    // Queues idle blocks while the budget allows and data remains.
    void TopUp();
    uint32_t BytesToFill() const;
    bool FillAndWrite(int block, uint32_t bytes);
    // The frame of the recording the listener hears now.
    uint32_t HeardFrame() const;
    void FollowHeardPosition();
    // Nothing queued counts any more: the position and the refills go on from `frame`.
    void ForgetQueue(uint32_t frame);
    void CloseDevice();

    RecordingFile& m_recording;
    const platform::audio::PcmFormat& m_format;
    uint32_t& m_position;

    std::unique_ptr<platform::audio::PlaybackStream> m_waveOut;
    uint64_t m_streamGeneration = 0;
    AudioBlocks m_playBuffers{kPlayBufferCount};
    platform::audio::QueueBudget m_budget;
    uint32_t m_next = 0;         // frame of the next data to hand to the device
    std::deque<Piece> m_pieces;  // at the device since the last reset, in order
    uint64_t m_piecesStart = 0;  // frames played before the first of them
    QTimer m_positionTimer;
    bool m_playing = false;
    bool m_readFailed = false;
    bool m_deviceLost = false;
    uint32_t m_queuedPlayBuffers = 0;
};
