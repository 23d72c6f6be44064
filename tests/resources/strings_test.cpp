// The string table: lookup by id, line breaks and formats kept as shown.

#include <gtest/gtest.h>

#include "resources/strings.h"

TEST(StringTableTest, KnownIdsGiveTheirTextAndUnknownIdsNothing)
{
    EXPECT_EQ(resources::text(363), QString::fromUtf8("退出之前请先停止录音/播放。"));
    EXPECT_TRUE(resources::text(0).isEmpty());
    EXPECT_TRUE(resources::text(379).isEmpty());  // a gap in the numbering
    EXPECT_TRUE(resources::text(-5).isEmpty());

    // Escapes are real line breaks, and the readouts format as the window shows them.
    const QString length = resources::text(384);
    EXPECT_EQ(length.count('\n'), 2);
    EXPECT_EQ(QString::asprintf(length.toUtf8().constData(), 1, 1, 2), QString::fromUtf8("\n长度:\n001:01.2"));
    EXPECT_TRUE(resources::text(431).contains('\n'));

    // Ten tips, each followed by its link.
    for (int id = 445; id <= 463; id += 2) {
        EXPECT_FALSE(resources::text(id).isEmpty()) << id;
        EXPECT_TRUE(resources::text(id + 1).startsWith("https://")) << id + 1;
    }
    // Our own messages for recordings and playback that had to stop.
    for (int id :
         {resources::IDS_RECORD_WRITE_FAILED, resources::IDS_RECORD_SIZE_LIMIT, resources::IDS_RECORD_DEVICE_LOST,
          resources::IDS_PLAYBACK_READ_FAILED, resources::IDS_PLAYBACK_DEVICE_LOST, resources::IDS_RECORD_AUDIO_LOST,
          resources::IDS_DEVICE_REMOVED_DEFAULT_CHOSEN, resources::IDS_CAPTURE_DEVICE_MOVED})
        EXPECT_FALSE(resources::text(id).isEmpty()) << id;
}
