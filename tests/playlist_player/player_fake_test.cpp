// The playlist player on the fake audio back end, piece by piece: what
// reaches each device, when devices open and close, and what the slider,
// the position text and the status line show, for items made from real files.
#include <gtest/gtest.h>

#include <QFile>
#include <QTest>

#include "../zldecoder/media.h"
#include "platform/audio/fake_backend.h"
#include "support/scoped_state.h"
#include "player_fixture.h"
#include "playlist/position_text.h"

using namespace playertest;
using controls::BitmapSlider;
using platform::audio::FakeBackend;
using platform::audio::FakePlaybackStream;
using playlist::PlaylistPlayer;

namespace {

constexpr int kPiece = 6144;
const QString kReady = QStringLiteral("就绪");

// The fake back end, but every device it opens refuses all writes.
class RefusingBackend : public platform::audio::AudioBackend {
public:
    explicit RefusingBackend(FakeBackend& fake)
        : m_fake(fake)
    {
    }
    std::vector<platform::audio::InputDevice> inputDevices() override { return m_fake.inputDevices(); }
    std::unique_ptr<platform::audio::CaptureStream> openCapture(int device, const platform::audio::PcmFormat& format,
                                                                platform::audio::CaptureCallbacks callbacks,
                                                                QString* error) override
    {
        return m_fake.openCapture(device, format, std::move(callbacks), error);
    }
    std::unique_ptr<platform::audio::PlaybackStream> openPlayback(const platform::audio::PcmFormat& format,
                                                                  platform::audio::PlaybackCallbacks callbacks,
                                                                  QString* error) override
    {
        auto stream = m_fake.openPlayback(format, std::move(callbacks), error);
        if (stream)
            static_cast<FakePlaybackStream*>(stream.get())->setWriteFails(true);
        return stream;
    }
    std::unique_ptr<platform::audio::InputMixer> openMixer(int device,
                                                           platform::audio::MixerCallbacks callbacks) override
    {
        return m_fake.openMixer(device, std::move(callbacks));
    }

private:
    FakeBackend& m_fake;
};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        slider->LoadBitmaps(137, 134, 135, 138);
        slider->setGeometry(0, 0, 217, 12);
        window.show();
        player = std::make_unique<PlaylistPlayer>(host);
        player->SetSlider(slider);
        player->SetPositionText(positionText);
    }

    // A WAVE file of noise, `frames` long, loaded as an item.
    PlaylistItem* Wave(const QString& name, int frames, int rate = 44100, int channels = 2, int bits = 16)
    {
        // 8-bit WAVE is unsigned; signed 8-bit would be widened to 16 bits.
        const QString path = media::makeWave(dir.filePath(name + ".wav"), rate, channels, bits, frames,
                                             bits == 8 ? "unsigned-integer" : "signed-integer");
        items.push_back(LoadedItem(path));
        return items.back().get();
    }
    static void Deliver() { FakeBackend::processCallbacks(); }
    // The device plays its `n` oldest pieces.
    static void Play(FakePlaybackStream* device, int n = 1)
    {
        for (int i = 0; i < n && device->completeNext(); ++i)
            Deliver();
    }
    // Plays the current device until the item ends (or `limit` pieces).
    void PlayToTheEnd(int limit = 100000)
    {
        for (int i = 0; i < limit && fake.lastPlaybackStream(); ++i)
            if (!fake.lastPlaybackStream()->completeNext())
                break;
            else
                Deliver();
    }
    // What a device received, taken before the player closes (and frees) it.
    struct Heard {
        QByteArray played;
        QByteArray written;
        int writes = 0;
    };
    // Plays the device's pieces one by one until the player closes it.
    Heard PlayOut(FakePlaybackStream* device)
    {
        Heard heard;
        const int closes = fake.playbackCloseCount();
        while (device->completeNext()) {
            heard = {device->playedBytes(), device->writtenBytes(), device->writeCount()};
            Deliver();
            if (fake.playbackCloseCount() != closes)
                break;
        }
        return heard;
    }
    FakePlaybackStream* Device(size_t i = 0) const
    {
        const auto all = fake.playbackStreams();
        return i < all.size() ? all[i] : nullptr;
    }
    const playlist::PlaySlot& Current() const { return *player->currentSlot(); }
    // Nothing plays or waits: every device closed, no item queued, the texts cleared.
    void ExpectIdle()
    {
        EXPECT_TRUE(player->playSlots().empty());
        EXPECT_TRUE(player->queue().isEmpty());
        EXPECT_EQ(fake.playbackCloseCount(), fake.playbackOpenCount());
        EXPECT_EQ(host.statusText(), kReady);
        EXPECT_EQ(positionText->text(), QString());
        for (const auto& item : items)
            EXPECT_EQ(item->queued, 0) << item->filePath().toStdString();
    }

    FakeBackend fake;
    testsupport::ScopedBackend scope{fake};
    QTemporaryDir dir;
    TestHost host;
    std::vector<std::unique_ptr<PlaylistItem>> items;  // outlive the player
    QWidget window;
    BitmapSlider* slider = new BitmapSlider(&window);
    QLabel* positionText = new QLabel(&window);
    std::unique_ptr<PlaylistPlayer> player;
};

}  // namespace

