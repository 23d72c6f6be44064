// The recorder window while the server's devices come and go: null sinks
// loaded and unloaded under the running window, a take whose source goes
// away or is moved by the user. Two sinks play different tones, so that
// the take tells which device it came from.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "controls/widget_test_helpers.h"
#include "engine/recording_engine.h"
#include "platform/audio/audio_backend.h"
#include "recorder/recorder_dialog.h"
#include "resources/strings.h"
#include "support/pulse_test_support.h"
#include "support/stream_killer.h"
#include "recorder/dialog_template.h"

namespace {

using namespace platform::audio;
using audiotest::pactl;

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
        testsupport::writeFile(dir.filePath("tone.raw"), gen.next(48000 * 40));
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
        const auto r = pactl({"load-module", "module-null-sink", "sink_name=quillon_extra",
                              "sink_properties=device.description=Quillon-Extra"});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        module = QString::fromUtf8(r.out).trimmed();
        tone.emplace("quillon_extra", kExtraTone);
    }
    void unload()
    {
        if (module.isEmpty())
            return;
        tone.reset();
        pactl({"unload-module", std::exchange(module, {})});
    }
    ~ExtraSink() { unload(); }
};

QStringList rows(QComboBox* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

// The description of a source as the server gives it.
QString describe(const QString& source)
{
    for (const auto& d : backend().inputDevices())
        if (d.serverName == source)
            return d.name;
    return {};
}

std::vector<QMessageBox*> movedMessages()
{
    std::vector<QMessageBox*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w);
            box && box->isVisible() && box->objectName() == "captureMovedMessage")
            out.push_back(box);
    return out;
}

QString expectedMoveText(const QString& from, const QString& to)
{
    return QString::asprintf(resources::text(resources::IDS_CAPTURE_DEVICE_MOVED).toUtf8().constData(),
                             from.toUtf8().constData(), to.toUtf8().constData());
}

// Indexes of the server's playback or capture streams ("sink-inputs",
// "source-outputs").
QStringList streamIndexes(const QString& kind)
{
    QStringList out;
    for (const QString& line : QString::fromUtf8(pactl({"list", "short", kind}).out).split('\n', Qt::SkipEmptyParts))
        out << line.section('\t', 0, 0);
    return out;
}

class DevicesOnTheServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty());
        qputenv("TMPDIR", dir.path().toLocal8Bit());
        settings.emplace(dir.filePath("Quillon.conf"), QSettings::IniFormat);
        store.emplace(&*settings);
    }
    void TearDown() override
    {
        if (window)
            window->engine().DiscardTake();  // closing asks nothing
        window.reset();
    }
    RecorderDialog& open()
    {
        window = std::make_unique<RecorderDialog>(*store);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->controlAs<QComboBox>(RecorderControl::FormatList)->setCurrentIndex(25);  // 48000 Hz 16-bit mono
        return *window;
    }
    QComboBox* list() { return window->controlAs<QComboBox>(RecorderControl::DeviceList); }
    void choose(const QString& text)
    {
        const int row = list()->findText(text);
        ASSERT_GE(row, 0) << text.toStdString();
        list()->setCurrentIndex(row);
        emit list()->activated(row);
    }
    void click(int id) { QTest::mouseClick(window->controlAs<QPushButton>(id), Qt::LeftButton); }
    // The take's samples after Stop.
    std::vector<double> take()
    {
        const QByteArray wav = testsupport::readFile(window->engine().recordingFile().path());
        return audiotest::channelSamples(wav.mid(window->engine().GetHeaderSize()), {48000, 16, 1});
    }
    // Which of the two tones is stronger over a second from `fromSecond`.
    static double toneAt(const std::vector<double>& s, double fromSecond)
    {
        const auto from = size_t(fromSecond * 48000);
        const double a = audiotest::toneAmplitude(s, from, 48000, 48000, kDefaultTone);
        const double b = audiotest::toneAmplitude(s, from, 48000, 48000, kExtraTone);
        return a > 4 * b ? kDefaultTone : b > 4 * a ? kExtraTone : 0;
    }

    QTemporaryDir dir;
    std::optional<QSettings> settings;
    std::optional<SettingsStore> store;
    std::unique_ptr<RecorderDialog> window;
};

