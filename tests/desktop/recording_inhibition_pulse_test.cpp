// The window keeps the session awake exactly while it records, through the
// stand-in inhibitors on the test bus: logind first, for sleep and idle;
// refused or missing, the idle inhibitor. It always lets go.

#include "desktop_test_support.h"

using namespace desktoptest;

using RecordingInhibitionTest = DesktopWindowTest;

TEST_F(RecordingInhibitionTest, RecordingHoldsAnInhibitionThatStopAndAFailureRelease)
{
    const QString take = "take logind sleep:idle Quillon 录音中… block", release = "release logind 录音中…";
    StartDesktopServices();
    const struct {
        QStringList services;
        QStringList lines;
    } cases[] = {
        {{"logind", "screensaver"}, {take, release}},
        {{"logind-refuses", "screensaver"},
         {"refuse logind 录音中…", "take screensaver Quillon 录音中…", "release screensaver 录音中…"}},
        {{"screensaver"}, {"take screensaver Quillon 录音中…", "release screensaver 录音中…"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.services.join(' ').toStdString());
        InhibitorStandIn standIn(c.services);
        ASSERT_TRUE(standIn.Ready());
        Click(RecorderControl::Record);
        ASSERT_TRUE(window->Engine().IsRecording());
        EXPECT_EQ(standIn.WaitForLines(c.lines.size() - 1), c.lines.mid(0, c.lines.size() - 1));
        RunEventsFor(500);
        EXPECT_EQ(standIn.Lines().size(), c.lines.size() - 1) << "held while recording";
        Click(RecorderControl::Stop);
        EXPECT_EQ(standIn.WaitForLines(c.lines.size()), c.lines);
        EXPECT_FALSE(window->Engine().IsRecording());
    }

    // Stopped before logind answered: the inhibition is let go as it arrives.
    InhibitorStandIn standIn({"logind"});
    ASSERT_TRUE(standIn.Ready());
    Click(RecorderControl::Record);
    Click(RecorderControl::Stop);
    EXPECT_EQ(standIn.WaitForLines(2), (QStringList{take, release}));

    // Resumed, then the take reaches its size limit: the engine stops by itself.
    window->Engine().SetMaxDataBytes(window->Engine().GetDataLength() + 48000);
    Click(RecorderControl::Record);
    EXPECT_EQ(standIn.WaitForLines(3).value(2), take);
    EXPECT_TRUE(RunEventsUntil([&] { return !window->Engine().IsRecording(); }, 10000));
    EXPECT_EQ(standIn.WaitForLines(4).value(3), release);
    EXPECT_TRUE(RunEventsUntil([&] { return boxes.count == 1; }, 5000));
    EXPECT_EQ(boxes.text, resources::Text(resources::IDS_RECORD_SIZE_LIMIT));
}
