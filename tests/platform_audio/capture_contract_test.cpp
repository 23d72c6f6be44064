// One capture scenario, run on the fake and on the real back end: the order
// of returned blocks, stop with a partly filled block, and reset, must look
// the same to the engine whichever back end it runs on.
#include <gtest/gtest.h>

#include "event_log.h"
#include "platform/audio/fake_backend.h"
#include "platform/audio/pulse_backend.h"
#include "pulse_test_support.h"

using namespace platform::audio;
using namespace audiotest;

namespace {

const PcmFormat kFormat{8000, 16, 1};
constexpr uint32_t kBlockBytes = 3200; // 200 ms

// A back end and the way to let it capture: the fake gets audio delivered,
// the server just runs.
struct Driver {
    FakeBackend fake;
    PulseBackend pulse;
    bool real;
    AudioBackend& backend() { return real ? static_cast<AudioBackend&>(pulse) : fake; }
    void capture(int ms)
    {
        if (real)
            return runEventsFor(ms);
        fake.captureStream()->deliverSilence(kFormat.sampleRate * uint32_t(ms) / 1000);
        FakeBackend::processCallbacks();
    }
};

// "b2:partial" rather than "b2:1234": the real server's partial size varies.
std::vector<std::string> shapes(const EventLog& log)
{
    std::vector<std::string> out;
    size_t b = 0;
    for (const auto& e : log.events) {
        if (e == "stopped") {
            out.push_back(e);
            continue;
        }
        const AudioBuffer* buffer = log.buffers[b++];
        const std::string name = e.substr(0, e.find(':'));
        const uint32_t n = uint32_t(std::stoul(e.substr(e.find(':') + 1)));
        out.push_back(name + (n == buffer->length ? ":full" : n == 0 ? ":empty" : ":partial"));
    }
    return out;
}

class CaptureContract : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(CaptureContract, OrderStopWithPartialBlockAndReset)
{
    Driver driver{.real = GetParam() == "pulse"};
    driver.fake.addInputDevice("Microphone");
    BufferPool pool(4, kBlockBytes);
    EventLog log{.pool = &pool.headers};
    auto stream = driver.backend().openCapture(-1, kFormat, log.captureCallbacks());
    ASSERT_TRUE(stream);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(stream->addBuffer(pool[i]));
    ASSERT_TRUE(stream->start());

    // Two and a half blocks, then stop.
    driver.capture(400);
    ASSERT_TRUE(runEventsUntil([&] { return log.events.size() >= 2; }, 2000));
    driver.capture(100);
    ASSERT_TRUE(stream->stop());
    ASSERT_TRUE(runEventsUntil([&] { return !log.events.empty() && log.events.back() == "stopped"; }, 3000));
    runEventsFor(100);
    using S = std::vector<std::string>;
    EXPECT_EQ(shapes(log), (S{"b0:full", "b1:full", "b2:partial", "stopped"}));
    EXPECT_EQ(log.buffers, (std::vector<AudioBuffer*>{pool[0], pool[1], pool[2]}));

    // The empty block still queued comes back with reset.
    stream->reset();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(shapes(log), (S{"b0:full", "b1:full", "b2:partial", "stopped", "b3:empty"}));

    // Resume, fill part of a block, reset: everything queued returns at once.
    log.events.clear();
    log.buffers.clear();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(stream->addBuffer(pool[i]));
    ASSERT_TRUE(stream->start());
    driver.capture(300);
    ASSERT_TRUE(runEventsUntil([&] { return log.events.size() >= 1; }, 2000));
    stream->reset();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(shapes(log), (S{"b0:full", "b1:partial", "b2:empty"}));
    runEventsFor(100);
    EXPECT_EQ(log.events.size(), 3u) << "nothing after reset";
    stream->close();
}

INSTANTIATE_TEST_SUITE_P(BothBackends, CaptureContract, ::testing::Values("fake", "pulse"),
                         [](const auto& info) { return info.param; });
