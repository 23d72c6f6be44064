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
    void SetUp() override
    {
        platform::setShellForTesting(&shell);
        window.resize(400, 100);
    }
    void TearDown() override { platform::setShellForTesting(nullptr); }
    void mouseAway() { QCursor::setPos(window.mapToGlobal(QPoint(300, 80))); }

    FakeShell shell;
    QWidget window;
    HyperlinkLabel label{QStringLiteral("https://quillon.example.com/"), &window};
};

void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(2, 2)); }

}  // namespace

TEST_F(HyperlinkLabelTest, MailLinkOpensMailtoAndWebLinkTheAddressItself)
{
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

TEST_F(HyperlinkLabelTest, FailureReportsTheCodesTextAndClearsVisited)
{
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {26, "A sharing violation occurred. "},
        {4, "Unknown Error (4) occurred."},
        {33, "Unknown Error (33) occurred."},
        {-7, "Unknown Error (-7) occurred."},
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
    };
    label.Attach();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(HyperlinkLabel::ErrorText(c.code), QString::fromUtf8(c.text));
        if (c.code != 26 && c.code != 4)
            continue;
        label.SetVisited(true);
        shell.result = c.code;
        widgettest::MessageBoxCatcher catcher;
        click(&label);
        EXPECT_EQ(catcher.count, 1);
        EXPECT_EQ(catcher.text, "Unable to open hyperlink:\n\n" + QString::fromUtf8(c.text));
        EXPECT_EQ(catcher.icon, QMessageBox::Warning);
        EXPECT_FALSE(label.IsVisited());
        EXPECT_EQ(label.CurrentTextColour(), QColor(0, 0, 238));
    }
}

TEST_F(HyperlinkLabelTest, AttachmentFillsTheAddressFromTheTextAndTheTextFromTheAddress)
{
    HyperlinkLabel empty(&window);
    empty.SetUrl(QStringLiteral("https://quillon.example.com/a"));
    empty.Attach();
    EXPECT_EQ(empty.text(), QStringLiteral("https://quillon.example.com/a"));
    window.show();  // attaches by itself
    EXPECT_TRUE(label.IsAttached());
    EXPECT_EQ(label.Url(), QStringLiteral("https://quillon.example.com/"));
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(HyperlinkLabelTest, HoverUnderlinesUntilTheTimerSeesTheMouseOutside)
{
    label.move(10, 10);
    window.show();
    mouseAway();
    EXPECT_FALSE(label.font().underline());
    widgettest::hover(&label, {3, 3});
    QCursor::setPos(label.mapToGlobal(QPoint(3, 3)));
    EXPECT_TRUE(label.IsOver());
    EXPECT_TRUE(label.IsHoverTimerActive());
    EXPECT_TRUE(label.font().underline());
    EXPECT_EQ(label.CurrentTextColour(), QColor(255, 0, 0));
    mouseAway();
    ASSERT_TRUE(widgettest::waitUntil([&] { return !label.IsOver(); }));
    EXPECT_FALSE(label.IsHoverTimerActive());
    EXPECT_FALSE(label.font().underline());
    widgettest::hover(&label, {3, 3});  // moving back in starts the timer again
    EXPECT_TRUE(label.IsHoverTimerActive());
}

TEST_F(HyperlinkLabelTest, UnderlineModesAlwaysAndNever)
{
    label.SetUnderline(1);  // chosen before attachment: holds once attached
    EXPECT_FALSE(label.font().underline());
    window.show();
    mouseAway();
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

TEST_F(HyperlinkLabelTest, AutoSizeKeepsTheAnchorOfTheAlignment)
{
    const QFont font(QStringLiteral("WenQuanYi Micro Hei"), 9);
    auto fitted = [&](Qt::Alignment alignment) {
        auto* l = new HyperlinkLabel(QStringLiteral("ab"), &window);
        l->setFont(font);
        l->setAlignment(alignment);
        l->setGeometry(100, 20, 300, 40);
        l->Attach();
        return l->geometry();
    };
    QFont underlined = font;
    underlined.setUnderline(true);
    const QSize text = QFontMetrics(underlined).size(0, QStringLiteral("ab"));
    EXPECT_EQ(fitted(Qt::AlignLeft | Qt::AlignTop), QRect(100, 20, text.width(), text.height()));
    const QRect centred = fitted(Qt::AlignCenter);
    EXPECT_EQ(centred.width(), text.width());
    EXPECT_LE((centred.center() - QPoint(250, 40)).manhattanLength(), 2);
    const QRect right = fitted(Qt::AlignRight | Qt::AlignTop);
    EXPECT_EQ(right.topRight(), QPoint(399, 20));

    label.SetAutoSize(false);
    label.Attach();
    label.setGeometry(100, 20, 300, 40);
    label.SetUrl(QStringLiteral("x"));
    EXPECT_EQ(label.geometry(), QRect(100, 20, 300, 40));
}

TEST_F(HyperlinkLabelTest, ColoursAndScreenshots)
{
    window.setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
    label.move(4, 4);
    window.show();
    mouseAway();
    QList<QImage> states{widgettest::shot(label)};
    widgettest::hover(&label, {3, 3});
    states << widgettest::shot(label);
    ASSERT_TRUE(widgettest::waitUntil([&] { return !label.IsOver(); }));
    label.SetVisited(true);
    states << widgettest::shot(label);
    widgettest::saveSheet(states, QStringLiteral("hyperlink_label"), 2);
    int purple = 0;  // (85, 26, 139), softened at the glyphs' edges
    for (int y = 0; y < states[2].height(); ++y)
        for (int x = 0; x < states[2].width(); ++x) {
            const QRgb c = states[2].pixel(x, y);
            purple += qBlue(c) > qGreen(c) + 40 && qRed(c) > qGreen(c) + 20;
        }
    EXPECT_GT(purple, 10);
    label.SetColours(Qt::green, Qt::green);  // hover then takes the highlight colour
    widgettest::hover(&label, {3, 3});
    EXPECT_EQ(label.CurrentTextColour(), label.palette().color(QPalette::Highlight));
}
