// The fake back end must behave like the contract says the real one does,
// since the engine, mixer panel and player tests rely on it.
#include <gtest/gtest.h>

#include <cstring>
#include <QByteArray>
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

QByteArray bytesOf(const AudioBuffer* b)
{
    return QByteArray(reinterpret_cast<const char*>(b->data), qsizetype(b->bytesRecorded));
}

struct CaptureFixture : ::testing::Test {
    FakeBackend fake;
    BufferPool pool{4, 100};
    EventLog log;
    std::unique_ptr<CaptureStream> stream;
    FakeCaptureStream* card = nullptr;

    void SetUp() override
    {
        log.pool = &pool.headers;
        fake.addInputDevice("Microphone");
        stream = fake.openCapture(0, PcmFormat{8000, 8, 1}, log.captureCallbacks());
        ASSERT_TRUE(stream);
        card = fake.captureStream();
        ASSERT_EQ(card, stream.get());
    }
    void queue(int n)
    {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(stream->addBuffer(pool[i]));
    }
};

}  // namespace

TEST_F(CaptureFixture, FullBuffersComeBackInOrderAsQueuedCallsWithTheCapturedBytes)
{
    queue(3);
    ASSERT_TRUE(stream->start());
    const QByteArray audio = counting(250);
    ASSERT_TRUE(card->deliver(audio.left(120)));
    ASSERT_TRUE(card->deliver(audio.mid(120)));
    EXPECT_TRUE(log.events.empty()) << "callbacks must not run inside the caller's call";

    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0:100", "b1:100"}));
    EXPECT_EQ(bytesOf(pool[0]) + bytesOf(pool[1]), audio.left(200));
    EXPECT_EQ(card->queuedBufferCount(), 1);
    EXPECT_EQ(pool[2]->bytesRecorded, 50u);
}

TEST_F(CaptureFixture, AudioWithoutABufferWaitsForTheNextBufferInsteadOfBeingDropped)
{
    queue(1);
    stream->start();
    card->deliver(counting(250));
    EXPECT_EQ(card->waitingBytes(), 150u);
    ASSERT_TRUE(stream->addBuffer(pool[1]));
    ASSERT_TRUE(stream->addBuffer(pool[2]));
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0:100", "b1:100"}));
    EXPECT_EQ(bytesOf(pool[1]), counting(100, 100));
    EXPECT_EQ(card->waitingBytes(), 0u);
}

TEST_F(CaptureFixture, NothingIsCapturedBeforeStartOrAfterStop)
{
    queue(2);
    EXPECT_FALSE(card->deliver(counting(100)));
    stream->start();
    stream->stop();
    EXPECT_FALSE(card->deliverTone(1000, 0.5, 100));
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"stopped"}));
    EXPECT_EQ(card->queuedBufferCount(), 2);
    stream->stop();
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"stopped"})) << "stop without capture reports nothing";
}

TEST_F(CaptureFixture, StopReturnsThePartlyFilledBufferThenReportsStoppedOnce)
{
    queue(3);
    stream->start();
    card->deliver(counting(130));
    ASSERT_TRUE(stream->stop());
    EXPECT_TRUE(stream->stop()) << "a second stop is harmless and reports nothing";
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0:100", "b1:30", "stopped"}));
    EXPECT_EQ(bytesOf(pool[1]), counting(30, 100));
    EXPECT_EQ(card->queuedBufferCount(), 1) << "empty blocks stay queued";

    // Resuming fills the blocks still queued with fresh audio.
    ASSERT_TRUE(stream->start());
    card->deliver(counting(100, 7));
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events.back(), "b2:100");
    EXPECT_EQ(bytesOf(pool[2]), counting(100, 7));
}

TEST_F(CaptureFixture, StopWaitsForBuffersUntilEverythingCapturedBeforeItIsDelivered)
{
    queue(1);
    stream->start();
    card->deliver(counting(230));
    stream->stop();
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0:100"}));
    EXPECT_TRUE(card->isStopping());
    EXPECT_FALSE(stream->start()) << "cannot resume before the stop is complete";

    stream->addBuffer(pool[1]);
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0:100", "b1:100"}));
    stream->addBuffer(pool[2]);
    stream->addBuffer(pool[3]);
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0:100", "b1:100", "b2:30", "stopped"}));
    EXPECT_EQ(bytesOf(pool[2]), counting(30, 200));
    EXPECT_TRUE(stream->start());
}