// Formats whose frames are 1, 2 and 4 bytes: about half a second waits at
// the device, sixteen whole pieces of CD audio, four shorter ones at low rates.
TEST_F(PlayerTest, AnItemIsFedHalfASecondAheadAndDecodedOnlyAsPiecesComeBack)
{
    struct Case {
        int rate, channels, bits, piece, pieces;
    };
    for (const Case c : {Case{44100, 2, 16, kPiece, 16}, Case{22050, 1, 8, 3087, 4}, Case{8000, 1, 16, 2240, 4}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz " << c.channels << " ch " << c.bits << " bit");
        const int frameBytes = c.channels * c.bits / 8;
        const int frames = 20 * kPiece / frameBytes + 100;
        PlaylistItem* item = Wave(QString("long%1").arg(c.rate), frames, c.rate, c.channels, c.bits);
        const QByteArray pcm = DecodedPcm(item->filePath());
        ASSERT_EQ(pcm.size(), qsizetype(frames) * frameBytes);

        player->PlaySelected({item});
        FakePlaybackStream* device = fake.lastPlaybackStream();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->format(),
                  (platform::audio::PcmFormat{uint32_t(c.rate), uint16_t(c.bits), uint16_t(c.channels)}));
        EXPECT_EQ(device->queuedBufferCount(), c.pieces);
        EXPECT_EQ(device->writtenBytes(), pcm.left(c.pieces * c.piece));
        EXPECT_EQ(slider->GetMax(), frames);
        EXPECT_EQ(host.statusText(), QStringLiteral("正在播放： long%1").arg(c.rate));

        Play(device, 3);
        EXPECT_EQ(device->writeCount(), c.pieces + 3) << "one new piece for each one back";
        EXPECT_EQ(device->queuedBufferCount(), c.pieces);
        EXPECT_EQ(Current().position, uint32_t(3 * c.piece / frameBytes));
        EXPECT_EQ(slider->GetPos(), 3 * c.piece / frameBytes);
        EXPECT_EQ(positionText->text(), playlist::FormatPositionText(3 * c.piece / frameBytes, frames, c.rate));

        const Heard heard = PlayOut(device);
        EXPECT_EQ(heard.played, pcm) << "every frame once, in order";
        EXPECT_EQ(heard.written, pcm);
        EXPECT_EQ(heard.writes, (pcm.size() + c.piece - 1) / c.piece);
        ExpectIdle();
    }
    EXPECT_TRUE(host.errors.empty());
    EXPECT_EQ(player->pool().keptCount(), 17u) << "pieces are reused, not piled up";
}

// Shorter than a piece: one piece, no pause possible (it is all at the
// device), and the end closes the device and clears the texts.
TEST_F(PlayerTest, AnItemShorterThanOnePiecePlaysInOnePieceAndCannotBePausedAtItsEnd)
{
    PlaylistItem* item = Wave("short", 1000);
    player->PlaySelected({item});
    FakePlaybackStream* device = fake.lastPlaybackStream();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->queuedBufferCount(), 1);
    EXPECT_EQ(device->writtenBytes(), DecodedPcm(item->filePath()));
    EXPECT_EQ(item->queued, 1);

    player->TogglePause();
    EXPECT_FALSE(player->isPaused()) << "everything is queued already: pausing at the end does nothing";

    Play(device);
    EXPECT_EQ(slider->GetPos(), 1000);
    ExpectIdle();
}

