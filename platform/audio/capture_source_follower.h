#pragma once
// Where a capture stream records from, told once per change. The PulseAudio
// daemon tells a move through the stream itself; PipeWire only as a change of
// the source output, sometimes while the move is still under way.

#include <functional>
#include <QString>

#include <pulse/stream.h>

#include "platform/audio/pulse_context.h"

namespace platform::audio {

class CaptureSourceFollower {
public:
    // Called on the main loop thread with the lock held.
    using Moved = std::function<void(const QString& from, const QString& to)>;

    CaptureSourceFollower(PulseContext& pulse, Moved moved);
    ~CaptureSourceFollower();
    CaptureSourceFollower(const CaptureSourceFollower&) = delete;
    CaptureSourceFollower& operator=(const CaptureSourceFollower&) = delete;

    // Lock held. `stream` is ready and records from its device now.
    void Follow(pa_stream* stream);
    // Lock held, before the stream is let go.
    void Stop();

private:
    static void OnMoved(pa_stream* s, void* self);
    static void OnWhereCheck(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self);
    void AskWhereTheStreamIs();
    void Changed(const QString& source);

    PulseContext& m_pulse;
    Moved m_moved;
    pa_stream* m_stream = nullptr;
    QString m_device;
    int m_listener = 0;
    // Asks again where the stream is, a while after its source output changed.
    pa_time_event* m_whereCheck = nullptr;
    PendingOperations m_operations;
};

}  // namespace platform::audio
