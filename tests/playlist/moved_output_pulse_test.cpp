// The list playing while its output device goes away: a null sink of the
// test's own, removed mid-play, then the stream ended by the server.
#include <gtest/gtest.h>

#include <QMessageBox>

#include "../platform_audio/pulse_test_support.h"
#include "../platform_audio/stream_killer.h"
#include "playlist_panel.h"
#include "resources/strings.h"

using namespace audiotest;
using namespace playlisttest;

namespace {

static ::testing::Environment* const sinkKeeper = ::testing::AddGlobalTestEnvironment(new SinkKeeper);

constexpr int kRate = 44100;

QStringList sinkInputs()
{
    QStringList out;
    for (const QString& line :
         QString::fromUtf8(pactl({"list", "short", "sink-inputs"}).out).split('\n', Qt::SkipEmptyParts))
        out << line.section('\t', 0, 0);
    return out;
}

// A null sink of the test's own while it lives.
struct ExtraSink {
    QString module;
    ExtraSink()
    {
        const auto r = pactl({"load-module", "module-null-sink", "sink_name=quillon_extra"});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        module = QString::fromUtf8(r.out).trimmed();
    }
    void unload()
    {
        if (!module.isEmpty())
            pactl({"unload-module", std::exchange(module, {})});
    }
    ~ExtraSink() { unload(); }
};

}  // namespace

TEST(MovedOutput, TheListPlaysOnWhenItsSinkGoesAwayAndStopsWithAMessageWhenItsStreamIsEnded)
{
    ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty()) << "the harness starts the server";
    Panel panel;
    const QString tone = panel.file("tone.wav");
    media::run(
        "sox",
        {"-n", "-r", QString::number(kRate), "-c", "2", "-b", "16", tone, "synth", "30", "sine", "440", "vol", "0.5"});
    ExtraSink extra;
    const QStringList others = sinkInputs();

    // Error boxes are modal: read and closed from inside their own loop.
    QStringList errors;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            errors << box->text();
            box->reject();
        }
    });
    closer.start(50);

    panel.list->OpenFiles({tone});
    ASSERT_TRUE(runEventsUntil([&] { return !panel.list->player().playSlots().empty(); }, 20000)) << "nothing plays";
    QString ours;
    ASSERT_TRUE(runEventsUntil(
        [&] {
            for (const QString& i : sinkInputs())
                if (!others.contains(i))
                    ours = i;
            return !ours.isEmpty();
        },
        2000));
    ASSERT_EQ(pactl({"move-sink-input", ours, "quillon_extra"}).exitCode, 0);
    runEventsFor(1000);

    extra.unload();
    MonitorRecorder monitor({kRate, 16, 2});
    ASSERT_TRUE(monitor.started());
    const uint32_t atUnload = panel.list->player().currentPosition();
    runEventsFor(2000);
    ASSERT_EQ(panel.list->player().playSlots().size(), 1u);
    EXPECT_GT(panel.list->player().currentPosition(), atUnload + kRate);
    // A whole second of the tone, unbroken, from the default sink.
    EXPECT_NEAR(strongestToneAmplitude(channelSamples(monitor.finish(), {kRate, 16, 2}), kRate, 440, kRate), 0.5, 0.06);

    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    ASSERT_TRUE(sinkInputs().contains(ours));
    ASSERT_TRUE(killServerStream(StreamKind::Playback, ours.toUInt()));
    ASSERT_TRUE(runEventsUntil([&] { return !errors.isEmpty(); }, 3000));
    EXPECT_EQ(errors, QStringList{resources::text(resources::IDS_PLAYBACK_DEVICE_LOST)});
    EXPECT_TRUE(panel.list->player().playSlots().empty());
}
