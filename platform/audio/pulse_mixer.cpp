#include "platform/audio/pulse_mixer.h"

#include <algorithm>

#include "platform/audio/audio_log.h"
#include "platform/audio/mixer_volume_scale.h"
#include "platform/audio/mux_values.h"

namespace platform::audio {

namespace {

constexpr int kRequestTimeoutMs = 1000;

struct Outcome {
    PulseContext* pulse;
    bool success = false;
};

void OnSuccess(pa_context*, int success, void* userdata)
{
    auto* outcome = static_cast<Outcome*>(userdata);
    outcome->success = success != 0;
    outcome->pulse->WakeWaiters();
}

}  // namespace

std::unique_ptr<PulseMixer> PulseMixer::Open(std::shared_ptr<PulseContext> pulse, const QByteArray& source,
                                             MixerCallbacks callbacks)
{
    std::unique_ptr<PulseMixer> mixer(new PulseMixer(std::move(pulse), source, std::move(callbacks)));
    PulseContext::Lock lock(*mixer->m_pulse);
    // Listen first, so that no change between reading and listening is missed.
    mixer->m_listener = mixer->m_pulse->AddSourceListener(
        [m = mixer.get()](pa_subscription_event_type_t type, uint32_t index) { m->OnSourceEvent(type, index); });
    if (!mixer->Refresh())
        return nullptr;
    return mixer;
}

PulseMixer::PulseMixer(std::shared_ptr<PulseContext> pulse, const QByteArray& source, MixerCallbacks callbacks)
    : m_pulse(std::move(pulse))
    , m_sourceName(source)
    , m_callbacks(std::move(callbacks))
{
}

PulseMixer::~PulseMixer()
{
    PulseContext::Lock lock(*m_pulse);
    m_calls.Close();
    if (m_listener)
        m_pulse->RemoveSourceListener(m_listener);
    m_operations.CancelAll();
}

bool PulseMixer::Refresh()
{
    pa_operation* op = m_sourceIndex == PA_INVALID_INDEX
        ? pa_context_get_source_info_by_name(m_pulse->Context(), m_sourceName.constData(), &OnSourceInfo, this)
        : pa_context_get_source_info_by_index(m_pulse->Context(), m_sourceIndex, &OnSourceInfo, this);
    return m_pulse->Finish(op, kRequestTimeoutMs) && m_present;
}

void PulseMixer::Apply(const pa_source_info& info)
{
    if (!m_loaded) {
        m_sourceIndex = info.index;
        for (uint32_t i = 0; i < info.n_ports; ++i)
            m_ports.push_back(
                Port{QByteArray(info.ports[i]->name),
                     QString::fromUtf8(info.ports[i]->description ? info.ports[i]->description : info.ports[i]->name)});
    }
    m_present = true;
    int active = -1;
    for (size_t i = 0; info.active_port && i < m_ports.size(); ++i)
        if (m_ports[i].name == info.active_port->name)
            active = int(i);
    const bool portChanged = active != m_activePort;
    const bool volumeChanged = !pa_cvolume_equal(&m_volume, &info.volume);
    m_activePort = active;
    m_volume = info.volume;
    if (!m_loaded) {
        m_loaded = true;
        return;
    }
    if (portChanged && !m_ports.empty())
        Notify(kSelectControlId);
    if (volumeChanged) {
        if (m_activePort >= 0)
            Notify(kFirstLineVolumeControlId + uint32_t(m_activePort));
        Notify(kSourceVolumeControlId);
    }
}

void PulseMixer::Notify(uint32_t controlId)
{
    if (m_callbacks.controlChanged)
        m_calls.Post([changed = m_callbacks.controlChanged, controlId] { changed(controlId); });
}

bool PulseMixer::Usable() const { return m_present && m_pulse->IsReady(); }

int PulseMixer::VolumeLineOf(uint32_t controlId) const
{
    if (controlId == kSourceVolumeControlId)
        return -1;
    if (controlId >= kFirstLineVolumeControlId && controlId - kFirstLineVolumeControlId < m_ports.size())
        return int(controlId - kFirstLineVolumeControlId);
    return -2;
}

void PulseMixer::OnSourceEvent(pa_subscription_event_type_t type, uint32_t index)
{
    if (index != m_sourceIndex)
        return;
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
        m_present = false;
        return;
    }
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_CHANGE)
        m_operations.Add(pa_context_get_source_info_by_index(m_pulse->Context(), index, &OnSourceInfo, this));
}

