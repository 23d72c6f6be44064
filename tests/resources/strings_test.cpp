// The string table: lookup by id, line breaks and formats kept as shown.

#include <gtest/gtest.h>

#include "resources/strings.h"

TEST(StringTableTest, KnownIdsGiveTheirTextAndUnknownIdsNothing)
{
    EXPECT_EQ(resources::Text(resources::IDS_STOP_BEFORE_EXIT), QString::fromUtf8("退出之前请先停止录音/播放。"));
    for (int unknown : {0, 379, -5})  // 379: a gap in the numbering
        EXPECT_TRUE(resources::Text(resources::StringId(unknown)).isEmpty()) << unknown;

    // Escapes are real line breaks, and the readouts format as the window shows them.
    const QString length = resources::Text(resources::IDS_LENGTH_READOUT);
    EXPECT_EQ(length.count('\n'), 2);
    EXPECT_EQ(QString::asprintf(length.toUtf8().constData(), 1, 1, 2), QString::fromUtf8("\n长度:\n001:01.2"));
    EXPECT_TRUE(resources::Text(resources::IDS_PLAYLIST_EMPTY).contains('\n'));

    // Ten tips, each followed by its link.
    for (int tip = 0; tip < 10; ++tip) {
        const int id = resources::IDS_FIRST_TIP + 2 * tip;
        EXPECT_FALSE(resources::Text(resources::StringId(id)).isEmpty()) << id;
        EXPECT_TRUE(resources::Text(resources::StringId(id + 1)).startsWith("https://")) << id + 1;
    }
    // Our own messages for recordings and playback that had to stop.
    for (resources::StringId id :
         {resources::IDS_RECORD_WRITE_FAILED, resources::IDS_RECORD_SIZE_LIMIT, resources::IDS_RECORD_DEVICE_LOST,
          resources::IDS_PLAYBACK_READ_FAILED, resources::IDS_PLAYBACK_DEVICE_LOST, resources::IDS_RECORD_AUDIO_LOST,
          resources::IDS_DEVICE_REMOVED_DEFAULT_CHOSEN, resources::IDS_CAPTURE_DEVICE_MOVED})
        EXPECT_FALSE(resources::Text(id).isEmpty()) << id;
}
