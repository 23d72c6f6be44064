// The playlist model on real files: the loader through the real decoder
// library, removal, a full list and the rows' animated pictures.

#include "playlist/playlist_adder.h"
#include "playlist/playlist_model.h"
#include "resources/strings.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "panel_fixture.h"

using namespace playlist;
using playlisttest::WaitSettled;

namespace {

class LoadFixture : public ::testing::Test {
protected:
    QString Wave(const QString& name, int frames, int rate = 22050, int channels = 2)
    {
        return media::MakeWave(m_dir.filePath(name), rate, channels, 16, frames);
    }
    QTemporaryDir m_dir;
};

}  // namespace

TEST(PlaylistModel, AFullListTakesNoMore)
{
    PlaylistModel model;
    for (int i = 0; i < 4999; ++i)
        ASSERT_EQ(model.AddItem(QString("/nowhere/%1.wav").arg(i)), unsigned(i));
    PlaylistAdder adder(model, {});
    EXPECT_EQ(adder.AddRecording("/nowhere/last.wav").first, 4999);
    EXPECT_EQ(model.AddItem("/nowhere/0.wav"), 0u);  // present: found even when full
    // A recording is saved all the same: the full list leaves it out without a word.
    const auto over = adder.AddRecording("/nowhere/recording.wav");
    EXPECT_EQ(over.first, -1);
    EXPECT_EQ(over.listFull, 0);
    EXPECT_EQ(model.Count(), 5000);
}

TEST_F(LoadFixture, ItemsPassWaitingLoadingAndLoadedInTheOrderOfAdding)
{
    const QString a = Wave("a.wav", 11025), b = Wave("b.wav", 22050, 44100, 1);
    const QString c = media::MakeMp3(Wave("c-source.wav", 44100, 44100), m_dir.filePath("c.mp3"), {"-b", "128"});
    const QString missing = m_dir.filePath("missing.wav"), empty = m_dir.filePath("empty.wav");
    ASSERT_TRUE(testsupport::WriteFile(empty, {}));

    PlaylistModel model;
    // What a view sees, row by row: the state text each change shows.
    QStringList seen;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&](const QModelIndex& first, const QModelIndex&) {
        const PlaylistItem* it = model.Item(first.row());
        seen << QString("%1:%2").arg(first.row()).arg(it->IsLoaded() ? "loaded" : PlaylistModel::StateText(*it));
    });
    for (const QString& path : {a, b, c, missing, empty})
        model.AddItem(path);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(model.Item(i)->IsWaiting());
        EXPECT_EQ(PlaylistModel::StateText(*model.Item(i)), resources::Text(resources::IDS_LOAD_WAITING));
        EXPECT_EQ(model.Item(i)->imageCount, 1);
        EXPECT_EQ(model.Item(i)->images.constFirst(), PlaylistModel::LoadingImages().constFirst());
    }
    ASSERT_TRUE(WaitSettled(model));

    const QString loading = resources::Text(resources::IDS_LOAD_LOADING);
    EXPECT_EQ(seen,
              (QStringList{"0:" + loading, "0:loaded", "1:" + loading, "1:loaded", "2:" + loading, "2:loaded",
                           "3:" + loading, "3:" + resources::Text(resources::IDS_LOAD_FILE_MISSING), "4:" + loading,
                           "4:" + resources::Text(resources::IDS_LOAD_FAILED)}));
    const PlaylistItem* first = model.Item(0);
    EXPECT_EQ(first->length, 11025u);
    ASSERT_NE(first->format, nullptr);
    EXPECT_EQ(first->format->channels, 2);
    EXPECT_EQ(first->format->samplesPerSec, 22050u);
    EXPECT_EQ(first->images, PlaylistModel::DefaultImages());
    EXPECT_EQ(first->imageWidth, 30);
    EXPECT_EQ(model.Item(1)->format->samplesPerSec, 44100u);
    EXPECT_EQ(model.Item(2)->length, 44100u);
    EXPECT_EQ(model.Item(3)->images, PlaylistModel::FailedImages());
    EXPECT_EQ(model.Item(3)->length, ZLDEC_ERR_NO_FILE);
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

    // A loaded item goes with its file when asked to.
    ASSERT_TRUE(model.Item(5)->IsLoaded());
    model.RemoveItem(5, true);
    EXPECT_FALSE(QFile::exists(paths[6]));
    model.RemoveItem(5, false);
    EXPECT_TRUE(QFile::exists(paths[7]));
    EXPECT_TRUE(model.ListModified());
    // Gone from the list, a path can come again as a new item.
    EXPECT_EQ(model.AddItem(paths[7]), 36u);
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

// An animated row moves on in the model, and views learn of each frame.
TEST_F(LoadFixture, AnimatedPicturesMoveOnAFrameAtATimeAndSaySo)
{
    QTemporaryDir listFolder;
    PlaylistModel model;
    model.Initialize(listFolder.filePath("Quillon.lst"));
    model.AddItem(m_dir.filePath("missing.wav"));
    model.AddItem(m_dir.filePath("also-missing.wav"));
    ASSERT_TRUE(WaitSettled(model));
    PlaylistItem* animated = model.Item(1);
    animated->images = PlaylistModel::LoadingImages();
    animated->imageCount = uint8_t(animated->images.size());
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    const QModelIndex row = model.index(1);
    ASSERT_EQ(row.data(PlaylistModel::PictureRole).value<QImage>(), animated->images[0]);
    ASSERT_TRUE(changed.wait(2 * PlaylistModel::kAnimationMs));
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 1) << "the still row is left alone";
    EXPECT_TRUE(changed[0][2].value<QList<int>>().contains(PlaylistModel::PictureRole));
    EXPECT_EQ(row.data(PlaylistModel::PictureRole).value<QImage>(), animated->images[1]);
}
