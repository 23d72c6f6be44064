#include "platform/audio/capture_wake_pacer.h"

namespace platform::audio {

namespace {
// More than this many times the real pace is a backlog.
constexpr double kBacklogPace = 2.0;

// Counters start again when the stream reconnects.
uint64_t Since(uint64_t now, uint64_t before) { return now >= before ? now - before : now; }
}  // namespace

CaptureWakePacer::CaptureWakePacer(uint32_t bytesPerSecond, uint32_t fragmentBytes)
    : m_bytesPerSecond(bytesPerSecond)
    , m_fragmentBytes(fragmentBytes)
{
}

void CaptureWakePacer::Start(Clock::time_point now, uint64_t arrived, uint64_t taken)
{
    m_behind = m_smallPieces = false;
    m_since = now;
    m_arrived = arrived;
    m_taken = taken;
    m_pieces = 0;
}

void CaptureWakePacer::Look(Clock::time_point now, uint64_t arrived, uint64_t taken)
{
    if (!IsDue(now))
        return;
    // What reached us counts, not what we took: while the owner holds every
    // block the backlog still has to come over.
    const double seconds = std::chrono::duration<double>(now - m_since).count();
    m_behind = double(Since(arrived, m_arrived)) > kBacklogPace * seconds * m_bytesPerSecond;
    if (m_pieces > 0)
        m_smallPieces = Since(taken, m_taken) < m_pieces * m_fragmentBytes / 2;
    m_since = now;
    m_arrived = arrived;
    m_taken = taken;
    m_pieces = 0;
}

}  // namespace platform::audio
