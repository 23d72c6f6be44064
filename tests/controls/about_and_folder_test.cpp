// The about box and the folder chooser's buffer rules.
#include "controls/about_dialog.h"
#include "controls/browse_for_folder.h"
#include "controls/gradient_button.h"
#include "controls/hyperlink_label.h"
#include "support/recording_shell.h"
#include "resources/addresses.h"
#include "widget_test_helpers.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using controls::BrowseForFolder;

namespace {

// Stands in for the dialog: counts calls, keeps title and start, answers `answer`.
class FolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        controls::SetFolderChooserForTesting([this](QWidget*, const QString& title, const QString& startAt) {
            ++calls;
            this->title = title;
            start = startAt;
            return answer;
        });
    }
    void TearDown() override { controls::SetFolderChooserForTesting({}); }

    int calls = 0;
    QString title, start, answer = QStringLiteral("/tmp");
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
    widgettest::SaveSheet({widgettest::Shot(about)}, QStringLiteral("about_dialog"), 2);
    QTest::mouseClick(about.SupportLink(), Qt::LeftButton, {}, {2, 2});
    QTest::mouseClick(about.HomeLink(), Qt::LeftButton, {}, {2, 2});
    EXPECT_EQ(shell.opened,
              (QStringList{QStringLiteral("mailto:") + QString::fromLatin1(resources::kSupportMail),
                           QString::fromLatin1(resources::kHomePage)}));
    QTest::keyClick(&about, Qt::Key_Return);  // the default button closes the box
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST_F(FolderTest, SmallBufferFailsUnshownAndTheStartIsThePresetOrTheCurrentDirectory)
{
    char buffer[300];
    EXPECT_FALSE(BrowseForFolder(nullptr, {}, "/", nullptr, 300));
    EXPECT_FALSE(BrowseForFolder(nullptr, {}, "/", buffer, 259));
    QString out = QStringLiteral("old");
    EXPECT_FALSE(BrowseForFolder(nullptr, {}, QString(), out, 100));
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(BrowseForFolder(nullptr, {}, "/", buffer, 260));
    EXPECT_STREQ(buffer, "/tmp");
    const std::string longPreset = "/" + std::string(600, 'p');
    const std::pair<const char*, QString> cases[] = {
        {"", QDir::currentPath()},
        {nullptr, QDir::currentPath()},
        {"/usr/share", "/usr/share"},
        {longPreset.c_str(), QString::fromStdString(longPreset.substr(0, 518))}};
    for (const auto& [preset, expected] : cases) {
        BrowseForFolder(nullptr, QStringLiteral("所选目录"), preset, buffer, 260);
        EXPECT_EQ(start, expected) << (preset ? preset : "null");
        EXPECT_EQ(title, QStringLiteral("所选目录"));
    }
}

TEST_F(FolderTest, LongResultIsCutToTheBufferAndCancelGivesFalse)
{
    answer = QStringLiteral("/") + QString(400, QLatin1Char('d'));
    std::vector<char> buffer(270, '#');  // ten guard bytes past the 260 we offer
    EXPECT_TRUE(BrowseForFolder(nullptr, {}, "/", buffer.data(), 260));
    EXPECT_EQ(std::string(buffer.data()), answer.left(259).toStdString());
    EXPECT_EQ(std::string(buffer.data() + 260, 10), std::string(10, '#'));

    answer = QStringLiteral("/short");
    std::vector<char> reused(260, 'x');
    EXPECT_TRUE(BrowseForFolder(nullptr, {}, "/", reused.data(), 260));
    EXPECT_STREQ(reused.data(), "/short");
    EXPECT_EQ(reused[200], '\0');  // the whole buffer was cleared
    answer.clear();                // the user cancelled
    EXPECT_FALSE(BrowseForFolder(nullptr, {}, "/", reused.data(), 260));
    EXPECT_STREQ(reused.data(), "");

    answer = QStringLiteral("/") + QString(600, QLatin1Char('e'));  // the Qt string form cuts alike
    QString out;
    EXPECT_TRUE(BrowseForFolder(nullptr, {}, QString(), out, 518));
    EXPECT_EQ(out, answer.left(517));
    EXPECT_EQ(start, QDir::currentPath());
}

TEST_F(FolderTest, ACutNeverSplitsAChineseCharacter)
{
    // "/a" and 90 three-byte characters: 259 bytes would end two bytes into
    // the 86th character; the cut keeps 85 whole ones.
    answer = QStringLiteral("/a") + QString(90, QChar(0x5F55));  // 录
    char buffer[260];
    EXPECT_TRUE(BrowseForFolder(nullptr, {}, "/", buffer, 260));
    EXPECT_EQ(std::strlen(buffer), 2u + 85 * 3);
    QString out;
    EXPECT_TRUE(BrowseForFolder(nullptr, {}, "/", out, 260));
    EXPECT_EQ(out, answer.left(2 + 85));
    EXPECT_FALSE(out.contains(QChar::ReplacementCharacter));

    // Where 259 bytes end on a character's edge, all of them are kept.
    answer = QStringLiteral("/") + QString(90, QChar(0x5F55));
    EXPECT_TRUE(BrowseForFolder(nullptr, {}, "/", out, 260));
    EXPECT_EQ(out, answer.left(1 + 86));
}
