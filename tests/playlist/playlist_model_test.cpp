// The playlist model on real files: the loader through the real decoder
// library, removal, relative names and the rows' animated pictures.

#include "playlist/playlist_adder.h"
#include "playlist/playlist_model.h"
#include "resources/strings.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A row whose file carries several pictures moves on in the model, and views
// learn of each frame; a list without such rows does not keep a timer going.
TEST_F(LoadFixture, AnimatedPicturesMoveOnAFrameAtATimeAndSaySoAndOnlyWhileARowHasThem)
{
    QTemporaryDir listFolder;
    PlaylistModel model;
    model.Initialize(listFolder.filePath("Quillon.lst"));
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
