// The recorder window on the private sound servers: the position slider
// held on its channel during playback, the clip mark lit by a loud tone, and
// the window while the server's devices come and go: null sinks loaded and
// unloaded under the running window, a take whose source goes away or is
// moved by the user. Two sinks play different tones, so that the take tells
// which device it came from.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "controls/widget_test_helpers.h"
#include "engine/recording_engine.h"
#include "platform/audio/audio_backend.h"
#include "recorder/level_meter.h"
#include "recorder/readout.h"
#include "recorder/recorder_dialog.h"
#include "recorder/waveform_view.h"
#include "resources/strings.h"
#include "support/pulse_test_support.h"
#include "support/scoped_state.h"
#include "support/stream_killer.h"
#include "recorder/dialog_template.h"

namespace {

using namespace platform::audio;
using audiotest::Pactl;

::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new audiotest::SinkKeeper);

constexpr double kDefaultTone = 440;  // into quillon_null, the default sink
constexpr double kExtraTone = 1000;   // into the sink the test adds

// A tone into a sink, at a low latency: a sink played to with a long one
// renders late, and its monitor lags by as much.
struct SinkTone {
    QTemporaryDir dir;
    QProcess process;
    SinkTone(const QString& sink, double frequency)
    {
        ToneGenerator gen({48000, 16, 1}, frequency, 0.5);
        testsupport::WriteFile(dir.filePath("tone.raw"), gen.Next(48000 * 40));
        process.start("pacat",
                      {"--playback", "--raw", "--device=" + sink, "--format=s16le", "--rate=48000", "--channels=1",
                       "--latency-msec=50", dir.filePath("tone.raw")});
        EXPECT_TRUE(process.waitForStarted(5000));
    }
    ~SinkTone()
    {
        process.kill();
        process.waitForFinished(5000);
    }
};

// A null sink of the test's own while it lives, playing its tone.
struct ExtraSink {
    QString module;
    std::optional<SinkTone> tone;
    ExtraSink()
    {
        const auto r = Pactl({"load-module", "module-null-sink", "sink_name=quillon_extra",
                              "sink_properties=device.description=Quillon-Extra"});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        module = QString::fromUtf8(r.out).trimmed();
        tone.emplace("quillon_extra", kExtraTone);
    }
    void Unload()
    {
        if (module.isEmpty())
            return;
        tone.reset();
        Pactl({"unload-module", std::exchange(module, {})});
    }
    ~ExtraSink() { Unload(); }
};

QStringList Rows(QComboBox* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

// The description of a source as the server gives it.
QString Describe(const QString& source)
{
    for (const auto& d : Backend().InputDevices())
        if (d.serverName == source)
            return d.name;
    return {};
}

std::vector<QMessageBox*> MovedMessages()
{
    std::vector<QMessageBox*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w);
            box && box->isVisible() && box->objectName() == "captureMovedMessage")
            out.push_back(box);
    return out;
}

QString ExpectedMoveText(const QString& from, const QString& to)
{
    return QString::asprintf(resources::Text(resources::IDS_CAPTURE_DEVICE_MOVED).toUtf8().constData(),
                             from.toUtf8().constData(), to.toUtf8().constData());
}

// Indexes of the server's playback or capture streams ("sink-inputs",
// "source-outputs").
QStringList StreamIndexes(const QString& kind)
{
    QStringList out;
    for (const QString& line : QString::fromUtf8(Pactl({"list", "short", kind}).out).split('\n', Qt::SkipEmptyParts))
        out << line.section('\t', 0, 0);
    return out;
}

// Moves source output `index` to `source`, as a sound settings program does.
// PipeWire acknowledges a move now and then without making it, so the move
// is asked for again until the server lists the output on that source.
bool MoveSourceOutput(const QString& index, const QString& source)
{
    QString target;
    for (const QString& line : QString::fromUtf8(Pactl({"list", "short", "sources"}).out).split('\n'))
        if (line.section('\t', 1, 1) == source)
            target = line.section('\t', 0, 0);
    const auto movedThere = [&] {
        for (const QString& line : QString::fromUtf8(Pactl({"list", "short", "source-outputs"}).out).split('\n'))
            if (line.section('\t', 0, 0) == index)
                return line.section('\t', 1, 1) == target;
        return false;
    };
    for (int attempt = 0; !target.isEmpty() && attempt < 10; ++attempt)
        if (Pactl({"move-source-output", index, source}).exitCode != 0 || QTest::qWaitFor(movedThere, 500))
            return movedThere();
    return false;
}

