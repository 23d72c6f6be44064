#pragma once
// The fake capture device: the test plays the sound card. Whatever it
// "captures" with deliver() fills the queued blocks in order; full blocks
// come back through bufferDone as queued calls, exactly like the real stream.

#include <deque>
#include <memory>
#include <QByteArray>

#include "platform/audio/audio_backend.h"
#include "platform/audio/callback_queue.h"
#include "platform/audio/pcm_tone.h"

namespace platform::audio {

struct FakeRegistry;

class FakeCaptureStream final : public CaptureStream {
public:
    FakeCaptureStream(std::shared_ptr<FakeRegistry> registry, int device, const PcmFormat& format,
                      CaptureCallbacks callbacks);
    ~FakeCaptureStream() override;

    bool addBuffer(AudioBuffer* buffer) override;
    bool start() override;
    bool stop() override;
    void reset() override;
    void close() override;

    // --- Scripting (owner thread) ---
    // Frames captured by the "sound card". Taken only while started (false
    // otherwise); what finds no queued block waits, like audio in the server.
    bool deliver(const QByteArray& bytes);
    // A sine of `frequency` Hz at `amplitude` (0..1 of full scale), continuing
    // the previous tone's phase.
    bool deliverTone(double frequency, double amplitude, uint32_t frames);
    bool deliverSilence(uint32_t frames);
    // The server went away: the queued blocks come back (a partly filled one
    // with what it holds), then `failed` with the reason.
    void breakStream(const QString& reason = QStringLiteral("Connection terminated"));
    // The server moved the stream to another source (server names).
    void moveTo(const QString& from, const QString& to);
    void setAddBufferFails(bool fails) { m_addBufferFails = fails; }

    // --- Observation ---
    int device() const { return m_device; }
    PcmFormat format() const { return m_format; }
    bool isStarted() const { return m_state == State::Running; }
    bool isStopping() const { return m_state == State::Stopping; }
    bool isClosed() const { return m_state == State::Closed; }
    bool isBroken() const { return m_state == State::Broken; }
    int queuedBufferCount() const { return int(m_queue.size()); }
    // Captured bytes that are not in a block yet.
    uint32_t waitingBytes() const { return uint32_t(m_waiting.size()); }
    int startCount() const { return m_startCount; }
    int stopCount() const { return m_stopCount; }
    int resetCount() const { return m_resetCount; }

private:
    enum class State { Idle, Running, Stopping, Broken, Closed };

    void fillQueuedBlocks();
    void finishStopWhenDrained();
    void giveBack(AudioBuffer* buffer);
    void giveBackAll();

    std::shared_ptr<FakeRegistry> m_registry;
    int m_device;
    PcmFormat m_format;
    CaptureCallbacks m_callbacks;
    CallbackQueue m_calls;
    State m_state = State::Idle;
    std::deque<AudioBuffer*> m_queue;
    QByteArray m_waiting;
    ToneGenerator m_tone;
    double m_toneFrequency = -1.0;
    double m_toneAmplitude = -1.0;
    bool m_addBufferFails = false;
    int m_startCount = 0;
    int m_stopCount = 0;
    int m_resetCount = 0;
};

}  // namespace platform::audio
