// The whole engine against the private PulseAudio server: a tone played into
// the null sink is recorded from its monitor, checked with sox, played back
// and captured again.
#include "engine_fixture.h"
#include "platform/audio/pulse_backend.h"
#include "platform/audio/pulse_context.h"
#include "support/pulse_test_support.h"

using namespace enginetest;
using namespace audiotest;
using namespace testsupport;

namespace {

QString Soxi(const QString& option, const QString& file)
{
    const auto r = RunTool("soxi", {option, file});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QString::fromLocal8Bit(r.out).trimmed();
}

double Seconds(const QString& file) { return Soxi("-D", file).toDouble(); }

// Without it the null sink of the PulseAudio daemon renders a second or
// more ahead, and playback would start that late.
static ::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new audiotest::SinkKeeper);

class EnginePulseTest : public TakeFolderTest {
protected:
    QTemporaryDir work;
    EngineReports view;
    std::unique_ptr<RecordingEngine> engine;
    QProcess tone;
    QElapsedTimer sinceRecord;

    void SetUp() override
    {
        ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
        view.device = -1;  // the default source: the null sink's monitor
        view.formatRow = kRow48000Stereo16;
        engine = std::make_unique<RecordingEngine>();
        view.Listen(*engine);
    }
    void TearDown() override
    {
        engine.reset();
        StopTone();
    }
    // The first channel of a 48 kHz 16-bit recording, as -1..1.
    std::vector<double> MonoSamples(const QString& file)
    {
        const QString raw = work.filePath("mono.raw");
        const auto sox =
            RunTool("sox", {file, "-t", "raw", "-e", "signed", "-b", "16", "-r", "48000", raw, "remix", "1"});
        EXPECT_EQ(sox.exitCode, 0) << sox.err.toStdString();
        return ChannelSamples(ReadFile(raw), {48000, 16, 1});
    }
    // A 1000 Hz sine into the null sink, for as long as the test needs it.
    void StartTone()
    {
        const QString file = work.filePath("tone.wav");
        const QStringList synth = {"-n", "-r",    "48000", "-c",   "2",    "-b",  "16",
                                   file, "synth", "60",    "sine", "1000", "vol", "0.5"};
        ASSERT_EQ(RunTool("sox", synth).exitCode, 0);
        tone.start("paplay", {"--latency-msec=20", file});
        ASSERT_TRUE(tone.waitForStarted());
        // A new stream into the null sink takes a moment before its monitor
        // runs in real time; until then a recording would start late.
        RunEventsFor(3000);
        ASSERT_EQ(tone.state(), QProcess::Running);
    }
    void StopTone()
    {
        tone.kill();
        tone.waitForFinished();
    }
    // Records, runs `meanwhile`, then events for `ms`; presses Stop and waits
    // for the device to hand over the rest. Returns the time between Record
    // and Stop in seconds.
    double RecordFor(int ms, const std::function<void()>& meanwhile = {})
    {
        sinceRecord.start();
        engine->Record(view.device, RecordFormats::Format(view.formatRow));
        EXPECT_TRUE(engine->IsRecording()) << "errors: " << view.errors.size();
        if (meanwhile)
            meanwhile();
        RunEventsFor(ms);
        const double pressed = sinceRecord.elapsed() / 1000.0;
        engine->Stop();
        EXPECT_TRUE(RunEventsUntil([&] { return !engine->IsRecording(); }, 5000));
        return pressed;
    }
    QString CopyOfRecording(const QString& name)
    {
        const QString copy = work.filePath(name);
        EXPECT_TRUE(QFile::copy(WavPath(), copy));
        return copy;
    }
};

}  // namespace

// The recording holds the sound up to the press of Stop, including the block
// being filled at that moment, which lasts 0.77 s at 8000 Hz 8-bit mono; it
// goes on without a gap when resumed, and plays back intact.
class StopKeepsTheTail : public EnginePulseTest, public ::testing::WithParamInterface<int> {};

