// The loader thread on its own: order of results, the removal mark, the
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

using namespace playlist;
using namespace std::chrono_literals;

namespace {

struct Event {
    LoaderEntry* entry;
    LoadEvent kind;
    uint32_t code;
    ZLDEC_HANDLE parked;  // what the entry held when its result arrived
    bool operator==(const Event&) const = default;
};

// What a window thread sees: results in arrival order.
class Recorder {
public:
    Loader::Deliver deliver()
    {
        return [this](LoaderEntry* entry, LoadEvent kind, uint32_t code) {
            std::lock_guard guard(m_lock);
            m_events.push_back({entry, kind, code, 0});
            if (kind == LoadEvent::Done)
                m_loader->lock().lock(), m_events.back().parked = entry->parked, m_loader->lock().unlock();
            m_changed.notify_all();
        };
    }
    void attach(Loader* loader) { m_loader = loader; }
    // Waits until `count` results came, or gives up after long enough to
    // call it a hang: the caller's checks then fail.
    std::vector<Event> waitFor(size_t count)
    {
        std::unique_lock guard(m_lock);
        m_changed.wait_for(guard, std::chrono::seconds(20), [&] { return m_events.size() >= count; });
        return m_events;
    }
    std::vector<Event> events()
    {
        std::lock_guard guard(m_lock);
        return m_events;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Event> m_events;
    Loader* m_loader = nullptr;
};

// A library open that waits until the test lets it go.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    int entered = 0;
    bool open = false;
    int closed = 0;

    void waitEntered(int n)
    {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return entered >= n; });
    }
    void release()
    {
        std::lock_guard guard(lock);
        open = true;
        changed.notify_all();
    }
    // Bounded so that a thread that never closes fails the test, not hangs it.
    bool waitClosed(int n)
    {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(10), [&] { return closed >= n; });
    }
};

// Paths beginning with "block" wait at the gate; every open succeeds with a
// handle of 1000 + its position, 100 frames long.
DecoderCalls gatedCalls(const std::shared_ptr<Gate>& gate)
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
    calls.length = [](ZLDEC_HANDLE, uint32_t* frames) -> uint32_t { *frames = 100; return 0; };
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
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// A 16-bit mono WAVE file of `frames` frames, made by sox.
void writeWave(const std::string& path, uint32_t frames)
{
    const std::string command = "sox -r 22050 -c 1 -n -b 16 '" + path + "' synth " + std::to_string(frames) + "s sine 440";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

uint32_t lengthOf(ZLDEC_HANDLE stream)
{
    uint32_t frames = 0;
    ZLDec_GetStreamLength(stream, &frames);
    return frames;
}

// A running loader with its window side: the entries it is given and the
// results it hands back. Members go in reverse order: the loader first.
class LoaderTest : public ::testing::Test {
protected:
    // On the real library, or with every open of a "block..." path held at the gate.
    Loader& start(bool gated)
    {
        loader = std::make_unique<Loader>(results.deliver(), gated ? gatedCalls(gate) : DecoderCalls{});
        results.attach(loader.get());
        loader->StartLoader();
        return *loader;
    }
    LoaderEntry* entry(std::string path)
    {
        entries.push_back(std::make_unique<LoaderEntry>());
        entries.back()->path = std::move(path);
        return entries.back().get();
    }

    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    Recorder results;
    std::vector<std::unique_ptr<LoaderEntry>> entries;
    std::unique_ptr<Loader> loader;
};

}  // namespace

TEST_F(LoaderTest, RealFilesLoadInOrderAndFailuresCarryTheirCodes)
{
    TempDir dir;
    writeWave(dir.file("a.wav"), 1000);
    writeWave(dir.file("b.wav"), 2000);
    writeWave(dir.file("c.wav"), 3000);
    std::ofstream(dir.file("empty.wav"));
    std::ofstream(dir.file("text.wav")) << "not a sound at all, only some words of text";

    start(false);
    std::vector<LoaderEntry*> order;
    for (const char* name : {"a.wav", "b.wav", "c.wav", "missing.wav", "empty.wav", "text.wav"})
        order.push_back(entry(dir.file(name)));
    for (LoaderEntry* e : order)
        loader->EnqueueForLoading(e);

    const auto events = results.waitFor(2 * order.size());
    ASSERT_EQ(events.size(), 2 * order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(events[2 * i].entry, order[i]) << i;
        EXPECT_EQ(events[2 * i].kind, LoadEvent::Started) << i;
        EXPECT_EQ(events[2 * i + 1].entry, order[i]) << i;
        EXPECT_EQ(events[2 * i + 1].kind, LoadEvent::Done) << i;
    }
    const uint32_t lengths[] = {1000, 2000, 3000};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(events[2 * i + 1].code, 0u);
        ASSERT_NE(events[2 * i + 1].parked, 0u);
        EXPECT_EQ(lengthOf(events[2 * i + 1].parked), lengths[i]);
    }
    EXPECT_EQ(events[7].code, ZLDEC_ERR_NO_FILE);
    EXPECT_EQ(events[9].code, kEmptyStream);  // an empty file reads as an empty stream
    EXPECT_EQ(events[11].code, ZLDEC_ERR_UNRECOGNISED);
    for (size_t i = 3; i < order.size(); ++i)
        EXPECT_EQ(events[2 * i + 1].parked, 0u);
    EXPECT_TRUE(loader->StopLoader());
    for (size_t i = 0; i < 3; ++i)
        ZLDec_CloseStream(events[2 * i + 1].parked);
}

