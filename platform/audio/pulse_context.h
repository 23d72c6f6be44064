#pragma once
// One connection to the PulseAudio server with its own thread (a main loop
// that runs as libpulse's threaded one does). Locking, waiting with a time
// limit and error texts live here and nowhere else; streams and mixers share
// the connection.

#include <functional>
#include <map>
#include <memory>
#include <vector>
#include <QString>

#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/operation.h>
#include <pulse/subscribe.h>

#include "platform/audio/pulse_loop.h"

namespace platform::audio {

class PulseContext {
public:
    // Connects to the server that PULSE_SERVER names (or the usual one),
    // never starting one. nullptr and a reason when the server cannot be
    // reached within `timeoutMs`.
    static std::shared_ptr<PulseContext> Connect(int timeoutMs, QString* error);
    ~PulseContext();
    PulseContext(const PulseContext&) = delete;
    PulseContext& operator=(const PulseContext&) = delete;

    // Holds the main loop lock for a scope. The lock is recursive, and the
    // main loop thread holds it already while it runs our callbacks.
    class Lock {
    public:
        explicit Lock(const PulseContext& pulse);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        PulseLoop* m_loop;
    };

    pa_context* Context() const { return m_context; }
    // Lock held.
    bool IsReady() const;
    QString ErrorText() const;
    QString ErrorText(int paError) const;

    // Lock held, never on the main loop thread: sleeps until `done` is true,
    // `timeoutMs` has passed, or the connection broke. Returns done().
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
    // Lock held, never on the main loop thread: waits for a stream that was
    // just connected to become ready. False with a reason when it failed or
    // the server did not answer in time.
    bool WaitForStreamReady(pa_stream* stream, int timeoutMs, QString* error);
    // Lock held, never on the main loop thread: waits for an operation to end
    // and releases it. False when it was null, cancelled or timed out.
    bool Finish(pa_operation* op, int timeoutMs);
    // From main loop callbacks: wakes whoever waits in waitUntil.
    void WakeWaiters();

    // Lock held. A timer of the main loop, created disarmed; its callback runs
    // on the main loop thread with the lock held.
    using TimerCallback = void (*)(pa_mainloop_api*, pa_time_event*, const struct timeval*, void*);
    pa_time_event* NewTimer(TimerCallback callback, void* userdata);
    void ArmTimer(pa_time_event* timer, int milliseconds);
    void DisarmTimer(pa_time_event* timer);
    void FreeTimer(pa_time_event*& timer);

    // Any thread. While a recording runs, the connection's thread picks up
    // what the server sent at most every `interval` (see PulseLoop).
    void HoldWakeups(std::chrono::milliseconds interval) { m_loop->HoldWakeups(interval); }
    void ReleaseWakeups() { m_loop->ReleaseWakeups(); }

    // Lock held. Server events about sources, delivered on the main loop
    // thread with the lock held. The first listener turns the subscription
    // on (and waits for it, so no change after this call is missed).
    using SourceListener = std::function<void(pa_subscription_event_type_t type, uint32_t index)>;
    int AddSourceListener(SourceListener listener);
    void RemoveSourceListener(int id);
    // Lock held. The same for capture streams (source outputs): some servers
    // tell a stream's move only this way.
    int AddSourceOutputListener(SourceListener listener);

private:
    PulseContext() = default;
    static void OnStateChanged(pa_context* c, void* self);
    static void OnSubscriptionEvent(pa_context* c, pa_subscription_event_type_t type, uint32_t index, void* self);

    std::unique_ptr<PulseLoop> m_loop;
    pa_context* m_context = nullptr;
    bool m_subscribed = false;
    int m_nextListenerId = 1;
    void Subscribe();

    std::map<int, SourceListener> m_sourceListeners;
    std::map<int, SourceListener> m_sourceOutputListeners;
};

// Operations a stream or mixer started and that may still call back into it:
// cancelled together when the owner goes away.
class PendingOperations {
public:
    PendingOperations() = default;
    ~PendingOperations() { CancelAll(); }
    PendingOperations(const PendingOperations&) = delete;
    PendingOperations& operator=(const PendingOperations&) = delete;
    // Lock held. Takes the reference; null is ignored.
    void Add(pa_operation* op);
    // Lock held.
    void CancelAll();

private:
    std::vector<pa_operation*> m_ops;
};

// Lets go of a stream with its callbacks already cleared, under the lock.
// The server refuses to disconnect a stream it is still creating, so such a
// stream is disconnected as soon as it is ready; else it would stay on the
// server with nobody to end it.
void ReleaseStream(pa_stream* stream);

}  // namespace platform::audio