TEST_P(StopKeepsTheTail, TheFileHoldsTheToneUpToThePressOfStopGoesOnWithoutAGapAndPlaysBackIntact)
{
    StartTone();
    view.formatRow = GetParam();
    const double pressed = RecordFor(2300);  // not a whole number of blocks at either rate
    ASSERT_TRUE(view.errors.empty());
    const QString file = CopyOfRecording("tail.wav");
    const PcmFormat format = RecordFormats::Format(GetParam());
    for (auto [option, value] : {std::pair<const char*, int>{"-r", int(format.sampleRate)},
                                 {"-c", format.channels},
                                 {"-b", format.bitsPerSample}})
        EXPECT_EQ(Soxi(option, file), QString::number(value));
    EXPECT_TRUE(view.lost.empty()) << "a take without loss says nothing about it";
    const double seconds = Seconds(file);
    EXPECT_GT(seconds, pressed - 0.15) << "recorded " << seconds << " s, Stop pressed after " << pressed << " s";
    EXPECT_LT(seconds, pressed + 0.25);
    // The last tenth of a second is still the tone, not silence or padding.
    const QString tailStart = QString::number(seconds - 0.1, 'f', 3);
    EXPECT_GT(SoxStat({file, "-n", "trim", tailStart, "stat"}, "RMS     amplitude"), 0.2);
    EXPECT_NEAR(SoxStat({file, "-n", "remix", "1", "trim", "0.3", "1", "stat"}, "Rough   frequency"), 1000, 30);

    // Resume continues right after it, without a silent moment at the join.
    const double more = RecordFor(1000);
    StopTone();
    const QString both = CopyOfRecording("both.wav");
    const double total = Seconds(both);
    EXPECT_NEAR(total, seconds + more, 0.3);
    const auto samples = MonoSamples(both);
    const auto join = size_t(seconds * 48000);
    ASSERT_GT(samples.size(), join + 2400);
    const std::vector<double> aroundJoin(samples.begin() + long(join) - 2400, samples.begin() + long(join) + 2400);
    EXPECT_TRUE(QuietStretches(aroundJoin, 0, 0.05, 48).empty()) << "a gap at the join";

    // Played back while another program records the sink's monitor.
    const QString captured = work.filePath("captured.wav");
    QProcess rec;
    // A short latency: PipeWire sends a recorder its audio in pieces of that
    // size and drops the last, incomplete one when the recorder is stopped.
    rec.start("parecord",
              {"--device=quillon_null.monitor", "--rate=48000", "--channels=2", "--latency-msec=20", "--format=s16le",
               "--file-format=wav", captured});
    ASSERT_TRUE(rec.waitForStarted());
    RunEventsFor(500);
    QElapsedTimer playing;
    playing.start();
    engine->Play();
    ASSERT_TRUE(engine->IsPlaying());
    ASSERT_TRUE(RunEventsUntil([&] { return !engine->IsPlaying(); }, int(total * 1000) + 5000));
    EXPECT_LT(playing.elapsed() / 1000.0, total + 1.0) << "stopped long after the end";
    EXPECT_EQ(engine->Position(), engine->GetDataLength() / format.BlockAlign()) << "played to the end";
    RunEventsFor(500);
    rec.terminate();
    ASSERT_TRUE(rec.waitForFinished(5000));

    // The sound part of the capture: the recording, as long as it was.
    const QStringList trimmed = {captured,  "-n",      "remix", "1",    "silence", "1",       "0.01", "2%",
                                 "reverse", "silence", "1",     "0.01", "2%",      "reverse", "stat"};
    EXPECT_NEAR(SoxStat(trimmed, "Length (seconds)"), total, 0.2);
    EXPECT_NEAR(SoxStat(trimmed, "Rough   frequency"), 1000, 20);
}

// Format rows: 8000 Hz 8-bit mono, 48000 Hz 16-bit stereo.
INSTANTIATE_TEST_SUITE_P(Formats, StopKeepsTheTail, ::testing::Values(kRow8000Mono8, kRow48000Stereo16));

// The whole client stalls for 20 s (the sound library's lock held, as a
// machine deep in swap or a debugger would): the server throws away what
// does not fit its queue. The take keeps its timeline with silence of that
// length, and the user hears of it once.
TEST_F(EnginePulseTest, AudioTheServerDroppedDuringAStallBecomesSilenceOfTheSameLengthAndIsReportedOnce)
{
    StartTone();
    double stallEnded = 0;
    const double pressed = RecordFor(3000, [&] {
        RunEventsFor(2000);
        auto* pulse = dynamic_cast<platform::audio::PulseBackend*>(&platform::audio::Backend());
        ASSERT_TRUE(pulse && pulse->SharedConnection());
        const auto connection = pulse->SharedConnection();
        std::thread stall([connection] {
            platform::audio::PulseContext::Lock lock(*connection);
            std::this_thread::sleep_for(std::chrono::seconds(20));
        });
        stall.join();
        stallEnded = sinceRecord.elapsed() / 1000.0;
    });
    StopTone();
    ASSERT_TRUE(view.errors.empty());

    const QString file = CopyOfRecording("stalled.wav");
    EXPECT_NEAR(Seconds(file), pressed, 0.1) << "the take keeps the time between Record and Stop";
    ASSERT_EQ(view.lost.size(), 1u) << "told once";
    EXPECT_GT(view.lost[0], 2.0);
    EXPECT_LT(view.lost[0], 20.5);

    // One silent span of the length reported; after it, the tone that played
    // after the stall, for as long as it played until Stop.
    // A new stream may start with a moment of silence: from half a second on.
    auto samples = MonoSamples(file);
    samples.erase(samples.begin(), samples.begin() + std::min<size_t>(24000, samples.size()));
    const auto stretches = SoundStretches(samples, 0.05, 4800);
    ASSERT_EQ(stretches.size(), 2u);
    const size_t gapStart = stretches[0].first + stretches[0].second;
    const double gap = double(stretches[1].first - gapStart) / 48000;
    EXPECT_NEAR(gap, view.lost[0], 0.15);
    EXPECT_NEAR(double(stretches[1].second) / 48000, pressed - stallEnded, 0.3);
    EXPECT_GT(ToneAmplitude(samples, stretches[1].first + 2400, 24000, 48000, 1000), 0.2);
}

