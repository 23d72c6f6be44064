// The playlist on real files through the real decoder library. The model:
// the loader, removal, relative names and the rows' animated pictures; list
// files made byte by byte, read into the model and written back by it: every
// layout, damaged files, two instances, failed writes, long paths. The
// control driven as a user drives it on the offscreen platform; the
// selection the program makes itself; and listed files that change on disk
// (rewritten, replaced or only touched) after their rows were loaded.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "controls/browse_for_folder.h"
#include "platform/audio/fake_backend.h"
#include "support/scoped_state.h"
#include "mail/mail_dialog.h"
#include "playlist/list_file.h"
#include "playlist/playlist_adder.h"
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
using playlisttest::WaitSettled;
using widgettest::MessageBoxCatcher;
using widgettest::WaitUntil;

namespace {

QByteArray Le(uint32_t value, int bytes)
{
    const quint32 le = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&le), bytes);
}

QByteArray Header(uint32_t version, uint16_t count, uint16_t entrySize, const QByteArray& magic = "TSIL")
{
    return magic + Le(version, 4) + Le(count, 2) + Le(entrySize, 2);
}

// One entry: the path and its zero, padded to `size`; flags at 260 if they fit.
QByteArray Entry(const QByteArray& path, int size, uint32_t flags = 0)
{
    QByteArray out = path;
    out.append('\0');
    out = out.leftJustified(size, '\0', true);
    if (size >= 264)
        out.replace(260, 4, Le(flags, 4));
    return out;
}

QStringList PathsOf(const PlaylistModel& model)
{
    QStringList paths;
    for (int i = 0; i < model.Count(); ++i)
        paths << model.Item(i)->FilePath();
    return paths;
}

// List files and sound files in a scratch folder.
struct ListFixture : ::testing::Test {
    QString WriteList(const QByteArray& bytes, const QString& name = "Quillon.lst")
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(testsupport::WriteFile(path, bytes));
        return path;
    }
    QString Dir() const { return m_dir.path(); }
    QString Wave(const QString& name, int frames, int rate = 22050, int channels = 2)
    {
        return media::MakeWave(m_dir.filePath(name), rate, channels, 16, frames);
    }

    QTemporaryDir m_dir;
};

std::vector<ListEntry> Parse(const QByteArray& bytes, uint64_t fileSize)
{
    return ParseListFile(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())),
                         fileSize);
}

// Stored paths of a list file, in order.
QStringList StoredPaths(const QString& list)
{
    const QByteArray bytes = testsupport::ReadFile(list);
    QStringList paths;
    for (const ListEntry& e : Parse(bytes, uint64_t(bytes.size())))
        paths << QString::fromStdString(e.path);
    return paths;
}

using LoadFixture = ListFixture;

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