// The real back end, with every reset of an output stream counted.
class ResetCountingBackend final : public AudioBackend {
public:
    explicit ResetCountingBackend(AudioBackend& real)
        : m_real(real)
    {
    }
    int resets = 0;

    std::vector<InputDevice> InputDevices() override { return m_real.InputDevices(); }
    std::unique_ptr<CaptureStream> OpenCapture(int device, const PcmFormat& format, CaptureCallbacks callbacks,
                                               QString* error) override
    {
        return m_real.OpenCapture(device, format, std::move(callbacks), error);
    }
    std::unique_ptr<PlaybackStream> OpenPlayback(const PcmFormat& format, PlaybackCallbacks callbacks,
                                                 QString* error) override
    {
        auto inner = m_real.OpenPlayback(format, std::move(callbacks), error);
        if (!inner)
            return nullptr;
        return std::make_unique<Counted>(std::move(inner), resets);
    }
    std::unique_ptr<InputMixer> OpenMixer(int device, MixerCallbacks callbacks) override
    {
        return m_real.OpenMixer(device, std::move(callbacks));
    }

private:
    struct Counted final : PlaybackStream {
        Counted(std::unique_ptr<PlaybackStream> inner, int& resets)
            : inner(std::move(inner))
            , resets(resets)
        {
        }
        bool Write(AudioBuffer* buffer) override { return inner->Write(buffer); }
        void Reset() override
        {
            ++resets;
            inner->Reset();
        }
        void Pause() override { inner->Pause(); }
        void Resume() override { inner->Resume(); }
        uint64_t PlayedFrames() const override { return inner->PlayedFrames(); }
        void Close() override { inner->Close(); }
        std::unique_ptr<PlaybackStream> inner;
        int& resets;
    };
    AudioBackend& m_real;
};

class WindowOnTheServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
        tmpDirEnv.emplace("TMPDIR", dir.path());
        settings.emplace(dir.filePath("Quillon.conf"), QSettings::IniFormat);
        store.emplace(&*settings);
    }
    void TearDown() override
    {
        if (window)
            window->Engine().DiscardTake();  // closing asks nothing
        window.reset();
    }
    // At 48000 Hz 16-bit mono (row 25) or stereo (27).
    RecorderDialog& Open(int formatRow = 25)
    {
        window = std::make_unique<RecorderDialog>(*store);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        EXPECT_GT(List()->count(), 0);
        window->ControlAs<QComboBox>(RecorderControl::FormatList)->setCurrentIndex(formatRow);
        return *window;
    }
    QComboBox* List() { return window->ControlAs<QComboBox>(RecorderControl::DeviceList); }
    void Choose(const QString& text)
    {
        const int row = List()->findText(text);
        ASSERT_GE(row, 0) << text.toStdString();
        List()->setCurrentIndex(row);
        emit List()->activated(row);
    }
    void Click(int id) { QTest::mouseClick(window->ControlAs<QPushButton>(id), Qt::LeftButton); }
    // The take's samples after Stop.
    std::vector<double> Take()
    {
        const QByteArray wav = testsupport::ReadFile(window->Engine().GetRecordingFile().Path());
        return audiotest::ChannelSamples(wav.mid(window->Engine().GetHeaderSize()), {48000, 16, 1});
    }
    // Which of the two tones is stronger over a second from `fromSecond`.
    static double ToneAt(const std::vector<double>& s, double fromSecond)
    {
        const auto from = size_t(fromSecond * 48000);
        const double a = audiotest::ToneAmplitude(s, from, 48000, 48000, kDefaultTone);
        const double b = audiotest::ToneAmplitude(s, from, 48000, 48000, kExtraTone);
        return a > 4 * b ? kDefaultTone : b > 4 * a ? kExtraTone : 0;
    }

    QTemporaryDir dir;
    std::optional<testsupport::ScopedEnv> tmpDirEnv;
    std::optional<QSettings> settings;
    std::optional<SettingsStore> store;
    // Outlive the window that plays through them.
    std::optional<ResetCountingBackend> counting;
    std::optional<testsupport::ScopedBackend> countingInUse;
    std::unique_ptr<RecorderDialog> window;
};

