// The player's small parts that its own tests cannot reach: the position
// text's hours and the play queue's removals.
#include <gtest/gtest.h>

#include "playlist/play_queue.h"
#include "playlist/playlist_item.h"
#include "playlist/position_text.h"

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

// A row removed from the list leaves the queue: the turn stays with the item
// that had it, and passes from a removed current item to its successor.
TEST(PlayQueue, RemovalKeepsTheTurnWithItsItem)
{
    PlaylistItem a, b, c;
    PlayQueue queue;
    queue.Build({&a, &b, &c});
    queue.StepAround();
    queue.Remove(&a);
    EXPECT_EQ(queue.Current(), &b) << "an earlier node leaving does not move the turn";
    EXPECT_EQ(a.queued, 0);
    queue.Remove(&b);
    EXPECT_EQ(queue.Current(), &c);
    queue.Remove(&c);
    EXPECT_EQ(queue.Current(), nullptr);
    EXPECT_TRUE(queue.IsEmpty());
}