TEST(PlaylistBox, AddingFilesStopsAtFoldersAFolderIsAddedPassByPassAndBothAreRemembered)
{
    Panel panel;
    QDir().mkpath(panel.File("sub"));
    panel.ChooseFiles({panel.Wave("a.wav"), panel.Wave("b.wav"), panel.File("sub"), panel.Wave("c.wav")});
    panel.list->AddFiles();
    EXPECT_EQ(panel.Names(), (QStringList{"a.wav", "b.wav"})) << "adding stops at the folder";
    EXPECT_EQ(panel.box->GetSingleSelection(), 1);
    EXPECT_EQ(panel.folders[1], panel.dir.path());
    EXPECT_TRUE(panel.Model().ListModified());

    // The dialog's audio filter lets ".WAV" and ".Mp3" files show.
    const QString filter = PlaylistActions::AudioFileFilters().value(0);
    const QStringList audio = QRegularExpression(R"(\(([^()]*)\)$)").match(filter).captured(1).split(' ');
    for (const QString name : {"TAKE.WAV", "take.Mp3", "a.FLAC", "a.ogg", "a.Oga", "a.opus", "take.txt"}) {
        bool shown = false;
        for (const QString& p : audio)
            shown |= QRegularExpression(QRegularExpression::wildcardToRegularExpression(p)).match(name).hasMatch();
        EXPECT_EQ(shown, !name.endsWith(".txt")) << name.toStdString();
    }

    // A folder is added pass by pass (MPEG, WAVE, FLAC, Ogg), in any letter
    // case, in name order; its folder is remembered too.
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
    const int remembered = panel.foldersRemembered;
    panel.list->AddDirectory();
    controls::SetFolderChooserForTesting({});
    EXPECT_EQ(panel.Names().mid(2),
              (QStringList{"y.mp3", "z.Mp3", "m.mp2", "c.mp1", "a.wav", "b.WAV", "o.FLAC", "p.flac", "q.Ogg", "r.oga",
                           "s.OPUS"}));
    EXPECT_EQ(panel.box->GetSingleSelection(), 12);
    EXPECT_EQ(panel.folders[2], folder);
    EXPECT_EQ(panel.foldersRemembered, remembered + 1);
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
    EXPECT_EQ(panel.Error([&] { panel.list->RemoveSelected(); }), resources::Text(resources::IDS_NOTHING_SELECTED));
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

TEST(PlaylistBox, TheEmptyListShowsItsHintAndPictureAndRowsTheirTextsTipsAndSelectionColour)
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

    // Playing rows show the selection colour; the scripted sound card keeps
    // the pieces at the device while we look.
    Click(panel, 0);
    Click(panel, 1, Qt::ShiftModifier);
    panel.list->PlaySelected();
    EXPECT_EQ(panel.status.text(), resources::Text(resources::IDS_STATUS_PLAYING).replace("%s", "take"));
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
        EXPECT_EQ(panel.Error([&] { panel.list->MailSelected(); }), resources::Text(message));
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
             playlisttest::Poll closer([] {
                 if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
                     menu->close();
             });
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
        RemoveDialogAnswer answer(true, true);
        EXPECT_EQ(panel.Error([&] { QTest::keyClick(panel.box.get(), Qt::Key_Delete); }),
                  resources::Text(resources::IDS_REMOVE_PLAYING));
        EXPECT_EQ(panel.Names(), (QStringList{"b.wav", "c.wav"}));
        EXPECT_EQ(panel.box->GetSelectedRows(), std::vector<int>{1}) << "b was never chosen";
        EXPECT_EQ(HighlightedRows(panel), std::vector<int>{1});
    }
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(b)) << "a second Delete must not reach b's file";
    EXPECT_TRUE(QFile::exists(c));
}

TEST(ChangedFiles, PlayingARowWhoseFileChangedOrQueuedWhileItChangedPlaysWhatItHoldsNow)
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

    // A queue goes on through a file rewritten while it waited.
    const QString first = panel.Wave("first.wav", 2000), second = panel.Wave("second.wav", 4410);
    ASSERT_TRUE(panel.Add({first, second}));
    PlaylistItem* next = panel.Model().Item(2);
    panel.Select({1, 2});
    panel.list->PlaySelected();
    ASSERT_TRUE(panel.list->Player().IsPlaying(panel.Model().Item(1)));
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

