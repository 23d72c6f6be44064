// The fake back end keeps the real one's contract where the tests lean on
// it: its streams' callbacks wait for the event loop and a broken stream
// answers as a real one whose server went away (pulse_failure_test), which
// the engine's tests show; a stopped capture takes nothing (capture_test).
#include <gtest/gtest.h>

#include "platform/audio/fake_backend.h"

using namespace platform::audio;

// The mixer panel's tests show the line order and what the panel sees; what
// they cannot see: like the real server, the fake reports our own writes too,
// later, and refuses a MUX with two lines on.
TEST(FakeMixer, ChangesAreReportedLaterOwnWritesIncludedAndAMuxTakesOneLine)
{
    FakeBackend fake;
    FakeMixerDevice& device = fake.MixerDevice(0);
    device.SetSelectType(ControlType::Mux);
    device.AddLine("Microphone");
    device.AddLine("Line In");
    std::vector<uint32_t> changes;
    auto mixer = fake.OpenMixer(0, MixerCallbacks{[&](uint32_t id) { changes.push_back(id); }});
    ASSERT_TRUE(mixer);
    const uint32_t mux = mixer->DestinationControl(ControlType::Mux)->id;
    EXPECT_FALSE(mixer->WriteValues(mux, {1, 1}));
    ASSERT_TRUE(mixer->WriteValues(mux, {1, 0}));
    device.SimulateExternalVolume(1, 1234);
    EXPECT_TRUE(changes.empty());
    FakeBackend::ProcessCallbacks();
    EXPECT_EQ(changes, (std::vector<uint32_t>{mux, mixer->LineControl(device.LineId(1), ControlType::Volume)->id}));
}
