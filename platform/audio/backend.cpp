#include "platform/audio/audio_backend.h"

#include "platform/audio/pulse_backend.h"

namespace platform::audio {

namespace {
AudioBackend* g_testBackend = nullptr;
}

AudioBackend& Backend()
{
    if (g_testBackend)
        return *g_testBackend;
    static PulseBackend pulse;
    return pulse;
}

void SetBackendForTesting(AudioBackend* backend) { g_testBackend = backend; }

}  // namespace platform::audio
