#include "platform/audio/pulse_context.h"

#include <pulse/error.h>
#include <pulse/proplist.h>
#include <pulse/rtclock.h>
#include <pulse/timeval.h>

namespace platform::audio {

namespace {

bool IsFinal(pa_context_state_t s) { return s == PA_CONTEXT_FAILED || s == PA_CONTEXT_TERMINATED; }

struct Deadline {
    PulseContext* pulse;
    bool passed = false;
};

void OnDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata)
{
    auto* d = static_cast<Deadline*>(userdata);
    d->passed = true;
    d->pulse->WakeWaiters();
}

void OnOperationState(pa_operation*, void* pulse) { static_cast<PulseContext*>(pulse)->WakeWaiters(); }

}  // namespace

std::shared_ptr<PulseContext> PulseContext::Connect(int timeoutMs, QString* error)
{
    std::shared_ptr<PulseContext> pulse(new PulseContext);
    pulse->m_loop = std::make_unique<PulseLoop>();
    if (!pulse->m_loop->IsValid()) {
        if (error)
            *error = QStringLiteral("Cannot create the PulseAudio main loop");
        return nullptr;
    }
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Quillon");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "Quillon");
    pulse->m_context = pa_context_new_with_proplist(pulse->m_loop->Api(), "Quillon", props);
    pa_proplist_free(props);
    if (!pulse->m_context) {
        if (error)
            *error = QStringLiteral("Cannot create a PulseAudio context");
        return nullptr;
    }
    pa_context_set_state_callback(pulse->m_context, &PulseContext::OnStateChanged, pulse.get());
    // Starting a server is the desktop's business; without one we stay silent.
    if (pa_context_connect(pulse->m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 || !pulse->m_loop->Start()) {
        if (error)
            *error = pulse->ErrorText();
        return nullptr;
    }
    Lock lock(*pulse);
    pulse->WaitUntil([&] { return pa_context_get_state(pulse->m_context) == PA_CONTEXT_READY; }, timeoutMs);
    if (!pulse->IsReady()) {
        if (error)
            *error = IsFinal(pa_context_get_state(pulse->m_context))
                ? pulse->ErrorText()
                : QStringLiteral("The sound server did not answer");
        return nullptr;
    }
    return pulse;
}

PulseContext::~PulseContext()
{
    if (m_context) {
        {
            Lock lock(*this);
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
    }
    if (m_loop)
        m_loop->Stop();
}

PulseContext::Lock::Lock(const PulseContext& pulse)
    : m_loop(pulse.m_loop.get())
{
    m_loop->Lock();
}

PulseContext::Lock::~Lock() { m_loop->Unlock(); }

bool PulseContext::IsReady() const { return pa_context_get_state(m_context) == PA_CONTEXT_READY; }

QString PulseContext::ErrorText() const { return ErrorText(pa_context_errno(m_context)); }

QString PulseContext::ErrorText(int paError) const { return QString::fromUtf8(pa_strerror(paError)); }

bool PulseContext::WaitForStreamReady(pa_stream* s, int timeoutMs, QString* error)
{
    const bool ready =
        WaitUntil(
            [s] {
                return pa_stream_get_state(s) != PA_STREAM_CREATING && pa_stream_get_state(s) != PA_STREAM_UNCONNECTED;
            },
            timeoutMs) &&
        pa_stream_get_state(s) == PA_STREAM_READY;
    if (!ready && error)
        *error = pa_stream_get_state(s) == PA_STREAM_CREATING ? QStringLiteral("The sound server did not answer")
                                                              : ErrorText();
    return ready;
}

bool PulseContext::WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    Deadline deadline{this};
    pa_time_event* timer = pa_context_rttime_new(m_context, pa_rtclock_now() + pa_usec_t(timeoutMs) * PA_USEC_PER_MSEC,
                                                 &OnDeadline, &deadline);
    while (!done() && !deadline.passed && !IsFinal(pa_context_get_state(m_context)))
        m_loop->Wait();
    if (timer)
        m_loop->Api()->time_free(timer);
    return done();
}

bool PulseContext::Finish(pa_operation* op, int timeoutMs)
{
    if (!op)
        return false;
    pa_operation_set_state_callback(op, &OnOperationState, this);
    const bool done = WaitUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, timeoutMs);
    const bool ok = done && pa_operation_get_state(op) == PA_OPERATION_DONE;
    if (!done)
        pa_operation_cancel(op);
    pa_operation_set_state_callback(op, nullptr, nullptr);
    pa_operation_unref(op);
    return ok;
}

