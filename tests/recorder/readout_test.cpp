// The readouts' text: minutes, seconds and cut tenths, no widgets needed.
// Which controls each situation offers is followed through the window's
// buttons (recorder_window_test.cpp).
#include <gtest/gtest.h>

#include "recorder/readout.h"
#include "resources/strings.h"

namespace {

TEST(ReadoutText, ShowsMinutesSecondsAndCutTenths)
{
    const QString position = QString::fromUtf8("\n位置:\n"), length = QString::fromUtf8("\n长度:\n");
    struct Case {
        resources::StringId id;
        uint32_t frames, rate;
        QString text;
    };
    for (const Case& c : {Case{resources::IDS_POSITION_READOUT, 48000 * 3599 + 47000, 48000, position + "059:59.9"},
                          Case{resources::IDS_LENGTH_READOUT, 11025 * 90 + 11024, 11025, length + "001:30.9"},
                          Case{resources::IDS_LENGTH_READOUT, 48000 * 6000, 48000, length + "100:00.0"}})
        EXPECT_EQ(ReadoutText(c.id, c.frames, c.rate), c.text) << c.frames;
}

}  // namespace
