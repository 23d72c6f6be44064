// The fake back end must behave like the contract says the real one does,
// and its scripting must do what the engine, mixer panel and player tests
// rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <QStringList>

#include "event_log.h"
#include "platform/audio/fake_backend.h"

using namespace platform::audio;
using audiotest::BufferPool;
using audiotest::EventLog;
using Events = std::vector<std::string>;

namespace {

QByteArray counting(int n, int start = 0)
{
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = char((start + i) & 0xff);
    return b;
}

QByteArray bytesOf(const AudioBuffer* b) { return QByteArray(reinterpret_cast<const char*>(b->data), qsizetype(b->bytesRecorded)); }

struct FakeCapture : ::testing::Test {
    FakeBackend fake;
    BufferPool pool{4, 100};
    EventLog log{.pool = &pool.headers};
    std::unique_ptr<CaptureStream> stream;
    FakeCaptureStream* card = nullptr;

    void SetUp() override
    {
        fake.addInputDevice("Microphone");
        stream = fake.openCapture(0, PcmFormat{8000, 8, 1}, log.captureCallbacks());
        ASSERT_TRUE(stream);
        card = fake.captureStream();
    }
    void queue(int from, int to)
    {
        for (int i = from; i < to; ++i)
            ASSERT_TRUE(stream->addBuffer(pool[i]));
    }
    Events settled()
    {
        FakeBackend::processCallbacks();
        return log.events;
    }
};

}  // namespace

TEST_F(FakeCapture, FullBuffersComeBackInOrderAsQueuedCallsAndAudioWaitsForABuffer)
{
    AudioBuffer empty;
    EXPECT_FALSE(stream->addBuffer(nullptr));
    EXPECT_FALSE(stream->addBuffer(&empty));
    queue(0, 1);
    EXPECT_FALSE(card->deliver(counting(10))) << "nothing is captured before start";
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(card->deliver(counting(120)));
    ASSERT_TRUE(card->deliver(counting(130, 120)));
    EXPECT_TRUE(log.events.empty()) << "callbacks must not run inside the caller's call";
    EXPECT_EQ(settled(), (Events{"b0:100"}));
    EXPECT_EQ(card->waitingBytes(), 150u) << "audio without a buffer waits for the next one";
    queue(1, 4);
    EXPECT_EQ(settled(), (Events{"b0:100", "b1:100"}));
    EXPECT_EQ(bytesOf(pool[0]) + bytesOf(pool[1]), counting(200));
    EXPECT_EQ(card->waitingBytes(), 0u);
    EXPECT_EQ(card->queuedBufferCount(), 2);
    EXPECT_EQ(pool[2]->bytesRecorded, 50u);
}

TEST_F(FakeCapture, StopReturnsEverythingCapturedBeforeItThenReportsStoppedOnce)
{
    queue(0, 1);
    stream->start();
    card->deliver(counting(230));
    stream->stop();
    EXPECT_TRUE(stream->stop()) << "a second stop is harmless and reports nothing";
    EXPECT_EQ(settled(), (Events{"b0:100"}));
    EXPECT_TRUE(card->isStopping());
    EXPECT_FALSE(stream->start()) << "cannot resume before the stop is complete";
    queue(1, 2);
    EXPECT_EQ(settled(), (Events{"b0:100", "b1:100"}));
    queue(2, 4);
    EXPECT_EQ(settled(), (Events{"b0:100", "b1:100", "b2:30", "stopped"}));
    EXPECT_EQ(bytesOf(pool[2]), counting(30, 200));
    EXPECT_EQ(card->queuedBufferCount(), 1) << "empty blocks stay queued";
    EXPECT_FALSE(card->deliverTone(1000, 0.5, 100)) << "nothing is captured after stop";

    // Resuming fills the blocks still queued; a stop on a block boundary returns no empty block.
    ASSERT_TRUE(stream->start());
    card->deliver(counting(100, 7));
    stream->stop();
    EXPECT_EQ(settled(), (Events{"b0:100", "b1:100", "b2:30", "stopped", "b3:100", "stopped"}));
    EXPECT_EQ(bytesOf(pool[3]), counting(100, 7));
    stream->stop();
    EXPECT_EQ(settled().size(), 6u) << "stop without capture reports nothing";
}

TEST_F(FakeCapture, ResetReturnsEveryQueuedBufferAtOnceAndDropsWaitingAudio)
{
    queue(0, 3);
    stream->start();
    card->deliver(counting(140));
    stream->reset();
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(settled(), (Events{"b0:100", "b1:40", "b2:0"}));
    EXPECT_FALSE(card->isStarted());
    EXPECT_EQ(card->queuedBufferCount(), 0);
    queue(0, 1);
    EXPECT_FALSE(card->deliver(counting(10))) << "reset stops capturing";
    stream->start();
    card->deliver(counting(150, 50));
    settled();
    EXPECT_EQ(bytesOf(pool[0]), counting(100, 50)) << "nothing from before the reset";

    // Reset during a pending stop: the buffers, then stopped.
    stream->stop();
    stream->reset();
    EXPECT_EQ(settled(), (Events{"b0:100", "b1:40", "b2:0", "b0:100", "stopped"}));
    EXPECT_EQ(card->waitingBytes(), 0u);
}

