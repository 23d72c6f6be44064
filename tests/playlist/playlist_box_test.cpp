// The playlist control driven as a user drives it: real files, the real
// decoder library, the real widget on the offscreen platform. Also the
// selection the program makes itself, and listed files that change on disk
// (rewritten, replaced or only touched) after their rows were loaded.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>

#include "controls/browse_for_folder.h"
#include "platform/audio/fake_backend.h"
#include "support/scoped_state.h"
#include "mail/mail_dialog.h"
#include "playlist/row_texts.h"
#include "playlist/row_tip.h"
#include "resources/artwork.h"
#include "resources/strings.h"
#include "support/test_support.h"

#include "panel_fixture.h"

using namespace playlist;
using platform::audio::FakeBackend;
using platform::audio::FakePlaybackStream;
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

// Moves the file's time on without touching a byte of it.
void Touch(const QString& path)
{
    QFile file(path);
    const QDateTime later = QFileInfo(path).lastModified().addSecs(5);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.setFileTime(later, QFileDevice::FileModificationTime));
}

// A new take written beside the file and renamed over it, as saving does.
void Replace(Panel& panel, const QString& path, int rate, int channels, int frames)
{
    const QString fresh = media::MakeWave(panel.File("fresh.wav"), rate, channels, 16, frames);
    ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()), 0);
}

// The states a row passes through, as the view is told of them.
struct RowStates : QObject {
    RowStates(PlaylistModel& model, int row)
    {
        connect(&model, &PlaylistModel::dataChanged, this, [&model, row, this](const QModelIndex& from) {
            if (from.row() != row)
                return;
            const PlaylistItem* it = model.Item(row);
            seen << (it->IsWaiting() ? "waiting" : it->IsLoading() ? "loading" : it->IsLoaded() ? "loaded" : "failed");
        });
    }
    QStringList seen;
};

struct Card {
    FakeBackend fake;
    testsupport::ScopedBackend scope{fake};
    // The device plays everything it holds until the player closes it.
    void PlayOut(FakePlaybackStream* device)
    {
        const int closes = fake.PlaybackCloseCount();
        while (fake.PlaybackCloseCount() == closes && device->CompleteNext())
            FakeBackend::ProcessCallbacks();
    }
};

}  // namespace

TEST(PlaylistBox, AddingFilesKeepsOneRowPerFileStopsAtFoldersAndRemembersTheFolder)
{
    Panel panel;
    const QString a = panel.Wave("a.wav");
    const QString b = panel.Wave("b.wav");
    QDir().mkpath(panel.File("sub"));
    panel.ChooseFiles({a, b, panel.File("sub"), panel.Wave("c.wav")});
    panel.list->AddFiles();
    EXPECT_EQ(panel.Names(), (QStringList{"a.wav", "b.wav"})) << "adding stops at the folder";
    EXPECT_EQ(panel.box->GetSingleSelection(), 1);
    EXPECT_EQ(panel.folders[1], panel.dir.path());
    EXPECT_TRUE(panel.Model().ListModified());

    panel.ChooseFiles({a});
    panel.list->AddFiles();
    EXPECT_EQ(panel.Model().Count(), 2) << "the same file twice is one row";
    EXPECT_EQ(panel.box->GetSingleSelection(), 0) << "and it is selected";

    // The dialog's audio filter lets ".WAV" and ".Mp3" files show.
    const QString filter = PlaylistActions::AudioFileFilters().value(0);
    const QStringList audio = QRegularExpression(R"(\(([^()]*)\)$)").match(filter).captured(1).split(' ');
    for (const QString name : {"TAKE.WAV", "take.Mp3", "a.FLAC", "a.ogg", "a.Oga", "a.opus", "take.txt"}) {
        bool shown = false;
        for (const QString& p : audio)
            shown |= QRegularExpression(QRegularExpression::wildcardToRegularExpression(p)).match(name).hasMatch();
        EXPECT_EQ(shown, !name.endsWith(".txt")) << name.toStdString();
    }
}