TEST_F(CaptureFixture, StopOnABufferBoundaryReturnsNoEmptyBuffer)
{
    queue(2);
    stream->start();
    card->deliver(counting(100));
    stream->stop();
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0:100", "stopped"}));
}

TEST_F(CaptureFixture, ResetReturnsEveryQueuedBufferAtOnceAndDropsWaitingAudio)
{
    queue(3);
    stream->start();
    card->deliver(counting(140));
    stream->reset();
    EXPECT_TRUE(log.events.empty());
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0:100", "b1:40", "b2:0"}));
    EXPECT_FALSE(card->isStarted());
    EXPECT_EQ(card->queuedBufferCount(), 0);

    queue(1);
    EXPECT_FALSE(card->deliver(counting(10))) << "reset stops capturing";
    stream->start();
    card->deliver(counting(100, 50));
    FakeBackend::processCallbacks();
    EXPECT_EQ(bytesOf(pool[0]), counting(100, 50)) << "nothing from before the reset";
}

TEST_F(CaptureFixture, ResetDuringAPendingStopReturnsTheBuffersThenReportsStopped)
{
    queue(1);
    stream->start();
    card->deliver(counting(150));
    stream->stop();
    stream->reset();
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0:100", "stopped"}));
    EXPECT_EQ(card->waitingBytes(), 0u);
}

TEST_F(CaptureFixture, ABrokenStreamGivesTheBuffersBackBeforeReportingTheFailure)
{
    queue(2);
    stream->start();
    card->deliver(counting(60));
    card->breakStream("server gone");
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0:60", "b1:0", "failed:server gone"}));
    EXPECT_FALSE(stream->addBuffer(pool[0]));
    EXPECT_FALSE(stream->start());
}

TEST_F(CaptureFixture, CloseDropsCallbacksNotYetDeliveredAndCountsOnce)
{
    queue(2);
    stream->start();
    card->deliver(counting(100));
    stream->close();
    stream->close();
    FakeBackend::processCallbacks();
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(fake.captureCloseCount(), 1);
    stream.reset();
    EXPECT_EQ(fake.captureCloseCount(), 1);
    EXPECT_EQ(fake.captureStream(), nullptr);
}

TEST_F(CaptureFixture, DestroyingAnOpenStreamClosesIt)
{
    stream.reset();
    EXPECT_EQ(fake.captureOpenCount(), 1);
    EXPECT_EQ(fake.captureCloseCount(), 1);
}

TEST_F(CaptureFixture, AHandlerMayCloseTheStreamWhileFurtherCallbacksAreQueued)
{
    queue(3);
    stream->start();
    int calls = 0;
    // Replace the stream with one whose handler closes it on the first buffer.
    stream.reset();
    CaptureCallbacks cb;
    cb.bufferDone = [&](AudioBuffer*) {
        ++calls;
        stream.reset();
    };
    stream = fake.openCapture(0, PcmFormat{8000, 8, 1}, cb);
    queue(3);
    stream->start();
    fake.captureStream()->deliver(counting(300));
    FakeBackend::processCallbacks();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(stream, nullptr);
}

TEST_F(CaptureFixture, AddBufferRefusesBadBlocksAndScriptedFailures)
{
    AudioBuffer empty;
    EXPECT_FALSE(stream->addBuffer(nullptr));
    EXPECT_FALSE(stream->addBuffer(&empty));
    card->setAddBufferFails(true);
    EXPECT_FALSE(stream->addBuffer(pool[0]));
    card->setAddBufferFails(false);
    EXPECT_TRUE(stream->addBuffer(pool[0]));
}

