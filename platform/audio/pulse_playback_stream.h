#pragma once
// Playback to the default sink in the caller's blocks (the waveOut model).
// Blocks wait in order on our side; the main loop thread hands the server
// what it asks for, up to half a second. A block comes back once the
// server has played all of it (the sink's own latency included).
// Pause corks the stream: the server stops at once and keeps what it holds.
// Whenever the server holds everything written, the stream is drained:
// a server that plays whole periods only (PipeWire) would otherwise keep a
// last partial period, and the block holding it, for good.

#include <deque>
#include <memory>
#include <vector>

#include <pulse/stream.h>

#include "platform/audio/audio_backend.h"
#include "platform/audio/callback_queue.h"
#include "platform/audio/pulse_context.h"

namespace platform::audio {

class PulsePlaybackStream final : public PlaybackStream {
public:
    // Lock not held. Waits until the server accepted the stream.
    static std::unique_ptr<PulsePlaybackStream> Open(std::shared_ptr<PulseContext> pulse, const PcmFormat& format,
                                                     PlaybackCallbacks callbacks, QString* error);
    ~PulsePlaybackStream() override;

    // Blocks must hold whole frames.
    bool Write(AudioBuffer* buffer) override;
    void Reset() override;
    void Pause() override;
    void Resume() override;
    uint64_t PlayedFrames() const override;
    void Close() override;

private:
    enum class State { Open, Broken, Closed };
    struct Block {
        AudioBuffer* buffer;
        uint64_t end;  // stream position just after the block
    };

    PulsePlaybackStream(std::shared_ptr<PulseContext> pulse, const PcmFormat& format, PlaybackCallbacks callbacks);
    // All below: lock held.
    bool Connect(QString* error, bool wait);
    void Disconnect();
    void ArmPoll();
    int NextPollMs() const;
    void Feed();
    void UpdatePlayed(const pa_timing_info& timing);
    void GiveBackPlayed();
    void DrainWhenAllSent();
    void Cork(bool on);
    void Fail(const QString& reason);

    static void OnStateChanged(pa_stream* s, void* self);
    static void OnWritable(pa_stream* s, size_t bytes, void* self);
    static void OnTiming(pa_stream* s, int success, void* self);
    static void OnDrained(pa_stream* s, int success, void* self);
    static void OnPoll(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self);

    std::shared_ptr<PulseContext> m_pulse;
    PcmFormat m_format;
    PlaybackCallbacks m_callbacks;
    CallbackQueue m_calls;
    pa_stream* m_stream = nullptr;
    PendingOperations m_operations;
    pa_time_event* m_poll = nullptr;
    bool m_pollArmed = false;
    bool m_timingAsked = false;
    bool m_timingKnown = false;  // the server has told how far it played
    State m_state = State::Open;
    const uint32_t m_wideness;       // bytes on the wire per byte of ours
    std::vector<int16_t> m_widened;  // 8-bit audio on its way out
    std::deque<Block> m_blocks;      // written, not yet given back
    uint64_t m_queuedEnd = 0;        // stream position after the last block written
    uint64_t m_sent = 0;             // bytes handed to the server
    uint64_t m_played = 0;           // bytes the server has played
    bool m_paused = false;           // corked, or to be corked once ready
    bool m_draining = false;
    uint64_t m_drainEnd = 0;  // bytes sent when the drain in progress was asked for
};

}  // namespace platform::audio