// One more file fits, then the list says so once and stops. A file it holds
// is still found, and a saved recording is left out without a word.
TEST(PlaylistBox, AFullListTakesOneMoreThenSays394AndStops)
{
    Panel panel;
    panel.Fill(4999);
    const QString x = panel.Wave("x.wav");
    panel.ChooseFiles({x, panel.Wave("y.wav"), panel.Wave("z.wav")});
    MessageBoxCatcher catcher;
    panel.list->AddFiles();
    ASSERT_TRUE(WaitUntil([&] { return catcher.count > 0; }));
    EXPECT_EQ(catcher.count, 1);
    EXPECT_EQ(panel.Model().Count(), 5000);
    EXPECT_EQ(QFileInfo(panel.Model().Item(4999)->FilePath()).fileName(), "x.wav");
    EXPECT_EQ(panel.box->GetSingleSelection(), 4999);

    panel.box->SelectOnly(0);
    panel.list->AddRecording(x, true);
    EXPECT_EQ(panel.box->GetSingleSelection(), 4999);
    panel.list->AddRecording(panel.Wave("take.wav"), true);
    EXPECT_FALSE(WaitUntil([&] { return catcher.count > 1; }, 500));
    EXPECT_EQ(panel.Model().Count(), 5000);
}

TEST(PlaylistBox, AFolderIsAddedPassByPassInAnyLetterCaseInNameOrder)
{
    Panel panel;
    const QString folder = panel.File("music");
    QDir().mkpath(folder);
    for (const char* name : {"b.WAV", "a.wav", "c.mp1", "z.Mp3", "y.mp3", "m.mp2", "notes.txt", "s.OPUS", "r.oga",
                             "q.Ogg", "p.flac", "o.FLAC", "cover.jpg"})
        ASSERT_TRUE(testsupport::WriteFile(folder + "/" + name, "x"));
    QDir().mkpath(folder + "/dir.mp3");
    controls::SetFolderChooserForTesting([&](QWidget*, const QString& title, const QString& start) {
        EXPECT_EQ(title, resources::Text(resources::IDS_ADD_FOLDER_PROMPT));
        EXPECT_EQ(start, panel.dir.path());
        return folder;
    });
    panel.list->AddDirectory();
    controls::SetFolderChooserForTesting({});
    EXPECT_EQ(panel.Names(),
              (QStringList{"y.mp3", "z.Mp3", "m.mp2", "c.mp1", "a.wav", "b.WAV", "o.FLAC", "p.flac", "q.Ogg", "r.oga",
                           "s.OPUS"}));
    EXPECT_EQ(panel.box->GetSingleSelection(), 10);
    EXPECT_EQ(panel.folders[2], folder);
    EXPECT_EQ(panel.foldersRemembered, 1);
}

TEST(PlaylistBox, RemovingRowsKeepsTheRestDeletesFilesOnlyWhenAskedAndRemembersTheBox)
{
    Panel panel;
    QStringList paths;
    for (int i = 1; i <= 6; ++i)
        paths << panel.Wave(QString("%1.wav").arg(i));
    ASSERT_TRUE(panel.Add(paths));

    // Rows 2, 3 and 5 (items 1, 2, 4), files kept.
    panel.Select({1, 2, 4});
    {
        RemoveDialogAnswer answer(false, true);
        panel.list->RemoveSelected();
        EXPECT_EQ(answer.question, "是否要从列表中删除这 3 个条目？");
    }
    EXPECT_EQ(panel.Names(), (QStringList{"1.wav", "4.wav", "6.wav"}));
    EXPECT_EQ(panel.box->GetSelectedRows(), std::vector<int>{2}) << "the row that took the last one's place";
    for (const QString& p : paths)
        EXPECT_TRUE(QFile::exists(p));
    EXPECT_EQ(panel.settings.ReadHistoryInt("DeleteFileWhileRemoveItem", -1), 0);

    // Cancel with the box ticked changes nothing and stores nothing.
    panel.box->SelectOnly(0);
    {
        RemoveDialogAnswer answer(true, false);
        panel.list->RemoveSelected();
    }
    EXPECT_EQ(panel.Model().Count(), 3);
    EXPECT_EQ(panel.settings.ReadHistoryInt("DeleteFileWhileRemoveItem", -1), 0);

    // The last row, with its file: the new last row is selected; the box is remembered.
    const QString link = panel.File("link.wav");
    ASSERT_TRUE(QFile::link(paths[5], link));
    ASSERT_TRUE(panel.Add({link}));
    panel.box->SelectOnly(3);
    {
        RemoveDialogAnswer answer(true, true);
        panel.list->RemoveSelected();
        EXPECT_FALSE(answer.initiallyChecked);
    }
    EXPECT_FALSE(QFileInfo(link).isSymLink() || QFile::exists(link)) << "the listed link is removed";
    EXPECT_TRUE(QFile::exists(paths[5])) << "never the file it points to";
    EXPECT_EQ(panel.box->GetSelectedRows(), std::vector<int>{2});
    EXPECT_EQ(panel.settings.ReadHistoryInt("DeleteFileWhileRemoveItem", -1), 1);
    {
        RemoveDialogAnswer answer(true, true);
        panel.box->SelectOnly(0);
        panel.list->RemoveSelected();
        EXPECT_TRUE(answer.initiallyChecked) << "remembered for the next time";
    }
    EXPECT_FALSE(QFile::exists(paths[0]));

    // Nothing selected.
    panel.Select({});
    MessageBoxCatcher catcher;
    panel.list->RemoveSelected();
    ASSERT_TRUE(WaitUntil([&] { return catcher.count == 1; }));
    EXPECT_EQ(catcher.text, resources::Text(resources::IDS_NOTHING_SELECTED));
}

