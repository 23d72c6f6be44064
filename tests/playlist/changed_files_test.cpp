// Listed files that change on disk: rewritten, replaced or only touched
// after their rows were loaded. Real files, the real library and loader,
// the scripted sound card.
#include <gtest/gtest.h>

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/audio/fake_backend.h"
#include "support/scoped_state.h"

#include "panel_fixture.h"

using namespace playlist;
using platform::audio::FakeBackend;
using platform::audio::FakePlaybackStream;
using playlisttest::Panel;
using widgettest::MessageBoxCatcher;
using widgettest::waitUntil;

namespace {

// Moves the file's time on without touching a byte of it.
void touch(const QString& path)
{
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec += 5;
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// A new take written beside the file and renamed over it, as saving does.
void replace(Panel& panel, const QString& path, int rate, int channels, int frames)
{
    const QString fresh = media::makeWave(panel.file("fresh.wav"), rate, channels, 16, frames);
    ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()), 0);
}

// The states a row passes through, as the view is told of them.
struct RowStates : QObject {
    RowStates(PlaylistModel& model, int row)
    {
        connect(&model, &PlaylistModel::dataChanged, this, [&model, row, this](const QModelIndex& from) {
            if (from.row() != row)
                return;
            const PlaylistItem* it = model.item(row);
            seen << (it->isWaiting() ? "waiting" : it->isLoading() ? "loading" : it->isLoaded() ? "loaded" : "failed");
        });
    }
    QStringList seen;
};

struct Card {
    FakeBackend fake;
    testsupport::ScopedBackend scope{fake};
    // The device plays everything it holds until the player closes it.
    void playOut(FakePlaybackStream* device)
    {
        const int closes = fake.playbackCloseCount();
        while (fake.playbackCloseCount() == closes && device->completeNext())
            FakeBackend::processCallbacks();
    }
};

}  // namespace

TEST(ChangedFiles, PlayingARowWhoseFileChangedLoadsItAgainAndPlaysWhatItHoldsNow)
{
    Card card;
    Panel panel;
    const QString path = panel.wave("take.wav", 4410);
    ASSERT_TRUE(panel.add({path}));
    PlaylistItem* item = panel.model().item(0);

    struct Change {
        const char* name;
        std::function<void()> make;
        uint32_t rate, channels, frames;
    };
    const std::vector<Change> changes = {
        {"replaced", [&] { replace(panel, path, 22050, 1, 30000); }, 22050, 1, 30000},
        {"rewritten in place", [&] { media::makeWave(path, 8000, 2, 16, 12000); }, 8000, 2, 12000},
        {"only touched", [&] { touch(path); }, 8000, 2, 12000},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        change.make();
        RowStates states(panel.model(), 0);
        MessageBoxCatcher catcher;
        panel.box->SelectOnly(0);
        const int opened = card.fake.playbackOpenCount();
        panel.list->PlaySelected();
        ASSERT_TRUE(waitUntil([&] { return panel.list->player().IsPlaying(item); }, 20000));
        EXPECT_EQ(catcher.count, 0) << catcher.text.toStdString();
        EXPECT_EQ(states.seen.value(0), "waiting");
        EXPECT_EQ(states.seen.value(states.seen.size() - 1), "loaded");
        EXPECT_EQ(item->length, change.frames);
        EXPECT_EQ(card.fake.playbackOpenCount(), opened + 1);
        FakePlaybackStream* device = card.fake.lastPlaybackStream();
        EXPECT_EQ(device->format(), (platform::audio::PcmFormat{change.rate, 16, uint16_t(change.channels)}));
        const QByteArray now = media::OpenStream(path).decodeAll();
        EXPECT_EQ(device->writtenBytes(), now.left(device->writtenBytes().size()));
        card.playOut(device);
        EXPECT_FALSE(panel.list->player().IsPlaying(item));
    }
    panel.list.reset();
}

TEST(ChangedFiles, AddingARowAgainOrSavingOverItsFileLoadsItAgainOnlyWhenTheFileChanged)
{
    Panel panel;
    const QString a = panel.wave("a.wav", 4410), b = panel.wave("b.wav", 4410);
    const QString missing = panel.file("later.wav");
    panel.chooseFiles({a, b});
    panel.list->AddFiles();
    panel.list->AddRecording(missing, false);
    ASSERT_TRUE(panel.waitLoaded());
    ASSERT_TRUE(panel.model().item(2)->isFailed());

    // Unchanged: the row keeps its stream.
    const ZLDEC_HANDLE before = panel.model().item(0)->stream.handle();
    panel.chooseFiles({a});
    panel.list->AddFiles();
    EXPECT_EQ(panel.model().item(0)->stream.handle(), before);

    // Added again through the dialog, saved over, saved where a row failed.
    replace(panel, a, 44100, 2, 9000);
    panel.chooseFiles({a});
    panel.list->AddFiles();
    replace(panel, b, 44100, 1, 7000);
    panel.list->AddRecording(b, true);
    media::makeWave(missing, 44100, 2, 16, 5000);
    panel.list->AddRecording(missing, true);
    ASSERT_TRUE(panel.waitLoaded());
    EXPECT_EQ(panel.model().count(), 3);
    EXPECT_EQ(panel.model().item(0)->length, 9000u);
    EXPECT_EQ(panel.model().item(1)->length, 7000u);
    ASSERT_NE(panel.model().item(1)->format, nullptr);
    EXPECT_EQ(panel.model().item(1)->format->channels, 1);
    EXPECT_TRUE(panel.model().item(2)->isLoaded());
    EXPECT_EQ(panel.model().item(2)->length, 5000u);
}

TEST(ChangedFiles, AQueueGoesOnThroughAFileRewrittenWhileItWaited)
{
    Card card;
    Panel panel;
    const QString first = panel.wave("first.wav", 2000), second = panel.wave("second.wav", 4410);
    ASSERT_TRUE(panel.add({first, second}));
    PlaylistItem* next = panel.model().item(1);
    panel.select({0, 1});
    panel.list->PlaySelected();
    ASSERT_TRUE(panel.list->player().IsPlaying(panel.model().item(0)));

    replace(panel, second, 11025, 1, 6000);
    MessageBoxCatcher catcher;
    card.playOut(card.fake.lastPlaybackStream());
    ASSERT_TRUE(waitUntil([&] { return panel.list->player().IsPlaying(next); }, 20000)) << "the queue went on";
    EXPECT_EQ(next->length, 6000u);
    EXPECT_EQ(card.fake.lastPlaybackStream()->format(), (platform::audio::PcmFormat{11025, 16, 1}));
    EXPECT_EQ(catcher.count, 0);
    card.playOut(card.fake.lastPlaybackStream());
    EXPECT_TRUE(panel.list->player().queue().isEmpty());
    EXPECT_EQ(panel.status.text(), QStringLiteral("就绪"));
    panel.list.reset();
}
