// The device list and the source mixer against the private server, with
// pactl as the other program.
#include <gtest/gtest.h>

#include "platform/audio/pulse_backend.h"
#include "platform/audio/pulse_mixer.h"
#include "pulse_test_support.h"

using namespace platform::audio;
using namespace audiotest;

namespace {

int indexOf(const std::vector<InputDevice>& list, const QString& serverName)
{
    for (const auto& d : list)
        if (d.serverName == serverName)
            return d.index;
    return -1;
}

// A second, real input (not a monitor) for as long as the test runs.
struct ExtraSource {
    QString module;
    ExtraSource()
    {
        const auto r = pactl({"load-module", "module-null-source", "source_name=quillon_mic",
                              "description=Quillon-Mic"});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        module = QString::fromUtf8(r.out).trimmed();
    }
    ~ExtraSource() { pactl({"unload-module", module}); }
};

struct VolumeRestorer {
    ~VolumeRestorer() { pactl({"set-source-volume", "quillon_null.monitor", "100%"}); }
};

}  // namespace

TEST(PulseDevices, RealInputsComeFirstThenMonitorsByDescription)
{
    ExtraSource mic;
    PulseBackend pulse;
    const auto list = pulse.inputDevices();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].index, 0);
    EXPECT_EQ(list[0].name, "Quillon-Mic");
    EXPECT_EQ(list[0].serverName, "quillon_mic");
    EXPECT_FALSE(list[0].isMonitor);
    EXPECT_EQ(list[1].index, 1);
    EXPECT_EQ(list[1].name, "Monitor of Quillon-Null");
    EXPECT_EQ(list[1].serverName, "quillon_null.monitor");
    EXPECT_TRUE(list[1].isMonitor);

    // A listed index opens that very source.
    auto stream = pulse.openCapture(0, PcmFormat{16000, 16, 1}, {});
    ASSERT_TRUE(stream);
    const auto outputs = pactl({"list", "short", "source-outputs"});
    const auto sources = pactl({"list", "short", "sources"});
    QString micIndex;
    for (const auto& line : QString::fromUtf8(sources.out).split('\n'))
        if (line.section('\t', 1, 1) == "quillon_mic")
            micIndex = line.section('\t', 0, 0);
    bool onMic = false;
    for (const auto& line : QString::fromUtf8(outputs.out).split('\n'))
        onMic = onMic || line.section('\t', 1, 1) == micIndex; // index, source, client, ...
    EXPECT_TRUE(onMic) << outputs.out.toStdString();

    QString error;
    EXPECT_FALSE(pulse.openCapture(2, PcmFormat{16000, 16, 1}, {}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(pulse.openCapture(0, PcmFormat{16000, 24, 1}, {}, &error));
    EXPECT_FALSE(pulse.openMixer(2, {}));
}

TEST(PulseMixerTest, ASourceWithoutPortsHasNoLinesButItsVolume)
{
    ExtraSource mic;
    PulseBackend pulse;
    const auto list = pulse.inputDevices();
    for (const char* name : {"quillon_mic", "quillon_null.monitor"}) {
        SCOPED_TRACE(name);
        auto mixer = pulse.openMixer(indexOf(list, name), {});
        ASSERT_TRUE(mixer);
        EXPECT_TRUE(mixer->hasRecordingDestination());
        EXPECT_EQ(mixer->sourceCount(), 0);
        EXPECT_FALSE(mixer->sourceLine(0));
        EXPECT_FALSE(mixer->destinationControl(ControlType::Mux));
        EXPECT_FALSE(mixer->destinationControl(ControlType::Mixer));
        EXPECT_FALSE(mixer->lineControl(PulseMixer::kFirstLineId, ControlType::Volume));
        const auto volume = mixer->destinationControl(ControlType::Volume);
        ASSERT_TRUE(volume);
        EXPECT_EQ(volume->minimum, 0);
        EXPECT_EQ(volume->maximum, 65535);
        std::vector<int32_t> values;
        EXPECT_FALSE(mixer->readValues(PulseMixer::kSelectControlId, values));
    }
}

TEST(PulseMixerTest, VolumeChangesByAnotherProgramAndByUsAreReportedOnTheOwnerThread)
{
    VolumeRestorer restore;
    PulseBackend pulse;
    const int monitor = indexOf(pulse.inputDevices(), "quillon_null.monitor");
    std::vector<uint32_t> changes;
    auto mixer = pulse.openMixer(monitor, MixerCallbacks{[&](uint32_t id) { changes.push_back(id); }});
    ASSERT_TRUE(mixer);
    const uint32_t volumeId = mixer->destinationControl(ControlType::Volume)->id;
    std::vector<int32_t> v;
    ASSERT_TRUE(mixer->readValues(volumeId, v));
    EXPECT_EQ(v, (std::vector<int32_t>{65535}));

    ASSERT_EQ(pactl({"set-source-volume", "quillon_null.monitor", "50%"}).exitCode, 0);
    ASSERT_TRUE(runEventsUntil([&] { return !changes.empty(); }, 2000)) << "no change notification";
    EXPECT_EQ(changes, (std::vector<uint32_t>{volumeId}));
    ASSERT_TRUE(mixer->readValues(volumeId, v));
    EXPECT_NEAR(v[0], 32768, 1);

    // Our own write is read back at once and reported like anyone else's.
    changes.clear();
    ASSERT_TRUE(mixer->writeValues(volumeId, {16384}));
    ASSERT_TRUE(mixer->readValues(volumeId, v));
    EXPECT_EQ(v, (std::vector<int32_t>{16384}));
    EXPECT_TRUE(pactl({"get-source-volume", "quillon_null.monitor"}).out.contains("25%"));
    ASSERT_TRUE(runEventsUntil([&] { return !changes.empty(); }, 2000));
    runEventsFor(200);
    EXPECT_EQ(changes, (std::vector<uint32_t>{volumeId})) << "one notification per change";

    // The same volume again changes nothing and reports nothing.
    changes.clear();
    ASSERT_TRUE(mixer->writeValues(volumeId, {16384}));
    runEventsFor(300);
    EXPECT_TRUE(changes.empty());

    // A closed mixer stays silent.
    mixer.reset();
    ASSERT_EQ(pactl({"set-source-volume", "quillon_null.monitor", "70%"}).exitCode, 0);
    runEventsFor(300);
    EXPECT_TRUE(changes.empty());
}