TEST(PlaylistBox, RightClicksKeysAndTheMenuFollowTheSelection)
{
    Panel panel;
    ASSERT_TRUE(panel.Add({panel.Wave("1.wav"), panel.Wave("2.wav"), panel.Wave("3.wav")}));
    PlaylistActions& actions = panel.list->Actions();
    auto statesOf = [](QMenu* menu) {
        QMap<QAction*, bool> states;
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                states[a] = a->isEnabled();
        return states;
    };
    auto menuStates = [&] { return statesOf(actions.CreatePopupMenu(panel.box.get()).get()); };
    // Whatever pops up is closed and its enabled commands kept.
    QList<QMap<QAction*, bool>> opened;
    playlisttest::Poll closer([&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            opened << statesOf(menu);
            menu->close();
        }
    });

    // Inside a selection the right button keeps it (outside it, see the
    // selection's test); F12 opens it as well.
    panel.Select({0, 1});
    QTest::mouseClick(panel.box->viewport(), Qt::RightButton, {}, panel.RowCentre(1));
    ASSERT_TRUE(WaitUntil([&] { return opened.size() == 1; }));
    EXPECT_EQ(panel.box->GetSelectedRows(), (std::vector<int>{0, 1}));
    EXPECT_TRUE(opened[0][actions.Play()]);
    panel.box->setFocus();
    QTest::keyClick(panel.box.get(), Qt::Key_F12);
    ASSERT_TRUE(WaitUntil([&] { return opened.size() == 2; }));
    closer.Stop();

    // Greying: nothing selected, one unloaded item.
    panel.Select({});
    auto none = menuStates();
    EXPECT_FALSE(none[actions.Play()]);
    EXPECT_FALSE(none[actions.Remove()]);
    EXPECT_TRUE(none[actions.AddFilesAction()] && none[actions.AddDirectoryAction()] && none[actions.Mail()]);
    panel.Model().AddItem(panel.File("missing.wav"));
    ASSERT_TRUE(panel.WaitLoaded());
    panel.box->SelectOnly(3);
    auto unloaded = menuStates();
    EXPECT_FALSE(unloaded[actions.Play()]);
    EXPECT_TRUE(unloaded[actions.Remove()]);

    // Space and "." go to the window as its pause and stop; Delete removes.
    QStringList requests;
    QObject::connect(panel.box.get(), &PlaylistBox::PauseRequested, [&] { requests << "pause"; });
    QObject::connect(panel.box.get(), &PlaylistBox::RecorderStopRequested, [&] { requests << "stop"; });
    QTest::keyClick(panel.box.get(), Qt::Key_Space);
    QTest::keyClick(panel.box.get(), Qt::Key_Period);
    EXPECT_EQ(requests, (QStringList{"pause", "stop"}));
    {
        RemoveDialogAnswer answer(false, true);
        QTest::keyClick(panel.box.get(), Qt::Key_Delete);
    }
    EXPECT_EQ(panel.Model().Count(), 3);
}