TEST(ChangedFiles, AddingARowAgainKeepsOneRowAndLoadsItAgainOnlyWhenTheFileChanged)
{
    Panel panel;
    const QString a = panel.Wave("a.wav", 4410), b = panel.Wave("b.wav", 4410);
    const QString missing = panel.File("later.wav");
    panel.ChooseFiles({a, b});
    panel.list->AddFiles();
    panel.list->AddRecording(missing, false);
    ASSERT_TRUE(panel.WaitLoaded());
    ASSERT_TRUE(panel.Model().Item(2)->IsFailed());

    // Unchanged: the same file twice is one row, selected, that keeps its stream.
    const ZLDEC_HANDLE before = panel.Model().Item(0)->stream.Handle();
    panel.ChooseFiles({a});
    panel.list->AddFiles();
    EXPECT_EQ(panel.Model().Count(), 3);
    EXPECT_EQ(panel.box->GetSingleSelection(), 0);
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

// Relative paths lie beside the list; names compare exactly: a second
// "/data/a.wav" is the same row, "/data/A.wav" another.
TEST_F(ListFixture, EveryVersionReadsItsOwnLayout)
{
    const QByteArray v1 = Header(1, 2, 256) + Entry("/music/one.wav", 256) + Entry("/music/two.mp3", 256);
    const QByteArray v2 = Header(2, 1, 260) + Entry("/music/three.wav", 260);
    // Flags: 0x0E is attribute 7, read as 1; 0x08 is 4; 0x1C is 6 with the
    // marked bit: 0, and marked is not read back.
    const QByteArray v3 = Header(3, 8, 264) + Entry("/music/four.wav", 264, 0x0E) +
        Entry("/music/five.wav", 264, 0x08) + Entry("/music/six.wav", 264, 0x1C) + Entry("sub/x.mp3", 264) +
        Entry("/data/A.wav", 264) + Entry("/data/a.wav", 264) + Entry("/data/a.wav", 264) + Entry("//net/y.wav", 264);
    const QByteArray v0 = Header(0, 2, 0) + Entry("/music/never.wav", 264);

    PlaylistModel model;
    model.ReadListFile(WriteList(v1, "1.lst"));
    model.ReadListFile(WriteList(v2, "2.lst"));
    model.ReadListFile(WriteList(v3, "3.lst"));
    model.ReadListFile(WriteList(v0, "0.lst"));
    EXPECT_EQ(PathsOf(model),
              (QStringList{"/music/one.wav", "/music/two.mp3", "/music/three.wav", "/music/four.wav", "/music/five.wav",
                           "/music/six.wav", Dir() + "/sub/x.mp3", "/data/A.wav", "/data/a.wav", "//net/y.wav"}));
    QList<int> attributes;
    for (int i = 0; i < 6; ++i)
        attributes << model.Item(i)->attribute;
    EXPECT_EQ(attributes, (QList<int>{0, 0, 0, 1, 4, 0}));
    EXPECT_EQ(model.Item(5)->marked, 0);
    EXPECT_FALSE(model.ListModified());
    EXPECT_EQ(model.AddItem("/data/A.wav"), 7u);
    EXPECT_EQ(model.AddItem("/data/a.wav"), 8u);
    EXPECT_EQ(model.Count(), 10);
}

TEST_F(ListFixture, DamagedHeadersAddNothing)
{
    const QByteArray one = Entry("/music/one.wav", 264);
    const QList<QByteArray> damaged = {
        Header(3, 1, 264).left(11),                  // short header
        Header(3, 1, 264, "LIST") + one,             // the magic the other way round
        Header(4, 1, 264) + one,                     // a version from the future
        Header(3, 10, 264) + QByteArray(2000, 'x'),  // more announced than the body holds
        Header(3, 2, 264) + one + one.left(263),     // one byte short
        Header(2, 1, 264) + one,                     // entries larger than the version's record
        Header(1, 1, 260) + Entry("/music/one.wav", 260),
    };
    for (int i = 0; i < damaged.size(); ++i) {
        PlaylistModel model;
        model.ReadListFile(WriteList(damaged[i], QString("d%1.lst").arg(i)));
        EXPECT_EQ(model.Count(), 0) << "case " << i;
    }
    PlaylistModel model;
    model.ReadListFile(Dir() + "/no-such.lst");
    EXPECT_EQ(model.Count(), 0);

    // A short entry ends the list, keeping the earlier ones: the file shrank
    // between measuring and reading it.
    const QByteArray whole = Header(3, 3, 264) + Entry("/a.wav", 264) + Entry("/b.wav", 264) + Entry("/c.wav", 264);
    const auto entries = Parse(whole.left(12 + 264 * 2 + 100), uint64_t(whole.size()));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].path, "/b.wav");
}

TEST_F(ListFixture, AChangedListIsWrittenBackByteExactExceptTheTime)
{
    const QByteArray longPath = "/" + QByteArray(257, 'p');  // 258 bytes: no room for the time
    const QByteArray original = Header(2, 2, 260) + Entry("/music/one.wav", 260) + Entry(longPath, 260);
    const QString list = WriteList(original);
    const uint32_t before = uint32_t(QDateTime::currentSecsSinceEpoch());
    {
        PlaylistModel model;
        model.Initialize(list);
        ASSERT_EQ(model.Count(), 2);
        model.Item(0)->attribute = 5;
        model.Item(1)->marked = 1;
        EXPECT_EQ(PlaylistAdder(model, {}).AddRecording(Dir() + "/rec.wav").first, 2);
        EXPECT_TRUE(model.ListModified());
    }
    const uint32_t after = uint32_t(QDateTime::currentSecsSinceEpoch());
    QByteArray written = testsupport::ReadFile(list);
    ASSERT_EQ(written.size(), 12 + 3 * 264);
    for (int e : {0, 2}) {
        const int at = 12 + e * 264 + 256;
        const uint32_t time = qFromLittleEndian<quint32>(written.constData() + at);
        EXPECT_GE(time, before);
        EXPECT_LE(time, after);
        written.replace(at, 4, QByteArray(4, '\0'));
    }
    const QByteArray expected = Header(3, 3, 264) + Entry("/music/one.wav", 264, 5 << 1) + Entry(longPath, 264, 0x10) +
        Entry(QFile::encodeName(Dir() + "/rec.wav"), 264);
    EXPECT_EQ(written.toHex(), expected.toHex());
}