// The loop box is read at each item's end: on, the selection repeats; turned
// off, the queue ends after the item that plays and the status says ready.
TEST_F(PlayerTest, WithLoopTwoItemsAlternateAndWithoutItTheQueueEndsAfterTheLast)
{
    PlaylistItem* a = Wave("a", 3000);
    PlaylistItem* b = Wave("b", 5000);
    const QByteArray pcmA = DecodedPcm(a->filePath());
    const QByteArray pcmB = DecodedPcm(b->filePath());

    host.loop = true;
    player->PlaySelected({a, b});
    for (int turn = 0; turn < 3; ++turn) {
        for (PlaylistItem* expected : {a, b}) {
            SCOPED_TRACE(testing::Message() << "turn " << turn << " item " << expected->filePath().toStdString());
            ASSERT_EQ(player->playSlots().size(), 1u);
            EXPECT_EQ(Current().item, expected);
            EXPECT_EQ(host.statusText(),
                      QStringLiteral("正在播放： ") + QFileInfo(expected->filePath()).completeBaseName());
            EXPECT_EQ(a->queued, 1);
            EXPECT_EQ(b->queued, 1);
            FakePlaybackStream* device = fake.lastPlaybackStream();
            EXPECT_EQ(device->writtenBytes(), expected == a ? pcmA : pcmB);
            Play(device, device->queuedBufferCount());
        }
    }
    EXPECT_EQ(fake.playbackOpenCount(), 7);

    host.loop = false;  // a plays now; after it b, then the end
    EXPECT_EQ(Current().item, a);
    PlayToTheEnd();
    EXPECT_EQ(fake.playbackOpenCount(), 8);
    ExpectIdle();
    EXPECT_TRUE(host.errors.empty());

    // Without loop from the start: a then b once.
    player->PlaySelected({a, b});
    Play(fake.lastPlaybackStream(), 2);
    EXPECT_EQ(a->queued, 0) << "a is done and leaves the queue";
    EXPECT_EQ(Current().item, b);
    PlayToTheEnd();
    EXPECT_EQ(fake.playbackOpenCount(), 10);
    ExpectIdle();
}

// Pause silences the device at once: what waits there stays, nothing is
// fed, and resuming plays on from the first frame not yet played.
TEST_F(PlayerTest, PauseAndResumeLoseAndRepeatNothing)
{
    PlaylistItem* item = Wave("long", 40 * kPiece / 4);
    const QByteArray pcm = DecodedPcm(item->filePath());
    player->PlaySelected({item});
    FakePlaybackStream* device = fake.lastPlaybackStream();
    Play(device, 3);

    player->TogglePause();
    ASSERT_TRUE(player->isPaused());
    EXPECT_TRUE(device->isPaused());
    Play(device, 16);
    EXPECT_EQ(device->playedBytes(), pcm.left(3 * kPiece)) << "a paused device plays nothing";
    EXPECT_EQ(device->writeCount(), 19) << "nothing fed while paused";
    EXPECT_EQ(device->queuedBufferCount(), 16);
    ASSERT_EQ(player->playSlots().size(), 1u);
    EXPECT_EQ(Current().position, uint32_t(3 * kPiece / 4));

    player->TogglePause();
    EXPECT_FALSE(player->isPaused());
    EXPECT_FALSE(device->isPaused());
    EXPECT_EQ(device->queuedBufferCount(), 16);
    EXPECT_EQ(PlayOut(device).played, pcm);
    EXPECT_EQ(host.statusText(), kReady);
}

