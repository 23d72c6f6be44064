// The sleep inhibitor against stand-in inhibitors on the test bus: which
// service it asks, what it asks for, and that it always lets go.

#include <gtest/gtest.h>

#include "desktop/sleep_inhibitor.h"
#include "desktop_test_support.h"

using desktop::SleepInhibitor;
using namespace desktoptest;

namespace {

const QString kWhy = QStringLiteral("录音中…");

}  // namespace

// logind first, for sleep and idle; refused or missing, the idle inhibitor.
TEST(SleepInhibitorTest, LogindOrElseTheIdleInhibitorIsHeldUntilReleased)
{
    const struct {
        QStringList services;
        QStringList lines;
    } cases[] = {
        {{"logind", "screensaver"}, {"take logind sleep:idle Quillon 录音中… block", "release logind 录音中…"}},
        {{"logind-refuses", "screensaver"},
         {"refuse logind 录音中…", "take screensaver Quillon 录音中…", "release screensaver 录音中…"}},
        {{"screensaver"}, {"take screensaver Quillon 录音中…", "release screensaver 录音中…"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.services.join(' ').toStdString());
        InhibitorStandIn standIn(c.services);
        ASSERT_TRUE(standIn.Ready());
        SleepInhibitor inhibitor(kWhy);
        inhibitor.SetActive(true);
        EXPECT_EQ(standIn.WaitForLines(c.lines.size() - 1), c.lines.mid(0, c.lines.size() - 1));
        EXPECT_TRUE(RunEventsUntil([&] { return inhibitor.IsHeld(); }, 5000));
        inhibitor.SetActive(false);
        EXPECT_EQ(standIn.WaitForLines(c.lines.size()), c.lines);
        EXPECT_FALSE(inhibitor.IsHeld());
    }
}

// Let go before the answer came: the inhibition is released as it arrives;
// and with no inhibitor at all nothing is held and nothing fails.
TEST(SleepInhibitorTest, ReleasedWhileAskingAndWithoutAnyService)
{
    {
        InhibitorStandIn standIn({"logind"});
        ASSERT_TRUE(standIn.Ready());
        SleepInhibitor inhibitor(kWhy);
        inhibitor.SetActive(true);
        inhibitor.SetActive(false);
        const QStringList lines = standIn.WaitForLines(2);
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[1], "release logind 录音中…");
        EXPECT_FALSE(inhibitor.IsHeld());
    }
    SleepInhibitor alone(kWhy);
    alone.SetActive(true);
    RunEventsFor(500);
    EXPECT_FALSE(alone.IsHeld());
    alone.SetActive(false);
}