void PulseMixer::OnSourceInfo(pa_context*, const pa_source_info* info, int eol, void* self)
{
    auto* mixer = static_cast<PulseMixer*>(self);
    if (eol == 0 && info)
        mixer->Apply(*info);
    else if (eol < 0)
        mixer->m_present = false;
    mixer->m_pulse->WakeWaiters();
}

bool PulseMixer::HasRecordingDestination() const
{
    PulseContext::Lock lock(*m_pulse);
    return m_present;
}

int PulseMixer::SourceCount() const
{
    PulseContext::Lock lock(*m_pulse);
    return m_present ? int(m_ports.size()) : 0;
}

std::optional<MixerLine> PulseMixer::SourceLine(int source) const
{
    PulseContext::Lock lock(*m_pulse);
    if (!m_present || source < 0 || source >= int(m_ports.size()))
        return std::nullopt;
    return MixerLine{kFirstLineId + uint32_t(source), m_ports[size_t(source)].description};
}

std::optional<MixerControl> PulseMixer::DestinationControl(ControlType type) const
{
    PulseContext::Lock lock(*m_pulse);
    if (!m_present)
        return std::nullopt;
    if (type == ControlType::Mux && !m_ports.empty())
        return MixerControl{kSelectControlId, ControlType::Mux, 0, 1, uint32_t(m_ports.size())};
    if (type == ControlType::Volume)
        return MixerControl{kSourceVolumeControlId, ControlType::Volume, 0, kMixerVolumeMaximum, 0};
    return std::nullopt;
}

std::optional<MixerControl> PulseMixer::LineControl(uint32_t lineId, ControlType type) const
{
    PulseContext::Lock lock(*m_pulse);
    if (!m_present || type != ControlType::Volume || lineId < kFirstLineId || lineId - kFirstLineId >= m_ports.size())
        return std::nullopt;
    return MixerControl{kFirstLineVolumeControlId + (lineId - kFirstLineId), ControlType::Volume, 0,
                        kMixerVolumeMaximum, 0};
}

bool PulseMixer::ReadValues(uint32_t controlId, std::vector<int32_t>& values) const
{
    PulseContext::Lock lock(*m_pulse);
    if (!Usable())
        return false;
    if (controlId == kSelectControlId) {
        if (m_ports.empty())
            return false;
        values = MuxValues(int(m_ports.size()), m_activePort);
        return true;
    }
    if (VolumeLineOf(controlId) == -2)
        return false;
    values.assign(1, MixerValueOf(pa_cvolume_max(&m_volume)));
    return true;
}

bool PulseMixer::WriteValues(uint32_t controlId, const std::vector<int32_t>& values)
{
    PulseContext::Lock lock(*m_pulse);
    if (!Usable())
        return false;
    if (controlId == kSelectControlId) {
        const int port = MuxLineOf(values, int(m_ports.size()));
        return port >= 0 && SetActivePort(port);  // a MUX has exactly one line on
    }
    if (VolumeLineOf(controlId) == -2 || values.empty())
        return false;
    return SetVolume(values[0]);
}

bool PulseMixer::SetActivePort(int port)
{
    Outcome outcome{m_pulse.get(), false};
    const bool done = m_pulse->Finish(pa_context_set_source_port_by_index(m_pulse->Context(), m_sourceIndex,
                                                                          m_ports[size_t(port)].name.constData(),
                                                                          &OnSuccess, &outcome),
                                      kRequestTimeoutMs);
    if (!done || !outcome.success)
        qCWarning(lcAudio) << "the server refused the recording line" << m_ports[size_t(port)].name
                           << m_pulse->ErrorText();
    // Read back at once, so that a read right after the write sees it.
    Refresh();
    return done && outcome.success;
}

bool PulseMixer::SetVolume(int32_t value)
{
    // One value for the source as a whole: its loudest channel becomes it
    // and the others keep their share, so a balance set elsewhere survives.
    pa_cvolume volume = m_volume;
    if (pa_cvolume_valid(&volume))
        pa_cvolume_scale(&volume, PulseVolumeOf(value));
    else
        pa_cvolume_set(&volume, 1, PulseVolumeOf(value));
    Outcome outcome{m_pulse.get(), false};
    const bool done = m_pulse->Finish(
        pa_context_set_source_volume_by_index(m_pulse->Context(), m_sourceIndex, &volume, &OnSuccess, &outcome),
        kRequestTimeoutMs);
    if (!done || !outcome.success)
        qCWarning(lcAudio) << "the server refused the volume" << value << m_pulse->ErrorText();
    Refresh();
    return done && outcome.success;
}

}  // namespace platform::audio
