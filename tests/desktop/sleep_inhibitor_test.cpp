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

TEST(SleepInhibitorTest, LogindInhibitsSleepAndIdleUntilReleased)
{
    InhibitorStandIn standIn({"logind", "screensaver"});
    ASSERT_TRUE(standIn.ready());
    SleepInhibitor inhibitor(kWhy);
    inhibitor.setActive(true);
    EXPECT_EQ(standIn.waitForLines(1), QStringList{"take logind sleep:idle Quillon 录音中… block"});
    EXPECT_TRUE(runEventsUntil([&] { return inhibitor.isHeld(); }, 5000));

    inhibitor.setActive(false);
    EXPECT_EQ(standIn.waitForLines(2).value(1), "release logind 录音中…");
    EXPECT_FALSE(inhibitor.isHeld());
}

TEST(SleepInhibitorTest, RefusedOrMissingLogindFallsBackToTheIdleInhibitor)
{
    for (const QStringList& services : {QStringList{"logind-refuses", "screensaver"}, QStringList{"screensaver"}}) {
        SCOPED_TRACE(services.join(' ').toStdString());
        InhibitorStandIn standIn(services);
        ASSERT_TRUE(standIn.ready());
        SleepInhibitor inhibitor(kWhy);
        inhibitor.setActive(true);
        const int refusals = services.contains("logind-refuses") ? 1 : 0;
        QStringList lines = standIn.waitForLines(refusals + 1);
        EXPECT_EQ(lines.value(refusals), "take screensaver Quillon 录音中…");
        runEventsUntil([&] { return inhibitor.isHeld(); }, 5000);
        inhibitor.setActive(false);
        lines = standIn.waitForLines(refusals + 2);
        EXPECT_EQ(lines.value(refusals + 1), "release screensaver 录音中…");
    }
}

// Let go before the answer came: the inhibition is released as it arrives;
// and with no inhibitor at all nothing is held and nothing fails.
TEST(SleepInhibitorTest, ReleasedWhileAskingAndWithoutAnyService)
{
    {
        InhibitorStandIn standIn({"logind"});
        ASSERT_TRUE(standIn.ready());
        SleepInhibitor inhibitor(kWhy);
        inhibitor.setActive(true);
        inhibitor.setActive(false);
        const QStringList lines = standIn.waitForLines(2);
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[1], "release logind 录音中…");
        EXPECT_FALSE(inhibitor.isHeld());
    }
    SleepInhibitor alone(kWhy);
    alone.setActive(true);
    runEventsFor(500);
    EXPECT_FALSE(alone.isHeld());
    alone.setActive(false);
}
