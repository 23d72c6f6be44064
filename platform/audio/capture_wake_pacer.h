#pragma once
// Whether a capture stream's connection may space its wake-ups. Worth it
// only with a server that passes audio on in pieces far smaller than the
// fragments asked for (the PulseAudio daemon hands over each piece a monitor
// or a low-latency card posts, every few milliseconds): on a busy or virtual
// machine each wake-up costs more than the audio it carries. A server that
// keeps to the fragment size is read as it sends, and so is a backlog (after
// a stall): while the server drops what does not fit its queue, every moment
// counts, and the lost span is found where the backlog ends.

#include <chrono>
#include <cstdint>

namespace platform::audio {

class CaptureWakePacer {
public:
    using Clock = std::chrono::steady_clock;
    // A block returns at most this much later; the server's backlog is seconds.
    static constexpr std::chrono::milliseconds kWakeInterval{100};

    CaptureWakePacer(uint32_t bytesPerSecond, uint32_t fragmentBytes);

    // `arrived`: all that reached us, taken or not; `taken`: what we took.
    void Start(Clock::time_point now, uint64_t arrived, uint64_t taken);
    void PieceTaken() { ++m_pieces; }
    // Whether a look is due: at most one every half interval.
    bool IsDue(Clock::time_point now) const { return now - m_since >= kWakeInterval / 2; }
    // Weighs what came since the last look, when one is due.
    void Look(Clock::time_point now, uint64_t arrived, uint64_t taken);
    bool MaySpace() const { return m_smallPieces && !m_behind; }

private:
    uint32_t m_bytesPerSecond;
    uint32_t m_fragmentBytes;
    bool m_behind = false;
    bool m_smallPieces = false;
    Clock::time_point m_since;
    uint64_t m_arrived = 0;
    uint64_t m_taken = 0;
    uint64_t m_pieces = 0;
};

}  // namespace platform::audio
