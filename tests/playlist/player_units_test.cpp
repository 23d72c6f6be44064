// The player's small parts: the position text, the status line, the pool of
// pieces and the play queue.
#include <gtest/gtest.h>

#include <QLabel>

#include "playlist/buffer_pool.h"
#include "playlist/play_queue.h"
#include "playlist/playlist_item.h"
#include "playlist/position_text.h"
#include "playlist/status_line.h"

using namespace playlist;

TEST(PositionText, MinutesUnderAnHourAndHoursFromAnHourInWholeTenths)
{
    using playlist::FormatPositionText;
    EXPECT_EQ(FormatPositionText(0, 44100 * 65 + 22050, 44100), "00:00.0/01:05.5");
    EXPECT_EQ(FormatPositionText(8000 * 59 + 7999, 8000 * 3599 + 7999, 8000), "00:59.9/59:59.9");
    EXPECT_EQ(FormatPositionText(48000 * 3661 + 24000, 48000 * 7200, 48000), "1:01:01.5/2:00:00.0");
    EXPECT_EQ(FormatPositionText(0, 11025 * 3600, 11025), "0:00:00.0/1:00:00.0");
    EXPECT_EQ(FormatPositionText(5, 10, 0), "");
}

TEST(StatusLine, ShowsThePlayingTitleOrReadyOnceTheLabelIsHandedOver)
{
    StatusLine status;
    status.ShowStatus("early");  // no label yet: nothing to show, nothing to crash
    QLabel label;
    status.SetWindow(&label);
    status.ShowStatus("100% of %s");
    EXPECT_EQ(label.text(), QStringLiteral("正在播放： 100% of %s"));
    status.ShowStatus({});
    EXPECT_EQ(label.text(), QStringLiteral("就绪"));
}

// A hundred pieces are kept for reuse; more are freed. A reused piece comes
// back whole, whatever the last user left in its header.
TEST(BufferPool, KeepsAtMostAHundredPiecesAndHandsThemOutWhole)
{
    BufferPool pool;
    std::vector<std::unique_ptr<WaveBuffer>> out;
    for (int i = 0; i < 101; ++i)
        out.push_back(pool.GetBuffer());
    EXPECT_EQ(pool.KeptCount(), 0u);
    for (auto& b : out)
        b->header = {nullptr, 12, 7, nullptr};
    const WaveBuffer* last = out.back().get();
    for (auto& b : out)
        pool.PutBuffer(std::move(b));
    EXPECT_EQ(pool.KeptCount(), 100u);

    std::unique_ptr<WaveBuffer> again = pool.GetBuffer();
    EXPECT_NE(again.get(), last) << "the hundred-and-first was freed";
    EXPECT_EQ(pool.KeptCount(), 99u);
    EXPECT_EQ(again->header.data, again->data);
    EXPECT_EQ(again->header.length, 6144u);
    EXPECT_EQ(again->header.bytesRecorded, 0u);
}

// The queue's marks follow its nodes; removing the current node passes the
// turn to its successor.
TEST(PlayQueue, MarksFollowTheNodesThroughLoopingDroppingAndRemoval)
{
    PlaylistItem a, b, c;
    PlayQueue queue;
    queue.Build({&a, &b, &c});
    EXPECT_EQ(queue.Current(), &a);
    EXPECT_EQ(a.queued + b.queued + c.queued, 3);

    queue.StepAround();
    queue.StepAround();
    EXPECT_EQ(queue.Current(), &c);
    queue.StepAround();
    EXPECT_EQ(queue.Current(), &a) << "after the last comes the head";

    queue.Remove(&a);
    EXPECT_EQ(queue.Current(), &b);
    EXPECT_EQ(a.queued, 0);
    queue.DropPlayed();
    EXPECT_EQ(queue.Current(), &c);
    EXPECT_EQ(b.queued, 0);
    EXPECT_EQ(queue.Items(), std::vector<PlaylistItem*>{&c});
    queue.Remove(&c);
    EXPECT_EQ(queue.Current(), nullptr);
    EXPECT_TRUE(queue.IsEmpty());

    queue.Build({&a, &b, &c});
    queue.StepAround();
    queue.StepAround();
    queue.Remove(&a);
    EXPECT_EQ(queue.Current(), &c) << "an earlier node leaving does not move the turn";
    queue.Remove(&b);
    EXPECT_EQ(queue.Current(), &c);

    queue.Build({&a, &b});
    queue.StepAround();
    queue.DropPlayed();
    EXPECT_EQ(queue.Current(), nullptr) << "nothing after the last item";
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(a.queued + b.queued, 0);
}
