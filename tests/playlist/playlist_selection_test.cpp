// The selection as the user sees and extends it: rows the program selects
// itself take the view's anchor and current row with them, and a removal
// refused at a playing row never selects a row nobody chose.
#include <gtest/gtest.h>

#include <QTest>

#include "controls/browse_for_folder.h"
#include "platform/audio/fake_backend.h"
#include "support/scoped_state.h"
#include "resources/strings.h"

#include "panel_fixture.h"

using namespace playlist;
using playlisttest::Panel;
using playlisttest::RemoveDialogAnswer;
using widgettest::MessageBoxCatcher;
using widgettest::waitUntil;

namespace {

// The rows drawn in the selection colour.
std::vector<int> highlightedRows(Panel& panel)
{
    QApplication::processEvents();
    const QImage view = widgettest::shot(*panel.box->viewport());
    std::vector<int> rows;
    for (int row = 0; row < panel.model().count(); ++row) {
        const QRect r = panel.box->visualRect(panel.model().index(row));
        if (r.top() >= 0 && r.bottom() < view.height() &&
            (widgettest::px(view, r.left() + 200, r.top() + 2) & 0xffffff) == 0x96cde6u)
            rows.push_back(row);
    }
    return rows;
}

void click(Panel& panel, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(panel.box->viewport(), Qt::LeftButton, modifiers, panel.rowCentre(row));
}

}  // namespace

TEST(PlaylistSelection, ShiftWithAnArrowExtendsFromTheRowTheProgramSelected)
{
    Panel panel;
    panel.box->resize(300, 480);  // every row in view
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << panel.wave(QString("%1.wav").arg(i));
    ASSERT_TRUE(panel.add(paths));
    QDir().mkpath(panel.file("folder"));
    int extra = 0;
    auto freshFile = [&] { return panel.wave(QString("folder/new%1.wav").arg(extra++)); };

    // Each way the program selects a row by itself, after a click on row 0
    // that set the view's anchor there.
    const std::vector<std::pair<const char*, std::function<void()>>> paths_ = {
        {"add files",
         [&] {
             panel.chooseFiles({freshFile()});
             panel.list->AddFiles();
         }},
        {"saved recording", [&] { panel.list->AddRecording(freshFile(), true); }},
        {"add folder",
         [&] {
             freshFile();
             controls::SetFolderChooserForTesting(
                 [&](QWidget*, const QString&, const QString&) { return panel.file("folder"); });
             panel.list->AddDirectory();
             controls::SetFolderChooserForTesting({});
         }},
        {"drop",
         [&] {
             const int before = panel.model().count();
             panel.drop({QUrl::fromLocalFile(freshFile())});
             ASSERT_TRUE(waitUntil([&] { return panel.model().count() == before + 1; }));
         }},
        {"right click",
         [&] {
             playlisttest::Poll closer(playlisttest::closePopupMenu);
             QTest::mouseClick(panel.box->viewport(), Qt::RightButton, {}, panel.rowCentre(4));
         }},
        {"removal",
         [&] {
             // Row 4 alone selected with the anchor left on row 0 by Ctrl-clicks.
             click(panel, 4, Qt::ControlModifier);
             click(panel, 0, Qt::ControlModifier);
             RemoveDialogAnswer answer(false, true);
             QTest::keyClick(panel.box.get(), Qt::Key_Delete);
         }},
    };
    for (const auto& [name, selectByProgram] : paths_) {
        SCOPED_TRACE(name);
        panel.box->setFocus();
        click(panel, 0);
        ASSERT_EQ(panel.box->GetSelectedRows(), std::vector<int>{0});
        selectByProgram();
        const int selected = panel.box->GetSingleSelection();
        ASSERT_GE(selected, 1);
        EXPECT_EQ(panel.box->currentIndex().row(), selected);
        EXPECT_EQ(highlightedRows(panel), std::vector<int>{selected});

        QTest::keyClick(panel.box.get(), Qt::Key_Up, Qt::ShiftModifier);
        EXPECT_EQ(panel.box->GetSelectedRows(), (std::vector<int>{selected - 1, selected}));
        EXPECT_EQ(highlightedRows(panel), (std::vector<int>{selected - 1, selected}))
            << "what is seen is what is selected";
        panel.box->scrollToTop();
    }
}

TEST(PlaylistSelection, ARemovalRefusedAtAPlayingRowLeavesTheSelectionAsItStands)
{
    platform::audio::FakeBackend card;
    testsupport::ScopedBackend scope(card);
    Panel panel;
    const QString a = panel.wave("a.wav"), b = panel.wave("b.wav"), c = panel.wave("c.wav");
    ASSERT_TRUE(panel.add({a, b, c}));
    panel.box->setFocus();
    click(panel, 2);
    panel.list->PlaySelected();
    ASSERT_TRUE(panel.list->player().IsPlaying(panel.model().item(2)));

    // Rows a and c, Delete with the files: a goes, c plays on.
    click(panel, 0);
    click(panel, 2, Qt::ControlModifier);
    for (int attempt = 0; attempt < 2; ++attempt) {
        MessageBoxCatcher catcher;
        RemoveDialogAnswer answer(true, true);
        QTest::keyClick(panel.box.get(), Qt::Key_Delete);
        ASSERT_TRUE(waitUntil([&] { return catcher.count == 1; }));
        EXPECT_EQ(catcher.text, resources::text(resources::IDS_REMOVE_PLAYING));
        EXPECT_EQ(catcher.icon, QMessageBox::Critical);
        EXPECT_EQ(panel.names(), (QStringList{"b.wav", "c.wav"}));
        EXPECT_EQ(panel.box->GetSelectedRows(), std::vector<int>{1}) << "b was never chosen";
        EXPECT_EQ(highlightedRows(panel), std::vector<int>{1});
    }
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(b)) << "a second Delete must not reach b's file";
    EXPECT_TRUE(QFile::exists(c));
}