TEST(PlaylistBox, RowsShowTitlesDetailLinesStatesAndTips)
{
    Panel panel;
    // 3:25.5 at 44.1 kHz stereo as WAVE and as 128 kbit/s MP3.
    const QString wav = media::MakeWave(panel.File("take.wav"), 44100, 2, 16, 9062550);
    const QString mp3 = media::MakeMp3(wav, panel.File("take.MP3"), {"-b", "128", "--cbr"});
    const QString zla = panel.File("titled.zla");
    // The tip's cut at its limit falls inside the 🎵 (two UTF-16 units).
    const QString head = "3) 晨间录音\r\n" + zla + "\r\n" + QString(48, '-') + "\r\n";
    const QString description = QString(kTooltipLimit - 1 - head.size(), 'd') + QString::fromUtf8("🎵 and more");
    media::Run(media::ZlaTool(), {"pack", "-o", zla, "--title", "晨间录音", "--description", description, wav});
    const QString bare = panel.File("bare name.zla");
    media::Run(media::ZlaTool(), {"pack", "-o", bare, wav});
    ASSERT_TRUE(panel.Add({wav, mp3, zla, bare}));

    EXPECT_EQ(FormatDetailLine(*panel.Model().Item(0)), "00:03:25.5   44100 Hz, stereo, 16 bits");
    EXPECT_EQ(FormatDetailLine(*panel.Model().Item(1)), "00:03:25.5   44100 Hz, stereo, 16 bits, 128 kbps");
    EXPECT_EQ(GetItemTitle(*panel.Model().Item(0)), "take");
    EXPECT_EQ(GetItemTitle(*panel.Model().Item(2)), "晨间录音");
    EXPECT_EQ(GetItemTitle(*panel.Model().Item(3)), "bare name");

    // The tip of the third band names the third visible item, cut at the
    // limit but never in half a character; below the last item there is none.
    const QString tip = panel.TipAt(QPoint(20, 2 * 30 + 5));
    EXPECT_TRUE(tip.startsWith("3) 晨间录音\n" + zla + "\n" + QString(48, '-') + "\nddd")) << tip.toStdString();
    EXPECT_TRUE(tip.endsWith("d...")) << tip.right(10).toStdString();
    const QString text = TooltipText(*panel.Model().Item(2), 2);
    EXPECT_EQ(text.size(), kTooltipLimit - 1 + 3);
    EXPECT_TRUE(text.isValidUtf16());
    EXPECT_EQ(panel.TipAt(QPoint(20, 4 * 30 + 5)), QString());
    EXPECT_FALSE(panel.box->GetRowTip().IsShown());
}

TEST(PlaylistBox, TheEmptyListShowsItsHintAndPictureAndPlayingRowsTheSelectionColour)
{
    Card card;
    Panel panel;
    const QImage empty = widgettest::Shot(*panel.box);
    // White under the grey hint, the corner picture at the bottom right.
    const QImage view = widgettest::Shot(*panel.box->viewport());
    EXPECT_EQ(widgettest::Px(view, 5, 5) & 0xffffff, 0xffffffu);
    const QImage corner = resources::BitmapImage(131).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(corner.size(), QSize(55, 51));
    EXPECT_TRUE(view.copy(QRect(QPoint(view.width() - 55, view.height() - 51), corner.size())) == corner);
    int grey = 0;
    for (int x = 10; x < view.width() - 10; ++x)
        grey += (widgettest::Px(view, x, 24) & 0xffffff) != 0xffffffu;
    EXPECT_GT(grey, 0) << "the hint's first line";

    ASSERT_TRUE(panel.Add({panel.Wave("one.wav"), panel.Wave("two.wav")}));
    // The scripted sound card keeps the pieces at the device while we look.
    panel.Select({0, 1});
    panel.list->PlaySelected();
    EXPECT_EQ(panel.status.text(), resources::Text(resources::IDS_STATUS_PLAYING).replace("%s", "one"));
    ASSERT_TRUE(panel.Model().Item(0)->queued && panel.Model().Item(1)->queued);
    EXPECT_EQ(HighlightedRows(panel), (std::vector<int>{0, 1}));
    widgettest::SaveSheet({empty, widgettest::Shot(*panel.box)}, "playlist_box", 1);
    panel.list->StopPlaying();
}

