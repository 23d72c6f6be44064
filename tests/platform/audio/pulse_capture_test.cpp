// Capture through the PulseAudio back end from the private server's null
// sink monitor, while reference tools play into the sink.
#include "event_log.h"
#include "platform/audio/pulse_backend.h"
#include "support/pulse_test_support.h"

using namespace platform::audio;
using namespace audiotest;

namespace {

// A capture stream that keeps its blocks cycling like the engine does and
// collects everything captured.
struct RecordingRun {
    PcmFormat format;
    BufferPool pool;
    QByteArray captured;
    size_t returned = 0;
    bool cyclic = true, onOwnerThread = true;  // every block came back in turn, on the opening thread
    bool stopped = false;
    std::unique_ptr<CaptureStream> stream;

    RecordingRun(AudioBackend& backend, int device, PcmFormat f, int blocks, uint32_t blockBytes)
        : format(f)
        , pool(blocks, blockBytes)
    {
        CaptureCallbacks cb;
        cb.bufferDone = [this, owner = std::this_thread::get_id()](AudioBuffer* b) {
            onOwnerThread = onOwnerThread && std::this_thread::get_id() == owner;
            cyclic = cyclic && b == &pool.headers[returned++ % pool.headers.size()];
            captured.append(reinterpret_cast<const char*>(b->data), qsizetype(b->bytesRecorded));
            if (!stopped)
                stream->AddBuffer(b);
        };
        cb.stopped = [this] { stopped = true; };
        QString error;
        stream = backend.OpenCapture(device, f, cb, &error);
        EXPECT_TRUE(stream) << error.toStdString();
        for (int i = 0; stream && i < blocks; ++i)
            stream->AddBuffer(pool[i]);
    }
    double Seconds() const { return double(captured.size()) / format.BytesPerSecond(); }
    std::string Name() const
    {
        return QString("%1 Hz %2 bit %3 ch")
            .arg(format.sampleRate)
            .arg(format.bitsPerSample)
            .arg(format.channels)
            .toStdString();
    }
};

}  // namespace

// For the whole program (capture, playback, devices and mixer, contract).
static ::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new SinkKeeper);

TEST(PulseCapture, AToneFromTheSinkArrivesInEveryFormatAtItsLevelInOrderOnTheOwnerThread)
{
    PulseBackend pulse;
    const int monitor = DeviceIndex(pulse, "quillon_null.monitor");
    ASSERT_GE(monitor, 0);
    std::vector<std::unique_ptr<RecordingRun>> runs;
    for (uint32_t rate : {8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u})
        for (uint16_t channels : {1, 2})
            for (uint16_t bits : {8, 16}) {
                // The default source for half of them, the listed device for the rest.
                runs.push_back(std::make_unique<RecordingRun>(pulse, bits == 8 ? -1 : monitor,
                                                              PcmFormat{rate, bits, channels}, 6, 2048));
                ASSERT_TRUE(runs.back()->stream) << runs.back()->Name();
            }
    // Opening takes a server round trip or several; starting is immediate.
    // All start together, so that they capture equally long.
    for (auto& r : runs)
        ASSERT_TRUE(r->stream->Start()) << r->Name();
    TonePlayer tone(1000, 0.5, 1.2);
    ASSERT_TRUE(tone.Started());
    RunEventsFor(1400);
    for (auto& r : runs)
        r->stream->Stop();
    ASSERT_TRUE(RunEventsUntil(
        [&] { return std::all_of(runs.begin(), runs.end(), [](auto& r) { return r->stopped; }); }, 3000));

    for (auto& r : runs) {
        SCOPED_TRACE(r->Name());
        EXPECT_TRUE(r->cyclic);
        EXPECT_TRUE(r->onOwnerThread);
        EXPECT_NEAR(r->Seconds(), 1.4, 0.25);
        for (int c = 0; c < r->format.channels; ++c) {
            const auto s = ChannelSamples(r->captured, r->format, c);
            const size_t window = r->format.sampleRate / 10;
            EXPECT_NEAR(StrongestToneAmplitude(s, r->format.sampleRate, 1000, window),
                        r->format.channels == 1 ? MonoMonitorLevel(0.5) : 0.5, 0.05);
            EXPECT_LT(StrongestToneAmplitude(s, r->format.sampleRate, 1500, window), 0.03);
            EXPECT_LT(StrongestToneAmplitude(s, r->format.sampleRate, 600, window), 0.03);
        }
    }
}

