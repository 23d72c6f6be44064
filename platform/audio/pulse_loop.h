#pragma once
// The thread that runs the sound server connection's main loop. It works as
// libpulse's threaded main loop does (one recursive lock, held by the thread
// except while it waits for the server, and a condition to wait on), and it
// can also space its wake-ups: a recording from a source that posts audio in
// a few milliseconds at a time (a monitor, a low-latency card) would
// otherwise wake the thread hundreds of times a second, and on a virtual
// machine every wake-up costs more than the audio it carries.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <poll.h>
#include <pulse/mainloop.h>

namespace platform::audio {

class PulseLoop {
public:
    PulseLoop();
    ~PulseLoop();
    PulseLoop(const PulseLoop&) = delete;
    PulseLoop& operator=(const PulseLoop&) = delete;

    bool IsValid() const { return m_loop != nullptr; }
    pa_mainloop_api* Api() const;
    bool Start();
    // Not on the loop thread, lock not held.
    void Stop();

    void Lock() { m_lock.lock(); }
    void Unlock() { m_lock.unlock(); }
    // Lock held once, never on the loop thread.
    void Wait() { m_changed.wait(m_lock); }
    void WakeWaiters() { m_changed.notify_all(); }

    // Any thread. While at least one hold is on, the thread looks at the
    // server's socket and at requests from other threads no sooner than
    // `interval` after it last woke, and handles what came meanwhile
    // together. Timers still run when they are due.
    void HoldWakeups(std::chrono::milliseconds interval);
    void ReleaseWakeups();

private:
    static int Poll(pollfd* fds, unsigned long count, int timeoutMs, void* self);
    void Run();

    pa_mainloop* m_loop = nullptr;
    std::thread m_thread;
    std::recursive_mutex m_lock;
    std::condition_variable_any m_changed;
    std::atomic<int> m_holds{0};
    std::atomic<int> m_intervalMs{0};
    // Loop thread only.
    std::chrono::steady_clock::time_point m_lastWake;
};

}  // namespace platform::audio
