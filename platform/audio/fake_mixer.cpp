#include "platform/audio/fake_mixer.h"

#include <algorithm>

#include "platform/audio/mux_values.h"

namespace platform::audio {

int FakeMixerDevice::AddLine(const QString& name, int32_t volume, int32_t minimum, int32_t maximum,
                             std::optional<uint32_t> id)
{
    Line line;
    line.id = id.value_or(kFirstLineId + uint32_t(m_lines.size()));
    line.name = name;
    line.volume = volume;
    line.minimum = minimum;
    line.maximum = maximum;
    line.on = m_selectType == ControlType::Mux && m_lines.empty();
    m_lines.push_back(line);
    return int(m_lines.size()) - 1;
}

void FakeMixerDevice::SetLineOn(int line, bool on)
{
    if (m_selectType == ControlType::Mux && on)
        for (auto& l : m_lines)
            l.on = false;
    m_lines.at(size_t(line)).on = on;
}

void FakeMixerDevice::SetLineReadFails(int line, bool fails) { m_lines.at(size_t(line)).readFails = fails; }

void FakeMixerDevice::SimulateExternalSelect(int line)
{
    std::vector<bool> on(m_lines.size(), false);
    for (size_t i = 0; i < m_lines.size(); ++i)
        on[i] = m_selectType == ControlType::Mixer && m_lines[i].on;
    on.at(size_t(line)) = true;
    SimulateExternalSelect(on);
}

void FakeMixerDevice::SimulateExternalSelect(const std::vector<bool>& on)
{
    if (ApplySelect(on))
        Notify(kSelectControlId);
}

void FakeMixerDevice::SimulateExternalVolume(int line, int32_t value)
{
    Line& l = m_lines.at(size_t(line));
    if (l.volume == value)
        return;
    l.volume = value;
    Notify(VolumeControlId(line));
}

int FakeMixerDevice::LineOfId(uint32_t lineId) const
{
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].id == lineId)
            return int(i);
    return -1;
}

int FakeMixerDevice::LineOfVolumeControl(uint32_t controlId) const
{
    if (controlId < kFirstVolumeControlId || controlId - kFirstVolumeControlId >= m_lines.size())
        return -1;
    return int(controlId - kFirstVolumeControlId);
}

bool FakeMixerDevice::ApplySelect(const std::vector<bool>& on)
{
    bool changed = false;
    for (size_t i = 0; i < m_lines.size() && i < on.size(); ++i) {
        changed = changed || m_lines[i].on != on[i];
        m_lines[i].on = on[i];
    }
    return changed;
}

void FakeMixerDevice::Notify(uint32_t controlId)
{
    for (FakeInputMixer* mixer : m_open)
        mixer->ControlChanged(controlId);
}

FakeInputMixer::FakeInputMixer(std::shared_ptr<FakeMixerDevice> device, MixerCallbacks callbacks)
    : m_device(std::move(device))
    , m_callbacks(std::move(callbacks))
{
    m_device->m_open.push_back(this);
}

FakeInputMixer::~FakeInputMixer() { std::erase(m_device->m_open, this); }

void FakeInputMixer::ControlChanged(uint32_t controlId)
{
    if (m_callbacks.controlChanged)
        m_calls.Post([changed = m_callbacks.controlChanged, controlId] { changed(controlId); });
}

bool FakeInputMixer::HasRecordingDestination() const { return m_device->m_hasDestination; }

int FakeInputMixer::SourceCount() const { return m_device->m_hasDestination ? m_device->LineCount() : 0; }

std::optional<MixerLine> FakeInputMixer::SourceLine(int source) const
{
    if (source < 0 || source >= SourceCount() || m_device->m_lines[size_t(source)].readFails)
        return std::nullopt;
    const auto& l = m_device->m_lines[size_t(source)];
    return MixerLine{l.id, l.name};
}

std::optional<MixerControl> FakeInputMixer::DestinationControl(ControlType type) const
{
    if (!m_device->m_hasDestination || !m_device->m_selectType || type != *m_device->m_selectType)
        return std::nullopt;
    return MixerControl{FakeMixerDevice::kSelectControlId, type, 0, 1, uint32_t(SourceCount())};
}

std::optional<MixerControl> FakeInputMixer::LineControl(uint32_t lineId, ControlType type) const
{
    const int line = m_device->LineOfId(lineId);
    if (line < 0 || type != ControlType::Volume || !m_device->m_hasDestination)
        return std::nullopt;
    const auto& l = m_device->m_lines[size_t(line)];
    return MixerControl{m_device->VolumeControlId(line), ControlType::Volume, l.minimum, l.maximum, 0};
}

bool FakeInputMixer::ReadValues(uint32_t controlId, std::vector<int32_t>& values) const
{
    const auto& lines = m_device->m_lines;
    if (controlId == FakeMixerDevice::kSelectControlId && m_device->m_selectType) {
        if (m_device->m_selectReadFails)
            return false;
        const size_t n = lines.size();
        values.assign(n, 0);
        for (size_t k = 0; k < n; ++k)
            values[k] = lines[n - 1 - k].on ? 1 : 0;
        return true;
    }
    const int line = m_device->LineOfVolumeControl(controlId);
    if (line < 0)
        return false;
    if (m_device->m_inactiveVolumeReadFails && !lines[size_t(line)].on)
        return false;
    values.assign(1, lines[size_t(line)].volume);
    return true;
}

bool FakeInputMixer::WriteValues(uint32_t controlId, const std::vector<int32_t>& values)
{
    if (m_device->m_writesFail)
        return false;
    auto& lines = m_device->m_lines;
    if (controlId == FakeMixerDevice::kSelectControlId && m_device->m_selectType) {
        const size_t n = lines.size();
        if (values.size() != n)
            return false;
        if (*m_device->m_selectType == ControlType::Mux && MuxLineOf(values, int(n)) < 0)
            return false;  // a MUX has exactly one line on
        std::vector<bool> on(n);
        for (size_t k = 0; k < n; ++k)
            on[n - 1 - k] = values[k] != 0;
        ++m_device->m_selectWrites;
        if (m_device->ApplySelect(on))
            m_device->Notify(FakeMixerDevice::kSelectControlId);
        return true;
    }
    const int line = m_device->LineOfVolumeControl(controlId);
    if (line < 0 || values.empty())
        return false;
    auto& l = lines[size_t(line)];
    ++m_device->m_volumeWrites;
    const int32_t v = std::clamp(values[0], l.minimum, l.maximum);
    if (v != l.volume) {
        l.volume = v;
        m_device->Notify(controlId);
    }
    return true;
}

}  // namespace platform::audio