TEST_F(ListFixture, TwoInstancesKeepWhatEachAddedWhicheverClosesLast)
{
    const QString list = WriteList(Header(3, 2, 264) + Entry("/music/one.wav", 264) + Entry("/music/two.wav", 264));
    PlaylistModel first, second;
    first.Initialize(list);
    second.Initialize(list);
    PlaylistAdder(first, {}).AddRecording("/music/first.wav");
    first.RemoveItem(1, false);  // two.wav
    for (const char* path : {"/music/second.wav", "/music/first.wav"})
        PlaylistAdder(second, {}).AddRecording(path);
    second.Shutdown();
    EXPECT_EQ(StoredPaths(list),
              (QStringList{"/music/one.wav", "/music/two.wav", "/music/second.wav", "/music/first.wav"}));

    // Meanwhile a third writes a relative entry: it stays as written.
    const QByteArray other = testsupport::ReadFile(list);
    WriteList(Header(3, 5, 264) + other.mid(12) + Entry("sub/third.wav", 264));
    first.Shutdown();
    EXPECT_EQ(StoredPaths(list),
              (QStringList{"/music/one.wav", "/music/first.wav", "/music/second.wav", "sub/third.wav"}));

    // Writing again takes in nothing this run already wrote or removed.
    first.RemoveItem(0, false);
    ASSERT_TRUE(first.WriteListFile());
    EXPECT_EQ(StoredPaths(list), (QStringList{"/music/first.wav", "/music/second.wav", "sub/third.wav"}));
}

// A crash or a kill loses nothing listed: each change reaches the file a
// moment later, not only at the close (merged as the close merges it). A list
// nothing changed is never rewritten; an empty one is the header alone.
TEST_F(ListFixture, EveryChangeReachesTheListFileSoonAndAnUnchangedOneIsNotRewritten)
{
    const QString list = WriteList(Header(3, 1, 264) + Entry("/music/one.wav", 264));
    const QDateTime old = QDateTime::currentDateTime().addDays(-1);
    const auto age = [&] {
        QFile file(list);
        return file.open(QIODevice::ReadWrite) && file.setFileTime(old, QFileDevice::FileModificationTime);
    };
    ASSERT_TRUE(age());
    PlaylistModel().Initialize(list);
    EXPECT_EQ(QFileInfo(list).lastModified(), old) << "opened and closed unchanged";

    PlaylistModel model;
    model.Initialize(list);
    const QString recording = Dir() + "/2008-03-05 14h07m09s recovered.wav";
    const auto reaches = [&](const QStringList& paths) {
        return QTest::qWaitFor([&] { return StoredPaths(list) == paths; }, 10000);
    };
    PlaylistAdder(model, {}).AddRecording(recording);
    EXPECT_TRUE(reaches({"/music/one.wav", recording})) << StoredPaths(list).join(", ").toStdString();
    EXPECT_FALSE(model.ListModified());
    model.RemoveItem(0, false);
    EXPECT_TRUE(reaches({recording})) << StoredPaths(list).join(", ").toStdString();

    // Nothing changed since: the close leaves the file as it is.
    ASSERT_TRUE(age());
    model.Shutdown();
    EXPECT_EQ(QFileInfo(list).lastModified(), old);
    model.RemoveItem(0, false);
    ASSERT_TRUE(model.WriteListFile());
    EXPECT_EQ(testsupport::ReadFile(list), Header(3, 0, 264));
}