// The mouse held on the position slider's channel during playback: the
// output is reset once, at the release, and plays on from the thumb to the end.
TEST_F(WindowOnTheServer, HoldingTheSliderChannelDuringPlaybackResetsOnceAndPlaysOnFromTheThumb)
{
    // A tone into the null sink keeps its monitor running in real time.
    audiotest::TonePlayer tone(440, 0.5, 30, {48000, 16, 2});
    ASSERT_TRUE(tone.Started());
    QTest::qWait(3000);
    counting.emplace(Backend());
    countingInUse.emplace(*counting);
    RecordingEngine& engine = Open(27).Engine();
    Click(RecorderControl::Record);
    ASSERT_TRUE(engine.IsRecording());
    QTest::qWait(2500);
    Click(RecorderControl::Stop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.IsRecording(); }, 5000));
    const uint32_t frames = engine.GetDataLength() / 4;
    ASSERT_GT(frames, 48000u * 2);

    Click(RecorderControl::SeekStart);
    Click(RecorderControl::Play);
    ASSERT_TRUE(engine.IsPlaying());
    auto* slider = window->ControlAs<QSlider>(RecorderControl::PositionSlider);
    const QPoint channel(slider->width() * 3 / 5, slider->height() / 2);
    QTest::mousePress(slider, Qt::LeftButton, {}, channel);
    QTest::qWait(1200);
    EXPECT_EQ(counting->resets, 0);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, channel);
    EXPECT_EQ(counting->resets, 1);
    const auto thumb = uint32_t(slider->value());
    EXPECT_GT(thumb, frames / 2);
    EXPECT_EQ(window->ControlAs<QLabel>(RecorderControl::PositionReadout)->text(),
              ReadoutText(resources::IDS_POSITION_READOUT, thumb, 48000));

    // From the thumb to the end, then the device closes by itself.
    EXPECT_TRUE(engine.IsPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.IsPlaying(); }, 10000));
    EXPECT_EQ(engine.Position(), frames);
    EXPECT_EQ(counting->resets, 1);
}

// A quiet tone played into the null sink and recorded from its monitor leaves
// the clip mark out; a tone at full scale lights it, and the stopped
// recording's tooltip says so.
TEST_F(WindowOnTheServer, AQuietToneLeavesTheClipMarkOutAndAFullScaleToneLightsIt)
{
    RecordingEngine& engine = Open(27).Engine();
    auto& panel = *static_cast<WaveformView*>(window->ControlAs<QWidget>(RecorderControl::Waveform));
    // The clip mark as on screen, from the panel's screenshot, while recording.
    auto take = [&](double amplitude, const QString& name) {
        audiotest::TonePlayer tone(1000, amplitude, 30, {48000, 16, 2});
        EXPECT_TRUE(tone.Started());
        QTest::qWait(2000);
        Click(RecorderControl::Record);
        EXPECT_TRUE(engine.IsRecording());
        QTest::qWait(1500);
        const QImage inside = panel.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(panel.contentsRect());
        inside.save(testsupport::ScreenshotDir() + "/" + name + ".png");
        Click(RecorderControl::Stop);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !engine.IsRecording(); }, 5000));
        return inside.pixel(inside.width() - LevelMeter::kWidth / 2 - 1, 1);
    };
    EXPECT_EQ(take(0.25, "levels_server_quiet"), qRgb(80, 0, 0));
    EXPECT_TRUE(panel.toolTip().contains(" -12.0 dBFS")) << panel.toolTip().toStdString();
    EXPECT_EQ(take(1.0, "levels_server_full_scale"), qRgb(255, 0, 0));
    EXPECT_TRUE(panel.toolTip().contains(" 0.0 dBFS")) << panel.toolTip().toStdString();
}