// Dropped files and folders are added and places that are not local refused;
// the drop returns at once, and a full list says so only afterwards.
TEST(PlaylistBox, DropsAddLocalFilesAndFoldersAndReportAFullListAfterwards)
{
    Panel panel;
    const std::pair refused{false, false}, taken{true, true};
    const QUrl remote("https://example.org/take.mp3");
    EXPECT_EQ(panel.Drop({remote, QUrl("sftp://host/take.wav")}), refused) << "nothing of it could be added";
    const QString a = panel.Wave("a.wav"), b = panel.Wave("b.mp3.wav"), folder = panel.File("folder");
    QDir().mkpath(folder);
    ASSERT_TRUE(testsupport::WriteFile(folder + "/x.MP3", "x"));
    ASSERT_TRUE(testsupport::WriteFile(folder + "/y.wav", "x"));
    EXPECT_EQ(panel.Drop({QUrl::fromLocalFile(a), QUrl::fromLocalFile(folder), QUrl::fromLocalFile(b), remote}), taken);
    ASSERT_TRUE(WaitUntil([&] { return panel.Model().Count() == 4; }));
    EXPECT_EQ(panel.Names(), (QStringList{"a.wav", "b.mp3.wav", "x.MP3", "y.wav"}));
    EXPECT_EQ(panel.box->GetSingleSelection(), 3);
    EXPECT_TRUE(panel.Model().ListModified());

    panel.Fill(5000);
    panel.Wave("folder/z.wav");
    MessageBoxCatcher catcher;
    EXPECT_EQ(panel.Drop({QUrl::fromLocalFile(folder)}), taken);
    EXPECT_EQ(catcher.count, 0) << "no message while the drop is still open";
    ASSERT_TRUE(WaitUntil([&] { return catcher.count == 1; }));
    EXPECT_EQ(catcher.text, resources::Text(resources::IDS_LIST_FULL).replace("%d", "5000"));
    EXPECT_EQ(catcher.icon, QMessageBox::Critical);
    EXPECT_EQ(panel.Model().Count(), 5000);
}

// Rows stay thirty pixels under a taller picture. Each band's tip names the
// row in view there, a name that looks like markup as it is, wrapped only
// beyond 550 pixels; it comes after a second's rest even while another
// window is active, and goes when the pointer leaves.
TEST(PlaylistBox, TipsNameTheRowsInViewAsTheyAreAndRowsStayThirtyPixels)
{
    Panel panel;
    QImage cover(64, 64, QImage::Format_RGB32);
    cover.fill(Qt::darkRed);
    ASSERT_TRUE(cover.save(panel.File("cover.png")));
    const QString odd = panel.Wave("<b>loud & <i>clear.wav"), plain = panel.Wave("a  b.wav");
    const QString wide = panel.Wave(QString(200, 'w') + ".wav"), zla = panel.File("covered.zla");
    media::Run(media::ZlaTool(), {"pack", "-o", zla, "--picture", panel.File("cover.png"), plain});
    QStringList paths{odd, plain, wide, zla};
    for (int i = 5; i <= 20; ++i)
        paths << panel.Wave(QString("take %1.wav").arg(i, 2, 10, QChar('0')));
    ASSERT_TRUE(panel.Add(paths));  // selects the last row and scrolls it into view
    ASSERT_TRUE(panel.Model().Item(3)->IsLoaded());
    const int top = panel.box->indexAt(QPoint(1, 1)).row();
    ASSERT_GT(top, 3);
    EXPECT_TRUE(
        panel.TipAt(QPoint(20, 5)).startsWith(QString("%1) take %2\n").arg(top + 1).arg(top + 1, 2, 10, QChar('0'))));
    EXPECT_TRUE(panel.TipAt(QPoint(20, 65)).startsWith(QString("%1) take").arg(top + 3)));

    // Keys scroll by whole rows; the bands follow. A resize lays the rows out again.
    QTest::keyClick(panel.box.get(), Qt::Key_Home);
    panel.box->resize(320, 260);
    QApplication::processEvents();
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(panel.box->visualRect(panel.Model().index(row)),
                  QRect(0, 30 * row, panel.box->viewport()->width(), 30))
            << "row " << row;
    const RowTip& tip = panel.box->GetRowTip();
    EXPECT_EQ(panel.TipAt(QPoint(20, 15)).toStdString(), ("1) <b>loud & <i>clear\n" + odd).toStdString());
    EXPECT_EQ(tip.ShownLineCount(), 2) << "the path fits in 550 pixels: no wrapping";
    EXPECT_GE(tip.GetWindow()->width(), QFontMetrics(tip.GetWindow()->font()).horizontalAdvance(odd));
    ASSERT_TRUE(panel.TipAt(QPoint(20, 75)).endsWith(wide));
    EXPECT_EQ(tip.GetWindow()->width(), 550);
    EXPECT_GT(tip.ShownLineCount(), 2);
    EXPECT_TRUE(panel.TipAt(QPoint(20, 105)).startsWith("4) covered\n"));

    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(WaitUntil([&] { return other.isActiveWindow(); }));
    ASSERT_FALSE(panel.box->isActiveWindow());
    panel.box->GetRowTip().Hide();
    QElapsedTimer rested;
    widgettest::Hover(panel.box->viewport(), QPoint(20, 40));
    rested.start();
    ASSERT_TRUE(WaitUntil([&] { return tip.IsShown(); }, 5000));
    EXPECT_GE(rested.elapsed(), 1000 - 20) << "not before the pointer has rested a second";
    EXPECT_TRUE(tip.ShownText().startsWith("2) a  b\n"));
    widgettest::Leave(panel.box->viewport());
    EXPECT_FALSE(tip.IsShown());
}