// The disk fills up while the list is written (a file size limit stands
// in for it, root included): the old list stays, and nothing is left beside it.
TEST_F(ListFixture, AFailedWriteLeavesTheOldFile)
{
    const QByteArray original = Header(3, 1, 264) + Entry("/music/one.wav", 264);
    const QString list = WriteList(original);
    PlaylistModel model;
    model.Initialize(list);
    model.AddItem("/music/two.wav");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit small{400, saved.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = model.WriteListFile();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(testsupport::ReadFile(list), original);
    EXPECT_EQ(QDir(Dir()).entryList(QDir::Files | QDir::Hidden), QStringList{"Quillon.lst"});
}

TEST_F(ListFixture, PathsTooLongForTheListAreRefusedAndReported)
{
    PlaylistModel model;
    const QString fits = "/" + QString(258, 'f');            // 259 bytes
    const QString tooLong = "/" + QString(259, 'l');         // 260 bytes
    const QString wide = "/" + QString(130, QChar(0x58F0));  // 391 bytes in UTF-8
    PlaylistAdder adder(model, {});
    QStringList refused;
    for (const QString& path : {fits, tooLong, QString("/music/ok.wav"), wide})
        refused += adder.AddRecording(path).refused;
    EXPECT_EQ(PathsOf(model), (QStringList{fits, "/music/ok.wav"}));
    EXPECT_EQ(refused, (QStringList{tooLong, wide}));
    EXPECT_TRUE(model.ListModified());
    const QString message = PlaylistModel::RefusedPathsMessage(refused);
    EXPECT_TRUE(message.contains(tooLong));
    EXPECT_TRUE(message.contains(" 2 "));
    EXPECT_FALSE(message.contains(wide));
    EXPECT_TRUE(PlaylistModel::RefusedPathsMessage({}).isEmpty());

    // Such a path written anyway would overrun its record: it never gets in.
    model.ReadListFile(WriteList(Header(3, 1, 264) + Entry(("/" + QString(300, 'x')).toUtf8().left(264), 264)));
    EXPECT_EQ(model.Count(), 2);
}

// Rows pass from waiting through loading to loaded or to the text of their
// failure, one after another in the order of adding; a fifo and a locked
// file included.
TEST_F(LoadFixture, ItemsPassWaitingLoadingAndLoadedInTheOrderOfAdding)
{
    const QString a = Wave("a.wav", 11025), b = Wave("b.wav", 22050, 44100, 1);
    const QString c = media::MakeMp3(Wave("c-source.wav", 44100, 44100), m_dir.filePath("c.mp3"), {"-b", "128"});
    const QString empty = m_dir.filePath("empty.wav"), text = m_dir.filePath("text.wav");
    const QString pipe = m_dir.filePath("pipe.wav"), held = Wave("held.wav", 500);
    ASSERT_TRUE(testsupport::WriteFile(empty, {}));
    ASSERT_TRUE(testsupport::WriteFile(text, "not a sound at all, only some words of text"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const int lock = ::open(QFile::encodeName(held).constData(), O_RDONLY);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    using resources::Text;
    const std::pair<QString, QString> rows[] = {
        {a, "loaded"},
        {b, "loaded"},
        {c, "loaded"},
        {m_dir.filePath("missing.wav"), Text(resources::IDS_LOAD_FILE_MISSING)},
        {empty, Text(resources::IDS_LOAD_FAILED)},
        {text, Text(resources::IDS_LOAD_UNKNOWN_FORMAT)},
        {pipe, Text(resources::IDS_LOAD_OPEN_FAILED)},
        {held, Text(resources::IDS_LOAD_SHARING_VIOLATION)},
    };

    PlaylistModel model;
    // What a view sees, row by row: the state text each change shows.
    QStringList seen, expected;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&](const QModelIndex& first, const QModelIndex&) {
        const PlaylistItem* it = model.Item(first.row());
        seen << QString("%1:%2").arg(first.row()).arg(it->IsLoaded() ? "loaded" : PlaylistModel::StateText(*it));
    });
    for (const auto& [path, result] : rows) {
        const int row = int(model.AddItem(path));
        EXPECT_TRUE(model.Item(row)->IsWaiting());
        EXPECT_EQ(PlaylistModel::StateText(*model.Item(row)), Text(resources::IDS_LOAD_WAITING));
        EXPECT_EQ(model.Item(row)->imageCount, 1);
        EXPECT_EQ(model.Item(row)->images.constFirst(), PlaylistModel::LoadingImages().constFirst());
        expected << QString("%1:%2").arg(row).arg(Text(resources::IDS_LOAD_LOADING))
                 << QString("%1:%2").arg(row).arg(result);
    }
    ASSERT_TRUE(WaitSettled(model));
    ::close(lock);
    EXPECT_EQ(seen, expected);
    const PlaylistItem* first = model.Item(0);
    EXPECT_EQ(first->length, 11025u);
    ASSERT_NE(first->format, nullptr);
    EXPECT_EQ(first->format->channels, 2);
    EXPECT_EQ(first->format->samplesPerSec, 22050u);
    EXPECT_EQ(first->images, PlaylistModel::DefaultImages());
    EXPECT_EQ(model.Item(2)->length, 44100u);
    EXPECT_EQ(model.Item(3)->images, PlaylistModel::FailedImages());
    EXPECT_FALSE(model.ListModified());
}

TEST_F(LoadFixture, RemovedItemsNeverComeBack)
{
    QStringList paths;
    for (int i = 0; i < 40; ++i)
        paths << Wave(QString("w%1.wav").arg(i), 2000 + i);
    PlaylistModel model;
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    for (const QString& path : paths)
        model.AddItem(path);
    // The last one is still queued when it goes; the first is being opened
    // or already done, as the loader's pace decides.
    model.RemoveItem(39, false);
    model.RemoveItem(0, false);
    EXPECT_EQ(model.Count(), 38);
    ASSERT_TRUE(WaitSettled(model));
    EXPECT_EQ(model.Count(), 38);
    EXPECT_EQ(model.Item(0)->FilePath(), paths[1]);
    EXPECT_EQ(model.Item(37)->FilePath(), paths[38]);
    for (const auto& args : changed)
        EXPECT_LT(args[0].toModelIndex().row(), 38);

    // Gone from the list, a path can come again as a new item (whether a
    // removal takes the file with it is the list control's test).
    model.RemoveItem(5, false);
    EXPECT_TRUE(model.ListModified());
    EXPECT_EQ(model.AddItem(paths[6]), 37u);
}

// A relative path in the list file means "beside the list", so a relative
// name given to the list (a record folder typed as "takes") must be taken
// where it lies now, or the next start looks for it elsewhere.
TEST_F(LoadFixture, ARelativeNameIsKeptAsTheFileItNamesAcrossAStart)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("takes"));
    const QString take = Wave("takes/one.wav", 2205);
    QTemporaryDir listFolder;
    const QString list = listFolder.filePath("Quillon.lst");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    {
        PlaylistModel model;
        model.Initialize(list);
        PlaylistAdder adder(model, {});
        adder.AddRecording("takes/one.wav");
        adder.AddRecording("takes/one.wav");
        EXPECT_EQ(model.Count(), 1);
        EXPECT_TRUE(WaitSettled(model));
        EXPECT_EQ(model.Item(0)->FilePath().toStdString(), take.toStdString());
    }
    QDir::setCurrent(before);
    PlaylistModel model;
    model.Initialize(list);
    ASSERT_EQ(model.Count(), 1);
    EXPECT_EQ(model.Item(0)->FilePath().toStdString(), take.toStdString());
    EXPECT_EQ(model.AddItem(take), 0u) << "the same file by its full name is the same row";
    ASSERT_TRUE(WaitSettled(model));
    EXPECT_TRUE(model.Item(0)->IsLoaded()) << PlaylistModel::StateText(*model.Item(0)).toStdString();
}