TEST_F(WindowOnTheServer, TheIdleListFollowsSourcesAndKeepsItsSelectionByDevice)
{
    RecorderDialog& w = Open();
    const QStringList before = Rows(List());
    ASSERT_FALSE(before.isEmpty());
    const QString defaultName = Describe("quillon_null.monitor");
    Choose(defaultName);

    // An input joins before the monitors, and leaves: the rows move, the
    // selection stays with its device.
    {
        audiotest::ExtraSource mic;
        ASSERT_TRUE(QTest::qWaitFor([&] { return List()->count() == before.size() + 1; }, 2000));
        const int micRow = List()->findText(Describe("quillon_mic"));
        EXPECT_TRUE(micRow >= 0 && micRow < List()->findText(defaultName)) << Rows(List()).join(", ").toStdString();
        EXPECT_EQ(List()->currentText(), defaultName);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return List()->count() == before.size(); }, 2000));
    EXPECT_EQ(List()->currentText(), defaultName);
    const QString status = w.ControlAs<QLabel>(RecorderControl::PlaylistStatus)->text();

    auto extra = std::make_unique<ExtraSink>();
    // A sink brings its monitor: monitors come last, in the server's order.
    ASSERT_TRUE(QTest::qWaitFor([&] { return List()->count() == before.size() + 1; }, 2000))
        << Rows(List()).join(", ").toStdString();
    const QString extraName = Describe("quillon_extra.monitor");
    EXPECT_EQ(Rows(List()), QStringList(before) << extraName);
    EXPECT_EQ(List()->currentText(), defaultName);
    EXPECT_EQ(w.ControlAs<QLabel>(RecorderControl::PlaylistStatus)->text(), status);

    // The extra device chosen, then removed: the default takes its place, and the status line says so.
    Choose(extraName);
    extra->Unload();
    ASSERT_TRUE(QTest::qWaitFor([&] { return List()->count() == before.size(); }, 2000));
    EXPECT_EQ(Rows(List()), before);
    EXPECT_EQ(List()->currentText(), defaultName);
    EXPECT_EQ(w.ControlAs<QLabel>(RecorderControl::PlaylistStatus)->text(),
              QString::asprintf(resources::Text(resources::IDS_DEVICE_REMOVED_DEFAULT_CHOSEN).toUtf8().constData(),
                                extraName.toUtf8().constData(), defaultName.toUtf8().constData()));
    EXPECT_TRUE(List()->isEnabled());
}

// Moved by the user to the added device, then that device unloaded: the
// take goes on through both moves, each told once, and keeps its timeline.
TEST_F(WindowOnTheServer, ATakeMovedByTheUserAndThenByTheServerGoesOnAndKeepsItsTimeline)
{
    SinkTone defaultTone("quillon_null", kDefaultTone);
    ExtraSink extra;
    RecorderDialog& w = Open();
    const QString defaultName = Describe("quillon_null.monitor");
    const QString extraName = Describe("quillon_extra.monitor");
    ASSERT_TRUE(QTest::qWaitFor([&] { return List()->findText(extraName) >= 0; }, 2000));
    Choose(defaultName);
    QTest::qWait(1500);  // both tones running

    QElapsedTimer recorded;
    Click(RecorderControl::Record);
    recorded.start();
    ASSERT_TRUE(w.Engine().IsRecording());
    QTest::qWait(2500);
    // Ours is the only capture stream on the server.
    const QString outputs = QString::fromUtf8(Pactl({"list", "short", "source-outputs"}).out).trimmed();
    ASSERT_EQ(outputs.count('\n'), 0) << outputs.toStdString();
    ASSERT_TRUE(MoveSourceOutput(outputs.section('\t', 0, 0), "quillon_extra.monitor"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !MovedMessages().empty(); }, 5000));
    const double firstMove = recorded.elapsed() / 1000.0;
    ASSERT_EQ(MovedMessages().size(), 1u);
    EXPECT_EQ(MovedMessages().front()->text(), ExpectedMoveText(defaultName, extraName));
    EXPECT_EQ(List()->currentText(), extraName);
    MovedMessages().front()->close();

    QTest::qWait(2500);
    extra.Unload();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !MovedMessages().empty(); }, 3000));
    const double secondMove = recorded.elapsed() / 1000.0;
    EXPECT_EQ(MovedMessages().front()->text(), ExpectedMoveText(extraName, defaultName));
    EXPECT_EQ(List()->currentText(), defaultName);
    EXPECT_EQ(Rows(List()).count(extraName), 0);
    EXPECT_FALSE(List()->isEnabled());
    EXPECT_TRUE(w.Engine().IsRecording());

    QTest::qWait(2500);
    Click(RecorderControl::Stop);
    const double seconds = recorded.elapsed() / 1000.0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Engine().IsRecording(); }, 5000));
    EXPECT_EQ(MovedMessages().size(), 1u);

    const auto s = Take();
    EXPECT_NEAR(double(s.size()) / 48000, seconds, 0.3);
    EXPECT_EQ(ToneAt(s, 0.5), kDefaultTone);
    EXPECT_EQ(ToneAt(s, firstMove + 0.5), kExtraTone);
    EXPECT_EQ(ToneAt(s, secondMove + 0.5), kDefaultTone);
}

