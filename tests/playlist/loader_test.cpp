// The loader thread on its own with a gated stand-in for the library:
// forgotten files, the stop and its bound. Plain C++ (no Qt), also built
// with ThreadSanitizer. Real files load through the model's tests.

#include "playlist/loader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>

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

// A running loader with its window side: the files it is given, by id, and
// the results it hands back. Members go in reverse order: the loader first.
class LoaderTest : public ::testing::Test {
protected:
    // Every open of a "block..." path is held at the gate.
    Loader& Start()
    {
        loader = std::make_unique<Loader>(results.Deliver(), GatedCalls(gate));
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

// A file forgotten while it waits is never opened and gets no result; one
// forgotten while it is being opened still hands its stream back, for the
// window side to close.
TEST_F(LoaderTest, ForgottenFilesAreSkippedWhileWaitingAndStillHandedBackWhileOpening)
{
    Start();
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
    Start();
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
