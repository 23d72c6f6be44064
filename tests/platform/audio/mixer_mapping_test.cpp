// How the PulseAudio mixer maps to the wave mixer's shape: the volume scale
// and the reversed MUX values.
#include <gtest/gtest.h>

#include <pulse/volume.h>

#include "platform/audio/mixer_volume_scale.h"
#include "platform/audio/mux_values.h"

using namespace platform::audio;

TEST(MixerVolumeScale, EndsMeetAndEveryValueSurvivesTheRoundTrip)
{
    EXPECT_EQ(pulseVolumeOf(0), PA_VOLUME_MUTED);
    EXPECT_EQ(pulseVolumeOf(-5), PA_VOLUME_MUTED);
    EXPECT_EQ(pulseVolumeOf(65535), PA_VOLUME_NORM);
    EXPECT_EQ(pulseVolumeOf(70000), PA_VOLUME_NORM);
    EXPECT_EQ(mixerValueOf(PA_VOLUME_NORM / 2), 32768);
    EXPECT_EQ(mixerValueOf(PA_VOLUME_NORM * 2), 65535) << "louder than 100 % reads as the top";
    for (int32_t v = 0; v <= 65535; ++v)
        ASSERT_EQ(mixerValueOf(pulseVolumeOf(v)), v) << v;
}

TEST(MuxValues, ValueKBelongsToLineNMinusOneMinusKAndExactlyOneLineMustBeOn)
{
    using V = std::vector<int32_t>;
    EXPECT_EQ(muxValues(3, 0), (V{0, 0, 1}));
    EXPECT_EQ(muxValues(3, -1), (V{0, 0, 0}));
    EXPECT_TRUE(muxValues(0, -1).empty());
    EXPECT_EQ(muxLineOf(V{0, 0, 0, 7}, 4), 0) << "any non-zero value is on";
    for (int n = 1; n <= 30; ++n)
        for (int line = 0; line < n; ++line)
            ASSERT_EQ(muxLineOf(muxValues(n, line), n), line);
    for (const V& bad : {V{1, 1, 0}, V{0, 0, 0}, V{0, 1}, V{}})
        EXPECT_EQ(muxLineOf(bad, int(bad.size() == 2 ? 3 : bad.size())), -1);
}
