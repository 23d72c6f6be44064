// The loader thread on its own: order of results, forgotten files, the
// stop and its bound. Plain C++ (no Qt), also built with ThreadSanitizer.

#include "playlist/loader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <tuple>

using namespace playlist;
using namespace std::chrono_literals;

namespace {

struct Event {
    uint64_t id;
    LoadEvent kind;
    uint32_t code;
    ZLDEC_HANDLE stream;
    bool operator==(const Event&) const = default;
};

// What a window thread sees: results in arrival order.
class Recorder {
public:
    Loader::Deliver Deliver()
    {
        return [this](LoadResult result) {
            std::lock_guard guard(m_lock);
            m_events.push_back({result.id, result.kind, result.code, result.stream});
            m_changed.notify_all();
        };
    }
    // Waits until `count` results came, or gives up after long enough to
    // call it a hang: the caller's checks then fail.
    std::vector<Event> WaitFor(size_t count)
    {
        std::unique_lock guard(m_lock);
        m_changed.wait_for(guard, std::chrono::seconds(20), [&] { return m_events.size() >= count; });
        return m_events;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Event> m_events;
};

// A library open that waits until the test lets it go.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    int entered = 0;
    bool open = false;
    int closed = 0;

    void WaitEntered(int n)
    {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return entered >= n; });
    }
    void Release()
    {
        std::lock_guard guard(lock);
        open = true;
        changed.notify_all();
    }
    // Bounded so that a thread that never closes fails the test, not hangs it.
    bool WaitClosed(int n)
    {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(10), [&] { return closed >= n; });
    }
};

// Paths beginning with "block" wait at the gate; every open succeeds with a
// handle of 1000 + its position, 100 frames long.
DecoderCalls GatedCalls(const std::shared_ptr<Gate>& gate)
{
    DecoderCalls calls;
    auto next = std::make_shared<std::atomic<ZLDEC_HANDLE>>(1000);
    calls.open = [gate, next](ZLDEC_HANDLE* stream, const char* path) -> uint32_t {
        if (std::strncmp(path, "block", 5) == 0) {
            std::unique_lock guard(gate->lock);
            ++gate->entered;
            gate->changed.notify_all();
            gate->changed.wait(guard, [&] { return gate->open; });
        }
        *stream = (*next)++;
        return 0;
    };
    calls.length = [](ZLDEC_HANDLE, uint32_t* frames) -> uint32_t {
        *frames = 100;
        return 0;
    };
    calls.close = [gate](ZLDEC_HANDLE) -> uint32_t {
        std::lock_guard guard(gate->lock);
        ++gate->closed;
        gate->changed.notify_all();
        return 0;
    };
    return calls;
}

