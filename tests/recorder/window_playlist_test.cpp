// The playlist half inside the window: Enter plays the selection only when
// the playlist has the focus, and closing while the playlist plays or loads
// leaves no thread, device or temporary file behind.

#include "window_fixture.h"

#include "playlist/playlist_box.h"
#include "playlist/playlist_panel.h"
#include "playlist/playlist_item.h"
#include "playlist/playlist_player.h"
#include "recorder/dialog_template.h"

namespace id = RecorderControl;

namespace {

using namespace windowtest;

class WindowPlaylistTest : public RecorderWindowTest {
protected:
    // A real one-second WAVE file made by sox.
    QString Wave(const QString& name)
    {
        const QString path = dir.filePath(name);
        EXPECT_EQ(
            testsupport::RunTool("sox", {"-n", "-r", "8000", "-c", "1", "-b", "16", path, "synth", "1", "sine", "440"})
                .exitCode,
            0);
        return path;
    }
    playlist::PlaylistBox& Box() { return window->PlaylistBox(); }
    playlist::PlaylistPanel& List() { return window->PlaylistPanel(); }
    bool WaitLoaded(int row)
    {
        return QTest::qWaitFor([&] { return List().Model().Count() > row && List().Model().Item(row)->IsLoaded(); },
                               5000);
    }
};

TEST_F(WindowPlaylistTest, EnterPlaysTheSelectionOnlyFromThePlaylistAndNeverCloses)
{
    const QString path = Wave("tone.wav");
    RecorderDialog& w = Open();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    List().AddRecording(path, true);
    ASSERT_TRUE(WaitLoaded(0));

    // Elsewhere Enter does nothing, with a playlist selection waiting.
    for (int id : {id::FolderEdit, id::DeviceList, id::Record, id::LoopPlaying}) {
        Ctl(id)->setFocus();
        QTest::keyClick(Ctl(id), Qt::Key_Return);
        EXPECT_EQ(backend.PlaybackOpenCount(), 0) << id;
        EXPECT_TRUE(w.isVisible()) << id;
    }
    Box().setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&Box(), key);
        EXPECT_TRUE(List().Player().IsPlaying(List().Model().Item(0))) << key;
        EXPECT_TRUE(w.isVisible());
        Click(RecorderControl::PlaylistStop);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                FakeBackend::ProcessCallbacks();
                return !List().Player().IsPlaying(List().Model().Item(0));
            },
            3000));
    }
    EXPECT_EQ(backend.PlaybackOpenCount(), 2);
}

TEST_F(WindowPlaylistTest, ClosingWhileThePlaylistPlaysAndLoadsLeavesNothingBehind)
{
    QStringList paths;
    for (int i = 0; i < 3; ++i)
        paths << Wave(QString("t%1.wav").arg(i));
    const int threadsBefore = testsupport::ThreadCount();
    RecorderDialog& w = Open();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    List().AddRecording(paths[0], true);
    ASSERT_TRUE(WaitLoaded(0));
    Click(RecorderControl::PlaylistPlay);
    ASSERT_TRUE(List().Player().IsPlaying(List().Model().Item(0)));
    // The loader still has a long way to go when the window closes.
    for (int i = 0; i < 300; ++i)
        List().AddRecording(paths[1 + i % 2], false);

    // The recorder is idle: Escape closes although the playlist plays.
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    Close();
    EXPECT_EQ(backend.PlaybackCloseCount(), backend.PlaybackOpenCount());
    EXPECT_EQ(testsupport::ThreadCount(), threadsBefore);
    EXPECT_TRUE(QDir(temp.path()).entryList({"quillon_temp_*"}, QDir::Files).isEmpty());
    EXPECT_TRUE(QDir(TakesFolder()).entryList({"quillon_temp_*"}, QDir::Files).isEmpty());
    EXPECT_TRUE(QFile::exists(dir.filePath("Quillon.lst"))) << "the changed list is written back";
}

}  // namespace
