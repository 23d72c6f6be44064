// The loader thread on its own with a gated stand-in for the library:
// forgotten files, the stop and its bound. Plain C++ (no Qt), also built
// with ThreadSanitizer. Real files load through the model's tests.

#include "playlist/loader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
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

// A running loader whose library opens of "block..." paths wait at a gate
// until the test lets them go; every open succeeds with a handle of 1000 +
// its position, 100 frames long. What a window thread sees is kept in
// arrival order. Members go in reverse order: the loader first.
struct LoaderTest : ::testing::Test {
    void SetUp() override
    {
        DecoderCalls calls;
        calls.open = [this](ZLDEC_HANDLE* stream, const char* path) -> uint32_t {
            std::unique_lock guard(lock);
            if (std::strncmp(path, "block", 5) == 0) {
                ++entered;
                changed.notify_all();
                changed.wait(guard, [&] { return open; });
            }
            *stream = nextHandle++;
            return 0;
        };
        calls.length = [](ZLDEC_HANDLE, uint32_t* frames) -> uint32_t {
            *frames = 100;
            return 0;
        };
        calls.close = [this](ZLDEC_HANDLE) -> uint32_t {
            Change([&] { ++closed; });
            return 0;
        };
        loader = std::make_unique<Loader>(
            [this](LoadResult r) { Change([&] {
                                       events.push_back({r.id, r.kind, r.code, r.stream});
                                   }); }, calls);
        loader->StartLoader();
    }
    void Change(const std::function<void()>& change)
    {
        std::lock_guard guard(lock);
        change();
        changed.notify_all();
    }
    // Bounded so that a hang fails the test's checks instead of stalling it.
    bool WaitUntil(const std::function<bool()>& done)
    {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, 20s, done);
    }
    // Queues a file under the next id.
    uint64_t Enqueue(std::string path)
    {
        loader->EnqueueForLoading(++lastId, std::move(path));
        return lastId;
    }

    std::mutex lock;
    std::condition_variable changed;
    int entered = 0;
    bool open = false;
    int closed = 0;
    ZLDEC_HANDLE nextHandle = 1000;
    std::vector<Event> events;
    uint64_t lastId = 0;
    std::unique_ptr<Loader> loader;
};

}  // namespace

// A file forgotten while it waits is never opened and gets no result; one
// forgotten while it is being opened still hands its stream back, for the
// window side to close.
TEST_F(LoaderTest, ForgottenFilesAreSkippedWhileWaitingAndStillHandedBackWhileOpening)
{
    const uint64_t opening = Enqueue("block-opening");
    const uint64_t forgotten = Enqueue("forgotten");
    const uint64_t last = Enqueue("last");
    ASSERT_TRUE(WaitUntil([&] { return entered == 1; }));
    loader->Forget(opening);
    loader->Forget(forgotten);
    Change([&] { open = true; });

    ASSERT_TRUE(WaitUntil([&] { return events.size() >= 4; }));
    loader.reset();  // joins the thread: nothing more comes
    EXPECT_EQ(events,
              (std::vector<Event>{{opening, LoadEvent::Started, 0, 0},
                                  {opening, LoadEvent::Done, 0, 1000},
                                  {last, LoadEvent::Started, 0, 0},
                                  {last, LoadEvent::Done, 0, 1001}}));
}

TEST_F(LoaderTest, StopGivesUpOnAnOpenPastTheBoundAndTheThreadReportsNothingMore)
{
    Enqueue("block-slow");
    Enqueue("queued-behind");
    ASSERT_TRUE(WaitUntil([&] { return entered == 1; }));

    EXPECT_FALSE(loader->StopLoader(20ms));
    // The window side goes now, as at the end of the program.
    loader.reset();
    Change([&] { open = true; });
    // The thread closes the stream nobody will take, and reports nothing.
    ASSERT_TRUE(WaitUntil([&] { return closed >= 1; }));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, LoadEvent::Started);
}
