// The about box, the folder chooser's buffer rules, and the progress dialog:
// the shared text throttle, cancel reporting, the disabled owner and the
// message pump.
#include "controls/about_dialog.h"
#include "controls/browse_for_folder.h"
#include "controls/gradient_button.h"
#include "controls/hyperlink_label.h"
#include "controls/progress_dialog.h"
#include "support/recording_shell.h"
#include "resources/addresses.h"
#include "widget_test_helpers.h"

#include <QLabel>
#include <QScopeGuard>

#include <vector>

using controls::BrowseForFolder;
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

TEST(AboutDialog, NamesTheProgramAndLinksHomeAndSupport)
{
    testsupport::ScopedRecordingShell shell;
    controls::AboutDialog about;
    about.show();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于Recorder"));
    QStringList texts;
    for (auto* label : about.findChildren<QLabel*>())
        texts << label->text();
    for (const char* text : {"Quillon 2.5", "主页:", "技术支持:", resources::kHomePage, resources::kSupportMail})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;
    EXPECT_EQ(about.OkButton()->text(), QStringLiteral("确定"));
    EXPECT_TRUE(about.OkButton()->HasSkin());
    QTest::mouseClick(about.SupportLink(), Qt::LeftButton, {}, {2, 2});
    QTest::mouseClick(about.HomeLink(), Qt::LeftButton, {}, {2, 2});
    EXPECT_EQ(shell.opened,
              (QStringList{QStringLiteral("mailto:") + QString::fromLatin1(resources::kSupportMail),
                           QString::fromLatin1(resources::kHomePage)}));
    QTest::keyClick(&about, Qt::Key_Return);  // the default button closes the box
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

// The program calls the form that fills a QString; it goes through the byte form.
TEST(FolderChooser, TheStartIsThePresetOrTheCurrentFolderAndTheResultIsCutInWholeCharacters)
{
    // Stands in for the dialog: counts calls, keeps title and start, answers `answer`.
    int calls = 0;
    QString title, start, answer = QStringLiteral("/tmp");
    controls::SetFolderChooserForTesting([&](QWidget*, const QString& asked, const QString& startAt) {
        ++calls;
        title = asked;
        start = startAt;
        return answer;
    });
    const auto restore = qScopeGuard([] { controls::SetFolderChooserForTesting({}); });
    QString out = QStringLiteral("old");
    EXPECT_FALSE(BrowseForFolder(nullptr, {}, "/", out, 259));  // too small a buffer: no dialog
    EXPECT_EQ(calls, 0);
    const QString longPreset = "/" + QString(600, 'p');
    const std::pair<QString, QString> starts[] = {
        {QString(), QDir::currentPath()}, {"/usr/share", "/usr/share"}, {longPreset, longPreset.left(518)}};
    for (const auto& [preset, expected] : starts) {
        EXPECT_TRUE(BrowseForFolder(nullptr, QStringLiteral("所选目录"), preset, out, 260));
        EXPECT_EQ(start, expected) << preset.toStdString();
        EXPECT_EQ(title, QStringLiteral("所选目录"));
        EXPECT_EQ(out, "/tmp");
    }
    // 259 bytes at most: "/a" and 90 three-byte characters would end two
    // bytes into the 86th, so 85 are kept; after "/" alone 86 fit exactly.
    const QString lu(90, QChar(0x5F55));  // 录
    const std::pair<QString, QString> results[] = {{"/" + QString(400, 'd'), "/" + QString(258, 'd')},
                                                   {"/a" + lu, "/a" + lu.left(85)},
                                                   {"/" + lu, "/" + lu.left(86)},
                                                   {QString(), QString()}};  // cancelled
    for (const auto& [chosen, kept] : results) {
        answer = chosen;
        EXPECT_EQ(BrowseForFolder(nullptr, {}, "/", out, 260), !chosen.isEmpty());
        EXPECT_EQ(out, kept);
    }
    // The byte form writes nothing past the buffer it is given.
    answer = "/" + QString(400, 'd');
    std::vector<char> buffer(270, '#');
    EXPECT_TRUE(BrowseForFolder(nullptr, {}, "/", buffer.data(), 260));
    EXPECT_EQ(std::string(buffer.data() + 258, 12), "d" + std::string(1, '\0') + std::string(10, '#'));
}

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
