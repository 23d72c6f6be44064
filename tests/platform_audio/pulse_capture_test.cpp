// Capture through the PulseAudio back end from the private server's null
// sink monitor, while reference tools play into the sink.
#include <gtest/gtest.h>

#include <thread>

#include "event_log.h"
#include "platform/audio/pulse_backend.h"
#include "pulse_test_support.h"
#include "signal_analysis.h"

using namespace platform::audio;
using namespace audiotest;

namespace {

// A capture stream that keeps its blocks cycling like the engine does and
// collects everything captured.
struct RecordingRun {
    PcmFormat format;
    BufferPool pool;
    QByteArray captured;
    std::vector<int> order; // pool index of each returned block
    std::vector<std::thread::id> threads;
    bool stopped = false;
    std::unique_ptr<CaptureStream> stream;

    RecordingRun(AudioBackend& backend, int device, PcmFormat f, int blocks, uint32_t blockBytes)
        : format(f), pool(blocks, blockBytes)
    {
        CaptureCallbacks cb;
        cb.bufferDone = [this](AudioBuffer* b) {
            threads.push_back(std::this_thread::get_id());
            order.push_back(int(b - pool.headers.data()));
            captured.append(reinterpret_cast<const char*>(b->data), qsizetype(b->bytesRecorded));
            if (!stopped)
                stream->addBuffer(b);
        };
        cb.stopped = [this] { stopped = true; };
        QString error;
        stream = backend.openCapture(device, f, cb, &error);
        EXPECT_TRUE(stream) << error.toStdString();
        if (stream)
            for (int i = 0; i < blocks; ++i)
                stream->addBuffer(pool[i]);
    }
    bool cyclicOrder() const
    {
        for (size_t i = 0; i < order.size(); ++i)
            if (order[i] != int(i % pool.headers.size()))
                return false;
        return true;
    }
    double seconds() const { return double(captured.size()) / format.bytesPerSecond(); }
};

QString describe(const PcmFormat& f)
{
    return QStringLiteral("%1 Hz %2 bit %3 ch").arg(f.sampleRate).arg(f.bitsPerSample).arg(f.channels);
}

int monitorIndex(AudioBackend& backend)
{
    for (const auto& d : backend.inputDevices())
        if (d.serverName == "quillon_null.monitor")
            return d.index;
    return -2;
}

}  // namespace

static ::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new SinkKeeper);

TEST(PulseCapture, EveryRecordingFormatOpensAndCaptures)
{
    PulseBackend pulse;
    const int monitor = monitorIndex(pulse);
    ASSERT_GE(monitor, 0);
    std::vector<std::unique_ptr<RecordingRun>> runs;
    for (uint32_t rate : {8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u})
        for (uint16_t channels : {1, 2})
            for (uint16_t bits : {8, 16}) {
                const PcmFormat f{rate, bits, channels};
                // The default source for half of them, the listed device for the rest.
                runs.push_back(std::make_unique<RecordingRun>(pulse, bits == 8 ? -1 : monitor, f, 2,
                                                              f.bytesPerSecond() / 20 / f.blockAlign() * f.blockAlign()));
                ASSERT_TRUE(runs.back()->stream) << describe(f).toStdString();
            }
    ASSERT_EQ(runs.size(), 28u);
    for (auto& r : runs)
        ASSERT_TRUE(r->stream->start());
    EXPECT_TRUE(runEventsUntil([&] {
        return std::all_of(runs.begin(), runs.end(), [](auto& r) { return r->order.size() >= 2; });
    }, 5000));
    for (auto& r : runs) {
        EXPECT_GE(r->order.size(), 2u) << describe(r->format).toStdString();
        EXPECT_TRUE(r->cyclicOrder()) << describe(r->format).toStdString();
        r->stream->close();
    }
}

TEST(PulseCapture, ToneFromTheSinkArrivesAtItsLevelInOrderOnTheOwnerThread)
{
    PulseBackend pulse;
    const std::vector<PcmFormat> formats = {
        {8000, 8, 1}, {11025, 16, 2}, {22050, 8, 2}, {44100, 16, 1}, {48000, 16, 2}};
    std::vector<std::unique_ptr<RecordingRun>> runs;
    for (const auto& f : formats) {
        runs.push_back(std::make_unique<RecordingRun>(pulse, -1, f, 6, 2048));
        ASSERT_TRUE(runs.back()->stream);
        ASSERT_TRUE(runs.back()->stream->start());
    }
    TonePlayer tone(1000, 0.5, 1.2);
    ASSERT_TRUE(tone.started());
    runEventsFor(1400);
    for (auto& r : runs)
        r->stream->stop();
    ASSERT_TRUE(runEventsUntil([&] { return std::all_of(runs.begin(), runs.end(), [](auto& r) { return r->stopped; }); },
                               3000));

    for (auto& r : runs) {
        const std::string name = describe(r->format).toStdString();
        EXPECT_TRUE(r->cyclicOrder()) << name;
        for (auto id : r->threads)
            ASSERT_EQ(id, std::this_thread::get_id()) << name;
        EXPECT_NEAR(r->seconds(), 1.4, 0.25) << name;
        for (int c = 0; c < r->format.channels; ++c) {
            const auto s = channelSamples(r->captured, r->format, c);
            const size_t window = r->format.sampleRate / 10;
            EXPECT_NEAR(strongestToneAmplitude(s, r->format.sampleRate, 1000, window), 0.5, 0.05) << name;
            EXPECT_LT(strongestToneAmplitude(s, r->format.sampleRate, 1500, window), 0.03) << name;
            EXPECT_LT(strongestToneAmplitude(s, r->format.sampleRate, 600, window), 0.03) << name;
        }
    }
}