// The slider is left alone while dragged; at the release the device is reset,
// the pieces from before come back without moving anything, and everything
// played afterwards starts at the slider's position.
TEST_F(PlayerTest, ASeekAtTheReleasePlaysFromTheSliderPositionAndNothingFromBefore)
{
    const int frames = 200000;  // 4.5 s
    PlaylistItem* item = Wave("seek", frames);
    const QByteArray pcm = DecodedPcm(item->filePath());
    player->PlaySelected({item});
    FakePlaybackStream* device = fake.lastPlaybackStream();
    Play(device, 2);
    const int before = slider->GetPos();
    ASSERT_EQ(before, 2 * 1536);

    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(150, 6));
    EXPECT_TRUE(player->isDragging());
    const int dragged = slider->GetPos();
    EXPECT_NE(dragged, before);
    const QString textWhileDragging = positionText->text();
    Play(device, 2);
    EXPECT_EQ(slider->GetPos(), dragged) << "the thumb stays under the mouse";
    EXPECT_EQ(positionText->text(), textWhileDragging);

    const qsizetype playedBeforeSeek = device->playedBytes().size();
    const qsizetype writtenBeforeSeek = device->writtenBytes().size();
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(150, 6));
    const uint32_t target = uint32_t(slider->GetPos());
    EXPECT_FALSE(player->isDragging());
    EXPECT_EQ(device->resetCount(), 1);
    EXPECT_EQ(positionText->text(), playlist::FormatPositionText(target, frames, 44100));
    EXPECT_EQ(Current().stale, 16);

    Deliver();  // the sixteen stale pieces come back and make room
    EXPECT_EQ(Current().stale, 0);
    EXPECT_EQ(Current().position, target) << "stale pieces move nothing";
    EXPECT_EQ(device->writtenBytes().mid(writtenBeforeSeek), pcm.mid(qsizetype(target) * 4, 16 * kPiece));
    EXPECT_EQ(positionText->text(), playlist::FormatPositionText(target, frames, 44100));

    Play(device);
    EXPECT_EQ(slider->GetPos(), int(target) + 1536) << "the first fresh piece moves the slider on";
    EXPECT_EQ(PlayOut(device).played.mid(playedBeforeSeek), pcm.mid(qsizetype(target) * 4));
}

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
    ASSERT_EQ(player->playSlots().size(), 2u);
    EXPECT_EQ(Device(0)->resetCount(), 1);
    EXPECT_EQ(player->playSlots()[0].stale, 16);
    EXPECT_EQ(Current().item, list[1]);
    EXPECT_EQ(Device(1)->queuedBufferCount(), 16);
    EXPECT_EQ(list[0]->queued, 0);

    Deliver();
    EXPECT_EQ(player->playSlots().size(), 1u) << "the old device closes once its pieces are back";
    EXPECT_EQ(fake.playbackCloseCount(), 1);
    EXPECT_EQ(Current().position, 0u) << "the old pieces do not move the new item";
    EXPECT_EQ(player->queue().Current(), list[1]) << "a stopped item's drain does not advance the queue";
    EXPECT_EQ(list[1]->queued, 1);
    EXPECT_EQ(Device(0)->writeCount(), 16) << "the new item is fed by its own pieces only";
    EXPECT_EQ(host.statusText(), QStringLiteral("正在播放： item1"));

    for (int i = 2; i <= 10; ++i)
        player->PlaySelected({list[size_t(i)]});
    EXPECT_EQ(player->playSlots().size(), 10u);
    EXPECT_TRUE(host.errors.empty());
    player->PlaySelected({list[0]});
    EXPECT_EQ(host.errors, std::vector<int>{390});
    EXPECT_EQ(player->playSlots().size(), 10u);
    EXPECT_EQ(player->currentSlot(), nullptr) << "the play before was stopped";

    Deliver();
    EXPECT_TRUE(player->playSlots().empty());
    EXPECT_EQ(fake.playbackCloseCount(), 11);
    player->PlaySelected({list[0]});
    EXPECT_EQ(Current().item, list[0]) << "room again once the devices are closed";
}

// A paused item with nothing at the device (a seek while paused took its
// pieces back) is closed by Stop at once; with pieces at the device it
// closes when they are back.
TEST_F(PlayerTest, StopWhilePausedClosesAtOnceWhenNothingIsAtTheDevice)
{
    PlaylistItem* item = Wave("long", 40 * 1536);
    player->PlaySelected({item});
    Play(Device(), 2);
    player->TogglePause();
    slider->SetPos(5000);
    player->OnSliderScroll(BitmapSlider::SB_ENDSCROLL);
    Deliver();
    ASSERT_EQ(player->playSlots().size(), 1u);
    ASSERT_EQ(Current().inFlight, 0);
    EXPECT_EQ(Device()->writeCount(), 18) << "nothing fed while paused, not even after a seek";

    player->StopPlaying();
    EXPECT_EQ(fake.playbackCloseCount(), 1) << "without waiting for any callback";
    EXPECT_TRUE(player->playSlots().empty());
    EXPECT_FALSE(player->isPaused());
    EXPECT_EQ(host.statusText(), kReady);
    EXPECT_EQ(slider->GetPos(), 0);
    EXPECT_TRUE(player->queue().isEmpty());

    player->PlaySelected({item});
    Play(Device(), 2);
    player->TogglePause();
    player->StopPlaying();
    EXPECT_EQ(player->playSlots().size(), 1u) << "sixteen pieces are still at the device";
    EXPECT_EQ(fake.playbackCloseCount(), 1);
    Deliver();
    EXPECT_TRUE(player->playSlots().empty());
    EXPECT_EQ(fake.playbackCloseCount(), 2);
    EXPECT_EQ(Device(), nullptr);
}

