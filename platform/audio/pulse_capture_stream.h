#pragma once
// Capture from a PulseAudio source into the caller's blocks (the waveIn
// model). Audio arrives on the main loop thread; it is copied into queued
// blocks there, and full blocks go to the owner's thread as queued calls.
// While the owner holds all its blocks, audio waits in the stream (sized for
// more than ten seconds) and is taken only when a block arrives.
// A stop or reset pauses the stream rather than ending it: a new stream
// starts with a moment of silence on PipeWire, a resumed one does not.

#include <atomic>
#include <deque>
#include <memory>
#include <optional>
#include <QByteArray>

#include <pulse/stream.h>

#include "platform/audio/audio_backend.h"
#include "platform/audio/callback_queue.h"
#include "platform/audio/capture_source_follower.h"
#include "platform/audio/capture_wake_pacer.h"
#include "platform/audio/pulse_context.h"

namespace platform::audio {

class PulseCaptureStream final : public CaptureStream {
public:
    // Lock not held. `source` empty: the default source. The stream is
    // connected (corked) before this returns, so a refused device or format
    // fails here.
    static std::unique_ptr<PulseCaptureStream> Open(std::shared_ptr<PulseContext> pulse, const QByteArray& source,
                                                    const PcmFormat& format, CaptureCallbacks callbacks,
                                                    QString* error);
    ~PulseCaptureStream() override;

    bool AddBuffer(AudioBuffer* buffer) override;
    bool Start() override;
    bool Stop() override;
    void Reset() override;
    void Close() override;
    uint64_t BytesFilled() const override { return m_filled; }

private:
    enum class State { Idle, Running, Stopping, Broken, Closed };

    PulseCaptureStream(std::shared_ptr<PulseContext> pulse, const QByteArray& source, const PcmFormat& format,
                       CaptureCallbacks callbacks);
    // All below: lock held.
    bool Connect(bool corked, QString* error);
    void Disconnect();
    void Pause();
    uint64_t ArrivedBytes() const;
    void Pump();
    void Place(const uint8_t* data, size_t size);
    void FinishStopWhenDrained();
    void WatchStop();
    void Fail(const QString& reason);
    void GiveBack(AudioBuffer* buffer);
    void GiveBackAll();

    static void OnStateChanged(pa_stream* s, void* self);
    static void OnReadable(pa_stream* s, size_t bytes, void* self);
    // The connection's wake-ups are spaced while the stream captures and
    // the pacer allows it.
    void SetState(State state);
    bool IsCapturing() const { return m_state == State::Running || m_state == State::Stopping; }
    void SpaceWakeups();
    static void OnCorked(pa_stream* s, int success, void* self);
    static void OnStopPosition(pa_stream* s, int success, void* self);
    static void OnDiscardPosition(pa_stream* s, int success, void* self);
    static void OnStopWatch(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self);

    std::shared_ptr<PulseContext> m_pulse;
    QByteArray m_source;
    PcmFormat m_format;
    CaptureCallbacks m_callbacks;
    CallbackQueue m_calls;
    pa_stream* m_stream = nullptr;
    PendingOperations m_operations;
    pa_time_event* m_stopWatch = nullptr;
    State m_state = State::Idle;
    std::deque<AudioBuffer*> m_queue;
    // The tail of a fragment taken from the stream that did not fit the
    // blocks (the stream can only drop whole fragments).
    QByteArray m_carry;
    // Bytes taken out of the stream since it was connected.
    uint64_t m_taken = 0;
    std::atomic<uint64_t> m_filled{0};
    // After stop(): the stream position of the last frame captured before
    // the stop, once the server told us.
    std::optional<uint64_t> m_stopPosition;
    // After a pause: audio up to this position is from before the next
    // start, once the server told us.
    std::optional<uint64_t> m_discardUntil;
    // The server answers in order: counting questions and answers tells
    // which answer belongs to the latest stop and the latest cork.
    uint32_t m_stopQueries = 0, m_stopAnswers = 0, m_stopWanted = 0;
    uint32_t m_corks = 0, m_corkAnswers = 0;
    uint64_t m_lastArrived = 0;
    int m_quietWatches = 0;
    int m_watches = 0;
    bool m_wakeupsSpaced = false;
    CaptureSourceFollower m_follower;
    CaptureWakePacer m_pacer;
};

}  // namespace platform::audio