TEST(PlaylistBox, MailTakesTheSelectedFilesInListOrderAndRefusesNoneOrTooMany)
{
    Panel panel;
    panel.ChooseFiles({panel.Wave("1.wav"), panel.Wave("2.wav"), panel.Wave("3.wav")});
    panel.list->AddFiles();
    panel.Select({2, 0});
    QString attachments;
    // Runs on, so that a dialog opened wrongly later fails the test instead of hanging it.
    playlisttest::Poll closer([&] {
        if (auto* dialog = qobject_cast<mail::MailDialog*>(QApplication::activeModalWidget())) {
            attachments =
                qobject_cast<QPlainTextEdit*>(dialog->Control(mail::MailDialog::IdAttachments))->toPlainText();
            dialog->reject();
        } else if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                   box && attachments.isEmpty()) {
            box->done(QMessageBox::Ok);  // no mail program on this machine
        }
    });
    panel.list->MailSelected();
    EXPECT_EQ(attachments, panel.File("1.wav") + "\n" + panel.File("3.wav") + "\n");

    // Nothing selected, and one file more than a message takes.
    panel.Fill(51);
    for (const auto& [select, message] :
         {std::pair{0, resources::IDS_NOTHING_SELECTED}, std::pair{51, resources::IDS_MAIL_TOO_MANY_ATTACHMENTS}}) {
        panel.box->selectionModel()->clearSelection();
        for (int i = 0; i < select; ++i)
            panel.box->selectionModel()->select(panel.Model().index(i), QItemSelectionModel::Select);
        MessageBoxCatcher catcher;
        panel.list->MailSelected();
        ASSERT_TRUE(WaitUntil([&] { return catcher.count == 1; }));
        EXPECT_EQ(catcher.text, resources::Text(message));
        EXPECT_EQ(catcher.icon, QMessageBox::Critical);
    }
}

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
    Card card;
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

