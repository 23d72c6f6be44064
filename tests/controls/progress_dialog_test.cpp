// The progress dialog: the shared text throttle, cancel reporting, the
// disabled owner and the message pump.
#include "controls/gradient_button.h"
#include "controls/progress_dialog.h"
#include "widget_test_helpers.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

using controls::ProgressDialog;

namespace {

class ProgressDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Start well clear of whatever an earlier test wrote.
        now = ProgressDialog::LastTextUpdate() + 100000u;
        ProgressDialog::SetTickSourceForTesting([this] { return now; });
        owner.resize(300, 200);
        owner.show();
    }
    void TearDown() override { ProgressDialog::SetTickSourceForTesting({}); }

    std::uint32_t now = 0;
    QWidget owner;
};

}  // namespace

TEST_F(ProgressDialogTest, PercentTextIsWrittenAtMostEvery300MsAndOnlyWhenItChanges)
{
    ProgressDialog dialog(QStringLiteral("正在压缩数据...."));
    ASSERT_TRUE(dialog.Create(&owner));
    dialog.SetRange(0, 100);
    EXPECT_EQ(dialog.PercentText(), QStringLiteral(" 0 %"));

    dialog.SetPos(50);
    EXPECT_EQ(dialog.PercentText(), QStringLiteral("50%"));
    EXPECT_EQ(ProgressDialog::LastTextUpdate(), now);

    now += 300;  // not more than 300 ms: skipped, and not written later
    dialog.SetPos(60);
    EXPECT_EQ(dialog.PercentText(), QStringLiteral("50%"));
    EXPECT_EQ(dialog.GetPos(), 60);

    now += 1;
    dialog.SetPos(60);
    EXPECT_EQ(dialog.PercentText(), QStringLiteral("60%"));
    const std::uint32_t written = now;

    now += 5000;  // the same text: nothing written, the time stays
    dialog.SetPos(60);
    EXPECT_EQ(ProgressDialog::LastTextUpdate(), written);

    dialog.SetPos(100);
    EXPECT_EQ(dialog.PercentText(), QStringLiteral("100%"));
    now += 301;
    dialog.SetPos(150);  // outside the range: shown modulo 100
    EXPECT_EQ(dialog.PercentText(), QStringLiteral("50%"));
    dialog.DestroyWindow();
}

TEST_F(ProgressDialogTest, ThrottleIsSharedByAllDialogsAndSurvivesTheClockWrapping)
{
    ProgressDialog first(QStringLiteral("a"));
    ProgressDialog second(QStringLiteral("b"));
    first.Create(&owner);
    first.SetRange(0, 100);
    now = 0xffffff00u;
    first.SetPos(10);
    EXPECT_EQ(first.PercentText(), QStringLiteral("10%"));

    second.Create(&owner);
    second.SetRange(0, 100);
    now += 100;
    second.SetPos(20);  // 100 ms after the other dialog wrote
    EXPECT_EQ(second.PercentText(), QStringLiteral(" 0 %"));

    now = 0x00000010u;  // the clock wrapped: 0x110 = 272 ms later
    second.SetPos(20);
    EXPECT_EQ(second.PercentText(), QStringLiteral(" 0 %"));
    now = 0x00000040u;  // 320 ms later
    second.SetPos(20);
    EXPECT_EQ(second.PercentText(), QStringLiteral("20%"));
    second.DestroyWindow();
    first.DestroyWindow();
}

TEST_F(ProgressDialogTest, SetPosReturnsThePreviousPositionWithinTheRange)
{
    ProgressDialog dialog(QStringLiteral("t"));
    dialog.Create(&owner);
    dialog.SetRange(0, 100);
    EXPECT_EQ(dialog.SetPos(30), 0);
    EXPECT_EQ(dialog.SetPos(70), 30);
    EXPECT_EQ(dialog.GetPos(), 70);
    dialog.SetPos(250);  // the bar clamps
    EXPECT_EQ(dialog.GetPos(), 100);
    dialog.DestroyWindow();
}

