// The link label: what a click opens, how failures are reported, hover and
// underline, and the automatic size.
#include "controls/hyperlink_label.h"
#include "platform/shell.h"
#include "widget_test_helpers.h"

#include <QCursor>
#include <QTest>
#include <gtest/gtest.h>

using controls::HyperlinkLabel;

namespace {

class FakeShell : public platform::Shell {
public:
    int openUrl(const QString& url) override
    {
        opened.append(url);
        return result;
    }
    bool startProgram(const QString&, const QStringList&) override { return false; }

    QStringList opened;
    int result = 33;
};

class HyperlinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override { platform::setShellForTesting(&shell); }
    void TearDown() override { platform::setShellForTesting(nullptr); }

    FakeShell shell;
};

void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(2, 2)); }

}  // namespace

TEST_F(HyperlinkLabelTest, MailLinkOpensMailtoAndWebLinkTheAddressItself)
{
    QWidget window;
    HyperlinkLabel label(QStringLiteral("support"), &window);
    label.Attach();
    label.SetIsUrl(false);
    label.SetUrl(QStringLiteral("support@quillon.example.com"));
    click(&label);
    label.SetIsUrl(true);
    label.SetUrl(QStringLiteral("https://quillon.example.com/"));
    click(&label);
    EXPECT_EQ(shell.opened, (QStringList{QStringLiteral("mailto:support@quillon.example.com"),
                                         QStringLiteral("https://quillon.example.com/")}));
    EXPECT_TRUE(label.IsVisited());
    EXPECT_EQ(label.CurrentTextColour(), QColor(85, 26, 139));
}

TEST_F(HyperlinkLabelTest, FailureBeepsReportsTheCodesTextAndClearsVisited)
{
    QWidget window;
    HyperlinkLabel label(QStringLiteral("https://quillon.example.com/"), &window);
    label.Attach();
    label.SetVisited(true);

    const struct {
        int code;
        const char* text;
    } cases[] = {
        {26, "Unable to open hyperlink:\n\nA sharing violation occurred. "},
        {4, "Unable to open hyperlink:\n\nUnknown Error (4) occurred."},
        {31, "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension."},
        {2, "Unable to open hyperlink:\n\nThe specified file was not found."},
        {32, "Unable to open hyperlink:\n\nThe specified dynamic-link library was not found."},
        {0, "Unable to open hyperlink:\n\nThe operating system is out\nof memory or resources."},
    };
    for (const auto& c : cases) {
        shell.result = c.code;
        widgettest::MessageBoxCatcher catcher;
        click(&label);
        EXPECT_EQ(catcher.count(), 1) << c.code;
        EXPECT_EQ(catcher.text(), QString::fromUtf8(c.text)) << c.code;
        EXPECT_EQ(catcher.icon(), QMessageBox::Warning);
        EXPECT_FALSE(label.IsVisited());
        EXPECT_EQ(label.CurrentTextColour(), QColor(0, 0, 238));
    }
}

