// The about box and the folder chooser's buffer rules.
#include "controls/about_dialog.h"
#include "controls/browse_for_folder.h"
#include "controls/gradient_button.h"
#include "controls/hyperlink_label.h"
#include "platform/shell.h"
#include "resources/addresses.h"
#include "widget_test_helpers.h"

#include <QDir>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class RecordingShell : public platform::Shell {
public:
    int openUrl(const QString& url) override
    {
        opened.append(url);
        return 42;
    }
    bool startProgram(const QString&, const QStringList&) override { return false; }
    QStringList opened;
};

struct ChooserCall {
    int count = 0;
    QString title;
    QString start;
};

class FolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        controls::SetFolderChooserForTesting([this](QWidget*, const QString& title, const QString& start) {
            ++call.count;
            call.title = title;
            call.start = start;
            return answer;
        });
    }
    void TearDown() override { controls::SetFolderChooserForTesting({}); }

    ChooserCall call;
    QString answer;
};

}  // namespace

TEST(AboutDialog, NamesTheProgramAndLinksHomeAndSupport)
{
    RecordingShell shell;
    platform::setShellForTesting(&shell);
    controls::AboutDialog about;
    about.show();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于Recorder"));
    QStringList texts;
    for (auto* label : about.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Quillon 2.5")));
    EXPECT_TRUE(texts.contains(QStringLiteral("主页:")));
    EXPECT_TRUE(texts.contains(QStringLiteral("技术支持:")));
    EXPECT_EQ(about.HomeLink()->text(), QString::fromLatin1(resources::kHomePage));
    EXPECT_EQ(about.SupportLink()->text(), QString::fromLatin1(resources::kSupportMail));
    EXPECT_EQ(about.OkButton()->text(), QStringLiteral("确定"));
    EXPECT_TRUE(about.OkButton()->HasSkin());
    EXPECT_TRUE(about.OkButton()->isDefault());

    widgettest::saveShot(&about, QStringLiteral("about_dialog"), 2);
    QTest::mouseClick(about.SupportLink(), Qt::LeftButton, {}, {2, 2});
    QTest::mouseClick(about.HomeLink(), Qt::LeftButton, {}, {2, 2});
    EXPECT_EQ(shell.opened, (QStringList{QStringLiteral("mailto:") + QString::fromLatin1(resources::kSupportMail),
                                         QString::fromLatin1(resources::kHomePage)}));

    QTest::keyClick(&about, Qt::Key_Return);  // the default button closes the box
    EXPECT_EQ(about.result(), QDialog::Accepted);
    platform::setShellForTesting(nullptr);
}

TEST_F(FolderTest, SmallOrMissingBufferFailsWithoutShowingTheDialog)
{
    answer = QStringLiteral("/tmp");
    char buffer[300];
    EXPECT_FALSE(controls::BrowseForFolder(nullptr, {}, "/", nullptr, 300));
    EXPECT_FALSE(controls::BrowseForFolder(nullptr, {}, "/", buffer, 259));
    EXPECT_EQ(call.count, 0);
    EXPECT_TRUE(controls::BrowseForFolder(nullptr, {}, "/", buffer, 260));
    EXPECT_STREQ(buffer, "/tmp");
}

TEST_F(FolderTest, EmptyPresetStartsAtTheCurrentDirectory)
{
    answer = QStringLiteral("/tmp");
    char buffer[260];
    controls::BrowseForFolder(nullptr, QStringLiteral("所选目录"), "", buffer, 260);
    EXPECT_EQ(call.start, QDir::currentPath());
    EXPECT_EQ(call.title, QStringLiteral("所选目录"));
    controls::BrowseForFolder(nullptr, {}, nullptr, buffer, 260);
    EXPECT_EQ(call.start, QDir::currentPath());
    controls::BrowseForFolder(nullptr, {}, "/usr/share", buffer, 260);
    EXPECT_EQ(call.start, QStringLiteral("/usr/share"));

    const std::string longPreset = "/" + std::string(600, 'p');
    controls::BrowseForFolder(nullptr, {}, longPreset.c_str(), buffer, 260);
    EXPECT_EQ(call.start.size(), 518);
}

TEST_F(FolderTest, LongResultIsCutToTheBufferAndCancelGivesFalse)
{
    answer = QStringLiteral("/") + QString(400, QLatin1Char('d'));
    std::vector<char> buffer(270, '#');  // ten guard bytes past the 260 we offer
    EXPECT_TRUE(controls::BrowseForFolder(nullptr, {}, "/", buffer.data(), 260));
    EXPECT_EQ(std::strlen(buffer.data()), 259u);
    EXPECT_EQ(std::string(buffer.data(), 259), answer.left(259).toStdString());
    EXPECT_EQ(buffer[259], '\0');
    EXPECT_EQ(std::string(buffer.data() + 260, 10), std::string(10, '#'));

    answer = QStringLiteral("/short");
    std::vector<char> reused(260, 'x');
    EXPECT_TRUE(controls::BrowseForFolder(nullptr, {}, "/", reused.data(), 260));
    EXPECT_STREQ(reused.data(), "/short");
    EXPECT_EQ(reused[200], '\0');  // the whole buffer was cleared

    answer.clear();  // the user cancelled
    EXPECT_FALSE(controls::BrowseForFolder(nullptr, {}, "/", reused.data(), 260));
    EXPECT_STREQ(reused.data(), "");
}

TEST_F(FolderTest, QtStringFormFollowsTheSameRules)
{
    answer = QStringLiteral("/") + QString(600, QLatin1Char('e'));
    QString out = QStringLiteral("old");
    EXPECT_FALSE(controls::BrowseForFolder(nullptr, {}, QString(), out, 100));
    EXPECT_EQ(call.count, 0);
    EXPECT_TRUE(controls::BrowseForFolder(nullptr, {}, QString(), out, 518));
    EXPECT_EQ(out.size(), 517);
    EXPECT_EQ(call.start, QDir::currentPath());
}