TEST_F(ProgressDialogTest, CancelIsReportedOnceAndOnlySetsTheFlag)
{
    ProgressDialog dialog(QStringLiteral("t"));
    dialog.Create(&owner);
    ASSERT_TRUE(dialog.isVisible());
    ASSERT_TRUE(dialog.isEnabled());
    EXPECT_FALSE(dialog.CheckCancel());

    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.CheckCancel());
    EXPECT_FALSE(dialog.CheckCancel());
    EXPECT_TRUE(dialog.isVisible());

    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.CheckCancel());
    EXPECT_TRUE(dialog.isVisible());

    dialog.close();  // the close box
    EXPECT_TRUE(dialog.CheckCancel());
    EXPECT_TRUE(dialog.isVisible());

    // Enter does nothing, not even on the focused Cancel button.
    dialog.CancelButton()->setFocus();
    QTest::keyClick(dialog.CancelButton(), Qt::Key_Return);
    QTest::keyClick(&dialog, Qt::Key_Enter);
    EXPECT_FALSE(dialog.CheckCancel());
    EXPECT_TRUE(dialog.isVisible());
    dialog.DestroyWindow();
}

TEST_F(ProgressDialogTest, OwnerIsDisabledWhileTheDialogExistsAndEnabledAfterwards)
{
    auto* child = new QWidget(&owner);
    ProgressDialog dialog(QStringLiteral("t"));
    ASSERT_TRUE(dialog.Create(child));
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_EQ(dialog.Owner(), &owner);
    EXPECT_TRUE(dialog.isEnabled());
    EXPECT_TRUE(dialog.CancelButton()->isEnabled());
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.CheckCancel());
    dialog.DestroyWindow();
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ProgressDialogTest, DestructorEnablesTheOwnerWhenTheWindowStillExists)
{
    {
        ProgressDialog dialog(QStringLiteral("t"));
        dialog.Create(&owner);
        EXPECT_FALSE(owner.isEnabled());
    }
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(ProgressDialogTest, AnOwnerThatWasDisabledStaysDisabled)
{
    owner.setEnabled(false);
    ProgressDialog dialog(QStringLiteral("t"));
    dialog.Create(&owner);
    EXPECT_EQ(dialog.Owner(), nullptr);
    dialog.DestroyWindow();
    EXPECT_FALSE(owner.isEnabled());
}

TEST_F(ProgressDialogTest, SetPosAndCheckCancelLetPendingEventsRun)
{
    ProgressDialog dialog(QStringLiteral("t"));
    dialog.Create(&owner);
    int ran = 0;
    QMetaObject::invokeMethod(&owner, [&] { ++ran; }, Qt::QueuedConnection);
    dialog.SetPos(1);
    EXPECT_EQ(ran, 1);
    QMetaObject::invokeMethod(&owner, [&] { ++ran; }, Qt::QueuedConnection);
    dialog.CheckCancel();
    EXPECT_EQ(ran, 2);
    dialog.DestroyWindow();
}

TEST_F(ProgressDialogTest, LayoutAndScreenshot)
{
    ProgressDialog dialog(QStringLiteral("正在压缩数据...."));
    dialog.Create(&owner);
    dialog.SetRange(0, 100);
    now += 1000;
    dialog.SetPos(42);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("进度"));
    EXPECT_TRUE(dialog.CancelButton()->HasSkin());
    EXPECT_EQ(dialog.CancelButton()->text(), QStringLiteral("取消"));
    bool titleFound = false;
    for (auto* label : dialog.findChildren<QLabel*>())
        titleFound |= label->text() == QStringLiteral("正在压缩数据....") && label->property("controlId").toInt() == 1146;
    EXPECT_TRUE(titleFound);
    widgettest::saveShot(&dialog, QStringLiteral("progress_dialog"), 2);
    dialog.DestroyWindow();
}
