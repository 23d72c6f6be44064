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

    bool write(AudioBuffer* buffer) override;
    void reset() override;
    void pause() override { m_paused = !m_closed && !m_broken; }
    void resume() override { m_paused = false; }
    uint64_t playedFrames() const override;
    void close() override;

    // --- Scripting (owner thread) ---
    // The oldest queued block has been played; false when none is queued
    // or the device is paused.
    bool completeNext();
    // The listener has heard `bytes` more of the oldest block, which stays queued.
    void hearPartOfNext(uint32_t bytes) { m_heardOfNext += bytes; }
    // Every queued block has been played; returns how many.
    int completeAll();
    // The server went away: `failed`, then the queued blocks come back.
    void breakStream(const QString& reason = QStringLiteral("Connection terminated"));
    void setWriteFails(bool fails) { m_writeFails = fails; }

    // --- Observation ---
    PcmFormat format() const { return m_format; }
    int queuedBufferCount() const { return int(m_queue.size()); }
    AudioBuffer* queuedBuffer(int i) const { return m_queue.at(size_t(i)); }
    // Everything write() accepted, in order, as it was at the time of writing.
    QByteArray writtenBytes() const { return m_written; }
    // The part of writtenBytes() whose blocks completed by playing (not by reset).
    QByteArray playedBytes() const { return m_played; }
    int writeCount() const { return m_writeCount; }
    int resetCount() const { return m_resetCount; }
    bool isClosed() const { return m_closed; }
    bool isBroken() const { return m_broken; }
    bool isPaused() const { return m_paused; }

private:
    void giveBack(AudioBuffer* buffer);

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
