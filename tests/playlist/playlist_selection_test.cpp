// The selection as the user sees and extends it: rows the program selects
// itself take the view's anchor and current row with them, and a removal
// refused at a playing row never selects a row nobody chose.
#include <gtest/gtest.h>

#include <QTest>

#include "platform/audio/fake_backend.h"
#include "support/scoped_state.h"
#include "resources/strings.h"

#include "panel_fixture.h"

using namespace playlist;
using playlisttest::Panel;
using playlisttest::RemoveDialogAnswer;
using widgettest::MessageBoxCatcher;
using widgettest::WaitUntil;

namespace {

// The rows drawn in the selection colour.
std::vector<int> HighlightedRows(Panel& panel)
{
    QApplication::processEvents();
    const QImage view = widgettest::Shot(*panel.box->viewport());
    std::vector<int> rows;
    for (int row = 0; row < panel.Model().Count(); ++row) {
        const QRect r = panel.box->visualRect(panel.Model().index(row));
        if (r.top() >= 0 && r.bottom() < view.height() &&
            (widgettest::Px(view, r.left() + 200, r.top() + 2) & 0xffffff) == 0x96cde6u)
            rows.push_back(row);
    }
    return rows;
}

void Click(Panel& panel, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(panel.box->viewport(), Qt::LeftButton, modifiers, panel.RowCentre(row));
}

}  // namespace

TEST(PlaylistSelection, ShiftWithAnArrowExtendsFromTheRowTheProgramSelected)
{
    Panel panel;
    panel.box->resize(300, 480);  // every row in view
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << panel.Wave(QString("%1.wav").arg(i));
    ASSERT_TRUE(panel.Add(paths));

    // Each way the program selects a row by itself (what the list adds goes
    // the way of a saved recording), after a click on row 0 that set the
    // view's anchor there.
    const std::vector<std::pair<const char*, std::function<void()>>> paths_ = {
        {"saved recording", [&] { panel.list->AddRecording(panel.Wave("new.wav"), true); }},
        {"right click",
         [&] {
             playlisttest::Poll closer(playlisttest::ClosePopupMenu);
             QTest::mouseClick(panel.box->viewport(), Qt::RightButton, {}, panel.RowCentre(4));
         }},
        {"removal",
         [&] {
             // Row 4 alone selected with the anchor left on row 0 by Ctrl-clicks.
             Click(panel, 4, Qt::ControlModifier);
             Click(panel, 0, Qt::ControlModifier);
             RemoveDialogAnswer answer(false, true);
             QTest::keyClick(panel.box.get(), Qt::Key_Delete);
         }},
    };
    for (const auto& [name, selectByProgram] : paths_) {
        SCOPED_TRACE(name);
        panel.box->setFocus();
        Click(panel, 0);
        ASSERT_EQ(panel.box->GetSelectedRows(), std::vector<int>{0});
        selectByProgram();
        const int selected = panel.box->GetSingleSelection();
        ASSERT_GE(selected, 1);
        EXPECT_EQ(panel.box->currentIndex().row(), selected);
        EXPECT_EQ(HighlightedRows(panel), std::vector<int>{selected});

        QTest::keyClick(panel.box.get(), Qt::Key_Up, Qt::ShiftModifier);
        EXPECT_EQ(panel.box->GetSelectedRows(), (std::vector<int>{selected - 1, selected}));
        EXPECT_EQ(HighlightedRows(panel), (std::vector<int>{selected - 1, selected}))
            << "what is seen is what is selected";
        panel.box->scrollToTop();
    }
}

TEST(PlaylistSelection, ARemovalRefusedAtAPlayingRowLeavesTheSelectionAsItStands)
{
    platform::audio::FakeBackend card;
    testsupport::ScopedBackend scope(card);
    Panel panel;
    const QString a = panel.Wave("a.wav"), b = panel.Wave("b.wav"), c = panel.Wave("c.wav");
    ASSERT_TRUE(panel.Add({a, b, c}));
    panel.box->setFocus();
    Click(panel, 2);
    panel.list->PlaySelected();
    ASSERT_TRUE(panel.list->Player().IsPlaying(panel.Model().Item(2)));

    // Rows a and c, Delete with the files: a goes, c plays on.
    Click(panel, 0);
    Click(panel, 2, Qt::ControlModifier);
    for (int attempt = 0; attempt < 2; ++attempt) {
        MessageBoxCatcher catcher;
        RemoveDialogAnswer answer(true, true);
        QTest::keyClick(panel.box.get(), Qt::Key_Delete);
        ASSERT_TRUE(WaitUntil([&] { return catcher.count == 1; }));
        EXPECT_EQ(catcher.text, resources::Text(resources::IDS_REMOVE_PLAYING));
        EXPECT_EQ(catcher.icon, QMessageBox::Critical);
        EXPECT_EQ(panel.Names(), (QStringList{"b.wav", "c.wav"}));
        EXPECT_EQ(panel.box->GetSelectedRows(), std::vector<int>{1}) << "b was never chosen";
        EXPECT_EQ(HighlightedRows(panel), std::vector<int>{1});
    }
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(b)) << "a second Delete must not reach b's file";
    EXPECT_TRUE(QFile::exists(c));
}
