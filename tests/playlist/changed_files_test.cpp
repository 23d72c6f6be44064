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
using widgettest::WaitUntil;

namespace {

// Moves the file's time on without touching a byte of it.
void Touch(const QString& path)
{
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec += 5;
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
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