// The sound server goes away: the item and its queue end, the user is told
// once, and the next item does not start. A device the user had already
// left for another item ends without a word.
TEST_F(PlayerTest, AnOutputThatBreaksWhilePlayingEndsTheQueueAndSaysSo)
{
    PlaylistItem* a = Wave("a", 40 * 1536);
    PlaylistItem* b = Wave("b", 40 * 1536);
    player->PlaySelected({a, b});
    Play(Device(), 2);
    Device()->breakStream();
    Deliver();
    EXPECT_EQ(host.errors, std::vector<int>{PlaylistPlayer::IDS_OUTPUT_LOST});
    EXPECT_EQ(fake.playbackOpenCount(), 1) << "b was not started";
    ExpectIdle();

    host.errors.clear();
    player->PlaySelected({a});
    Play(Device(), 2);
    Device()->breakStream();  // reported, not yet delivered
    player->PlaySelected({b});
    Deliver();
    EXPECT_TRUE(host.errors.empty());
    ASSERT_EQ(player->playSlots().size(), 1u);
    EXPECT_EQ(Current().item, b);
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
    fake.setPlaybackOpenError("Access denied");
    player->PlaySelected({loaded});
    fake.setPlaybackOpenError({});
    PlaylistItem* gone = Wave("gone", 2000);
    ASSERT_TRUE(QFile::remove(gone->filePath()));  // decoding reopens the file
    player->PlaySelected({gone});
    // A device that takes no piece (the server went away just after opening
    // it) would never hand one back to end the item: the play fails at once.
    RefusingBackend refusing(fake);
    platform::audio::setBackendForTesting(&refusing);
    player->PlaySelected({loaded});
    platform::audio::setBackendForTesting(&fake);
    EXPECT_EQ(host.errors, (std::vector<int>{393, 388, 389, 391, 392, 392}));
    EXPECT_TRUE(player->playSlots().empty());
    EXPECT_TRUE(player->queue().isEmpty());
    EXPECT_EQ(fake.playbackOpenCount(), 2) << "only the last two plays opened a device";
    EXPECT_EQ(fake.playbackCloseCount(), 2);
    EXPECT_EQ(host.statusText(), QString()) << "nothing ever played";

    host.errors.clear();
    player->PlaySelected({loaded, waiting, failed});
    EXPECT_EQ(waiting->queued, 1);
    PlayToTheEnd();
    EXPECT_TRUE(host.errors.empty());
    ExpectIdle();
}

// Destroying the player with a draining device, a paused current one and a
// queue closes every device; what the devices still owed never arrives.
TEST_F(PlayerTest, DestroyingThePlayerClosesEveryDeviceAndNothingCallsBack)
{
    PlaylistItem* a = Wave("a", 40 * 1536);
    PlaylistItem* b = Wave("b", 40 * 1536);
    player->PlaySelected({a});
    Play(Device(0), 1);
    player->PlaySelected({b, a});
    player->TogglePause();
    ASSERT_EQ(player->playSlots().size(), 2u);
    ASSERT_EQ(player->playSlots()[0].stale, 16);
    ASSERT_EQ(a->queued, 1);

    player.reset();
    EXPECT_EQ(fake.playbackCloseCount(), 2);
    EXPECT_TRUE(fake.playbackStreams().empty());
    EXPECT_EQ(a->queued, 0);
    EXPECT_EQ(b->queued, 0);
    const int statusCalls = host.statusCalls;
    const int invalidations = host.invalidations;
    Deliver();
    EXPECT_EQ(host.statusCalls, statusCalls);
    EXPECT_EQ(host.invalidations, invalidations);
    EXPECT_EQ(host.statusText(), kReady);
}
