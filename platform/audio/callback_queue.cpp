#include "platform/audio/callback_queue.h"

#include <QMetaObject>
#include <QObject>

namespace platform::audio {

CallbackQueue::CallbackQueue()
    : m_open(std::make_shared<std::atomic<bool>>(true))
    , m_receiver(new QObject)
{
}

CallbackQueue::~CallbackQueue()
{
    Close();
    // A delivered call may be what destroys the queue (a handler that closes
    // its stream), so the receiver must outlive the call that is running.
    m_receiver->deleteLater();
}

void CallbackQueue::Post(std::function<void()> call)
{
    QMetaObject::invokeMethod(
        m_receiver,
        [open = m_open, call = std::move(call)] {
            if (open->load())
                call();
        },
        Qt::QueuedConnection);
}

void CallbackQueue::Post(std::vector<std::function<void()>> calls)
{
    if (calls.empty())
        return;
    QMetaObject::invokeMethod(
        m_receiver,
        [open = m_open, calls = std::move(calls)] {
            // A call may close the queue: those after it are dropped.
            for (const auto& call : calls)
                if (open->load())
                    call();
        },
        Qt::QueuedConnection);
}

void CallbackQueue::Close() { m_open->store(false); }

}  // namespace platform::audio
