// Callbacks must reach the owner thread in order, whoever posts them, and
// never after the queue was closed or destroyed.
#include <gtest/gtest.h>

#include <thread>
#include <QCoreApplication>

#include "platform/audio/callback_queue.h"

using platform::audio::CallbackQueue;

TEST(CallbackQueue, CallsFromAnotherThreadRunOnTheOwnerThreadInOrderUntilClosed)
{
    CallbackQueue queue;
    std::vector<int> seen;
    const auto owner = std::this_thread::get_id();
    const auto call = [&](int i) {
        return [&, i] {
            EXPECT_EQ(std::this_thread::get_id(), owner);
            seen.push_back(i);
            if (i == 900)
                queue.close();  // a handler closing its stream stops the rest
        };
    };
    // Single calls and batches of one to four mixed; 900 falls inside a batch.
    std::thread poster([&] {
        for (int i = 0; i < 1000;) {
            if (i % 3 == 0) {
                queue.post(call(i++));
                continue;
            }
            std::vector<std::function<void()>> batch;
            for (int n = i % 4 + 1; n > 0 && i < 1000; --n)
                batch.push_back(call(i++));
            queue.post(std::move(batch));
        }
    });
    poster.join();
    EXPECT_TRUE(seen.empty());
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(seen.size(), 901u);
    for (int i = 0; i <= 900; ++i)
        ASSERT_EQ(seen[size_t(i)], i);
    EXPECT_FALSE(queue.isOpen());

    auto owned = std::make_unique<CallbackQueue>();
    int calls = 0;
    owned->post([&] { ++calls, owned.reset(); });  // destroyed inside its own call
    owned->post([&] { ++calls; });
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(calls, 1);

    owned = std::make_unique<CallbackQueue>();
    owned->post(std::vector<std::function<void()>>{[&] { ++calls, owned.reset(); }, [&] { ++calls; }});
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(calls, 2);
}
