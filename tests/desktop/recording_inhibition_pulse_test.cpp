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
    ASSERT_TRUE(standIn.ready());
    startDesktopServices();

    click(RecorderControl::Record);
    ASSERT_TRUE(window->engine().IsRecording());
    EXPECT_EQ(standIn.waitForLines(1), QStringList{"take logind sleep:idle Quillon 录音中… block"});
    runEventsFor(1000);
    EXPECT_EQ(standIn.lines().size(), 1) << "held while recording";
    click(RecorderControl::Stop);
    EXPECT_EQ(standIn.waitForLines(2).value(1), "release logind 录音中…");
    EXPECT_FALSE(window->engine().IsRecording());

    // Resumed, then the take reaches its size limit: the engine stops by itself.
    window->engine().SetMaxDataBytes(window->engine().GetDataLength() + 48000);
    click(RecorderControl::Record);
    EXPECT_EQ(standIn.waitForLines(3).value(2), "take logind sleep:idle Quillon 录音中… block");
    EXPECT_TRUE(runEventsUntil([&] { return !window->engine().IsRecording(); }, 10000));
    EXPECT_EQ(standIn.waitForLines(4).value(3), "release logind 录音中…");
    EXPECT_TRUE(runEventsUntil([&] { return !messages.isEmpty(); }, 5000));
    EXPECT_EQ(messages.value(0), resources::text(resources::IDS_RECORD_SIZE_LIMIT));
}
