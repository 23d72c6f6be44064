#pragma once
// Hands calls to the thread that created the queue, one at a time and in the
// order they were posted, the way window messages reach a window. Streams and
// mixers use it so that their users never run inside the caller's own call or
// on a foreign thread.

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QObject;

namespace platform::audio {

class CallbackQueue {
public:
    // Binds to the calling thread, which needs a Qt event loop to receive.
    CallbackQueue();
    // Drops every call not yet delivered.
    ~CallbackQueue();
    CallbackQueue(const CallbackQueue&) = delete;
    CallbackQueue& operator=(const CallbackQueue&) = delete;

    // Thread-safe. Calls posted from different threads keep the order in
    // which Post() was entered when the posters serialise themselves (the
    // PulseAudio thread and the owner both post under the main loop lock).
    void Post(std::function<void()> call);
    // The calls in order, as if posted one by one, for the cost of one
    // wake-up of the owner thread.
    void Post(std::vector<std::function<void()>> calls);
    // Calls posted but not delivered yet, and all later ones, are dropped.
    // For the owner thread (a closed stream must never call back).
    void Close();
    bool IsOpen() const { return m_open->load(); }

private:
    std::shared_ptr<std::atomic<bool>> m_open;
    QObject* m_receiver;
};

}  // namespace platform::audio
