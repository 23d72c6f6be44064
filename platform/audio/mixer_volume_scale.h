#pragma once
// Mixer volumes run from 0 to 65535 like the wave mixer's; PulseAudio's
// 0..PA_VOLUME_NORM (100 %) is stretched onto that range. Louder-than-100 %
// volumes read as 65535. The two conversions undo each other exactly for
// every mixer value, so a slider never creeps.

#include <cstdint>

namespace platform::audio {

constexpr int32_t kMixerVolumeMaximum = 65535;

uint32_t PulseVolumeOf(int32_t mixerValue);
int32_t MixerValueOf(uint32_t pulseVolume);

}  // namespace platform::audio
