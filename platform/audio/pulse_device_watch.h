#pragma once
// Follows the server's sources: an added or removed one is reported on the
// owner's thread, a burst of them (a sound card brings a source and its
// monitor) as one report.

#include <atomic>
#include <memory>

#include "platform/audio/audio_backend.h"

namespace platform::audio {

class PulseContext;

class PulseDeviceWatch final : public InputDeviceWatch {
    Q_OBJECT
public:
    // Lock not held.
    explicit PulseDeviceWatch(std::shared_ptr<PulseContext> pulse);
    ~PulseDeviceWatch() override;

private:
    void Report();

    std::shared_ptr<PulseContext> m_pulse;
    int m_listener = 0;
    std::atomic<bool> m_reportPending{false};
};

}  // namespace platform::audio
