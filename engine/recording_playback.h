#pragma once
// Plays the recording from its temporary file through the default output.
// Fourteen blocks circulate: each one that comes back is refilled from the
// current position until the data ends or playback is stopped; the device is
// closed when the last queued block has come back.

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include "engine/audio_blocks.h"
#include "engine/recording_file.h"
#include "platform/audio/audio_backend.h"

class RecordingPlayback {
public:
    static constexpr int kPlayBufferCount = 14;

    // `position` is the engine's m_position: the frame of the next data to be
    // handed to the device (ahead of what is heard by the queued blocks).
    RecordingPlayback(RecordingFile& recording, const platform::audio::PcmFormat& format,
                      uint32_t& position);
    ~RecordingPlayback();

    // A block came back (before it is refilled): the waveform may take it.
    std::function<void(const platform::audio::AudioBuffer&)> onBufferPlayed;
    // The position moved: the rewind and first blocks of Start, each refill.
    std::function<void()> onPositionAdvanced;
    // The device closed: playback and draining are over.
    std::function<void()> onClosed;

    enum class StartResult { Started, DeviceFailed, ReadFailed };
    // Opens the device, rewinds when the position is at the end and queues up
    // to fourteen blocks.
    StartResult Start();
    // Stop while playing: the device hands every block back at once and closes
    // after the last; the position stays where the queue had reached.
    void Stop();
    // The position moved under a playing device (slider released): the queued
    // blocks come back now and the refills continue from the new position.
    void Restart();
    // Release: no more callbacks, device closed.
    void Close();

    bool isPlaying() const { return m_playing; }
    // A read of the recording failed since the last call: playback stopped
    // there and drained.
    bool takeReadFailure() { return std::exchange(m_readFailed, false); }
    bool isOutputOpen() const { return m_waveOut != nullptr; }
    uint32_t queuedBuffers() const { return m_queuedPlayBuffers; }

private:
    void OnWaveOutDone(platform::audio::AudioBuffer* buffer);
    void OnWaveOutFailed();
    uint32_t BytesToFill() const;
    bool FillAndWrite(platform::audio::AudioBuffer& buffer, uint32_t bytes);
    void CloseDevice();

    RecordingFile& m_recording;
    const platform::audio::PcmFormat& m_format;
    uint32_t& m_position;

    std::unique_ptr<platform::audio::PlaybackStream> m_waveOut;
    uint64_t m_streamGeneration = 0;
    AudioBlocks m_playBuffers{kPlayBufferCount};
    bool m_playing = false;
    bool m_readFailed = false;
    uint32_t m_queuedPlayBuffers = 0;
};
