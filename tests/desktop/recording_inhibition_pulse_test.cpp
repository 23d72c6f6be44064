// The window keeps the session awake exactly while it records, through a
// stand-in logind on the test bus.

#include "desktop_test_support.h"
#include "desktop_window.h"
#include "engine/recording_engine.h"
#include "resources/strings.h"
#include "recorder/dialog_template.h"

using namespace desktoptest;

using RecordingInhibitionTest = DesktopWindowTest;

TEST_F(RecordingInhibitionTest, RecordingHoldsAnInhibitionThatStopAndAFailureRelease)
{
    InhibitorStandIn standIn({"logind"});
    ASSERT_TRUE(standIn.Ready());
    StartDesktopServices();

    Click(RecorderControl::Record);
    ASSERT_TRUE(window->Engine().IsRecording());
    EXPECT_EQ(standIn.WaitForLines(1), QStringList{"take logind sleep:idle Quillon 录音中… block"});
    RunEventsFor(1000);
    EXPECT_EQ(standIn.Lines().size(), 1) << "held while recording";
    Click(RecorderControl::Stop);
    EXPECT_EQ(standIn.WaitForLines(2).value(1), "release logind 录音中…");
    EXPECT_FALSE(window->Engine().IsRecording());

    // Resumed, then the take reaches its size limit: the engine stops by itself.
    window->Engine().SetMaxDataBytes(window->Engine().GetDataLength() + 48000);
    Click(RecorderControl::Record);
    EXPECT_EQ(standIn.WaitForLines(3).value(2), "take logind sleep:idle Quillon 录音中… block");
    EXPECT_TRUE(RunEventsUntil([&] { return !window->Engine().IsRecording(); }, 10000));
    EXPECT_EQ(standIn.WaitForLines(4).value(3), "release logind 录音中…");
    EXPECT_TRUE(RunEventsUntil([&] { return !messages.isEmpty(); }, 5000));
    EXPECT_EQ(messages.value(0), resources::Text(resources::IDS_RECORD_SIZE_LIMIT));
}
