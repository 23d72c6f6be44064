#include "platform/audio/capture_source_follower.h"

#include <pulse/introspect.h>

namespace platform::audio {

namespace {
constexpr int kWhereCheckMs = 500;
}

CaptureSourceFollower::CaptureSourceFollower(PulseContext& pulse, Moved moved)
    : m_pulse(pulse)
    , m_moved(std::move(moved))
{
}

CaptureSourceFollower::~CaptureSourceFollower()
{
    PulseContext::Lock lock(m_pulse);
    Stop();
    m_pulse.FreeTimer(m_whereCheck);
}

void CaptureSourceFollower::Follow(pa_stream* stream)
{
    m_stream = stream;
    m_device = QString::fromUtf8(pa_stream_get_device_name(stream));
    pa_stream_set_moved_callback(stream, &OnMoved, this);
    if (!m_listener)
        m_listener = m_pulse.AddSourceOutputListener([this](pa_subscription_event_type_t type, uint32_t index) {
            if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_CHANGE && m_stream &&
                index == pa_stream_get_index(m_stream)) {
                AskWhereTheStreamIs();
                // PipeWire may report the change while the move is under
                // way, with the old source or none; no later change follows.
                if (!m_whereCheck)
                    m_whereCheck = m_pulse.NewTimer(&OnWhereCheck, this);
                m_pulse.ArmTimer(m_whereCheck, kWhereCheckMs);
            }
        });
}

void CaptureSourceFollower::Stop()
{
    m_operations.CancelAll();
    if (m_listener)
        m_pulse.RemoveSourceListener(std::exchange(m_listener, 0));
    m_pulse.DisarmTimer(m_whereCheck);
    if (m_stream)
        pa_stream_set_moved_callback(m_stream, nullptr, nullptr);
    m_stream = nullptr;
}

void CaptureSourceFollower::OnMoved(pa_stream* s, void* self)
{
    static_cast<CaptureSourceFollower*>(self)->Changed(QString::fromUtf8(pa_stream_get_device_name(s)));
}

void CaptureSourceFollower::Changed(const QString& source)
{
    if (source.isEmpty() || source == m_device)
        return;
    const QString from = std::exchange(m_device, source);
    if (m_moved)
        m_moved(from, source);
}

void CaptureSourceFollower::AskWhereTheStreamIs()
{
    // PipeWire tells a move only as a change of the source output: its
    // source, by index, then that source's name.
    m_operations.Add(pa_context_get_source_output_info(
        m_pulse.Context(), pa_stream_get_index(m_stream),
        [](pa_context* c, const pa_source_output_info* info, int eol, void* self) {
            if (eol || !info)
                return;
            auto* follower = static_cast<CaptureSourceFollower*>(self);
            follower->m_operations.Add(pa_context_get_source_info_by_index(
                c, info->source,
                [](pa_context*, const pa_source_info* source, int eol, void* self) {
                    if (!eol && source)
                        static_cast<CaptureSourceFollower*>(self)->Changed(QString::fromUtf8(source->name));
                },
                self));
        },
        this));
}

void CaptureSourceFollower::OnWhereCheck(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
{
    auto* follower = static_cast<CaptureSourceFollower*>(self);
    if (follower->m_stream && pa_stream_get_state(follower->m_stream) == PA_STREAM_READY)
        follower->AskWhereTheStreamIs();
}

}  // namespace platform::audio
