// The recording-line panel on the harness's private PulseAudio server, with
// pactl as the other program. The server's sources (the null sink's monitor,
// a source remapped from it) have no ports, so they have no recording lines.

#include <gtest/gtest.h>

#include "mixer_panel_host.h"
#include "support/pulse_test_support.h"

using namespace audiotest;

TEST(MixerPanelPulseTest, SourcesWithoutPortsListNoLinesAndTheirVolumeChangesLeaveTheSliderAlone)
{
    ExtraSource mic;  // an input that is not a monitor
    struct RestoreVolume {
        ~RestoreVolume() { Pactl({"set-source-volume", "quillon_null.monitor", "100%"}); }
    } restore;
    const int monitor = DeviceIndex(platform::audio::Backend(), "quillon_null.monitor");
    const int micDevice = DeviceIndex(platform::audio::Backend(), "quillon_mic");
    ASSERT_GE(monitor, 0) << "the harness's server is not reachable";
    ASSERT_GE(micDevice, 0);

    MixerPanelHost host;
    host.volume->setRange(-7, 77);
    host.volume->setPageStep(3);
    host.volume->setValue(42);
    const auto untouched = host.Slider();
    host.Start(monitor);
    EXPECT_EQ(host.devices->currentText(), "Monitor of Quillon-Null");
    EXPECT_EQ(host.lines->count(), 0);
    EXPECT_EQ(host.Slider(), untouched);
    EXPECT_FALSE(host.volume->isEnabled()) << "no line, so the slider sets nothing and is off";

    for (const auto& [device, name] :
         {std::pair{monitor, QString("quillon_null.monitor")}, {micDevice, QString("quillon_mic")}}) {
        SCOPED_TRACE(name.toStdString());
        host.PickDevice(device);
        ASSERT_EQ(host.panel->MixerDeviceId(), device);
        // A second listener on the same source shows that the server did
        // report the change the panel also hears.
        std::vector<uint32_t> reported;
        auto probe = platform::audio::Backend().OpenMixer(device, {[&](uint32_t id) { reported.push_back(id); }});
        ASSERT_TRUE(probe);
        ASSERT_EQ(Pactl({"set-source-volume", name, "40%"}).exitCode, 0);
        ASSERT_TRUE(RunEventsUntil([&] { return !reported.empty(); }, 3000)) << "no change report from the server";
        RunEventsFor(200);
        EXPECT_EQ(host.lines->count(), 0);
        EXPECT_EQ(host.Slider(), untouched);
        EXPECT_FALSE(host.volume->isEnabled());
        QTest::keyClick(host.volume, Qt::Key_PageUp);
        EXPECT_TRUE(Pactl({"get-source-volume", name}).out.contains("40%")) << "the slider writes to no line";
        host.volume->setValue(42);
    }
}