TEST_F(FakeCapture, ABrokenStreamGivesTheBuffersBackBeforeReportingTheFailure)
{
    queue(0, 2);
    stream->start();
    card->deliver(counting(60));
    card->breakStream("server gone");
    EXPECT_EQ(settled(), (Events{"b0:60", "b1:0", "failed:server gone"}));
    EXPECT_FALSE(stream->addBuffer(pool[0]));
    EXPECT_FALSE(stream->start());
}

TEST_F(FakeCapture, CloseDropsPendingCallbacksAndAHandlerMayCloseItsStream)
{
    queue(0, 2);
    stream->start();
    card->deliver(counting(100));
    stream->close();
    stream->close();
    EXPECT_TRUE(settled().empty());
    stream.reset();
    EXPECT_EQ(fake.captureCloseCount(), 1);
    EXPECT_EQ(fake.captureStream(), nullptr);

    int calls = 0;
    CaptureCallbacks cb;
    cb.bufferDone = [&](AudioBuffer*) { ++calls, stream.reset(); };
    stream = fake.openCapture(0, PcmFormat{8000, 8, 1}, cb);
    queue(0, 3);
    stream->start();
    fake.captureStream()->deliver(counting(300));
    FakeBackend::processCallbacks();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(fake.captureCloseCount(), 2) << "destroying an open stream closes it";
    EXPECT_EQ(fake.captureOpenCount(), 2);
}

