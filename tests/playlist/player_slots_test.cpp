// The playlist player's devices on the fake audio back end: a second one
// while the old one drains, their closing, a broken output, refused plays
// and the player's end.
#include <gtest/gtest.h>

#include <QFile>

#include "player_fixture.h"
#include "resources/strings.h"

using namespace playertest;
namespace audio = platform::audio;
using controls::BitmapSlider;
using playlist::PlaylistPlayer;

namespace {

// A back end whose every device refuses all writes: the server went away
// just after opening it.
class RefusingBackend : public audio::AudioBackend {
public:
    explicit RefusingBackend(FakeBackend& fake)
        : m_fake(fake)
    {
    }
    std::vector<audio::InputDevice> InputDevices() override { return {}; }
    std::unique_ptr<audio::CaptureStream> OpenCapture(int, const audio::PcmFormat&, audio::CaptureCallbacks,
                                                      QString*) override
    {
        return nullptr;
    }
    std::unique_ptr<audio::PlaybackStream> OpenPlayback(const audio::PcmFormat& format,
                                                        audio::PlaybackCallbacks callbacks, QString* error) override
    {
        auto stream = m_fake.OpenPlayback(format, std::move(callbacks), error);
        static_cast<FakePlaybackStream*>(stream.get())->SetWriteFails(true);
        return stream;
    }
    std::unique_ptr<audio::InputMixer> OpenMixer(int, audio::MixerCallbacks) override { return nullptr; }

private:
    FakeBackend& m_fake;
};

}  // namespace

// Stopping resets the old device; while its pieces come back, a new item
// plays on a second device. Ten devices may be open; the eleventh play is
// refused with 390.
TEST_F(PlayerTest, ANewItemWhileTheOldOneDrainsTakesASecondSlotAndTheEleventhIsRefused)
{
    std::vector<PlaylistItem*> list;
    for (int i = 0; i < 11; ++i)
        list.push_back(Wave(QString("item%1").arg(i), 30 * 1536));
    // list[0] ends up drained and closed, so it can be the eleventh play.

    player->PlaySelected({list[0]});
    Play(Device(0), 2);
    player->PlaySelected({list[1]});
    ASSERT_EQ(player->PlaySlots().size(), 2u);
    EXPECT_EQ(Device(0)->ResetCount(), 1);
    EXPECT_EQ(player->PlaySlots()[0].stale, 16);
    EXPECT_EQ(Current().item, list[1]);
    EXPECT_EQ(Device(1)->QueuedBufferCount(), 16);
    EXPECT_EQ(list[0]->queued, 0);

    Deliver();
    EXPECT_EQ(player->PlaySlots().size(), 1u) << "the old device closes once its pieces are back";
    EXPECT_EQ(fake.PlaybackCloseCount(), 1);
    EXPECT_EQ(Current().position, 0u) << "the old pieces do not move the new item";
    EXPECT_EQ(player->Queue().Current(), list[1]) << "a stopped item's drain does not advance the queue";
    EXPECT_EQ(list[1]->queued, 1);
    EXPECT_EQ(Device(0)->WriteCount(), 16) << "the new item is fed by its own pieces only";
    EXPECT_EQ(host.StatusText(), QStringLiteral("正在播放： item1"));

    for (int i = 2; i <= 10; ++i)
        player->PlaySelected({list[size_t(i)]});
    EXPECT_EQ(player->PlaySlots().size(), 10u);
    EXPECT_TRUE(host.errors.empty());
    player->PlaySelected({list[0]});
    EXPECT_EQ(host.errors, std::vector<int>{resources::IDS_PLAY_TOO_MANY});
    EXPECT_EQ(player->PlaySlots().size(), 10u);
    EXPECT_EQ(player->PlayingSlot(), nullptr) << "the play before was stopped";

    Deliver();
    EXPECT_TRUE(player->PlaySlots().empty());
    EXPECT_EQ(fake.PlaybackCloseCount(), 11);
    EXPECT_EQ(player->Pool().KeptCount(), 100u) << "at most a hundred pieces are kept for reuse";
    player->PlaySelected({list[0]});
    EXPECT_EQ(Current().item, list[0]) << "room again once the devices are closed";
}

