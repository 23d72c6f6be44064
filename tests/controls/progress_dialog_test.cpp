// The progress dialog: the shared text throttle, cancel reporting, the
// disabled owner and the message pump.
#include "controls/gradient_button.h"
#include "controls/progress_dialog.h"
#include "widget_test_helpers.h"

#include <QLabel>

using controls::ProgressDialog;

namespace {

class ProgressDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        now = ProgressDialog::LastTextUpdate() + 100000u;  // well clear of earlier tests
        ProgressDialog::SetTickSourceForTesting([this] { return now; });
        owner.resize(300, 200);
        owner.show();
    }
    void TearDown() override { ProgressDialog::SetTickSourceForTesting({}); }
    // Moves the clock on and sets the position; the text shown afterwards.
    QString TextAfter(ProgressDialog& dialog, std::uint32_t ms, int pos)
    {
        now += ms;
        dialog.SetPos(pos);
        return dialog.PercentText();
    }

    std::uint32_t now = 0;
    QWidget owner;
};

}  // namespace

TEST_F(ProgressDialogTest, TheTitleAndPercentTextWrittenAtMostEvery300MsAndOnlyWhenItChanges)
{
    ProgressDialog dialog(QStringLiteral("正在压缩数据...."));
    ASSERT_TRUE(dialog.Create(&owner));
    EXPECT_TRUE(dialog.CancelButton()->HasSkin());
    QStringList texts;
    for (auto* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("正在压缩数据....")));
    dialog.SetRange(0, 100);
    EXPECT_EQ(dialog.PercentText(), QStringLiteral(" 0 %"));
    EXPECT_EQ(dialog.SetPos(50), 0);
    EXPECT_EQ(dialog.PercentText(), QStringLiteral("50%"));
    EXPECT_EQ(ProgressDialog::LastTextUpdate(), now);
    EXPECT_EQ(TextAfter(dialog, 300, 60), QStringLiteral("50%"));  // not more than 300 ms: skipped
    EXPECT_EQ(TextAfter(dialog, 1, 60), QStringLiteral("60%"));
    const std::uint32_t written = now;
    TextAfter(dialog, 5000, 60);  // the same text: nothing written, the time stays
    EXPECT_EQ(ProgressDialog::LastTextUpdate(), written);
    EXPECT_EQ(TextAfter(dialog, 0, 100), QStringLiteral("100%"));
    EXPECT_EQ(TextAfter(dialog, 301, 150), QStringLiteral("50%"));  // outside the range: modulo 100
    EXPECT_EQ(dialog.SetPos(70), 100);                              // while the bar clamps

    // The throttle is shared by all dialogs and survives the clock wrapping.
    ProgressDialog second(QStringLiteral("b"));
    second.Create(&owner);
    second.SetRange(0, 100);
    now = 0xffffff00u;
    dialog.SetPos(10);
    EXPECT_EQ(TextAfter(second, 100, 20), QStringLiteral(" 0 %"));
    now = 0x10u;  // the clock wrapped: 272 ms after the other dialog wrote
    EXPECT_EQ(TextAfter(second, 0, 20), QStringLiteral(" 0 %"));
    EXPECT_EQ(TextAfter(second, 0x30, 20), QStringLiteral("20%"));  // 320 ms
}

TEST_F(ProgressDialogTest, CancelIsReportedOnceAndOnlySetsTheFlagAndPendingEventsRun)
{
    ProgressDialog dialog(QStringLiteral("t"));
    dialog.Create(&owner);
    int ran = 0;
    QMetaObject::invokeMethod(
        &owner, [&] { ++ran; }, Qt::QueuedConnection);
    EXPECT_FALSE(dialog.CheckCancel());
    QMetaObject::invokeMethod(
        &owner, [&] { ++ran; }, Qt::QueuedConnection);
    dialog.SetPos(1);
    EXPECT_EQ(ran, 2);
    const std::function<void()> cancels[] = {
        [&] {
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        },
        [&] { QTest::keyClick(&dialog, Qt::Key_Escape); }, [&] { dialog.close(); },  // the close box
    };
    for (const auto& cancel : cancels) {
        cancel();
        EXPECT_TRUE(dialog.CheckCancel());
        EXPECT_FALSE(dialog.CheckCancel());
        EXPECT_TRUE(dialog.isVisible());
    }
    // Enter does nothing, not even on the focused Cancel button.
    dialog.CancelButton()->setFocus();
    QTest::keyClick(dialog.CancelButton(), Qt::Key_Return);
    QTest::keyClick(&dialog, Qt::Key_Enter);
    EXPECT_FALSE(dialog.CheckCancel());
}

TEST_F(ProgressDialogTest, OwnerIsDisabledWhileTheDialogExists)
{
    auto* child = new QWidget(&owner);
    auto* dialog = new ProgressDialog(QStringLiteral("t"));
    ASSERT_TRUE(dialog->Create(child));
    EXPECT_TRUE(!owner.isEnabled() && dialog->Owner() == &owner && dialog->CancelButton()->isEnabled());
    dialog->DestroyWindow();
    EXPECT_TRUE(owner.isEnabled() && !dialog->isVisible());
    delete dialog;

    dialog = new ProgressDialog(QStringLiteral("t"));
    dialog->Create(&owner);
    EXPECT_FALSE(owner.isEnabled());
    delete dialog;  // the destructor re-enables it when the window still exists
    EXPECT_TRUE(owner.isEnabled());

    owner.setEnabled(false);  // already disabled: stays so
    ProgressDialog third(QStringLiteral("t"));
    third.Create(&owner);
    EXPECT_EQ(third.Owner(), nullptr);
    third.DestroyWindow();
    EXPECT_FALSE(owner.isEnabled());
}
