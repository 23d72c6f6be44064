#include "platform/audio/pulse_device_watch.h"

#include <QMetaObject>
#include <QTimer>

#include "platform/audio/pulse_context.h"

namespace platform::audio {

namespace {
// Long enough for a card's sources to arrive together, short enough that
// the list follows well within a second.
constexpr int kSettleMs = 150;
}  // namespace

PulseDeviceWatch::PulseDeviceWatch(std::shared_ptr<PulseContext> pulse)
    : m_pulse(std::move(pulse))
{
    PulseContext::Lock lock(*m_pulse);
    m_listener = m_pulse->AddSourceListener([this](pa_subscription_event_type_t type, uint32_t) {
        // Changes of volume or state leave the list as it is.
        const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (kind != PA_SUBSCRIPTION_EVENT_NEW && kind != PA_SUBSCRIPTION_EVENT_REMOVE)
            return;
        if (!m_reportPending.exchange(true))
            QMetaObject::invokeMethod(
                this, [this] { QTimer::singleShot(kSettleMs, this, &PulseDeviceWatch::Report); }, Qt::QueuedConnection);
    });
}

PulseDeviceWatch::~PulseDeviceWatch()
{
    PulseContext::Lock lock(*m_pulse);
    m_pulse->RemoveSourceListener(m_listener);
}

void PulseDeviceWatch::Report()
{
    m_reportPending = false;
    emit InputDevicesChanged();
}

}  // namespace platform::audio