// The window's thread does not run for longer than the server keeps audio:
// the writer takes it all to the disk meanwhile, synced as it grows.
TEST_F(EnginePulseTest, AWindowThreadThatDoesNotRunLosesNothingAndTheFileOnDiskFollowsTheTake)
{
    StartTone();
    // The server's own recorder hears the source beside the take.
    QProcess reference;
    const QString referenceFile = work.filePath("reference.wav");
    reference.start(
        "parecord",
        {"--rate=48000", "--channels=2", "--format=s16le", "--latency-msec=100", "--file-format=wav", referenceFile});
    ASSERT_TRUE(reference.waitForStarted());
    const double pressed = RecordFor(1000, [&] {
        std::this_thread::sleep_for(std::chrono::seconds(30));  // well past the server's 12 s

        // The file as a power cut would leave it: data and header sizes
        // within two seconds of the time recorded.
        const double recorded = sinceRecord.elapsed() / 1000.0;
        const QByteArray onDisk = ReadFile(WavPath());
        const WaveHeader header = HeaderOf(onDisk);
        const double dataSeconds = double(onDisk.size() - 44) / 192000;
        EXPECT_GT(dataSeconds, recorded - 2.0);
        EXPECT_LT(dataSeconds, recorded + 0.1);
        // Against the data, not the clock: a busy PipeWire lets its source fall behind the clock.
        EXPECT_GT(double(header.dataSize) / 192000, dataSeconds - 2.2) << "the header follows at the sync's pace";
        EXPECT_LE(header.dataSize, uint32_t(onDisk.size() - 44));
        EXPECT_EQ(header.riffSize, header.dataSize + 36);
    });
    StopTone();
    EXPECT_TRUE(view.errors.empty());
    EXPECT_TRUE(view.lost.empty());
    reference.terminate();
    reference.waitForFinished();
    const QString file = CopyOfRecording("blocked.wav");
    // The reference ran from before Record to after Stop: when a busy server's
    // source fell behind the clock, it got that much less too.
    const double seconds = Seconds(file);
    EXPECT_LT(seconds, pressed + 0.25);
    EXPECT_GT(seconds, std::min(pressed, Seconds(referenceFile)) - 0.25);

    // A gap in the take is ours only when the source had none there. On a
    // busy machine PipeWire lets the tone's 20 ms stream run dry now and
    // then: the sink's monitor then holds 10-50 ms of silence, which the
    // server's own recorder hears at the same moment for as long; the user
    // would hear it in any recording of that source. Either stream may reach
    // the server first, so a gap's twin lies within a second of it. A new stream may
    // start with a moment of silence on PipeWire: the take from 0.5 s on.
    // A starved PipeWire also blanks whole graph cycles (multiples of 256
    // samples) in one recording stream but not the other; our side fills
    // nothing shorter than a block (100 ms) with silence without saying so.
    const auto samples = MonoSamples(file);
    const auto heard = MonoSamples(referenceFile);
    const auto referenceGaps = QuietStretches(heard, 0, 0.05, 480);
    for (const auto& [at, length] : QuietStretches(samples, 24000, 0.05, 480)) {
        if (at + length + 4800 > heard.size())
            continue;  // where the reference, stopped by a signal, may have lost its last moment
        if (OnPipeWire() && length < 4800)
            continue;
        const bool inTheSource = std::any_of(referenceGaps.begin(), referenceGaps.end(), [&](const auto& gap) {
            return gap.first + 48000 >= at && gap.first <= at + 48000 && gap.second + 480 >= length;
        });
        EXPECT_TRUE(inTheSource) << "a gap of " << length << " samples at " << at << " that the source did not have";
    }
}
