#pragma once
// The fake mixer of one input device: recording lines with names and ids, a
// MUX or MIXER select control, a volume control per line, and "another
// program" that changes them. Every open InputMixer of the device hears each
// change (its own writes too, as on the real server) as a queued
// controlChanged; a write that changes nothing raises nothing.

#include <memory>
#include <optional>
#include <vector>

#include "platform/audio/audio_backend.h"
#include "platform/audio/callback_queue.h"

namespace platform::audio {

class FakeInputMixer;

class FakeMixerDevice {
public:
    static constexpr uint32_t kSelectControlId = 1;
    static constexpr uint32_t kFirstVolumeControlId = 0x1000;
    static constexpr uint32_t kFirstLineId = 0x10000;

    // --- Set-up ---
    // Mux (the default), Mixer, or no select control at all.
    void SetSelectType(std::optional<ControlType> type) { m_selectType = type; }
    void SetHasRecordingDestination(bool has) { m_hasDestination = has; }
    // Returns the line's index. Its id is kFirstLineId + index unless given.
    // With a MUX the first line added starts on, so that one line always is.
    int AddLine(const QString& name, int32_t volume = 0, int32_t minimum = 0, int32_t maximum = 65535,
                std::optional<uint32_t> id = std::nullopt);
    // Initial state; raises nothing.
    void SetLineOn(int line, bool on);
    // Reading the volume of a line that is not on fails (some drivers do this).
    void SetInactiveVolumeReadFails(bool fails) { m_inactiveVolumeReadFails = fails; }
    void SetLineReadFails(int line, bool fails);
    void SetSelectReadFails(bool fails) { m_selectReadFails = fails; }
    void SetWritesFail(bool fail) { m_writesFail = fail; }

    // --- Another program (raise controlChanged on every open mixer) ---
    // MUX: the line alone is on; MIXER: the line is switched on as well.
    void SimulateExternalSelect(int line);
    // Every line's state at once (value per line in list order).
    void SimulateExternalSelect(const std::vector<bool>& on);
    void SimulateExternalVolume(int line, int32_t value);

    // --- Observation ---
    int LineCount() const { return int(m_lines.size()); }
    bool IsOn(int line) const { return m_lines.at(size_t(line)).on; }
    int32_t Volume(int line) const { return m_lines.at(size_t(line)).volume; }
    uint32_t LineId(int line) const { return m_lines.at(size_t(line)).id; }
    uint32_t VolumeControlId(int line) const { return kFirstVolumeControlId + uint32_t(line); }
    std::optional<ControlType> SelectType() const { return m_selectType; }
    int SelectWriteCount() const { return m_selectWrites; }
    int VolumeWriteCount() const { return m_volumeWrites; }
    int OpenMixerCount() const { return int(m_open.size()); }

private:
    friend class FakeInputMixer;
    struct Line {
        uint32_t id = 0;
        QString name;
        bool on = false;
        int32_t volume = 0;
        int32_t minimum = 0;
        int32_t maximum = 65535;
        bool readFails = false;
    };

    int LineOfId(uint32_t lineId) const;
    int LineOfVolumeControl(uint32_t controlId) const;
    bool ApplySelect(const std::vector<bool>& on);  // true when something changed
    void Notify(uint32_t controlId);

    std::optional<ControlType> m_selectType = ControlType::Mux;
    bool m_hasDestination = true;
    std::vector<Line> m_lines;
    bool m_inactiveVolumeReadFails = false;
    bool m_selectReadFails = false;
    bool m_writesFail = false;
    int m_selectWrites = 0;
    int m_volumeWrites = 0;
    std::vector<FakeInputMixer*> m_open;
};

class FakeInputMixer final : public InputMixer {
public:
    FakeInputMixer(std::shared_ptr<FakeMixerDevice> device, MixerCallbacks callbacks);
    ~FakeInputMixer() override;

    bool HasRecordingDestination() const override;
    int SourceCount() const override;
    std::optional<MixerLine> SourceLine(int source) const override;
    std::optional<MixerControl> DestinationControl(ControlType type) const override;
    std::optional<MixerControl> LineControl(uint32_t lineId, ControlType type) const override;
    bool ReadValues(uint32_t controlId, std::vector<int32_t>& values) const override;
    bool WriteValues(uint32_t controlId, const std::vector<int32_t>& values) override;

private:
    friend class FakeMixerDevice;
    void ControlChanged(uint32_t controlId);

    std::shared_ptr<FakeMixerDevice> m_device;
    MixerCallbacks m_callbacks;
    CallbackQueue m_calls;
};

}  // namespace platform::audio
