// Playback through the PulseAudio back end into the private server's null
// sink, checked with parec on the sink's monitor.
#include "event_log.h"
#include "platform/audio/pulse_backend.h"
#include "support/pulse_test_support.h"

using namespace platform::audio;
using namespace audiotest;

namespace {

// Blocks holding consecutive pieces of one tone.
BufferPool ToneBlocks(const PcmFormat& f, int count, uint32_t framesPerBlock, double frequency, double amplitude)
{
    BufferPool pool(count, framesPerBlock * f.BlockAlign());
    ToneGenerator tone(f, frequency, amplitude);
    for (int i = 0; i < count; ++i)
        std::memcpy(pool[i]->data, tone.Next(framesPerBlock).constData(), pool[i]->length);
    return pool;
}

// A playback stream with parec listening on the sink's monitor.
struct ListenedPlayback {
    PulseBackend pulse;
    MonitorRecorder monitor{PcmFormat{48000, 16, 1}};
    std::unique_ptr<PlaybackStream> out;

    ListenedPlayback(const PcmFormat& f, const PlaybackCallbacks& callbacks)
    {
        EXPECT_TRUE(monitor.Started());
        QString error;
        out = pulse.OpenPlayback(f, callbacks, &error);
        EXPECT_TRUE(out) << error.toStdString();
        RunEventsFor(100);
    }
    // Runs events until `done`, collecting what parec hears meanwhile.
    bool ListenUntil(const std::function<bool()>& done, int timeoutMs)
    {
        return RunEventsUntil(
            [&] {
                monitor.Collect();
                return done();
            },
            timeoutMs);
    }
    std::vector<double> Heard() { return ChannelSamples(monitor.Finish(), PcmFormat{48000, 16, 1}); }
};

}  // namespace

// A server plays only whole periods of its own; the end of what a writer
// gives it rarely is one. The last block must still play in full and come
// back, and a stream that ran dry must play the next block as well.
TEST(PulsePlayback, TheLastBlockPlaysInFullAndComesBackAndSoDoesOneWrittenAfterAPause)
{
    for (const PcmFormat f : {PcmFormat{48000, 16, 2}, PcmFormat{22050, 8, 1}}) {
        SCOPED_TRACE(f.sampleRate);
        // A quarter of a second and 5 ms, then 10 ms.
        const uint32_t frames[2] = {f.sampleRate / 4 + f.sampleRate / 200, f.sampleRate / 100};
        BufferPool pool = ToneBlocks(f, 2, frames[0], 1000, 0.5);
        pool[1]->length = frames[1] * f.BlockAlign();
        EventLog log(&pool.headers);
        ListenedPlayback playback(f, log.PlaybackCallbacks());
        ASSERT_TRUE(playback.out);
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(i);
            QElapsedTimer clock;
            clock.start();
            ASSERT_TRUE(playback.out->Write(pool[i]));
            ASSERT_TRUE(playback.ListenUntil([&] { return log.buffers.size() == size_t(i + 1); }, 3000))
                << "the block never came back";
            const qint64 duration = qint64(frames[i]) * 1000 / f.sampleRate;
            EXPECT_GE(clock.elapsed(), duration - 120);
            EXPECT_LE(clock.elapsed(), duration + 600);
            RunEventsFor(300);  // dry
        }
        const auto s = playback.Heard();
        const auto heard = SoundStretches(s, 0.1, 48);
        ASSERT_EQ(heard.size(), 2u);
        for (int i = 0; i < 2; ++i)
            EXPECT_NEAR(double(heard[size_t(i)].second) / 48000, double(frames[i]) / f.sampleRate, 0.004)
                << "block " << i << " not heard in full";
    }
}

// Blocks written as others come back. With four out, as the recorder plays,
// the server keeps running dry of what we wrote and being given more; with
// sixteen, as the player keeps them, blocks may come back in batches, but
// never so late that the server runs out, nor before they were heard. Both
// must sound like one unbroken tone.
class BlocksThatKeepComing : public ::testing::TestWithParam<int> {};