// The take played through a sink of the test's own, which then goes away:
// the server moves the playback to the default sink and it plays on there.
// Ended by the server instead, it stops with the lost-output message.
TEST_F(WindowOnTheServer, PlaybackGoesOnWhenItsSinkGoesAwayAndStopsWithAMessageWhenEnded)
{
    RecorderDialog& w = Open();
    Choose(Describe("quillon_null.monitor"));
    {
        SinkTone tone("quillon_null", kDefaultTone);
        QTest::qWait(1000);
        Click(RecorderControl::Record);
        ASSERT_TRUE(w.Engine().IsRecording());
        QTest::qWait(8000);
        Click(RecorderControl::Stop);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Engine().IsRecording(); }, 5000));
    }
    ExtraSink extra;
    extra.tone.reset();
    const QStringList others = StreamIndexes("sink-inputs");
    widgettest::MessageBoxCatcher errors;
    Click(RecorderControl::SeekStart);
    Click(RecorderControl::Play);
    ASSERT_TRUE(w.Engine().IsPlaying());
    QString ours;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (const QString& i : StreamIndexes("sink-inputs"))
                if (!others.contains(i))
                    ours = i;
            return !ours.isEmpty();
        },
        2000));
    ASSERT_EQ(Pactl({"move-sink-input", ours, "quillon_extra"}).exitCode, 0);
    QTest::qWait(1000);

    extra.Unload();
    audiotest::MonitorRecorder monitor({48000, 16, 1});
    ASSERT_TRUE(monitor.Started());
    const uint32_t atUnload = w.Engine().Position();
    QTest::qWait(2000);
    EXPECT_TRUE(w.Engine().IsPlaying());
    EXPECT_GT(w.Engine().Position(), atUnload + 48000);
    const auto heard = audiotest::ChannelSamples(monitor.Finish(), {48000, 16, 1});
    ASSERT_GT(heard.size(), 48000u);
    EXPECT_GT(audiotest::StrongestToneAmplitude(heard, 48000, kDefaultTone, 48000), 0.1);

    EXPECT_EQ(errors.count, 0) << errors.text.toStdString();
    ASSERT_TRUE(StreamIndexes("sink-inputs").contains(ours));
    ASSERT_TRUE(audiotest::KillServerStream(audiotest::StreamKind::Playback, ours.toUInt()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return errors.count > 0; }, 3000));
    EXPECT_EQ(errors.count, 1);
    EXPECT_EQ(errors.text, resources::Text(resources::IDS_PLAYBACK_DEVICE_LOST));
    EXPECT_FALSE(w.Engine().IsPlaying());
}

// A take whose capture stream the server ends keeps every frame up to
// then and says the device is lost.
TEST_F(WindowOnTheServer, ATakeWhoseStreamIsEndedKeepsEveryFrameAndSaysSo)
{
    SinkTone tone("quillon_null", kDefaultTone);
    RecorderDialog& w = Open();
    Choose(Describe("quillon_null.monitor"));
    QTest::qWait(1000);
    const QStringList others = StreamIndexes("source-outputs");
    QElapsedTimer recorded;
    Click(RecorderControl::Record);
    recorded.start();
    ASSERT_TRUE(w.Engine().IsRecording());
    QTest::qWait(3000);
    QStringList ours = StreamIndexes("source-outputs");
    for (const QString& i : others)
        ours.removeAll(i);
    ASSERT_EQ(ours.size(), 1);
    widgettest::MessageBoxCatcher errors;
    ASSERT_TRUE(audiotest::KillServerStream(audiotest::StreamKind::Capture, ours.front().toUInt()));
    const double seconds = recorded.elapsed() / 1000.0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return errors.count > 0; }, 3000));
    EXPECT_EQ(errors.count, 1);
    EXPECT_EQ(errors.text, resources::Text(resources::IDS_RECORD_DEVICE_LOST));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Engine().IsRecording(); }, 3000));
    const auto s = Take();
    EXPECT_NEAR(double(s.size()) / 48000, seconds, 0.3);
    EXPECT_EQ(ToneAt(s, seconds - 1.2), kDefaultTone);
}

}  // namespace