TEST_F(DevicesOnTheServer, TheIdleListFollowsSourcesAndKeepsItsSelectionByDevice)
{
    RecorderDialog& w = open();
    const QStringList before = rows(list());
    ASSERT_FALSE(before.isEmpty());
    const QString defaultName = describe("quillon_null.monitor");
    choose(defaultName);

    // An input joins before the monitors, and leaves: the rows move, the
    // selection stays with its device.
    {
        audiotest::ExtraSource mic;
        ASSERT_TRUE(QTest::qWaitFor([&] { return list()->count() == before.size() + 1; }, 2000));
        const int micRow = list()->findText(describe("quillon_mic"));
        EXPECT_TRUE(micRow >= 0 && micRow < list()->findText(defaultName)) << rows(list()).join(", ").toStdString();
        EXPECT_EQ(list()->currentText(), defaultName);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return list()->count() == before.size(); }, 2000));
    EXPECT_EQ(list()->currentText(), defaultName);
    const QString status = w.controlAs<QLabel>(RecorderControl::PlaylistStatus)->text();

    auto extra = std::make_unique<ExtraSink>();
    // A sink brings its monitor: monitors come last, in the server's order.
    ASSERT_TRUE(QTest::qWaitFor([&] { return list()->count() == before.size() + 1; }, 2000))
        << rows(list()).join(", ").toStdString();
    const QString extraName = describe("quillon_extra.monitor");
    EXPECT_EQ(rows(list()), QStringList(before) << extraName);
    EXPECT_EQ(list()->currentText(), defaultName);
    EXPECT_EQ(w.controlAs<QLabel>(RecorderControl::PlaylistStatus)->text(), status);

    // The extra device chosen, then removed: the default takes its place, and the status line says so.
    choose(extraName);
    extra->unload();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list()->count() == before.size(); }, 2000));
    EXPECT_EQ(rows(list()), before);
    EXPECT_EQ(list()->currentText(), defaultName);
    EXPECT_EQ(w.controlAs<QLabel>(RecorderControl::PlaylistStatus)->text(),
              QString::asprintf(resources::text(resources::IDS_DEVICE_REMOVED_DEFAULT_CHOSEN).toUtf8().constData(),
                                extraName.toUtf8().constData(), defaultName.toUtf8().constData()));
    EXPECT_TRUE(list()->isEnabled());
}

// Moved by the user to the added device, then that device unloaded: the
// take goes on through both moves, each told once, and keeps its timeline.
TEST_F(DevicesOnTheServer, ATakeMovedByTheUserAndThenByTheServerGoesOnAndKeepsItsTimeline)
{
    SinkTone defaultTone("quillon_null", kDefaultTone);
    ExtraSink extra;
    RecorderDialog& w = open();
    const QString defaultName = describe("quillon_null.monitor");
    const QString extraName = describe("quillon_extra.monitor");
    ASSERT_TRUE(QTest::qWaitFor([&] { return list()->findText(extraName) >= 0; }, 2000));
    choose(defaultName);
    QTest::qWait(1500);  // both tones running

    QElapsedTimer recorded;
    click(RecorderControl::Record);
    recorded.start();
    ASSERT_TRUE(w.engine().IsRecording());
    QTest::qWait(2500);
    // Ours is the only capture stream on the server.
    const QString outputs = QString::fromUtf8(pactl({"list", "short", "source-outputs"}).out).trimmed();
    ASSERT_EQ(outputs.count('\n'), 0) << outputs.toStdString();
    ASSERT_EQ(pactl({"move-source-output", outputs.section('\t', 0, 0), "quillon_extra.monitor"}).exitCode, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !movedMessages().empty(); }, 5000));
    const double firstMove = recorded.elapsed() / 1000.0;
    ASSERT_EQ(movedMessages().size(), 1u);
    EXPECT_EQ(movedMessages().front()->text(), expectedMoveText(defaultName, extraName));
    EXPECT_EQ(list()->currentText(), extraName);
    movedMessages().front()->close();

    QTest::qWait(2500);
    extra.unload();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !movedMessages().empty(); }, 3000));
    const double secondMove = recorded.elapsed() / 1000.0;
    EXPECT_EQ(movedMessages().front()->text(), expectedMoveText(extraName, defaultName));
    EXPECT_EQ(list()->currentText(), defaultName);
    EXPECT_EQ(rows(list()).count(extraName), 0);
    EXPECT_FALSE(list()->isEnabled());
    EXPECT_TRUE(w.engine().IsRecording());

    QTest::qWait(2500);
    click(RecorderControl::Stop);
    const double seconds = recorded.elapsed() / 1000.0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.engine().IsRecording(); }, 5000));
    EXPECT_EQ(movedMessages().size(), 1u);

    const auto s = take();
    EXPECT_NEAR(double(s.size()) / 48000, seconds, 0.3);
    EXPECT_EQ(toneAt(s, 0.5), kDefaultTone);
    EXPECT_EQ(toneAt(s, firstMove + 0.5), kExtraTone);
    EXPECT_EQ(toneAt(s, secondMove + 0.5), kDefaultTone);
}

