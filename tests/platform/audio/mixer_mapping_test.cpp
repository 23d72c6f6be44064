// How the PulseAudio mixer maps to the wave mixer's shape: the volume scale
// and the reversed MUX values.
#include <gtest/gtest.h>

#include <pulse/volume.h>

#include "platform/audio/mixer_volume_scale.h"
#include "platform/audio/mux_values.h"

using namespace platform::audio;

TEST(MixerVolumeScale, EndsMeetAndEveryValueSurvivesTheRoundTrip)
{
    EXPECT_EQ(PulseVolumeOf(0), PA_VOLUME_MUTED);
    EXPECT_EQ(PulseVolumeOf(-5), PA_VOLUME_MUTED);
    EXPECT_EQ(PulseVolumeOf(65535), PA_VOLUME_NORM);
    EXPECT_EQ(PulseVolumeOf(70000), PA_VOLUME_NORM);
    EXPECT_EQ(MixerValueOf(PA_VOLUME_NORM / 2), 32768);
    EXPECT_EQ(MixerValueOf(PA_VOLUME_NORM * 2), 65535) << "louder than 100 % reads as the top";
    for (int32_t v = 0; v <= 65535; ++v)
        ASSERT_EQ(MixerValueOf(PulseVolumeOf(v)), v) << v;
}

TEST(MuxValues, ValueKBelongsToLineNMinusOneMinusKAndExactlyOneLineMustBeOn)
{
    using V = std::vector<int32_t>;
    EXPECT_EQ(MuxValues(3, 0), (V{0, 0, 1}));
    EXPECT_EQ(MuxValues(3, -1), (V{0, 0, 0}));
    EXPECT_TRUE(MuxValues(0, -1).empty());
    EXPECT_EQ(MuxLineOf(V{0, 0, 0, 7}, 4), 0) << "any non-zero value is on";
    for (int n = 1; n <= 30; ++n)
        for (int line = 0; line < n; ++line)
            ASSERT_EQ(MuxLineOf(MuxValues(n, line), n), line);
    for (const V& bad : {V{1, 1, 0}, V{0, 0, 0}, V{0, 1}, V{}})
        EXPECT_EQ(MuxLineOf(bad, int(bad.size() == 2 ? 3 : bad.size())), -1);
}