// A row whose file carries several pictures moves on in the model, and views
// learn of each frame; a list without such rows does not keep a timer going.
TEST_F(LoadFixture, AnimatedPicturesMoveOnAFrameAtATimeAndSaySoAndOnlyWhileARowHasThem)
{
    PlaylistModel model;
    model.Initialize(m_dir.filePath("Quillon.lst"));
    model.AddItem(Wave("still.wav", 1000));
    ASSERT_TRUE(WaitSettled(model));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    EXPECT_FALSE(changed.wait(2 * PlaylistModel::kAnimationMs));
    EXPECT_FALSE(model.IsAnimating()) << "nothing moves";

    QStringList pack = {"pack", "-o", m_dir.filePath("two.zla")};
    for (const Qt::GlobalColor colour : {Qt::red, Qt::blue}) {
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(colour);
        pack << "--picture" << m_dir.filePath(QString("%1.png").arg(int(colour)));
        ASSERT_TRUE(picture.save(pack.last()));
    }
    media::Run(media::ZlaTool(), pack << Wave("inside.wav", 1000));
    model.AddItem(m_dir.filePath("two.zla"));
    ASSERT_TRUE(WaitSettled(model));
    ASSERT_EQ(model.Item(1)->imageCount, 2);
    const QModelIndex row = model.index(1);
    const QImage first = row.data(PlaylistModel::PictureRole).value<QImage>();
    changed.clear();
    ASSERT_TRUE(changed.wait(2 * PlaylistModel::kAnimationMs));
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 1) << "the still row is left alone";
    EXPECT_TRUE(changed[0][2].value<QList<int>>().contains(PlaylistModel::PictureRole));
    EXPECT_NE(row.data(PlaylistModel::PictureRole).value<QImage>(), first);

    model.RemoveItem(1, false);
    changed.clear();
    EXPECT_FALSE(changed.wait(2 * PlaylistModel::kAnimationMs));
    EXPECT_FALSE(model.IsAnimating());
}
