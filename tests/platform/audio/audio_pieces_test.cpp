// The audio layer's pieces that need no server: callbacks reaching their
// owner thread, the capture wake-up pacing, the PulseAudio mixer's mapping to
// the wave mixer's shape, and the fake back end's mixer.
#include <gtest/gtest.h>

#include <thread>
#include <QCoreApplication>
#include <pulse/volume.h>

#include "platform/audio/callback_queue.h"
#include "platform/audio/capture_wake_pacer.h"
#include "platform/audio/fake_backend.h"
#include "platform/audio/mixer_volume_scale.h"
#include "platform/audio/mux_values.h"

using namespace platform::audio;
using namespace std::chrono_literals;

// Callbacks must reach the owner thread in order, whoever posts them, and
// never after the queue was closed or destroyed.

TEST(CallbackQueue, CallsFromAnotherThreadRunOnTheOwnerThreadInOrderUntilClosed)
{
    CallbackQueue queue;
    std::vector<int> seen;
    const auto owner = std::this_thread::get_id();
    const auto call = [&](int i) {
        return [&, i] {
            EXPECT_EQ(std::this_thread::get_id(), owner);
            seen.push_back(i);
            if (i == 900)
                queue.Close();  // a handler closing its stream stops the rest
        };
    };
    // Single calls and batches of one to four mixed; 900 falls inside a batch.
    std::thread poster([&] {
        for (int i = 0; i < 1000;) {
            if (i % 3 == 0) {
                queue.Post(call(i++));
                continue;
            }
            std::vector<std::function<void()>> batch;
            for (int n = i % 4 + 1; n > 0 && i < 1000; --n)
                batch.push_back(call(i++));
            queue.Post(std::move(batch));
        }
    });
    poster.join();
    EXPECT_TRUE(seen.empty());
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(seen.size(), 901u);
    for (int i = 0; i <= 900; ++i)
        ASSERT_EQ(seen[size_t(i)], i);
    EXPECT_FALSE(queue.IsOpen());

    // Destroyed inside its own call, posted alone or in a batch.
    for (bool batch : {false, true}) {
        SCOPED_TRACE(batch);
        auto owned = std::make_unique<CallbackQueue>();
        int calls = 0;
        const std::vector<std::function<void()>> both{[&] { ++calls, owned.reset(); }, [&] { ++calls; }};
        if (batch) {
            owned->Post(both);
        } else {
            owned->Post(both[0]);
            owned->Post(both[1]);
        }
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(calls, 1);
    }
}

// When a capture stream lets its connection wake less often: only for a
// server that hands over pieces far smaller than a fragment, and never while
// a backlog comes over.

namespace {

// 48 kHz 16-bit stereo, 20 ms fragments; a monitor's 2.5 ms pieces.
constexpr uint32_t kBytesPerSecond = 192000, kFragment = 3840, kPiece = 480;
constexpr int kPiecesAWake = int(CaptureWakePacer::kWakeInterval / 2500us);

struct Feed {
    CaptureWakePacer pacer{kBytesPerSecond, kFragment};
    CaptureWakePacer::Clock::time_point now = CaptureWakePacer::Clock::now();
    uint64_t arrived = 0, taken = 0;

    Feed() { pacer.Start(now, 0, 0); }
    // One wake-up's worth: `pieces` of `pieceBytes` taken, `extra` more arrived.
    void Wake(int pieces, uint32_t pieceBytes, uint64_t extra = 0)
    {
        now += CaptureWakePacer::kWakeInterval;
        for (int i = 0; i < pieces; ++i)
            pacer.PieceTaken();
        taken += uint64_t(pieces) * pieceBytes;
        arrived += uint64_t(pieces) * pieceBytes + extra;
        pacer.Look(now, arrived, taken);
    }
};

}  // namespace

TEST(CaptureWakePacer, SpacesSmallPiecesAtTheRealPaceButNotABacklogNorFragmentSizedPieces)
{
    Feed monitor;
    EXPECT_FALSE(monitor.pacer.MaySpace()) << "nothing seen yet";
    monitor.Wake(kPiecesAWake, kPiece);
    EXPECT_TRUE(monitor.pacer.MaySpace());

    // After a stall the server sends seconds at once, while every block is
    // full and little is taken.
    monitor.Wake(4, kPiece, 2 * kBytesPerSecond);
    EXPECT_FALSE(monitor.pacer.MaySpace()) << "a backlog is taken as fast as it comes";
    monitor.Wake(kPiecesAWake, kPiece);
    EXPECT_TRUE(monitor.pacer.MaySpace()) << "caught up";

    Feed fragments;
    for (int i = 0; i < 3; ++i) {
        fragments.Wake(2, kFragment);
        EXPECT_FALSE(fragments.pacer.MaySpace()) << "a server that keeps to the fragment size is read as it sends";
    }
}

// How the PulseAudio mixer maps to the wave mixer's shape: the volume scale
// and the reversed MUX values.

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

// The fake back end keeps the real one's contract where the tests lean on
// it: its streams' callbacks wait for the event loop and a broken stream
// answers as a real one whose server went away (pulse_failure_test), which
// the engine's tests show; a stopped capture takes nothing (capture_test).

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
