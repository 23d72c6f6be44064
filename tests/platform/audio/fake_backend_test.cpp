// The fake back end keeps the real one's contract where the engine and
// player tests lean on it and no real server can show it: callbacks wait for
// the event loop, and a broken stream answers as a real one whose server
// went away (pulse_failure_test). Stop, reset and the order of returned
// blocks are proven on the real server. Its mixer is proven through the
// mixer panel's tests.
#include <gtest/gtest.h>

#include "event_log.h"
#include "platform/audio/fake_backend.h"

using namespace platform::audio;
using audiotest::BufferPool;
using audiotest::EventLog;
using Events = std::vector<std::string>;

TEST(FakeStreams, CallbacksWaitForTheEventLoopAndABrokenStreamAnswersAsARealOne)
{
    FakeBackend fake;
    BufferPool inPool{2, 100}, outPool{2, 8};
    EventLog in(&inPool.headers), out(&outPool.headers);
    fake.AddInputDevice("Microphone");
    auto capture = fake.OpenCapture(0, PcmFormat{8000, 8, 1}, in.CaptureCallbacks());
    auto playback = fake.OpenPlayback(PcmFormat{8000, 16, 2}, out.PlaybackCallbacks());
    ASSERT_TRUE(capture && playback);
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(capture->AddBuffer(inPool[i]) && playback->Write(outPool[i]));
    EXPECT_FALSE(fake.GetCaptureStream()->Deliver(QByteArray(10, 'a'))) << "nothing is captured before start";
    ASSERT_TRUE(capture->Start());
    ASSERT_TRUE(fake.GetCaptureStream()->Deliver(QByteArray(130, 'a')));
    ASSERT_TRUE(fake.LastPlaybackStream()->CompleteNext());
    EXPECT_TRUE(in.events.empty() && out.events.empty()) << "callbacks must not run inside the caller's call";
    FakeBackend::ProcessCallbacks();
    EXPECT_EQ(in.events, (Events{"b0:100"}));
    EXPECT_EQ(out.events, (Events{"b0"}));

    // Capture hands over what it holds before the failure; playback reports first.
    fake.GetCaptureStream()->BreakStream("gone");
    fake.LastPlaybackStream()->BreakStream("gone");
    FakeBackend::ProcessCallbacks();
    EXPECT_EQ(in.events, (Events{"b0:100", "b1:30", "failed:gone"}));
    EXPECT_EQ(out.events, (Events{"b0", "failed:gone", "b1"}));
    EXPECT_FALSE(capture->AddBuffer(inPool[0]));
    EXPECT_FALSE(playback->Write(outPool[0]));
}

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