TEST_F(CaptureFixture, DeliverToneMakesAContinuousSineAtTheAskedLevel)
{
    stream.reset();
    stream = fake.openCapture(-1, PcmFormat{8000, 16, 2}, log.captureCallbacks());
    card = fake.captureStream();
    BufferPool big(2, 8000 * 4 / 10); // two blocks of 0.1 s
    log.pool = &big.headers;
    stream->addBuffer(big[0]);
    stream->addBuffer(big[1]);
    stream->start();
    card->deliverTone(1000, 0.5, 500);
    card->deliverTone(1000, 0.5, 1100); // continues the phase of the first call
    FakeBackend::processCallbacks();
    ASSERT_EQ(log.events, (Events{"b0:3200", "b1:3200"}));
    std::vector<int16_t> left;
    for (int b = 0; b < 2; ++b)
        for (int i = 0; i < 800; ++i) {
            int16_t l, r;
            std::memcpy(&l, big[b]->data + 4 * i, 2);
            std::memcpy(&r, big[b]->data + 4 * i + 2, 2);
            EXPECT_EQ(l, r);
            left.push_back(l);
        }
    // 1 kHz at 8 kHz: the pattern repeats every 8 samples, across the seam too.
    int peak = 0;
    for (size_t i = 8; i < left.size(); ++i) {
        EXPECT_NEAR(left[i], left[i - 8], 1) << i;
        peak = std::max(peak, std::abs(int(left[i])));
    }
    EXPECT_NEAR(peak, 16384, 200);
}

TEST(FakeBackendDevices, ListsNonMonitorsFirstThenMonitorsEachInTheirOrder)
{
    FakeBackend fake;
    fake.addInputDevice("Monitor of A", true);
    fake.addInputDevice("Mic");
    fake.addInputDevice("Monitor of B", true);
    fake.addInputDevice("Line in");
    const auto list = fake.inputDevices();
    ASSERT_EQ(list.size(), 4u);
    QStringList names;
    for (const auto& d : list) {
        EXPECT_EQ(d.index, int(names.size()));
        names << d.name;
    }
    EXPECT_EQ(names, (QStringList{"Mic", "Line in", "Monitor of A", "Monitor of B"}));
    EXPECT_TRUE(list[2].isMonitor);
    EXPECT_FALSE(list[0].isMonitor);
}

TEST(FakeBackendDevices, OpenFailuresCarryAReason)
{
    FakeBackend fake;
    fake.addInputDevice("Mic");
    QString error;
    EXPECT_FALSE(fake.openCapture(1, {}, {}, &error));
    EXPECT_FALSE(error.isEmpty());

    error.clear();
    EXPECT_FALSE(fake.openCapture(0, PcmFormat{8000, 24, 1}, {}, &error));
    EXPECT_TRUE(error.contains("24"));

    fake.setCaptureOpenError("device busy");
    EXPECT_FALSE(fake.openCapture(0, {}, {}, &error));
    EXPECT_EQ(error, "device busy");
    fake.setCaptureOpenError({});
    EXPECT_TRUE(fake.openCapture(0, {}, {}, &error));

    fake.setPlaybackOpenError("no sink");
    EXPECT_FALSE(fake.openPlayback({}, {}, &error));
    EXPECT_EQ(error, "no sink");
    EXPECT_EQ(fake.playbackOpenCount(), 0);

    fake.setPlaybackOpenError({});
    fake.setServerAvailable(false);
    EXPECT_TRUE(fake.inputDevices().empty());
    EXPECT_FALSE(fake.openCapture(-1, {}, {}, &error));
    EXPECT_FALSE(fake.openPlayback({}, {}, &error));
    fake.mixerDevice(0).addLine("Mic");
    EXPECT_FALSE(fake.openMixer(0, {}));
}

