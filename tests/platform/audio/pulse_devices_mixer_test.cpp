// The device list and the source mixer against the private server, with
// pactl as the other program.
#include <QRegularExpression>

#include "platform/audio/pulse_backend.h"
#include "platform/audio/pulse_mixer.h"
#include "support/pulse_test_support.h"

using namespace platform::audio;
using namespace audiotest;

TEST(PulseDevices, RealInputsComeFirstThenMonitorsAndPortlessSourcesHaveOnlyAVolume)
{
    ExtraSource mic;
    PulseBackend pulse;
    const auto list = pulse.InputDevices();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(std::tuple(list[0].index, list[0].name, list[0].serverName, list[0].isMonitor),
              std::tuple(0, QString("Quillon-Mic"), QString("quillon_mic"), false));
    EXPECT_EQ(std::tuple(list[1].index, list[1].name, list[1].serverName, list[1].isMonitor),
              std::tuple(1, QString("Monitor of Quillon-Null"), QString("quillon_null.monitor"), true));

    // A listed index opens that very source.
    auto stream = pulse.OpenCapture(0, PcmFormat{16000, 16, 1}, {});
    ASSERT_TRUE(stream);
    // Rows of index, name or source, ...: the server's index of the mic, then a stream on it.
    const auto rows = [](const char* what) {
        return QString::fromUtf8(Pactl({"list", "short", what}).out).split('\n');
    };
    const QString micIndex =
        rows("sources").filter(QRegularExpression("^\\d+\tquillon_mic\t")).value(0).section('\t', 0, 0);
    ASSERT_FALSE(micIndex.isEmpty());
    EXPECT_FALSE(rows("source-outputs").filter(QRegularExpression("^\\d+\t" + micIndex + "\t")).isEmpty())
        << Pactl({"list", "short", "source-outputs"}).out.toStdString();
    QString error;
    EXPECT_FALSE(pulse.OpenCapture(2, PcmFormat{16000, 16, 1}, {}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(pulse.OpenCapture(0, PcmFormat{16000, 24, 1}, {}, &error));
    EXPECT_FALSE(pulse.OpenMixer(2, {}));

    for (const auto& device : list) {
        SCOPED_TRACE(device.serverName.toStdString());
        auto mixer = pulse.OpenMixer(device.index, {});
        ASSERT_TRUE(mixer);
        EXPECT_TRUE(mixer->HasRecordingDestination());
        EXPECT_EQ(mixer->SourceCount(), 0);
        EXPECT_FALSE(mixer->SourceLine(0));
        EXPECT_FALSE(mixer->DestinationControl(ControlType::Mux));
        EXPECT_FALSE(mixer->DestinationControl(ControlType::Mixer));
        EXPECT_FALSE(mixer->LineControl(PulseMixer::kFirstLineId, ControlType::Volume));
        const auto volume = mixer->DestinationControl(ControlType::Volume);
        ASSERT_TRUE(volume);
        EXPECT_EQ(std::pair(volume->minimum, volume->maximum), std::pair(0, 65535));
        std::vector<int32_t> values;
        EXPECT_FALSE(mixer->ReadValues(PulseMixer::kSelectControlId, values));
    }
}

TEST(PulseMixerTest, VolumeChangesByAnotherProgramAndByUsAreReportedOnceEach)
{
    struct Restore {
        ~Restore() { Pactl({"set-source-volume", "quillon_null.monitor", "100%"}); }
    } restore;
    PulseBackend pulse;
    std::vector<uint32_t> changes;
    auto mixer = pulse.OpenMixer(DeviceIndex(pulse, "quillon_null.monitor"),
                                 MixerCallbacks{[&](uint32_t id) { changes.push_back(id); }});
    ASSERT_TRUE(mixer);
    const uint32_t volumeId = mixer->DestinationControl(ControlType::Volume)->id;
    std::vector<int32_t> v;
    ASSERT_TRUE(mixer->ReadValues(volumeId, v));
    EXPECT_EQ(v, (std::vector<int32_t>{65535}));

    ASSERT_EQ(Pactl({"set-source-volume", "quillon_null.monitor", "50%"}).exitCode, 0);
    ASSERT_TRUE(RunEventsUntil([&] { return !changes.empty(); }, 2000)) << "no change notification";
    EXPECT_EQ(changes, (std::vector<uint32_t>{volumeId}));
    ASSERT_TRUE(mixer->ReadValues(volumeId, v));
    EXPECT_NEAR(v[0], 32768, 1);

    // Our own write is read back at once and reported like anyone else's.
    changes.clear();
    ASSERT_TRUE(mixer->WriteValues(volumeId, {16384}));
    ASSERT_TRUE(mixer->ReadValues(volumeId, v));
    EXPECT_EQ(v, (std::vector<int32_t>{16384}));
    EXPECT_TRUE(Pactl({"get-source-volume", "quillon_null.monitor"}).out.contains("25%"));
    ASSERT_TRUE(RunEventsUntil([&] { return !changes.empty(); }, 2000));
    ASSERT_TRUE(mixer->WriteValues(volumeId, {16384}));  // the same again changes nothing
    RunEventsFor(300);
    EXPECT_EQ(changes, (std::vector<uint32_t>{volumeId})) << "one notification per change";

    // A balance set elsewhere survives our volume: the louder side takes it.
    ASSERT_EQ(Pactl({"set-source-volume", "quillon_null.monitor", "40%", "80%"}).exitCode, 0);
    ASSERT_TRUE(RunEventsUntil([&] { return mixer->ReadValues(volumeId, v) && v[0] > 50000; }, 2000));
    ASSERT_TRUE(mixer->WriteValues(volumeId, {16384}));
    const QByteArray sides = Pactl({"get-source-volume", "quillon_null.monitor"}).out;
    EXPECT_TRUE(sides.contains("front-left: 8192 /  13%") && sides.contains("front-right: 16384 /  25%"))
        << sides.toStdString();

    changes.clear();
    mixer.reset();
    ASSERT_EQ(Pactl({"set-source-volume", "quillon_null.monitor", "70%"}).exitCode, 0);
    RunEventsFor(300);
    EXPECT_TRUE(changes.empty()) << "a closed mixer stays silent";
}