TEST_F(LoaderTest, FifoAndLockedFileFailWithoutBlockingTheStop)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.wav").c_str(), 0600), 0);
    writeWave(dir.file("held.wav"), 500);
    const int held = ::open(dir.file("held.wav").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    start(false);
    loader->EnqueueForLoading(entry(dir.file("pipe.wav")));
    loader->EnqueueForLoading(entry(dir.file("held.wav")));
    const auto events = results.waitFor(4);
    EXPECT_EQ(events[1].code, ZLDEC_ERR_CANNOT_OPEN);
    EXPECT_EQ(events[3].code, ZLDEC_ERR_LOCKED);
    // More work queued behind the stop is dropped, and the stop comes back
    // within its bound.
    for (int i = 0; i < 50; ++i)
        loader->EnqueueForLoading(entry(dir.file("pipe.wav")));
    EXPECT_TRUE(loader->StopLoader());
    ::close(held);
}

// An entry removed while it waits gets code two and is never opened; one
// removed while it is being opened still gets its stream parked, for the
// window thread to close when it frees the entry.
TEST_F(LoaderTest, RemovedEntriesAreSkippedWhileWaitingAndStillParkedWhileOpening)
{
    start(true);
    LoaderEntry* opening = entry("block-opening");
    LoaderEntry* removed = entry("removed");
    LoaderEntry* last = entry("last");
    for (LoaderEntry* e : {opening, removed, last})
        loader->EnqueueForLoading(e);
    gate->waitEntered(1);
    {
        std::lock_guard guard(loader->lock());
        opening->imageCount = removed->imageCount = kRemovedMark;
    }
    gate->release();

    const auto events = results.waitFor(5);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].kind, LoadEvent::Started);
    EXPECT_EQ(events[1], (Event{opening, LoadEvent::Done, 0, 1000}));
    EXPECT_EQ(events[2], (Event{removed, LoadEvent::Done, kRemovedWhileWaiting, 0}));
    EXPECT_EQ(events[3], (Event{last, LoadEvent::Started, 0, 0}));
    EXPECT_EQ(events[4], (Event{last, LoadEvent::Done, 0, 1001}));
}

TEST_F(LoaderTest, StopGivesUpOnAnOpenPastTheBoundAndTheThreadLeavesEntriesAlone)
{
    start(true);
    loader->EnqueueForLoading(entry("block-slow"));
    loader->EnqueueForLoading(entry("queued-behind"));
    gate->waitEntered(1);

    EXPECT_FALSE(loader->StopLoader(20ms));
    // Everything the window side owns goes now, as at the end of the program.
    loader.reset();
    entries.clear();
    gate->release();
    // The thread closes the stream nobody will take, and reports nothing.
    ASSERT_TRUE(gate->waitClosed(1));
    const auto events = results.events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, LoadEvent::Started);
}

TEST_F(LoaderTest, TheRingWrapsAroundAndGrowsPastAFullList)
{
    start(true);
    std::vector<LoaderEntry*> order;
    // Held on a "block" entry, the loader lets `count` more queue up behind it.
    int held = 0;
    auto queueBehindGate = [&](const std::string& name, uint32_t count) {
        order.push_back(entry("block-" + name));
        loader->EnqueueForLoading(order.back());
        gate->waitEntered(++held);
        for (uint32_t i = 0; i < count; ++i) {
            order.push_back(entry(name + "-" + std::to_string(i)));
            loader->EnqueueForLoading(order.back());
        }
        gate->release();
        results.waitFor(2 * order.size());
        std::lock_guard guard(gate->lock);
        gate->open = false;
    };
    // A full ring, then a few more: they wrap around to its start.
    queueBehindGate("full", kMaxItems - 1);
    queueBehindGate("wrap", 6);
    // More than a list's worth waiting, as when entries removed while queued
    // still hold their places: the ring grows and keeps the order.
    queueBehindGate("grow", kMaxItems + 1);

    const auto events = results.events();
    ASSERT_EQ(events.size(), 2 * order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        ASSERT_EQ(events[2 * i].entry, order[i]) << i;
        ASSERT_EQ(events[2 * i + 1].entry, order[i]) << i;
    }
}
