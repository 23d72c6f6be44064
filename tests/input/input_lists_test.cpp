// The 28 recording formats and the two lists that offer them.

#include <gtest/gtest.h>

#include <QComboBox>
#include <algorithm>
#include <set>

#include "input/input_lists.h"
#include "engine/record_formats.h"

TEST(RecordFormatsTest, TwentyEightDistinctRowsOrderedByRateThenBitsAndChannels)
{
    std::set<std::tuple<int, int, int>> seen;
    for (int r = 0; r < RecordFormats::kCount; ++r) {
        const auto f = RecordFormats::format(r);
        seen.insert({int(f.sampleRate), f.bitsPerSample, f.channels});
        EXPECT_GE(f.sampleRate, RecordFormats::format(std::max(r - 1, 0)).sampleRate);
    }
    EXPECT_EQ(seen.size(), 28u);
    EXPECT_EQ(RecordFormats::format(0), (platform::audio::PcmFormat{8000, 8, 1}));
    EXPECT_EQ(RecordFormats::format(9), (platform::audio::PcmFormat{16000, 16, 1}));
    EXPECT_EQ(RecordFormats::format(22), (platform::audio::PcmFormat{44100, 8, 2}));
    EXPECT_EQ(RecordFormats::format(27), (platform::audio::PcmFormat{48000, 16, 2}));
    // No selection records in row 0.
    EXPECT_EQ(RecordFormats::format(-1), RecordFormats::format(0));
}

TEST(RecordFormatsTest, LabelsUseTheMonoAndStereoTexts)
{
    EXPECT_EQ(InputLists::FormatLabel(0), QString::fromUtf8("8000 Hz 8位 单声道"));
    EXPECT_EQ(InputLists::FormatLabel(27), QString::fromUtf8("48000 Hz 16位 立体声"));
}

TEST(InputListsTest, StoredChoicesAreRestoredWithFallbackToTheFirstEntry)
{
    std::vector<platform::audio::InputDevice> devices = {
        {0, "Mic", "mic", false}, {1, "Line", "line", false}, {2, "Monitor of Out", "out.monitor", true}};
    QComboBox dev, fmt;
    InputLists::FillDeviceList(&dev, devices, 2);
    EXPECT_EQ(dev.count(), 3);
    EXPECT_EQ(dev.currentIndex(), 2);
    EXPECT_EQ(dev.itemText(1), "Line");

    for (int stored : {3, -1, 100}) {
        QComboBox d;
        InputLists::FillDeviceList(&d, devices, stored);
        EXPECT_EQ(d.currentIndex(), 0) << stored;
    }

    QComboBox none;
    InputLists::FillDeviceList(&none, {}, 0);
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.currentIndex(), -1);

    InputLists::FillFormatList(&fmt, 9);
    EXPECT_EQ(fmt.count(), 28);
    EXPECT_EQ(fmt.currentText(), QString::fromUtf8("16000 Hz 16位 单声道"));
    QComboBox fmt2;
    InputLists::FillFormatList(&fmt2, 28);
    EXPECT_EQ(fmt2.currentIndex(), 0);
}
