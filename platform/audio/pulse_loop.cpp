#include "platform/audio/pulse_loop.h"

#include <algorithm>
#include <csignal>
#include <pthread.h>

namespace platform::audio {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

PulseLoop::PulseLoop()
    : m_loop(pa_mainloop_new())
{
    if (m_loop)
        pa_mainloop_set_poll_func(m_loop, &PulseLoop::Poll, this);
}

PulseLoop::~PulseLoop()
{
    Stop();
    if (m_loop)
        pa_mainloop_free(m_loop);
}

pa_mainloop_api* PulseLoop::Api() const { return m_loop ? pa_mainloop_get_api(m_loop) : nullptr; }

bool PulseLoop::Start()
{
    if (!m_loop || m_thread.joinable())
        return false;
    // Signals are for the program's own threads: the new thread starts with
    // all of them blocked.
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &before);
    m_thread = std::thread([this] { Run(); });
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return true;
}

void PulseLoop::Stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_lock);
        pa_mainloop_quit(m_loop, 0);
    }
    m_thread.join();
}

void PulseLoop::HoldWakeups(milliseconds interval)
{
    m_intervalMs.store(int(interval.count()));
    m_holds.fetch_add(1);
}

void PulseLoop::ReleaseWakeups() { m_holds.fetch_sub(1); }

void PulseLoop::Run()
{
    pthread_setname_np(pthread_self(), "sound-io");
    std::lock_guard lock(m_lock);
    m_lastWake = steady_clock::now();
    int result = 0;
    pa_mainloop_run(m_loop, &result);
}

int PulseLoop::Poll(pollfd* fds, unsigned long count, int timeoutMs, void* self)
{
    auto* loop = static_cast<PulseLoop*>(self);
    loop->m_lock.unlock();
    int ready = 0;
    if (loop->m_holds.load() > 0 && timeoutMs != 0) {
        // The library reads one message per turn from a plain socket: what is
        // waiting already is taken at once, or a backlog would come in no
        // faster than a message per interval.
        ready = ::poll(fds, nfds_t(count), 0);
        if (ready == 0) {
            auto pause = loop->m_lastWake + milliseconds(loop->m_intervalMs.load()) - steady_clock::now();
            if (timeoutMs > 0)
                pause = std::min<steady_clock::duration>(pause, milliseconds(timeoutMs));
            if (pause > steady_clock::duration::zero()) {
                std::this_thread::sleep_for(pause);
                if (timeoutMs > 0)
                    timeoutMs = std::max(0, timeoutMs - int(std::chrono::duration_cast<milliseconds>(pause).count()));
            }
        }
    }
    if (ready == 0) {
        ready = ::poll(fds, nfds_t(count), timeoutMs);
        loop->m_lastWake = steady_clock::now();
    }
    loop->m_lock.lock();
    return ready;
}

}  // namespace platform::audio
