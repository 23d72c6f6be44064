// The link label: what a click opens, how a failure of the desktop's opener
// is reported, hover and underline, and the automatic size.
#include "controls/hyperlink_label.h"
#include "support/recording_shell.h"
#include "support/scoped_state.h"
#include "widget_test_helpers.h"

#include <QCursor>
#include <QFile>
#include <QScopeGuard>

using controls::HyperlinkLabel;

namespace {

class HyperlinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override { window.resize(400, 100); }
    void MouseAway() { QCursor::setPos(window.mapToGlobal(QPoint(300, 80))); }

    testsupport::ScopedRecordingShell shell;
    QWidget window;
    HyperlinkLabel label{QStringLiteral("https://quillon.example.com/"), &window};
};

}  // namespace

TEST_F(HyperlinkLabelTest,
       HoverUnderlinesUntilTheMouseIsOutsideUnlessTheModeSaysOtherwiseAttachingFillsGapsAndAutoSizeKeepsTheAnchor)
{
    window.setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
    label.move(10, 10);
    HyperlinkLabel always(QStringLiteral("x"), &window);
    always.SetUnderline(1);  // chosen before attachment: holds once attached
    EXPECT_FALSE(always.font().underline());
    window.show();
    MouseAway();
    EXPECT_FALSE(label.font().underline());
    widgettest::Hover(&label, {3, 3});
    QCursor::setPos(label.mapToGlobal(QPoint(3, 3)));
    EXPECT_TRUE(label.IsOver() && label.IsHoverTimerActive() && label.font().underline());
    EXPECT_EQ(label.CurrentTextColour(), QColor(255, 0, 0));
    MouseAway();
    ASSERT_TRUE(widgettest::WaitUntil([&] { return !label.IsOver(); }));
    EXPECT_FALSE(label.IsHoverTimerActive() || label.font().underline());
    label.SetVisited(true);
    const QImage visited = widgettest::Shot(label);
    int purple = 0;  // (85, 26, 139), softened at the glyphs' edges
    for (int i = 0; i < visited.width() * visited.height(); ++i) {
        const QRgb c = visited.pixel(i % visited.width(), i / visited.width());
        purple += qBlue(c) > qGreen(c) + 40 && qRed(c) > qGreen(c) + 20;
    }
    EXPECT_GT(purple, 10);
    label.SetColours(Qt::green, Qt::green);  // hover then takes the highlight colour
    widgettest::Hover(&label, {3, 3});       // moving back in starts the timer again
    EXPECT_TRUE(label.IsHoverTimerActive());
    EXPECT_EQ(label.CurrentTextColour(), label.palette().color(QPalette::Highlight));

    EXPECT_TRUE(always.font().underline());
    widgettest::Hover(&always, {3, 3});
    ASSERT_TRUE(widgettest::WaitUntil([&] { return !always.IsOver(); }));
    EXPECT_TRUE(always.font().underline()) << "mode 1 keeps the underline after leaving";
    always.SetUnderline(0);
    EXPECT_FALSE(always.font().underline());
    widgettest::Hover(&always, {3, 3});
    EXPECT_TRUE(always.IsOver() && !always.font().underline()) << "mode 0 never underlines";

    // Attaching fills the gaps; the automatic size keeps the anchor of the alignment.
    HyperlinkLabel empty(&window);
    empty.SetUrl(QStringLiteral("https://quillon.example.com/a"));
    empty.Attach();
    EXPECT_EQ(empty.text(), QStringLiteral("https://quillon.example.com/a"));
    window.show();  // attaches by itself
    EXPECT_TRUE(label.IsAttached() && label.cursor().shape() == Qt::PointingHandCursor);
    EXPECT_EQ(label.Url(), QStringLiteral("https://quillon.example.com/"));

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
    EXPECT_LE((fitted(Qt::AlignCenter).center() - QPoint(250, 40)).manhattanLength(), 2);
    EXPECT_EQ(fitted(Qt::AlignRight | Qt::AlignTop).topRight(), QPoint(399, 20));

    label.SetAutoSize(false);
    label.Attach();
    label.setGeometry(100, 20, 300, 40);
    label.SetUrl(QStringLiteral("x"));
    EXPECT_EQ(label.geometry(), QRect(100, 20, 300, 40));
}

// Without an opener the label reports that nothing is associated; with one
// it runs detached, and the click returns while it still runs.
TEST_F(HyperlinkLabelTest, NoOpenerIsReportedAndAnOpenerRunsDetachedAndTheClickReturnsWhileItStillRuns)
{
    // The desktop's shell with an xdg-open of the test's own on PATH.
    QTemporaryDir bin;
    testsupport::ScopedEnv path{"PATH", bin.path()};
    const auto release = qScopeGuard([&] { testsupport::WriteFile(bin.filePath("release"), {}); });
    const QString noted = bin.filePath("opened");
    platform::SetShellForTesting(nullptr);
    label.Attach();
    label.SetVisited(true);
    {
        widgettest::MessageBoxCatcher catcher;
        QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(2, 2));
        ASSERT_TRUE(widgettest::WaitUntil([&] { return catcher.count == 1; }));
        EXPECT_EQ(catcher.text, "Unable to open hyperlink:\n\n" + HyperlinkLabel::ErrorText(31));
        EXPECT_EQ(catcher.icon, QMessageBox::Warning);
        EXPECT_TRUE(!label.IsVisited() && label.CurrentTextColour() == QColor(0, 0, 238));
    }

    // An opener that notes its parent and the address, then stays running
    // (as xdg-open does with a browser in the foreground) until released.
    const QString opener = bin.filePath("xdg-open");
    ASSERT_TRUE(testsupport::WriteFile(
        opener,
        QStringLiteral("#!/bin/sh\nPATH=/usr/bin:/bin\n"
                       "echo \"$PPID $1\" > '%1.part' && mv '%1.part' '%1'\n"
                       "i=0; while [ ! -e '%2' ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done\n")
            .arg(noted, bin.filePath("release"))
            .toUtf8()));
    QFile::setPermissions(opener, QFile::permissions(opener) | QFileDevice::ExeOwner);
    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(2, 2));
    // The click came back while the opener waits for its release: success
    // is the start, not the end, of the opener.
    EXPECT_TRUE(label.IsVisited() && label.CurrentTextColour() == QColor(85, 26, 139));
    EXPECT_FALSE(QFile::exists(bin.filePath("release")));
    ASSERT_TRUE(widgettest::WaitUntil([&] { return QFile::exists(noted); }, 10000));
    const QList<QByteArray> seen = testsupport::ReadFile(noted).trimmed().split(' ');
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1], "https://quillon.example.com/");
    // Detached: the opener is not a child this process would have to reap.
    EXPECT_NE(seen[0].toLongLong(), QCoreApplication::applicationPid());
}
