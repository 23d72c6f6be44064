#pragma once
// The mixer of a PulseAudio source, in the shape of the wave mixer: the
// source's ports are the recording lines (port descriptions as names), one
// MUX select control picks the active port, and every line's volume control
// is the source volume on a 0..65535 scale: the ports of a source share its
// one volume, so each line reads and sets the same value, whichever port is
// active. The destination also has a Volume control (the same source
// volume), which a source without ports keeps.
// Changes, whoever makes them (this program included, as with the wave
// mixer), come back as controlChanged on the owner's thread.

#include <memory>
#include <vector>
#include <QByteArray>

#include <pulse/introspect.h>
#include <pulse/volume.h>

#include "platform/audio/audio_backend.h"
#include "platform/audio/callback_queue.h"
#include "platform/audio/pulse_context.h"

namespace platform::audio {

class PulseMixer final : public InputMixer {
public:
    static constexpr uint32_t kSelectControlId = 1;
    static constexpr uint32_t kSourceVolumeControlId = 2;
    static constexpr uint32_t kFirstLineVolumeControlId = 0x1000;
    static constexpr uint32_t kFirstLineId = 0x10000;

    // Lock not held. nullptr when the server does not know the source.
    static std::unique_ptr<PulseMixer> Open(std::shared_ptr<PulseContext> pulse, const QByteArray& source,
                                            MixerCallbacks callbacks);
    ~PulseMixer() override;

    bool HasRecordingDestination() const override;
    int SourceCount() const override;
    std::optional<MixerLine> SourceLine(int source) const override;
    std::optional<MixerControl> DestinationControl(ControlType type) const override;
    std::optional<MixerControl> LineControl(uint32_t lineId, ControlType type) const override;
    bool ReadValues(uint32_t controlId, std::vector<int32_t>& values) const override;
    bool WriteValues(uint32_t controlId, const std::vector<int32_t>& values) override;

private:
    struct Port {
        QByteArray name;
        QString description;
    };

    PulseMixer(std::shared_ptr<PulseContext> pulse, const QByteArray& source, MixerCallbacks callbacks);
    // All below: lock held.
    bool Refresh();
    void Apply(const pa_source_info& info);
    bool Usable() const;
    // The volume's line for a volume control id: -1 for the source volume,
    // -2 when the control is not a volume control of this mixer.
    int VolumeLineOf(uint32_t controlId) const;
    bool SetActivePort(int port);
    bool SetVolume(int32_t value);
    void Notify(uint32_t controlId);
    void OnSourceEvent(pa_subscription_event_type_t type, uint32_t index);

    static void OnSourceInfo(pa_context*, const pa_source_info* info, int eol, void* self);

    std::shared_ptr<PulseContext> m_pulse;
    QByteArray m_sourceName;
    MixerCallbacks m_callbacks;
    CallbackQueue m_calls;
    PendingOperations m_operations;
    int m_listener = 0;
    bool m_loaded = false;
    bool m_present = false;
    uint32_t m_sourceIndex = PA_INVALID_INDEX;
    std::vector<Port> m_ports;  // as the server listed them when the mixer opened
    int m_activePort = -1;
    pa_cvolume m_volume{};
};

}  // namespace platform::audio