class TempDir {
public:
    TempDir()
    {
        char name[] = "/tmp/quillon-loader-XXXXXX";
        m_path = ::mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// A 16-bit mono WAVE file of `frames` frames, made by sox.
void WriteWave(const std::string& path, uint32_t frames)
{
    const std::string command =
        "sox -r 22050 -c 1 -n -b 16 '" + path + "' synth " + std::to_string(frames) + "s sine 440";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

uint32_t LengthOf(ZLDEC_HANDLE stream)
{
    uint32_t frames = 0;
    ZLDec_GetStreamLength(stream, &frames);
    return frames;
}

// A running loader with its window side: the files it is given, by id, and
// the results it hands back. Members go in reverse order: the loader first.
class LoaderTest : public ::testing::Test {
protected:
    // On the real library, or with every open of a "block..." path held at the gate.
    Loader& Start(bool gated)
    {
        loader = std::make_unique<Loader>(results.Deliver(), gated ? GatedCalls(gate) : DecoderCalls{});
        loader->StartLoader();
        return *loader;
    }
    // Queues a file under the next id.
    uint64_t Enqueue(std::string path)
    {
        loader->EnqueueForLoading(++lastId, std::move(path));
        return lastId;
    }

    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    Recorder results;
    uint64_t lastId = 0;
    std::unique_ptr<Loader> loader;
};

}  // namespace

// Real files load in the order given; each failure carries its code, a fifo
// and a locked file included; work queued behind the stop is dropped, and
// the stop comes back within its bound.
TEST_F(LoaderTest, RealFilesLoadInOrderFailuresCarryTheirCodesAndTheStopIsBounded)
{
    TempDir dir;
    WriteWave(dir.File("a.wav"), 1000);
    WriteWave(dir.File("b.wav"), 2000);
    std::ofstream(dir.File("empty.wav"));
    std::ofstream(dir.File("text.wav")) << "not a sound at all, only some words of text";
    ASSERT_EQ(::mkfifo(dir.File("pipe.wav").c_str(), 0600), 0);
    WriteWave(dir.File("held.wav"), 500);
    const int held = ::open(dir.File("held.wav").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    // Name, code, length of a loaded file.
    const std::tuple<const char*, uint32_t, uint32_t> files[] = {
        {"a.wav", 0, 1000},
        {"b.wav", 0, 2000},
        {"missing.wav", ZLDEC_ERR_NO_FILE, 0},
        {"empty.wav", kEmptyStream, 0},  // an empty file reads as an empty stream
        {"text.wav", ZLDEC_ERR_UNRECOGNISED, 0},
        {"pipe.wav", ZLDEC_ERR_CANNOT_OPEN, 0},
        {"held.wav", ZLDEC_ERR_LOCKED, 0},
    };
    Start(false);
    std::vector<uint64_t> order;
    for (const auto& [name, code, length] : files)
        order.push_back(Enqueue(dir.File(name)));

    const auto events = results.WaitFor(2 * order.size());
    ASSERT_EQ(events.size(), 2 * order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const auto& [name, code, length] = files[i];
        SCOPED_TRACE(name);
        EXPECT_EQ(events[2 * i].id, order[i]);
        EXPECT_EQ(events[2 * i].kind, LoadEvent::Started);
        EXPECT_EQ(events[2 * i + 1].id, order[i]);
        EXPECT_EQ(events[2 * i + 1].kind, LoadEvent::Done);
        EXPECT_EQ(events[2 * i + 1].code, code);
        EXPECT_EQ(events[2 * i + 1].stream != 0, length != 0);
        if (length)
            EXPECT_EQ(LengthOf(events[2 * i + 1].stream), length);
    }
    for (int i = 0; i < 50; ++i)
        Enqueue(dir.File("pipe.wav"));
    EXPECT_TRUE(loader->StopLoader());
    ::close(held);
    for (const Event& e : events)
        if (e.stream)
            ZLDec_CloseStream(e.stream);
}

// A file forgotten while it waits is never opened and gets no result; one
// forgotten while it is being opened still hands its stream back, for the
// window side to close.
TEST_F(LoaderTest, ForgottenFilesAreSkippedWhileWaitingAndStillHandedBackWhileOpening)
{
    Start(true);
    const uint64_t opening = Enqueue("block-opening");
    const uint64_t forgotten = Enqueue("forgotten");
    const uint64_t last = Enqueue("last");
    gate->WaitEntered(1);
    loader->Forget(opening);
    loader->Forget(forgotten);
    gate->Release();

    const auto events = results.WaitFor(4);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], (Event{opening, LoadEvent::Started, 0, 0}));
    EXPECT_EQ(events[1], (Event{opening, LoadEvent::Done, 0, 1000}));
    EXPECT_EQ(events[2], (Event{last, LoadEvent::Started, 0, 0}));
    EXPECT_EQ(events[3], (Event{last, LoadEvent::Done, 0, 1001}));
}

TEST_F(LoaderTest, StopGivesUpOnAnOpenPastTheBoundAndTheThreadReportsNothingMore)
{
    Start(true);
    Enqueue("block-slow");
    Enqueue("queued-behind");
    gate->WaitEntered(1);

    EXPECT_FALSE(loader->StopLoader(20ms));
    // The window side goes now, as at the end of the program.
    loader.reset();
    gate->Release();
    // The thread closes the stream nobody will take, and reports nothing.
    ASSERT_TRUE(gate->WaitClosed(1));
    const auto events = results.WaitFor(0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, LoadEvent::Started);
}