TEST(FakeBackendPlayback, BuffersComeBackOnlyWhenTheTestSaysTheyPlayedInOrder)
{
    FakeBackend fake;
    BufferPool pool(3, 4);
    EventLog log;
    log.pool = &pool.headers;
    auto out = fake.openPlayback(PcmFormat{44100, 8, 1}, log.playbackCallbacks());
    ASSERT_TRUE(out);
    FakePlaybackStream* sink = fake.lastPlaybackStream();
    for (int i = 0; i < 3; ++i) {
        std::memset(pool[i]->data, 'a' + i, 4);
        pool[i]->length = 4 - uint32_t(i);
        ASSERT_TRUE(out->write(pool[i]));
    }
    std::memset(pool[0]->data, 'z', 4); // the caller may not touch it, but the fake keeps what was written
    EXPECT_EQ(sink->writtenBytes(), QByteArray("aaaabbbccc").remove(7, 1));
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

TEST(FakeBackendPlayback, ResetReturnsAllQueuedBuffersAndCountsOpensAndCloses)
{
    FakeBackend fake;
    BufferPool pool(3, 8);
    EventLog log;
    log.pool = &pool.headers;
    auto first = fake.openPlayback({}, log.playbackCallbacks());
    auto second = fake.openPlayback({}, {});
    EXPECT_EQ(fake.playbackStreams().size(), 2u);
    for (int i = 0; i < 3; ++i)
        first->write(pool[i]);
    fake.playbackStreams()[0]->completeNext();
    first->reset();
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0", "b1", "b2"}));
    EXPECT_EQ(fake.playbackStreams()[0]->playedBytes().size(), 8);
    EXPECT_EQ(fake.playbackStreams()[0]->resetCount(), 1);

    first->close();
    EXPECT_FALSE(first->write(pool[0]));
    second.reset();
    EXPECT_EQ(fake.playbackOpenCount(), 2);
    EXPECT_EQ(fake.playbackCloseCount(), 2);
    first.reset();
    EXPECT_EQ(fake.playbackCloseCount(), 2);
    EXPECT_TRUE(fake.playbackStreams().empty());
}

TEST(FakeBackendPlayback, ScriptedWriteFailureBrokenStreamAndPartialFrames)
{
    FakeBackend fake;
    BufferPool pool(2, 8);
    EventLog log;
    log.pool = &pool.headers;
    auto out = fake.openPlayback(PcmFormat{8000, 16, 2}, log.playbackCallbacks());
    FakePlaybackStream* sink = fake.lastPlaybackStream();
    pool[0]->length = 6;
    EXPECT_FALSE(out->write(pool[0])) << "one and a half frames";
    pool[0]->length = 8;
    sink->setWriteFails(true);
    EXPECT_FALSE(out->write(pool[0]));
    sink->setWriteFails(false);
    out->write(pool[0]);
    out->write(pool[1]);
    sink->breakStream("gone");
    FakeBackend::processCallbacks();
    EXPECT_EQ(log.events, (Events{"b0", "b1", "failed:gone"}));
    EXPECT_FALSE(out->write(pool[0]));
}

namespace {

struct MixerFixture : ::testing::Test {
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
        MixerCallbacks cb;
        cb.controlChanged = [this](uint32_t id) { changes.push_back(id); };
        mixer = fake.openMixer(0, cb);
        ASSERT_TRUE(mixer);
    }
    std::vector<int32_t> select() const
    {
        std::vector<int32_t> v;
        EXPECT_TRUE(mixer->readValues(mixer->destinationControl(*device->selectType())->id, v));
        return v;
    }
};

}  // namespace

TEST_F(MixerFixture, MuxValuesRunInReverseLineOrderAndAllowExactlyOneLine)
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

    EXPECT_EQ(select(), (std::vector<int32_t>{0, 0, 1})) << "line 0 (the first added) is on, value n-1-0";
    ASSERT_TRUE(mixer->writeValues(mux->id, {1, 0, 0}));
    EXPECT_TRUE(device->isOn(2));
    EXPECT_FALSE(device->isOn(0));
    EXPECT_FALSE(mixer->writeValues(mux->id, {1, 1, 0}));
    EXPECT_FALSE(mixer->writeValues(mux->id, {0, 0, 0}));
    EXPECT_FALSE(mixer->writeValues(mux->id, {1, 0}));
    EXPECT_TRUE(device->isOn(2));
}

TEST_F(MixerFixture, MixerControlTakesSeveralLinesAsWritten)
{
    open(ControlType::Mixer);
    EXPECT_FALSE(mixer->destinationControl(ControlType::Mux));
    const auto control = mixer->destinationControl(ControlType::Mixer);
    ASSERT_TRUE(control);
    EXPECT_EQ(select(), (std::vector<int32_t>{0, 0, 0}));
    ASSERT_TRUE(mixer->writeValues(control->id, {1, 0, 1}));
    EXPECT_TRUE(device->isOn(0));
    EXPECT_FALSE(device->isOn(1));
    EXPECT_TRUE(device->isOn(2));
    device->simulateExternalSelect(1);
    EXPECT_EQ(select(), (std::vector<int32_t>{1, 1, 1}));
}

