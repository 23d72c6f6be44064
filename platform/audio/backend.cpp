#include "platform/audio/audio_backend.h"

#include "platform/audio/fake_backend.h"

namespace platform::audio {

namespace {
AudioBackend* g_testBackend = nullptr;
}

AudioBackend& backend()
{
    if (g_testBackend)
        return *g_testBackend;
    // Until the PulseAudio back end lands the default is an empty fake: no
    // devices, nothing captured, so the program runs without sound.
    static FakeBackend fallback;
    return fallback;
}

void setBackendForTesting(AudioBackend* backend) { g_testBackend = backend; }

}  // namespace platform::audio