// The scripted failures are proven by the tests that script them.
TEST(FakeBackendDevices, ListsNonMonitorsFirstAndRefusesWhatTheServerWouldRefuse)
{
    FakeBackend fake;
    for (auto [name, monitor] : {std::pair{"Monitor of A", true}, {"Mic", false}, {"Monitor of B", true}, {"Line in", false}})
        fake.addInputDevice(name, monitor);
    QStringList names;
    for (const auto& d : fake.inputDevices()) {
        EXPECT_EQ(d.index, int(names.size()));
        EXPECT_EQ(d.isMonitor, d.name.startsWith("Monitor"));
        names << d.name;
    }
    EXPECT_EQ(names, (QStringList{"Mic", "Line in", "Monitor of A", "Monitor of B"}));

    QString error;
    EXPECT_FALSE(fake.openCapture(4, {}, {}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(fake.openCapture(0, PcmFormat{8000, 24, 1}, {}, &error));
    EXPECT_TRUE(error.contains("24"));
    fake.setServerAvailable(false);
    EXPECT_TRUE(fake.inputDevices().empty());
    EXPECT_FALSE(fake.openCapture(-1, {}, {}, &error));
    EXPECT_FALSE(fake.openPlayback({}, {}, &error));
}

TEST(FakeBackendPlayback, BuffersComeBackInOrderOnlyWhenTheTestSaysTheyPlayed)
{
    FakeBackend fake;
    BufferPool pool(3, 4);
    EventLog log{.pool = &pool.headers};
    auto out = fake.openPlayback(PcmFormat{44100, 8, 1}, log.playbackCallbacks());
    ASSERT_TRUE(out);
    FakePlaybackStream* sink = fake.lastPlaybackStream();
    for (int i = 0; i < 3; ++i) {
        std::memset(pool[i]->data, 'a' + i, 4);
        pool[i]->length = 4 - uint32_t(i);
        ASSERT_TRUE(out->write(pool[i]));
    }
    std::memset(pool[0]->data, 'z', 4);  // the fake keeps what was written
    EXPECT_EQ(sink->writtenBytes(), QByteArray("aaaabbbcc"));
    EXPECT_TRUE(sink->completeNext());
    EXPECT_TRUE(log.events.empty());
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0"}));
    EXPECT_EQ(sink->completeAll(), 2);
    EXPECT_FALSE(sink->completeNext());
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0", "b1", "b2"}));
    EXPECT_EQ(sink->playedBytes(), sink->writtenBytes());
}

TEST(FakeBackendPlayback, ResetReturnsAllQueuedBuffersAndABrokenStreamReportsBeforeGivingThemBack)
{
    FakeBackend fake;
    BufferPool pool(3, 8);
    EventLog log{.pool = &pool.headers};
    auto out = fake.openPlayback(PcmFormat{8000, 16, 2}, log.playbackCallbacks());
    auto second = fake.openPlayback({}, {});
    FakePlaybackStream* sink = fake.playbackStreams()[0];
    pool[0]->length = 6;
    EXPECT_FALSE(out->write(pool[0])) << "one and a half frames";
    pool[0]->length = 8;
    for (int i = 0; i < 3; ++i)
        out->write(pool[i]);
    sink->completeNext();
    out->reset();
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0", "b1", "b2"}));
    EXPECT_EQ(sink->playedBytes().size(), 8);
    EXPECT_EQ(sink->resetCount(), 1);

    out->write(pool[0]);
    out->write(pool[1]);
    sink->breakStream("gone");
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0", "b1", "b2", "failed:gone", "b0", "b1"}));
    EXPECT_FALSE(out->write(pool[0]));
    second.reset();
    out.reset();
    EXPECT_EQ(fake.playbackOpenCount(), 2);
    EXPECT_EQ(fake.playbackCloseCount(), 2);
    EXPECT_TRUE(fake.playbackStreams().empty());
}

namespace {

struct FakeMixer : ::testing::Test {
    FakeBackend fake;
    std::vector<uint32_t> changes;
    std::unique_ptr<InputMixer> mixer;
    FakeMixerDevice* device = nullptr;

    void open(ControlType type)
    {
        device = &fake.mixerDevice(0);
        device->setSelectType(type);
        device->addLine("Microphone", 1000);
        device->addLine("Line In", 2000);
        device->addLine("CD", 3000, 0, 100);
        mixer = fake.openMixer(0, MixerCallbacks{[this](uint32_t id) { changes.push_back(id); }});
        ASSERT_TRUE(mixer);
    }
    std::vector<int32_t> read(uint32_t id) const
    {
        std::vector<int32_t> v;
        EXPECT_TRUE(mixer->readValues(id, v));
        return v;
    }
};
using V = std::vector<int32_t>;

}  // namespace

TEST_F(FakeMixer, MuxValuesRunInReverseLineOrderAndAMixerControlTakesSeveralLines)
{
    open(ControlType::Mux);
    EXPECT_TRUE(mixer->hasRecordingDestination());
    ASSERT_EQ(mixer->sourceCount(), 3);
    EXPECT_EQ(mixer->sourceLine(1)->name, "Line In");
    EXPECT_EQ(mixer->sourceLine(1)->id, device->lineId(1));
    EXPECT_FALSE(mixer->sourceLine(3));
    EXPECT_FALSE(mixer->destinationControl(ControlType::Mixer));
    const auto mux = mixer->destinationControl(ControlType::Mux);
    ASSERT_TRUE(mux);
    EXPECT_EQ(mux->itemCount, 3u);
    EXPECT_EQ(read(mux->id), (V{0, 0, 1})) << "line 0 (the first added) is on, value n-1-0";
    ASSERT_TRUE(mixer->writeValues(mux->id, {1, 0, 0}));
    EXPECT_TRUE(device->isOn(2));
    EXPECT_FALSE(device->isOn(0));
    for (const V& bad : {V{1, 1, 0}, V{0, 0, 0}, V{1, 0}})
        EXPECT_FALSE(mixer->writeValues(mux->id, bad));
    EXPECT_TRUE(device->isOn(2));

    device = &fake.mixerDevice(1);
    device->setSelectType(ControlType::Mixer);
    for (const char* line : {"A", "B", "C"})
        device->addLine(line);
    mixer = fake.openMixer(1, {});
    const auto control = mixer->destinationControl(ControlType::Mixer);
    ASSERT_TRUE(control);
    EXPECT_FALSE(mixer->destinationControl(ControlType::Mux));
    EXPECT_EQ(read(control->id), (V{0, 0, 0}));
    ASSERT_TRUE(mixer->writeValues(control->id, {1, 0, 1}));
    EXPECT_EQ((V{device->isOn(0), device->isOn(1), device->isOn(2)}), (V{1, 0, 1}));
    device->simulateExternalSelect(1);
    EXPECT_EQ(read(control->id), (V{1, 1, 1}));
}

TEST_F(FakeMixer, ChangesByAnyoneArriveAsQueuedNotificationsOnEveryOpenMixer)
{
    open(ControlType::Mux);
    std::vector<uint32_t> otherChanges;
    auto other = fake.openMixer(0, MixerCallbacks{[&](uint32_t id) { otherChanges.push_back(id); }});
    const uint32_t muxId = mixer->destinationControl(ControlType::Mux)->id;
    const uint32_t volumeId = mixer->lineControl(device->lineId(1), ControlType::Volume)->id;
    device->simulateExternalSelect(1);
    device->simulateExternalSelect(1);  // no change, no notification
    device->simulateExternalVolume(1, 1234);
    EXPECT_TRUE(changes.empty());
    FakeBackend::processCallbacks();
    EXPECT_EQ(changes, (std::vector<uint32_t>{muxId, volumeId}));
    EXPECT_EQ(otherChanges, changes);
    EXPECT_EQ(read(muxId), (V{0, 1, 0}));

    changes.clear();
    mixer->writeValues(volumeId, {99});  // own writes are reported too, as the real server does
    FakeBackend::processCallbacks();
    EXPECT_EQ(changes, (std::vector<uint32_t>{volumeId}));
    EXPECT_EQ(device->volume(1), 99);
    other.reset();
    EXPECT_EQ(device->openMixerCount(), 1);
}