TEST_F(MixerFixture, ChangesByAnotherProgramArriveAsQueuedNotificationsOnEveryOpenMixer)
{
    open(ControlType::Mux);
    std::vector<uint32_t> otherChanges;
    auto other = fake.openMixer(0, MixerCallbacks{[&](uint32_t id) { otherChanges.push_back(id); }});
    const uint32_t muxId = mixer->destinationControl(ControlType::Mux)->id;
    const uint32_t volumeId = mixer->lineControl(device->lineId(1), ControlType::Volume)->id;

    device->simulateExternalSelect(1);
    device->simulateExternalSelect(1); // no change, no notification
    device->simulateExternalVolume(1, 1234);
    EXPECT_TRUE(changes.empty());
    FakeBackend::processCallbacks();
    EXPECT_EQ(changes, (std::vector<uint32_t>{muxId, volumeId}));
    EXPECT_EQ(otherChanges, changes);
    EXPECT_EQ(select(), (std::vector<int32_t>{0, 1, 0}));

    // Own writes are reported too, as the real server does.
    changes.clear();
    mixer->writeValues(volumeId, {99});
    FakeBackend::processCallbacks();
    EXPECT_EQ(changes, (std::vector<uint32_t>{volumeId}));
    EXPECT_EQ(device->volume(1), 99);

    other.reset();
    EXPECT_EQ(device->openMixerCount(), 1);
    mixer.reset();
    device->simulateExternalSelect(0);
    FakeBackend::processCallbacks();
}

TEST_F(MixerFixture, VolumeControlPerLineWithRangeAndOptionalFailureForInactiveLines)
{
    open(ControlType::Mux);
    const auto cd = mixer->lineControl(device->lineId(2), ControlType::Volume);
    ASSERT_TRUE(cd);
    EXPECT_EQ(cd->type, ControlType::Volume);
    EXPECT_EQ(cd->minimum, 0);
    EXPECT_EQ(cd->maximum, 100);
    EXPECT_FALSE(mixer->lineControl(0xdead, ControlType::Volume));
    EXPECT_FALSE(mixer->lineControl(device->lineId(2), ControlType::Mux));

    std::vector<int32_t> v;
    ASSERT_TRUE(mixer->readValues(cd->id, v));
    EXPECT_EQ(v, (std::vector<int32_t>{3000}));
    device->setInactiveVolumeReadFails(true);
    EXPECT_FALSE(mixer->readValues(cd->id, v));
    const auto mic = mixer->lineControl(device->lineId(0), ControlType::Volume);
    ASSERT_TRUE(mixer->readValues(mic->id, v)) << "line 0 is the active one";
    EXPECT_EQ(v, (std::vector<int32_t>{1000}));

    ASSERT_TRUE(mixer->writeValues(cd->id, {500}));
    EXPECT_EQ(device->volume(2), 100) << "clamped to the control's range";
    device->setWritesFail(true);
    EXPECT_FALSE(mixer->writeValues(mic->id, {1}));
    EXPECT_EQ(device->volume(0), 1000);
}

TEST_F(MixerFixture, ScriptedReadFailures)
{
    open(ControlType::Mux);
    device->setLineReadFails(1, true);
    EXPECT_FALSE(mixer->sourceLine(1));
    EXPECT_TRUE(mixer->sourceLine(0));
    device->setSelectReadFails(true);
    std::vector<int32_t> v;
    EXPECT_FALSE(mixer->readValues(FakeMixerDevice::kSelectControlId, v));
    device->setHasRecordingDestination(false);
    EXPECT_FALSE(mixer->hasRecordingDestination());
    EXPECT_EQ(mixer->sourceCount(), 0);
}

TEST(FakeBackendMixer, ADeviceWithoutAConfiguredMixerHasNone)
{
    FakeBackend fake;
    EXPECT_FALSE(fake.openMixer(0, {}));
    fake.mixerDevice(1);
    EXPECT_FALSE(fake.openMixer(0, {}));
    auto m = fake.openMixer(1, {});
    ASSERT_TRUE(m);
    EXPECT_EQ(m->sourceCount(), 0);
    EXPECT_EQ(fake.mixerOpenCount(), 1);
}

TEST(BackendSelection, ATestBackendReplacesTheDefaultUntilRemoved)
{
    FakeBackend fake;
    AudioBackend& before = backend();
    setBackendForTesting(&fake);
    EXPECT_EQ(&backend(), &fake);
    setBackendForTesting(nullptr);
    EXPECT_EQ(&backend(), &before);
    EXPECT_NE(&backend(), &fake);
}
