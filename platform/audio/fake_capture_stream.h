#pragma once
// The fake capture device: the test plays the sound card. Whatever it
// "captures" with Deliver() fills the queued blocks in order; full blocks
// come back through bufferDone as queued calls, exactly like the real stream.

#include <atomic>
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

    bool AddBuffer(AudioBuffer* buffer) override;
    bool Start() override;
    bool Stop() override;
    void Reset() override;
    void Close() override;
    uint64_t BytesFilled() const override { return m_filled; }

    // --- Scripting (owner thread) ---
    // Frames captured by the "sound card". Taken only while started (false
    // otherwise); what finds no queued block waits, like audio in the server.
    bool Deliver(const QByteArray& bytes);
    // A sine of `frequency` Hz at `amplitude` (0..1 of full scale), continuing
    // the previous tone's phase.
    bool DeliverTone(double frequency, double amplitude, uint32_t frames);
    bool DeliverSilence(uint32_t frames);
    // The server went away: the queued blocks come back (a partly filled one
    // with what it holds), then `failed` with the reason.
    void BreakStream(const QString& reason = QStringLiteral("Connection terminated"));
    // The server moved the stream to another source (server names).
    void MoveTo(const QString& from, const QString& to);
    void SetAddBufferFails(bool fails) { m_addBufferFails = fails; }

    // --- Observation ---
    int Device() const { return m_device; }
    PcmFormat Format() const { return m_format; }
    bool IsStarted() const { return m_state == State::Running; }
    bool IsStopping() const { return m_state == State::Stopping; }
    bool IsClosed() const { return m_state == State::Closed; }
    bool IsBroken() const { return m_state == State::Broken; }
    int QueuedBufferCount() const { return int(m_queue.size()); }
    // Captured bytes that are not in a block yet.
    uint32_t WaitingBytes() const { return uint32_t(m_waiting.size()); }
    int StartCount() const { return m_startCount; }
    int StopCount() const { return m_stopCount; }
    int ResetCount() const { return m_resetCount; }

private:
    enum class State { Idle, Running, Stopping, Broken, Closed };

    void FillQueuedBlocks();
    void FinishStopWhenDrained();
    void GiveBack(AudioBuffer* buffer);
    void GiveBackAll();

    std::shared_ptr<FakeRegistry> m_registry;
    int m_device;
    PcmFormat m_format;
    CaptureCallbacks m_callbacks;
    CallbackQueue m_calls;
    State m_state = State::Idle;
    std::deque<AudioBuffer*> m_queue;
    std::atomic<uint64_t> m_filled{0};
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