// The take played through a sink of the test's own, which then goes away:
// the server moves the playback to the default sink and it plays on there.
// Ended by the server instead, it stops with the lost-output message.
TEST_F(DevicesOnTheServer, PlaybackGoesOnWhenItsSinkGoesAwayAndStopsWithAMessageWhenEnded)
{
    RecorderDialog& w = open();
    choose(describe("quillon_null.monitor"));
    {
        SinkTone tone("quillon_null", kDefaultTone);
        QTest::qWait(1000);
        click(RecorderControl::Record);
        ASSERT_TRUE(w.engine().IsRecording());
        QTest::qWait(8000);
        click(RecorderControl::Stop);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.engine().IsRecording(); }, 5000));
    }
    ExtraSink extra;
    extra.tone.reset();
    const QStringList others = streamIndexes("sink-inputs");
    widgettest::MessageBoxCatcher errors;
    click(RecorderControl::SeekStart);
    click(RecorderControl::Play);
    ASSERT_TRUE(w.engine().IsPlaying());
    QString ours;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (const QString& i : streamIndexes("sink-inputs"))
                if (!others.contains(i))
                    ours = i;
            return !ours.isEmpty();
        },
        2000));
    ASSERT_EQ(pactl({"move-sink-input", ours, "quillon_extra"}).exitCode, 0);
    QTest::qWait(1000);

    extra.unload();
    audiotest::MonitorRecorder monitor({48000, 16, 1});
    ASSERT_TRUE(monitor.started());
    const uint32_t atUnload = w.engine().position();
    QTest::qWait(2000);
    EXPECT_TRUE(w.engine().IsPlaying());
    EXPECT_GT(w.engine().position(), atUnload + 48000);
    const auto heard = audiotest::channelSamples(monitor.finish(), {48000, 16, 1});
    ASSERT_GT(heard.size(), 48000u);
    EXPECT_GT(audiotest::strongestToneAmplitude(heard, 48000, kDefaultTone, 48000), 0.1);

    EXPECT_EQ(errors.count, 0) << errors.text.toStdString();
    ASSERT_TRUE(streamIndexes("sink-inputs").contains(ours));
    ASSERT_TRUE(audiotest::killServerStream(audiotest::StreamKind::Playback, ours.toUInt()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return errors.count > 0; }, 3000));
    EXPECT_EQ(errors.count, 1);
    EXPECT_EQ(errors.text, resources::text(resources::IDS_PLAYBACK_DEVICE_LOST));
    EXPECT_FALSE(w.engine().IsPlaying());
}

// A take whose capture stream the server ends keeps every frame up to
// then and says the device is lost.
TEST_F(DevicesOnTheServer, ATakeWhoseStreamIsEndedKeepsEveryFrameAndSaysSo)
{
    SinkTone tone("quillon_null", kDefaultTone);
    RecorderDialog& w = open();
    choose(describe("quillon_null.monitor"));
    QTest::qWait(1000);
    const QStringList others = streamIndexes("source-outputs");
    QElapsedTimer recorded;
    click(RecorderControl::Record);
    recorded.start();
    ASSERT_TRUE(w.engine().IsRecording());
    QTest::qWait(3000);
    QStringList ours = streamIndexes("source-outputs");
    for (const QString& i : others)
        ours.removeAll(i);
    ASSERT_EQ(ours.size(), 1);
    widgettest::MessageBoxCatcher errors;
    ASSERT_TRUE(audiotest::killServerStream(audiotest::StreamKind::Capture, ours.front().toUInt()));
    const double seconds = recorded.elapsed() / 1000.0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return errors.count > 0; }, 3000));
    EXPECT_EQ(errors.count, 1);
    EXPECT_EQ(errors.text, resources::text(resources::IDS_RECORD_DEVICE_LOST));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.engine().IsRecording(); }, 3000));
    const auto s = take();
    EXPECT_NEAR(double(s.size()) / 48000, seconds, 0.3);
    EXPECT_EQ(toneAt(s, seconds - 1.2), kDefaultTone);
}

}  // namespace
