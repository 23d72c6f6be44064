// Callbacks must reach the owner thread in order, whoever posts them, and
// never after the queue was closed.
#include <gtest/gtest.h>

#include <thread>
#include <QCoreApplication>

#include "platform/audio/callback_queue.h"

using platform::audio::CallbackQueue;

TEST(CallbackQueue, CallsPostedFromAnotherThreadRunOnTheOwnerThreadInOrder)
{
    CallbackQueue queue;
    std::vector<int> seen;
    std::vector<std::thread::id> threads;
    std::thread poster([&] {
        for (int i = 0; i < 1000; ++i)
            queue.post([&, i] {
                seen.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
    });
    poster.join();
    EXPECT_TRUE(seen.empty());
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(seen.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(seen[size_t(i)], i);
    for (auto id : threads)
        ASSERT_EQ(id, std::this_thread::get_id());
}

TEST(CallbackQueue, ClosingDropsPendingCalls)
{
    CallbackQueue queue;
    int calls = 0;
    queue.post([&] { ++calls; });
    queue.post([&] {
        ++calls;
        queue.close(); // a handler closing its stream stops the rest
    });
    queue.post([&] { ++calls; });
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(queue.isOpen());
}

TEST(CallbackQueue, DestroyingTheQueueInsideItsOwnCallIsSafe)
{
    auto queue = std::make_unique<CallbackQueue>();
    int calls = 0;
    queue->post([&] {
        ++calls;
        queue.reset();
    });
    queue->post([&] { ++calls; });
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(calls, 1);
}
