// The about box and the folder chooser's buffer rules.
#include "controls/about_dialog.h"
#include "controls/browse_for_folder.h"
#include "controls/gradient_button.h"
#include "controls/hyperlink_label.h"
#include "support/recording_shell.h"
#include "resources/addresses.h"
#include "widget_test_helpers.h"

#include <QLabel>

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
    QTest::mouseClick(about.SupportLink(), Qt::LeftButton, {}, {2, 2});
    QTest::mouseClick(about.HomeLink(), Qt::LeftButton, {}, {2, 2});
    EXPECT_EQ(shell.opened,
              (QStringList{QStringLiteral("mailto:") + QString::fromLatin1(resources::kSupportMail),
                           QString::fromLatin1(resources::kHomePage)}));
    QTest::keyClick(&about, Qt::Key_Return);  // the default button closes the box
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

// The program calls the form that fills a QString; it goes through the byte form.
TEST_F(FolderTest, TheStartIsThePresetOrTheCurrentFolderAndTheResultIsCutInWholeCharacters)
{
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
