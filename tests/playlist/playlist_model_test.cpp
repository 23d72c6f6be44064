// The playlist model on real files: the loader through the real decoder
// library, removal, relative names and the rows' animated pictures; and list
// files made byte by byte, read into the model and written back by it: every
// layout, damaged files, two instances, failed writes, long paths.

#include "playlist/list_file.h"
#include "playlist/playlist_adder.h"
#include "playlist/playlist_model.h"
#include "resources/strings.h"
#include "support/test_support.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QtEndian>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "panel_fixture.h"

using namespace playlist;
using playlisttest::WaitSettled;

namespace {

QByteArray Le(uint32_t value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char(value >> (8 * i)));
    return out;
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
class ListFixture : public ::testing::Test {
protected:
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

}  // namespace

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