TEST(PulseCapture, StopKeepsEverythingUpToTheStopAndResetReturnsTheBlocksStillQueued)
{
    PulseBackend pulse;
    const PcmFormat f{16000, 16, 1};
    BufferPool pool(4, 8000);  // a quarter of a second each
    EventLog log(&pool.headers);
    auto stream = pulse.OpenCapture(-1, f, log.CaptureCallbacks());
    ASSERT_TRUE(stream);
    for (int i = 0; i < 4; ++i)
        stream->AddBuffer(pool[i]);
    QElapsedTimer clock;
    ASSERT_TRUE(stream->Start());
    clock.start();
    RunEventsFor(630);
    ASSERT_TRUE(stream->Stop());
    const double stoppedAfter = clock.elapsed() / 1000.0;
    ASSERT_TRUE(RunEventsUntil([&] { return !log.events.empty() && log.events.back() == "stopped"; }, 3000));
    RunEventsFor(100);

    ASSERT_EQ(log.events.size(), 4u) << "two full blocks, the partial one, stopped";
    EXPECT_EQ(log.events[0], "b0:8000");
    EXPECT_EQ(log.events[1], "b1:8000");
    EXPECT_EQ(log.NameOf(log.buffers[2]), "b2");
    EXPECT_GT(pool[2]->bytesRecorded, 0u);
    EXPECT_LT(pool[2]->bytesRecorded, 8000u);
    EXPECT_EQ(pool[2]->bytesRecorded % 2, 0u);
    EXPECT_NEAR((16000.0 + pool[2]->bytesRecorded) / f.BytesPerSecond(), stoppedAfter, 0.1)
        << "audio up to the stop, and no more";

    // Resuming starts fresh in the block still queued; reset returns the rest at once.
    stream->AddBuffer(pool[0]);
    stream->AddBuffer(pool[1]);
    ASSERT_TRUE(stream->Start());
    ASSERT_TRUE(RunEventsUntil([&] { return log.events.size() >= 5; }, 3000));
    EXPECT_EQ(log.events[4], "b3:8000");
    RunEventsFor(150);  // the connection's next wake-up at the latest
    stream->Reset();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(log.events.size(), 7u) << "the partly filled block and the empty one; no stopped without a stop";
    EXPECT_EQ(log.buffers[4], pool[0]);
    EXPECT_NE(log.events[5], "b0:0");
    EXPECT_EQ(log.events[6], "b1:0");
    RunEventsFor(300);
    EXPECT_EQ(log.events.size(), 7u) << "nothing after a reset";
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
    RunEventsFor(500);
    // The same sound recorded by pacat, into a file so the stall cannot
    // hold it up: whatever the server itself does to the monitor's sound
    // (a sound server that is not real-time skips now and then on a busy
    // machine) shows there as well.
    QTemporaryDir dir;
    MonitorRecorder reference(f, dir.filePath("reference.raw"));
    ASSERT_TRUE(reference.Started());
    QElapsedTimer clock;
    ASSERT_TRUE(run.stream->Start());
    clock.start();
    RunEventsFor(700);
    std::this_thread::sleep_for(std::chrono::seconds(5));
    RunEventsFor(900);
    run.stream->Stop();
    const double elapsed = clock.elapsed() / 1000.0;
    ASSERT_TRUE(RunEventsUntil([&] { return run.stopped; }, 5000));
    EXPECT_TRUE(run.cyclic);
    EXPECT_NEAR(run.Seconds(), elapsed, 0.15) << "captured audio must cover the whole time";

    const auto s = ChannelSamples(run.captured, f, 0);
    ASSERT_GT(RisingZeroCrossings(s).size(), 6000u);
    // The first 20 ms are left out: how a take starts is judged elsewhere.
    const auto jumps = [](const std::vector<double>& samples) {
        auto at = ToneJumps(samples, 48000.0 / 1003.0);
        std::erase_if(at, [](double x) { return x < 960; });
        return at;
    };
    const auto ours = jumps(s);
    const auto theirs = jumps(ChannelSamples(reference.Finish(), f, 0));
    EXPECT_LE(ours.size(), theirs.size()) << "audio lost: the first jump at " << ours.front() / 48000.0 << " s";
}

// A take starts with the sound that is playing, and a resumed take goes on
// with it: no silence at the start or at the join, and nothing from the
// pause.
TEST(PulseCapture, AResumedTakeGoesOnWithTheSoundOfTheMomentWithoutAGap)
{
    PulseBackend pulse;
    const PcmFormat f{48000, 16, 1};
    auto tone = std::make_unique<TonePlayer>(1003, 0.5, 6);
    ASSERT_TRUE(tone->Started());
    RunEventsFor(700);
    const auto leadingQuiet = [](const std::vector<double>& s, size_t from) {
        const auto quiet = QuietStretches(s, from, 0.05, 1);
        return !quiet.empty() && quiet[0].first == from ? quiet[0].second : 0;
    };
    RecordingRun run(pulse, -1, f, 8, 4800);  // 50 ms blocks
    ASSERT_TRUE(run.stream);
    const auto take = [&](int ms) {
        run.stopped = false;
        for (int i = 0; i < 8 && !run.captured.isEmpty(); ++i)
            run.stream->AddBuffer(run.pool[i]);
        const auto at = size_t(run.captured.size() / f.BlockAlign());
        EXPECT_TRUE(run.stream->Start());
        RunEventsFor(ms);
        EXPECT_TRUE(run.stream->Stop());
        EXPECT_TRUE(RunEventsUntil([&] { return run.stopped; }, 3000));
        run.stream->Reset();  // the engine's way: the empty blocks come back
        QCoreApplication::sendPostedEvents();
        return at;
    };
    const size_t first = take(400), second = take(400);
    auto s = ChannelSamples(run.captured, f);
    // PipeWire starts every new recorder with a period of silence, with our
    // 20 ms fragments at most that long. A resumed take has none.
    EXPECT_LE(leadingQuiet(s, first), testsupport::OnPipeWire() ? 960u : 48u);
    EXPECT_LT(leadingQuiet(s, second), 48u);
    EXPECT_NEAR(double(s.size() - second) / f.sampleRate, 0.4, 0.1);

    // The sound stops while the take is paused: the next one starts silent.
    tone.reset();
    RunEventsFor(500);
    const size_t third = take(200);
    s = ChannelSamples(run.captured, f);
    EXPECT_LT(ToneAmplitude(s, third, 960, f.sampleRate, 1003), 0.01) << "sound from before the pause";
}