TEST(ChangedFiles, PlayingARowWhoseFileChangedLoadsItAgainAndPlaysWhatItHoldsNow)
{
    Card card;
    Panel panel;
    const QString path = panel.Wave("take.wav", 4410);
    ASSERT_TRUE(panel.Add({path}));
    PlaylistItem* item = panel.Model().Item(0);

    struct Change {
        const char* name;
        std::function<void()> make;
        uint32_t rate, channels, frames;
    };
    const std::vector<Change> changes = {
        {"replaced", [&] { Replace(panel, path, 22050, 1, 30000); }, 22050, 1, 30000},
        {"rewritten in place", [&] { media::MakeWave(path, 8000, 2, 16, 12000); }, 8000, 2, 12000},
        {"only touched", [&] { Touch(path); }, 8000, 2, 12000},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        change.make();
        RowStates states(panel.Model(), 0);
        MessageBoxCatcher catcher;
        panel.box->SelectOnly(0);
        const int opened = card.fake.PlaybackOpenCount();
        panel.list->PlaySelected();
        ASSERT_TRUE(WaitUntil([&] { return panel.list->Player().IsPlaying(item); }, 20000));
        EXPECT_EQ(catcher.count, 0) << catcher.text.toStdString();
        EXPECT_EQ(states.seen.value(0), "waiting");
        EXPECT_EQ(states.seen.value(states.seen.size() - 1), "loaded");
        EXPECT_EQ(item->length, change.frames);
        EXPECT_EQ(card.fake.PlaybackOpenCount(), opened + 1);
        FakePlaybackStream* device = card.fake.LastPlaybackStream();
        EXPECT_EQ(device->Format(), (platform::audio::PcmFormat{change.rate, 16, uint16_t(change.channels)}));
        const QByteArray now = media::OpenStream(path).DecodeAll();
        EXPECT_EQ(device->WrittenBytes(), now.left(device->WrittenBytes().size()));
        card.PlayOut(device);
        EXPECT_FALSE(panel.list->Player().IsPlaying(item));
    }
    panel.list.reset();
}

TEST(ChangedFiles, AddingARowAgainOrSavingOverItsFileLoadsItAgainOnlyWhenTheFileChanged)
{
    Panel panel;
    const QString a = panel.Wave("a.wav", 4410), b = panel.Wave("b.wav", 4410);
    const QString missing = panel.File("later.wav");
    panel.ChooseFiles({a, b});
    panel.list->AddFiles();
    panel.list->AddRecording(missing, false);
    ASSERT_TRUE(panel.WaitLoaded());
    ASSERT_TRUE(panel.Model().Item(2)->IsFailed());

    // Unchanged: the row keeps its stream.
    const ZLDEC_HANDLE before = panel.Model().Item(0)->stream.Handle();
    panel.ChooseFiles({a});
    panel.list->AddFiles();
    EXPECT_EQ(panel.Model().Item(0)->stream.Handle(), before);

    // Added again through the dialog, saved over, saved where a row failed.
    Replace(panel, a, 44100, 2, 9000);
    panel.ChooseFiles({a});
    panel.list->AddFiles();
    Replace(panel, b, 44100, 1, 7000);
    panel.list->AddRecording(b, true);
    media::MakeWave(missing, 44100, 2, 16, 5000);
    panel.list->AddRecording(missing, true);
    ASSERT_TRUE(panel.WaitLoaded());
    EXPECT_EQ(panel.Model().Count(), 3);
    EXPECT_EQ(panel.Model().Item(0)->length, 9000u);
    EXPECT_EQ(panel.Model().Item(1)->length, 7000u);
    ASSERT_NE(panel.Model().Item(1)->format, nullptr);
    EXPECT_EQ(panel.Model().Item(1)->format->channels, 1);
    EXPECT_TRUE(panel.Model().Item(2)->IsLoaded());
    EXPECT_EQ(panel.Model().Item(2)->length, 5000u);
}

TEST(ChangedFiles, AQueueGoesOnThroughAFileRewrittenWhileItWaited)
{
    Card card;
    Panel panel;
    const QString first = panel.Wave("first.wav", 2000), second = panel.Wave("second.wav", 4410);
    ASSERT_TRUE(panel.Add({first, second}));
    PlaylistItem* next = panel.Model().Item(1);
    panel.Select({0, 1});
    panel.list->PlaySelected();
    ASSERT_TRUE(panel.list->Player().IsPlaying(panel.Model().Item(0)));

    Replace(panel, second, 11025, 1, 6000);
    MessageBoxCatcher catcher;
    card.PlayOut(card.fake.LastPlaybackStream());
    ASSERT_TRUE(WaitUntil([&] { return panel.list->Player().IsPlaying(next); }, 20000)) << "the queue went on";
    EXPECT_EQ(next->length, 6000u);
    EXPECT_EQ(card.fake.LastPlaybackStream()->Format(), (platform::audio::PcmFormat{11025, 16, 1}));
    EXPECT_EQ(catcher.count, 0);
    card.PlayOut(card.fake.LastPlaybackStream());
    EXPECT_TRUE(panel.list->Player().Queue().IsEmpty());
    EXPECT_EQ(panel.status.text(), QStringLiteral("就绪"));
    panel.list.reset();
}
