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
                queue.Close();  // a handler closing its stream stops the rest
        };
    };
    // Single calls and batches of one to four mixed; 900 falls inside a batch.
    std::thread poster([&] {
        for (int i = 0; i < 1000;) {
            if (i % 3 == 0) {
                queue.Post(call(i++));
                continue;
            }
            std::vector<std::function<void()>> batch;
            for (int n = i % 4 + 1; n > 0 && i < 1000; --n)
                batch.push_back(call(i++));
            queue.Post(std::move(batch));
        }
    });
    poster.join();
    EXPECT_TRUE(seen.empty());
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(seen.size(), 901u);
    for (int i = 0; i <= 900; ++i)
        ASSERT_EQ(seen[size_t(i)], i);
    EXPECT_FALSE(queue.IsOpen());

    // Destroyed inside its own call, posted alone or in a batch.
    for (bool batch : {false, true}) {
        SCOPED_TRACE(batch);
        auto owned = std::make_unique<CallbackQueue>();
        int calls = 0;
        const std::vector<std::function<void()>> both{[&] { ++calls, owned.reset(); }, [&] { ++calls; }};
        if (batch) {
            owned->Post(both);
        } else {
            owned->Post(both[0]);
            owned->Post(both[1]);
        }
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(calls, 1);
    }
}