pa_time_event* PulseContext::NewTimer(TimerCallback callback, void* userdata)
{
    return pa_context_rttime_new(m_context, PA_USEC_INVALID, callback, userdata);
}

void PulseContext::ArmTimer(pa_time_event* timer, int milliseconds)
{
    if (timer)
        pa_context_rttime_restart(m_context, timer, pa_rtclock_now() + pa_usec_t(milliseconds) * PA_USEC_PER_MSEC);
}

void PulseContext::DisarmTimer(pa_time_event* timer)
{
    if (timer)
        pa_context_rttime_restart(m_context, timer, PA_USEC_INVALID);
}

void PulseContext::FreeTimer(pa_time_event*& timer)
{
    if (timer)
        m_loop->Api()->time_free(timer);
    timer = nullptr;
}

void PulseContext::WakeWaiters() { m_loop->WakeWaiters(); }

void PulseContext::Subscribe()
{
    if (m_subscribed)
        return;
    pa_context_set_subscribe_callback(m_context, &PulseContext::OnSubscriptionEvent, this);
    m_subscribed =
        Finish(pa_context_subscribe(
                   m_context, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT),
                   nullptr, nullptr),
               2000);
}

int PulseContext::AddSourceListener(SourceListener listener)
{
    Subscribe();
    const int id = m_nextListenerId++;
    m_sourceListeners.emplace(id, std::move(listener));
    return id;
}

int PulseContext::AddSourceOutputListener(SourceListener listener)
{
    Subscribe();
    const int id = m_nextListenerId++;
    m_sourceOutputListeners.emplace(id, std::move(listener));
    return id;
}

void PulseContext::RemoveSourceListener(int id)
{
    m_sourceListeners.erase(id);
    m_sourceOutputListeners.erase(id);
}

void PulseContext::OnStateChanged(pa_context*, void* self) { static_cast<PulseContext*>(self)->WakeWaiters(); }

void PulseContext::OnSubscriptionEvent(pa_context*, pa_subscription_event_type_t type, uint32_t index, void* self)
{
    auto* pulse = static_cast<PulseContext*>(self);
    const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    auto& map = facility == PA_SUBSCRIPTION_EVENT_SOURCE ? pulse->m_sourceListeners : pulse->m_sourceOutputListeners;
    if (facility != PA_SUBSCRIPTION_EVENT_SOURCE && facility != PA_SUBSCRIPTION_EVENT_SOURCE_OUTPUT)
        return;
    // A listener may remove itself while we walk the map.
    const auto listeners = map;
    for (const auto& [id, listener] : listeners)
        if (map.count(id))
            listener(type, index);
}

void PendingOperations::Add(pa_operation* op)
{
    if (!op)
        return;
    std::erase_if(m_ops, [](pa_operation* o) {
        if (pa_operation_get_state(o) == PA_OPERATION_RUNNING)
            return false;
        pa_operation_unref(o);
        return true;
    });
    m_ops.push_back(op);
}

void PendingOperations::CancelAll()
{
    for (pa_operation* o : m_ops) {
        if (pa_operation_get_state(o) == PA_OPERATION_RUNNING)
            pa_operation_cancel(o);
        pa_operation_unref(o);
    }
    m_ops.clear();
}

namespace {

void DisconnectOnceReady(pa_stream* stream, void*)
{
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        pa_stream_disconnect(stream);
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_unref(stream);
        break;
    default:
        break;
    }
}

}  // namespace

void ReleaseStream(pa_stream* stream)
{
    if (pa_stream_get_state(stream) == PA_STREAM_CREATING) {
        // Our reference is handed to the callback, which drops it at the end.
        pa_stream_set_state_callback(stream, &DisconnectOnceReady, nullptr);
        return;
    }
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

}  // namespace platform::audio
