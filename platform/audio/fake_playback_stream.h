#pragma once
// The fake output device: written blocks stay queued until the test says
// they have been played (completeNext / completeAll). A paused device plays
// nothing.

#include <deque>
#include <memory>
#include <QByteArray>

#include "platform/audio/audio_backend.h"
#include "platform/audio/callback_queue.h"

namespace platform::audio {

struct FakeRegistry;

class FakePlaybackStream final : public PlaybackStream {
public:
    FakePlaybackStream(std::shared_ptr<FakeRegistry> registry, const PcmFormat& format, PlaybackCallbacks callbacks);
    ~FakePlaybackStream() override;

    bool Write(AudioBuffer* buffer) override;
    void Reset() override;
    void Pause() override { m_paused = !m_closed && !m_broken; }
    void Resume() override { m_paused = false; }
    uint64_t PlayedFrames() const override;
    void Close() override;

    // --- Scripting (owner thread) ---
    // The oldest queued block has been played; false when none is queued
    // or the device is paused.
    bool CompleteNext();
    // The listener has heard `bytes` more of the oldest block, which stays queued.
    void HearPartOfNext(uint32_t bytes) { m_heardOfNext += bytes; }
    // Every queued block has been played; returns how many.
    int CompleteAll();
    // The server went away: `failed`, then the queued blocks come back.
    void BreakStream(const QString& reason = QStringLiteral("Connection terminated"));
    void SetWriteFails(bool fails) { m_writeFails = fails; }

    // --- Observation ---
    PcmFormat Format() const { return m_format; }
    int QueuedBufferCount() const { return int(m_queue.size()); }
    AudioBuffer* QueuedBuffer(int i) const { return m_queue.at(size_t(i)); }
    // Everything write() accepted, in order, as it was at the time of writing.
    QByteArray WrittenBytes() const { return m_written; }
    // The part of WrittenBytes() whose blocks completed by playing (not by reset).
    QByteArray PlayedBytes() const { return m_played; }
    int WriteCount() const { return m_writeCount; }
    int ResetCount() const { return m_resetCount; }
    bool IsClosed() const { return m_closed; }
    bool IsBroken() const { return m_broken; }
    bool IsPaused() const { return m_paused; }

private:
    void GiveBack(AudioBuffer* buffer);

    std::shared_ptr<FakeRegistry> m_registry;
    PcmFormat m_format;
    PlaybackCallbacks m_callbacks;
    CallbackQueue m_calls;
    std::deque<AudioBuffer*> m_queue;
    std::deque<QByteArray> m_queuedBytes;
    QByteArray m_written;
    QByteArray m_played;
    uint64_t m_playedSinceReset = 0;  // bytes
    uint32_t m_heardOfNext = 0;
    bool m_paused = false;
    bool m_writeFails = false;
    bool m_closed = false;
    bool m_broken = false;
    int m_writeCount = 0;
    int m_resetCount = 0;
};

}  // namespace platform::audio