TEST(PulseCapture, StopKeepsEverythingUpToTheStopIncludingThePartialBlock)
{
    PulseBackend pulse;
    const PcmFormat f{16000, 16, 1};
    EventLog log;
    BufferPool pool(4, 16000); // half a second each
    log.pool = &pool.headers;
    auto stream = pulse.openCapture(-1, f, log.captureCallbacks());
    ASSERT_TRUE(stream);
    for (int i = 0; i < 4; ++i)
        stream->addBuffer(pool[i]);
    QElapsedTimer clock;
    ASSERT_TRUE(stream->start());
    clock.start();
    runEventsFor(1250);
    ASSERT_TRUE(stream->stop());
    const double stoppedAfter = clock.elapsed() / 1000.0;
    ASSERT_TRUE(runEventsUntil([&] { return !log.events.empty() && log.events.back() == "stopped"; }, 3000));
    runEventsFor(200);

    ASSERT_EQ(log.events.size(), 4u) << "two full blocks, the partial one, stopped";
    EXPECT_EQ(log.events[0], "b0:16000");
    EXPECT_EQ(log.events[1], "b1:16000");
    EXPECT_EQ(log.nameOf(log.buffers[2]), "b2");
    EXPECT_GT(pool[2]->bytesRecorded, 0u);
    EXPECT_LT(pool[2]->bytesRecorded, 16000u);
    EXPECT_EQ(pool[2]->bytesRecorded % 2, 0u);
    const double captured = (32000.0 + pool[2]->bytesRecorded) / f.bytesPerSecond();
    EXPECT_NEAR(captured, stoppedAfter, 0.15) << "audio up to the stop, and no more";

    // Resuming starts fresh in the block still queued.
    EXPECT_EQ(pool[3]->bytesRecorded, 0u);
    stream->addBuffer(pool[0]);
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(runEventsUntil([&] { return log.events.size() >= 5; }, 3000));
    EXPECT_EQ(log.events[4], "b3:16000");
    stream->reset();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(log.events.size(), 6u) << "the partly filled block; no stopped without a stop";
    EXPECT_EQ(log.events[5].substr(0, 3), "b0:");
    EXPECT_NE(log.events[5], "b0:0");
}

TEST(PulseCapture, ResetReturnsEveryQueuedBlockAtOnce)
{
    PulseBackend pulse;
    EventLog log;
    BufferPool pool(5, 4410 * 2); // 0.1 s of 44.1 kHz 16-bit mono
    log.pool = &pool.headers;
    auto stream = pulse.openCapture(-1, PcmFormat{44100, 16, 1}, log.captureCallbacks());
    ASSERT_TRUE(stream);
    for (int i = 0; i < 5; ++i)
        stream->addBuffer(pool[i]);
    stream->start();
    ASSERT_TRUE(runEventsUntil([&] { return log.events.size() == 1; }, 2000));
    runEventsFor(30);
    stream->reset();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(log.buffers.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(log.buffers[size_t(i)], pool[i]);
    EXPECT_EQ(pool[0]->bytesRecorded, 8820u);
    EXPECT_EQ(pool[4]->bytesRecorded, 0u);
    runEventsFor(300);
    EXPECT_EQ(log.buffers.size(), 5u) << "nothing after a reset";
}

TEST(PulseCapture, AStalledOwnerThreadLosesNoAudio)
{
    PulseBackend pulse;
    // The engine's configuration: fifteen 6144-byte blocks, half a second of
    // 48 kHz 16-bit stereo, against a five-second stall.
    const PcmFormat f{48000, 16, 2};
    RecordingRun run(pulse, -1, f, 15, 6144);
    ASSERT_TRUE(run.stream);
    // A tone whose period is not a whole number of samples, so that any
    // dropped stretch shows as a jump of its phase.
    TonePlayer tone(1003, 0.5, 8.5, PcmFormat{48000, 16, 1});
    runEventsFor(500);
    QElapsedTimer clock;
    ASSERT_TRUE(run.stream->start());
    clock.start();
    runEventsFor(700);
    std::this_thread::sleep_for(std::chrono::seconds(5));
    runEventsFor(900);
    run.stream->stop();
    const double elapsed = clock.elapsed() / 1000.0;
    ASSERT_TRUE(runEventsUntil([&] { return run.stopped; }, 5000));

    EXPECT_TRUE(run.cyclicOrder());
    EXPECT_NEAR(run.seconds(), elapsed, 0.15) << "captured audio must cover the whole time";

    const auto s = channelSamples(run.captured, f, 0);
    const auto crossings = risingZeroCrossings(s);
    ASSERT_GT(crossings.size(), 6000u);
    const double period = 48000.0 / 1003.0;
    int irregular = 0;
    for (size_t i = 1; i < crossings.size(); ++i) {
        const double a = crossings[i - 1], b = crossings[i];
        if (std::abs(b - a - period) <= 0.5)
            continue;
        // Silence in between means the reference player ran dry (the tone
        // resumes later, phase intact): not ours. A jump within the tone is
        // audio we lost.
        if (longestQuietStretch(s, size_t(a), size_t(b) + 1, 0.05) >= size_t(period))
            continue;
        ++irregular;
        ADD_FAILURE() << "jump at " << b / 48000.0 << " s: crossings " << b - a << " samples apart";
    }
    EXPECT_EQ(irregular, 0) << "the tone must run on without a gap";
}
