// The fake back end must keep the contract the real one keeps (callbacks
// queued, buffers back in order, stop/reset/failure ordering), since the
// engine and player tests rely on it. Its mixer is proven through the mixer
// panel's tests.
#include <gtest/gtest.h>

#include <cstring>

#include "event_log.h"
#include "platform/audio/fake_backend.h"

using namespace platform::audio;
using audiotest::BufferPool;
using audiotest::EventLog;
using Events = std::vector<std::string>;

namespace {

QByteArray Counting(int n, int start = 0)
{
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = char((start + i) & 0xff);
    return b;
}

QByteArray BytesOf(const AudioBuffer* b)
{
    return QByteArray(reinterpret_cast<const char*>(b->data), qsizetype(b->bytesRecorded));
}

Events Settled(const EventLog& log)
{
    FakeBackend::ProcessCallbacks();
    return log.events;
}

}  // namespace

TEST(FakeCapture, BuffersComeBackQueuedAndInOrderThroughStopResetAndFailure)
{
    FakeBackend fake;
    BufferPool pool{4, 100};
    EventLog log{.pool = &pool.headers};
    fake.AddInputDevice("Microphone");
    auto stream = fake.OpenCapture(0, PcmFormat{8000, 8, 1}, log.CaptureCallbacks());
    ASSERT_TRUE(stream);
    FakeCaptureStream* card = fake.GetCaptureStream();
    auto queue = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            ASSERT_TRUE(stream->AddBuffer(pool[i]));
    };
    queue(0, 1);
    EXPECT_FALSE(card->Deliver(Counting(10))) << "nothing is captured before start";
    ASSERT_TRUE(stream->Start());
    ASSERT_TRUE(card->Deliver(Counting(230)));
    EXPECT_TRUE(log.events.empty()) << "callbacks must not run inside the caller's call";
    EXPECT_EQ(Settled(log), (Events{"b0:100"}));
    EXPECT_EQ(card->WaitingBytes(), 130u) << "audio without a buffer waits for the next one";

    // Stop returns everything captured before it, then reports stopped once.
    stream->Stop();
    EXPECT_FALSE(stream->Start()) << "cannot resume before the stop is complete";
    queue(1, 4);
    EXPECT_EQ(Settled(log), (Events{"b0:100", "b1:100", "b2:30", "stopped"}));
    EXPECT_EQ(BytesOf(pool[0]) + BytesOf(pool[1]) + BytesOf(pool[2]), Counting(230));
    EXPECT_EQ(card->QueuedBufferCount(), 1) << "empty blocks stay queued";

    // Reset gives every queued buffer back at once and drops waiting audio.
    ASSERT_TRUE(stream->Start());
    card->Deliver(Counting(40, 7));
    queue(0, 1);
    stream->Reset();
    EXPECT_EQ(Settled(log), (Events{"b0:100", "b1:100", "b2:30", "stopped", "b3:40", "b0:0"}));
    EXPECT_EQ(card->QueuedBufferCount(), 0);

    // A broken stream gives its buffers back before reporting the failure.
    log.events.clear();
    queue(0, 2);
    stream->Start();
    card->Deliver(Counting(60));
    card->BreakStream("server gone");
    EXPECT_EQ(Settled(log), (Events{"b0:60", "b1:0", "failed:server gone"}));
    EXPECT_FALSE(stream->AddBuffer(pool[0]));
}

TEST(FakePlayback, BuffersComeBackWhenPlayedOrResetAndAFailureComesFirst)
{
    FakeBackend fake;
    BufferPool pool(3, 8);
    EventLog log{.pool = &pool.headers};
    auto out = fake.OpenPlayback(PcmFormat{8000, 16, 2}, log.PlaybackCallbacks());
    ASSERT_TRUE(out);
    FakePlaybackStream* sink = fake.LastPlaybackStream();
    pool[0]->length = 6;
    EXPECT_FALSE(out->Write(pool[0])) << "one and a half frames";
    for (int i = 0; i < 3; ++i) {
        std::memset(pool[i]->data, 'a' + i, 8);
        pool[i]->length = 8 - 4 * uint32_t(i == 2);
        ASSERT_TRUE(out->Write(pool[i]));
    }
    std::memset(pool[0]->data, 'z', 8);  // the fake keeps what was written
    EXPECT_EQ(sink->WrittenBytes(), QByteArray("aaaaaaaabbbbbbbbcccc"));
    EXPECT_TRUE(sink->CompleteNext());
    EXPECT_TRUE(log.events.empty());
    FakeBackend::ProcessCallbacks();
    EXPECT_EQ(log.events, (Events{"b0"}));
    out->Reset();
    FakeBackend::ProcessCallbacks();
    EXPECT_EQ(log.events, (Events{"b0", "b1", "b2"}));
    EXPECT_EQ(sink->PlayedBytes(), QByteArray("aaaaaaaa"));

    out->Write(pool[0]);
    out->Write(pool[1]);
    sink->BreakStream("gone");
    FakeBackend::ProcessCallbacks();
    EXPECT_EQ(log.events, (Events{"b0", "b1", "b2", "failed:gone", "b0", "b1"}));
    EXPECT_FALSE(out->Write(pool[0]));
    out.reset();
    EXPECT_EQ(fake.PlaybackCloseCount(), 1);
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