TEST_P(BlocksThatKeepComing, ComeBackInOrderOnlyAsTheyArePlayedAndSoundAsOneUnbrokenTone)
{
    const PcmFormat f{44100, 16, 2};
    const int kBlocks = GetParam(), kWrites = 100;
    const uint32_t frames = f.sampleRate * 30 / 1000;  // 30 ms each
    BufferPool pool(kBlocks, frames * f.BlockAlign());
    ToneGenerator tone(f, 1003, 0.4);
    int written = 0, returned = 0;
    PlaybackStream* out = nullptr;
    QElapsedTimer clock;
    const auto writeNext = [&](AudioBuffer* b) {
        if (written == kWrites)
            return;
        std::memcpy(b->data, tone.Next(frames).constData(), b->length);
        ++written;
        EXPECT_TRUE(out->Write(b));
    };
    PlaybackCallbacks callbacks;
    const auto owner = std::this_thread::get_id();
    callbacks.bufferDone = [&](AudioBuffer* b) {
        EXPECT_EQ(b, pool[returned % kBlocks]) << "out of order";
        EXPECT_EQ(std::this_thread::get_id(), owner);
        // Block k holds audio up to (k + 1) * 30 ms: it cannot have been heard before that.
        EXPECT_GE(clock.elapsed(), (returned + 1) * 30 - 120) << "block " << returned;
        ++returned;
        writeNext(b);
    };
    ListenedPlayback playback(f, callbacks);
    out = playback.out.get();
    ASSERT_TRUE(out);
    clock.start();
    for (int i = 0; i < kBlocks; ++i)
        writeNext(pool[i]);
    ASSERT_TRUE(playback.ListenUntil([&] { return returned == kWrites; }, 8000));
    EXPECT_LE(clock.elapsed(), kWrites * 30 + 600);
    RunEventsFor(100);
    const auto s = playback.Heard();

    const auto heard = SoundStretches(s, 0.05, 48);
    ASSERT_EQ(heard.size(), 1u) << "a silent gap";
    EXPECT_NEAR(double(heard[0].second) / 48000, kWrites * 0.030, 0.003);
    EXPECT_NEAR(StrongestToneAmplitude(s, 48000, 1003, 2400), MonoMonitorLevel(0.4), 0.05);
    EXPECT_LT(StrongestToneAmplitude(s, 48000, 1500, 2400), 0.03);
    const auto from = s.begin() + long(heard[0].first);
    const auto breaks = ToneJumps({from + 48, from + long(heard[0].second) - 48}, 48000.0 / 1003);
    EXPECT_TRUE(breaks.empty()) << breaks.size() << " breaks, the first at " << breaks.front() / 48000 << " s";
}

INSTANTIATE_TEST_SUITE_P(PulsePlayback, BlocksThatKeepComing, ::testing::Values(4, 16));

// The stream a reset makes is still being created when a close follows at
// once (a player stopped as its window goes): it must not stay on the server.
TEST(PulsePlayback, ResetReturnsEveryQueuedBlockAtOnceLaterWholeFrameBlocksStillPlayAndNoStreamStaysBehind)
{
    const auto count = [](const char* what) {
        return QString::fromUtf8(Pactl({"list", "short", what}).out).split('\n', Qt::SkipEmptyParts).size();
    };
    const auto inputs = count("sink-inputs"), outputs = count("source-outputs");
    PulseBackend pulse;
    const PcmFormat f{48000, 16, 1};
    BufferPool pool = ToneBlocks(f, 10, 9600, 440, 0.3);  // two seconds
    EventLog log(&pool.headers);
    auto out = pulse.OpenPlayback(f, log.PlaybackCallbacks());
    ASSERT_TRUE(out);
    for (int i = 0; i < 10; ++i)
        out->Write(pool[i]);
    RunEventsFor(300);
    EXPECT_LE(log.buffers.size(), 2u);
    out->Reset();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(log.buffers.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(log.buffers[size_t(i)], pool[i]);

    pool[0]->length = 961;
    EXPECT_FALSE(out->Write(pool[0])) << "half a frame";
    pool[0]->length = 960;  // 10 ms
    ASSERT_TRUE(out->Write(pool[0]));
    ASSERT_TRUE(RunEventsUntil([&] { return log.buffers.size() == 11; }, 1500));
    out->Close();
    EXPECT_FALSE(out->Write(pool[1]));

    // Closed right after a reset or a stop, streams leave nothing on the server.
    for (int i = 0; i < 3; ++i) {
        out = pulse.OpenPlayback(f, log.PlaybackCallbacks());
        ASSERT_TRUE(out);
        out->Write(pool[0]);
        out->Reset();
        out->Close();
        auto in = pulse.OpenCapture(-1, f, {});
        ASSERT_TRUE(in);
        ASSERT_TRUE(in->Start());
        in->Stop();
        in->Close();
    }
    RunEventsFor(500);
    EXPECT_EQ(count("sink-inputs"), inputs) << Pactl({"list", "sink-inputs"}).out.toStdString();
    EXPECT_EQ(count("source-outputs"), outputs);
}
