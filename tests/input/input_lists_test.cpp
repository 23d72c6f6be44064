// The two lists that offer the inputs and the recording formats.

#include <gtest/gtest.h>

#include <QComboBox>

#include "input/input_lists.h"

TEST(InputListsTest, StoredChoicesAreRestoredWithFallbackToTheFirstEntryAndFormatsUseTheChannelTexts)
{
    const std::vector<platform::audio::InputDevice> devices = {
        {0, "Mic", "mic", false}, {1, "Line", "line", false}, {2, "Monitor of Out", "out.monitor", true}};
    for (auto [stored, current] : {std::pair{2, 2}, {3, 0}, {-1, 0}, {100, 0}}) {
        SCOPED_TRACE(stored);
        QComboBox list;
        InputLists::FillDeviceList(&list, devices, stored);
        EXPECT_EQ(list.count(), 3);
        EXPECT_EQ(list.itemText(1), "Line");
        EXPECT_EQ(list.currentIndex(), current);
    }
    QComboBox none;
    InputLists::FillDeviceList(&none, {}, 0);
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.currentIndex(), -1);

    for (auto [stored, text] :
         {std::pair{9, "16000 Hz 16位 单声道"}, {27, "48000 Hz 16位 立体声"}, {28, "8000 Hz 8位 单声道"}}) {
        SCOPED_TRACE(stored);
        QComboBox formats;
        InputLists::FillFormatList(&formats, stored);
        EXPECT_EQ(formats.count(), 28);
        EXPECT_EQ(formats.currentText(), QString::fromUtf8(text));
    }
}
