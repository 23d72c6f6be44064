// The mixer's 0..65535 volume against PulseAudio's volume scale.
#include <gtest/gtest.h>

#include <pulse/volume.h>

#include "platform/audio/mixer_volume_scale.h"

using namespace platform::audio;

TEST(MixerVolumeScale, EndsMeetAndEveryValueSurvivesTheRoundTrip)
{
    EXPECT_EQ(pulseVolumeOf(0), PA_VOLUME_MUTED);
    EXPECT_EQ(pulseVolumeOf(65535), PA_VOLUME_NORM);
    EXPECT_EQ(mixerValueOf(PA_VOLUME_NORM), 65535);
    EXPECT_EQ(mixerValueOf(PA_VOLUME_NORM * 2), 65535) << "louder than 100 % reads as the top";
    EXPECT_EQ(pulseVolumeOf(-5), PA_VOLUME_MUTED);
    EXPECT_EQ(pulseVolumeOf(70000), PA_VOLUME_NORM);
    EXPECT_EQ(mixerValueOf(PA_VOLUME_NORM / 2), 32768);
    for (int32_t v = 0; v <= 65535; ++v)
        ASSERT_EQ(mixerValueOf(pulseVolumeOf(v)), v) << v;
}
