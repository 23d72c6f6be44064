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
    QString wave(const QString& name)
    {
        const QString path = dir.filePath(name);
        EXPECT_EQ(
            testsupport::runTool("sox", {"-n", "-r", "8000", "-c", "1", "-b", "16", path, "synth", "1", "sine", "440"})
                .exitCode,
            0);
        return path;
    }
    playlist::PlaylistBox& box() { return window->playlistBox(); }
    playlist::PlaylistPanel& list() { return window->playlistPanel(); }
    bool waitLoaded(int row)
    {
        return QTest::qWaitFor([&] { return list().model().count() > row && list().model().item(row)->isLoaded(); },
                               5000);
    }
};

TEST_F(WindowPlaylistTest, EnterPlaysTheSelectionOnlyFromThePlaylistAndNeverCloses)
{
    const QString path = wave("tone.wav");
    RecorderDialog& w = open();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    list().AddRecording(path, true);
    ASSERT_TRUE(waitLoaded(0));

    // Elsewhere Enter does nothing, with a playlist selection waiting.
    for (int id : {id::FolderEdit, id::DeviceList, id::Record, id::LoopPlaying}) {
        ctl(id)->setFocus();
        QTest::keyClick(ctl(id), Qt::Key_Return);
        EXPECT_EQ(backend.playbackOpenCount(), 0) << id;
        EXPECT_TRUE(w.isVisible()) << id;
    }
    box().setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&box(), key);
        EXPECT_TRUE(list().player().IsPlaying(list().model().item(0))) << key;
        EXPECT_TRUE(w.isVisible());
        click(RecorderControl::PlaylistStop);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                FakeBackend::processCallbacks();
                return !list().player().IsPlaying(list().model().item(0));
            },
            3000));
    }
    EXPECT_EQ(backend.playbackOpenCount(), 2);
}

TEST_F(WindowPlaylistTest, ClosingWhileThePlaylistPlaysAndLoadsLeavesNothingBehind)
{
    QStringList paths;
    for (int i = 0; i < 3; ++i)
        paths << wave(QString("t%1.wav").arg(i));
    const int threadsBefore = testsupport::threadCount();
    RecorderDialog& w = open();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    list().AddRecording(paths[0], true);
    ASSERT_TRUE(waitLoaded(0));
    click(RecorderControl::PlaylistPlay);
    ASSERT_TRUE(list().player().IsPlaying(list().model().item(0)));
    // The loader still has a long way to go when the window closes.
    for (int i = 0; i < 300; ++i)
        list().AddRecording(paths[1 + i % 2], false);

    // The recorder is idle: Escape closes although the playlist plays.
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    close();
    EXPECT_EQ(backend.playbackCloseCount(), backend.playbackOpenCount());
    EXPECT_EQ(testsupport::threadCount(), threadsBefore);
    EXPECT_TRUE(QDir(temp.path()).entryList({"quillon_temp_*"}, QDir::Files).isEmpty());
    EXPECT_TRUE(QDir(takesFolder()).entryList({"quillon_temp_*"}, QDir::Files).isEmpty());
    EXPECT_TRUE(QFile::exists(dir.filePath("Quillon.lst"))) << "the changed list is written back";
}

}  // namespace