// A paused item with nothing at the device (a seek while paused took its
// pieces back) is closed by Stop at once; with pieces at the device it
// closes when they are back. Destroying the player with a draining device,
// a paused current one and a queue closes every device; what the devices
// still owed never arrives.
TEST_F(PlayerTest, StopWhilePausedClosesAtOnceWhenNothingIsAtTheDeviceAndDestroyingThePlayerClosesAll)
{
    PlaylistItem* a = Wave("a", 40 * 1536);
    PlaylistItem* b = Wave("b", 40 * 1536);
    player->PlaySelected({a});
    Play(Device(), 2);
    player->TogglePause();
    slider->SetPos(5000);
    player->OnSliderScroll(BitmapSlider::SB_ENDSCROLL);
    Deliver();
    ASSERT_EQ(player->PlaySlots().size(), 1u);
    ASSERT_EQ(Current().inFlight, 0);
    EXPECT_EQ(Device()->WriteCount(), 18) << "nothing fed while paused, not even after a seek";

    player->StopPlaying();
    EXPECT_EQ(fake.PlaybackCloseCount(), 1) << "without waiting for any callback";
    EXPECT_TRUE(player->PlaySlots().empty());
    EXPECT_FALSE(player->IsPaused());
    EXPECT_EQ(host.StatusText(), kReady);
    EXPECT_EQ(slider->GetPos(), 0);
    EXPECT_TRUE(player->Queue().IsEmpty());

    player->PlaySelected({a});
    Play(Device(), 2);
    player->TogglePause();
    player->StopPlaying();
    EXPECT_EQ(player->PlaySlots().size(), 1u) << "sixteen pieces are still at the device";
    EXPECT_EQ(fake.PlaybackCloseCount(), 1);
    Deliver();
    EXPECT_TRUE(player->PlaySlots().empty());
    EXPECT_EQ(fake.PlaybackCloseCount(), 2);
    EXPECT_EQ(Device(), nullptr);

    player->PlaySelected({a});
    Play(Device(0), 1);
    player->PlaySelected({b, a});
    player->TogglePause();
    ASSERT_EQ(player->PlaySlots().size(), 2u);
    ASSERT_EQ(player->PlaySlots()[0].stale, 16);
    ASSERT_EQ(a->queued, 1);
    player.reset();
    EXPECT_EQ(fake.PlaybackCloseCount(), 4);
    EXPECT_TRUE(fake.PlaybackStreams().empty());
    EXPECT_EQ(a->queued, 0);
    EXPECT_EQ(b->queued, 0);
    const int statusCalls = host.statusCalls;
    const int invalidations = host.invalidations;
    Deliver();
    EXPECT_EQ(host.statusCalls, statusCalls);
    EXPECT_EQ(host.invalidations, invalidations);
    EXPECT_EQ(host.StatusText(), kReady);
}

// The output breaks: the item and its queue end and the user is told once;
// the next item does not start. A device the user had already left for
// another item ends without a word.
TEST_F(PlayerTest, AnOutputThatBreaksWhilePlayingEndsTheQueueAndSaysSo)
{
    PlaylistItem* a = Wave("a", 40 * 1536);
    PlaylistItem* b = Wave("b", 40 * 1536);
    player->PlaySelected({a});
    Play(Device(), 2);
    Device()->BreakStream();  // reported, not yet delivered
    player->PlaySelected({b, a});
    Deliver();
    EXPECT_TRUE(host.errors.empty());
    ASSERT_EQ(player->PlaySlots().size(), 1u);
    EXPECT_EQ(Current().item, b);

    Play(Device(), 2);
    Device()->BreakStream();
    Deliver();
    EXPECT_EQ(host.errors, std::vector<int>{resources::IDS_PLAYBACK_DEVICE_LOST});
    EXPECT_EQ(fake.PlaybackOpenCount(), 2) << "a was not started after b";
    ExpectIdle();
}

// Errors are for plays the user asked for; the queue's own next item that
// cannot start simply ends the queue.
TEST_F(PlayerTest, PlayErrorsAreShownForTheUsersPlaysAndAFailingNextItemEndsTheQueue)
{
    PlaylistItem* loaded = Wave("loaded", 2000);
    items.push_back(WaitingItem(dir.filePath("waiting.wav")));
    PlaylistItem* waiting = items.back().get();
    items.push_back(FailedItem(dir.filePath("broken.wav"), 4));
    PlaylistItem* failed = items.back().get();

    player->PlaySelected({});
    player->PlaySelected({waiting, loaded});
    player->PlaySelected({failed});
    fake.SetPlaybackOpenError("Access denied");
    player->PlaySelected({loaded});
    fake.SetPlaybackOpenError({});
    PlaylistItem* gone = Wave("gone", 2000);
    ASSERT_TRUE(QFile::remove(gone->FilePath()));  // decoding reopens the file
    player->PlaySelected({gone});
    // A device that takes no piece (the server went away just after opening
    // it) would never hand one back to end the item: the play fails at once.
    RefusingBackend refusing(fake);
    audio::SetBackendForTesting(&refusing);
    player->PlaySelected({loaded});
    audio::SetBackendForTesting(&fake);
    EXPECT_EQ(host.errors,
              (std::vector<int>{resources::IDS_NOTHING_SELECTED, resources::IDS_PLAY_ITEM_LOADING,
                                resources::IDS_PLAY_ITEM_FAILED, resources::IDS_PLAY_DEVICE_NOT_OPENED,
                                resources::IDS_PLAY_FAILED, resources::IDS_PLAY_FAILED}));
    EXPECT_TRUE(player->PlaySlots().empty());
    EXPECT_TRUE(player->Queue().IsEmpty());
    EXPECT_EQ(fake.PlaybackOpenCount(), 2) << "only the last two plays opened a device";
    EXPECT_EQ(fake.PlaybackCloseCount(), 2);
    EXPECT_EQ(host.StatusText(), QString()) << "nothing ever played";

    host.errors.clear();
    player->PlaySelected({loaded, waiting, failed});
    EXPECT_EQ(waiting->queued, 1);
    PlayToTheEnd();
    EXPECT_TRUE(host.errors.empty());
    ExpectIdle();
}
