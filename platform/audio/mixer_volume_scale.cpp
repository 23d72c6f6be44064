#include "platform/audio/mixer_volume_scale.h"

#include <algorithm>

#include <pulse/volume.h>

namespace platform::audio {

uint32_t PulseVolumeOf(int32_t mixerValue)
{
    const uint64_t v = uint64_t(std::clamp(mixerValue, 0, kMixerVolumeMaximum));
    return uint32_t((v * PA_VOLUME_NORM + kMixerVolumeMaximum / 2) / kMixerVolumeMaximum);
}

int32_t MixerValueOf(uint32_t pulseVolume)
{
    const uint64_t v = std::min<uint64_t>(pulseVolume, PA_VOLUME_NORM);
    return int32_t((v * kMixerVolumeMaximum + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM);
}

}  // namespace platform::audio