TEST(HyperlinkLabelTexts, EveryTableEntry)
{
    EXPECT_EQ(HyperlinkLabel::ErrorText(3), QStringLiteral("The specified path was not found."));
    EXPECT_EQ(HyperlinkLabel::ErrorText(5), QStringLiteral("The operating system denied\naccess to the specified file."));
    EXPECT_EQ(HyperlinkLabel::ErrorText(8), QStringLiteral("There was not enough memory to complete the operation."));
    EXPECT_EQ(HyperlinkLabel::ErrorText(11),
              QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."));
    EXPECT_EQ(HyperlinkLabel::ErrorText(27), QStringLiteral("The filename association is\nincomplete or invalid."));
    EXPECT_EQ(HyperlinkLabel::ErrorText(28),
              QStringLiteral("The DDE transaction could not\nbe completed because the request timed out."));
    EXPECT_EQ(HyperlinkLabel::ErrorText(29), QStringLiteral("The DDE transaction failed."));
    EXPECT_EQ(HyperlinkLabel::ErrorText(30), QStringLiteral("The DDE transaction could not\nbe completed because other "
                                                            "DDE transactions\nwere being processed."));
    EXPECT_EQ(HyperlinkLabel::ErrorText(33), QStringLiteral("Unknown Error (33) occurred."));
    EXPECT_EQ(HyperlinkLabel::ErrorText(-7), QStringLiteral("Unknown Error (-7) occurred."));
}

TEST_F(HyperlinkLabelTest, AttachmentFillsTheAddressFromTheTextAndTheTextFromTheAddress)
{
    QWidget window;
    HyperlinkLabel empty(&window);
    empty.SetUrl(QStringLiteral("https://quillon.example.com/a"));
    empty.Attach();
    EXPECT_EQ(empty.text(), QStringLiteral("https://quillon.example.com/a"));

    HyperlinkLabel texted(QStringLiteral("https://quillon.example.com/b"), &window);
    texted.Attach();
    EXPECT_EQ(texted.Url(), QStringLiteral("https://quillon.example.com/b"));
    EXPECT_EQ(texted.cursor().shape(), Qt::PointingHandCursor);

    HyperlinkLabel shown(QStringLiteral("shown"), &window);
    window.show();  // attaches by itself
    EXPECT_TRUE(shown.IsAttached());
    EXPECT_EQ(shown.Url(), QStringLiteral("shown"));
}

TEST_F(HyperlinkLabelTest, HoverUnderlinesUntilTheTimerSeesTheMouseOutside)
{
    QWidget window;
    window.resize(400, 100);
    HyperlinkLabel label(QStringLiteral("https://quillon.example.com/"), &window);
    label.move(10, 10);
    window.show();
    QCursor::setPos(window.mapToGlobal(QPoint(300, 80)));
    EXPECT_FALSE(label.font().underline());

    widgettest::hover(&label, {3, 3});
    QCursor::setPos(label.mapToGlobal(QPoint(3, 3)));
    EXPECT_TRUE(label.IsOver());
    EXPECT_TRUE(label.IsHoverTimerActive());
    EXPECT_TRUE(label.font().underline());
    EXPECT_EQ(label.CurrentTextColour(), QColor(255, 0, 0));

    QCursor::setPos(window.mapToGlobal(QPoint(300, 80)));
    ASSERT_TRUE(widgettest::waitUntil([&] { return !label.IsOver(); }));
    EXPECT_FALSE(label.IsHoverTimerActive());
    EXPECT_FALSE(label.font().underline());

    // Moving back in starts the timer again.
    widgettest::hover(&label, {3, 3});
    EXPECT_TRUE(label.IsHoverTimerActive());
}

TEST_F(HyperlinkLabelTest, UnderlineModesAlwaysAndNever)
{
    QWidget window;
    window.resize(400, 100);
    HyperlinkLabel label(QStringLiteral("https://quillon.example.com/"), &window);
    window.show();
    QCursor::setPos(window.mapToGlobal(QPoint(300, 80)));

    label.SetUnderline(1);
    EXPECT_TRUE(label.font().underline());
    widgettest::hover(&label, {3, 3});
    ASSERT_TRUE(widgettest::waitUntil([&] { return !label.IsOver(); }));
    EXPECT_TRUE(label.font().underline()) << "mode 1 keeps the underline after leaving";

    label.SetUnderline(0);
    EXPECT_FALSE(label.font().underline());
    widgettest::hover(&label, {3, 3});
    EXPECT_TRUE(label.IsOver());
    EXPECT_FALSE(label.font().underline()) << "mode 0 never underlines";
}

TEST_F(HyperlinkLabelTest, UnderlineChosenBeforeAttachmentHolds)
{
    QWidget window;
    HyperlinkLabel tips(QStringLiteral("tip"), &window);
    tips.SetUnderline(1);
    EXPECT_FALSE(tips.font().underline());
    tips.Attach();
    EXPECT_TRUE(tips.font().underline());
}

TEST_F(HyperlinkLabelTest, AutoSizeKeepsTheAnchorOfTheAlignment)
{
    QWidget window;
    const QFont font(QStringLiteral("WenQuanYi Micro Hei"), 9);
    auto fitted = [&](Qt::Alignment alignment) {
        auto* label = new HyperlinkLabel(QStringLiteral("ab"), &window);
        label->setFont(font);
        label->setAlignment(alignment);
        label->setGeometry(100, 20, 300, 40);
        label->Attach();
        return label;
    };
    QFont underlined = font;
    underlined.setUnderline(true);
    const QSize text = QFontMetrics(underlined).size(0, QStringLiteral("ab"));

    const HyperlinkLabel* left = fitted(Qt::AlignLeft | Qt::AlignTop);
    EXPECT_EQ(left->geometry(), QRect(100, 20, text.width(), text.height()));

    const HyperlinkLabel* centred = fitted(Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_EQ(centred->width(), text.width());
    EXPECT_LE(std::abs(centred->geometry().center().x() - 250), 1);
    EXPECT_LE(std::abs(centred->geometry().center().y() - 40), 1);

    const HyperlinkLabel* right = fitted(Qt::AlignRight | Qt::AlignTop);
    EXPECT_EQ(right->geometry().right(), 399);
    EXPECT_EQ(right->geometry().top(), 20);

    HyperlinkLabel* fixed = fitted(Qt::AlignLeft);
    fixed->SetAutoSize(false);
    fixed->setGeometry(100, 20, 300, 40);
    fixed->SetUrl(QStringLiteral("x"));
    EXPECT_EQ(fixed->geometry(), QRect(100, 20, 300, 40));
}

TEST_F(HyperlinkLabelTest, ColoursAndScreenshots)
{
    QWidget window;
    window.setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
    window.resize(300, 40);
    HyperlinkLabel label(QStringLiteral("https://quillon.example.com/"), &window);
    label.move(4, 4);
    window.show();
    QCursor::setPos(window.mapToGlobal(QPoint(290, 35)));
    widgettest::saveShot(&label, QStringLiteral("hyperlink_link"), 2);
    widgettest::hover(&label, {3, 3});
    widgettest::saveShot(&label, QStringLiteral("hyperlink_hover"), 2);
    ASSERT_TRUE(widgettest::waitUntil([&] { return !label.IsOver(); }));
    label.SetVisited(true);
    widgettest::saveShot(&label, QStringLiteral("hyperlink_visited"), 2);

    const QImage visited = label.grab().toImage();
    int visitedPixels = 0;
    for (int y = 0; y < visited.height(); ++y)
        for (int x = 0; x < visited.width(); ++x)
        {
            // Purple ink (85, 26, 139), softened at the glyphs' edges.
            const QRgb c = visited.pixel(x, y);
            visitedPixels += qBlue(c) > qGreen(c) + 40 && qRed(c) > qGreen(c) + 20;
        }
    EXPECT_GT(visitedPixels, 10);

    label.SetColours(Qt::green, Qt::green);  // hover: the highlight colour
    widgettest::hover(&label, {3, 3});
    EXPECT_EQ(label.CurrentTextColour(), label.palette().color(QPalette::Highlight));
}
