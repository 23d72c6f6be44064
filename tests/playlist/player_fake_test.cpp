// The playlist player on the fake audio back end, piece by piece: what
// reaches each device and what the slider, the position text and the status
// line show while items play, loop, pause and seek, for items made from real
// files; a second device while the old one drains, their closing, a broken
// output, refused plays and the player's end. Also the small parts its own
// tests cannot reach: the position text's hours and the play queue's removals.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "controls/bitmap_slider.h"
#include "decoder/decoder_stream.h"
#include "platform/audio/fake_backend.h"
#include "playlist/play_queue.h"
#include "playlist/playlist_item.h"
#include "playlist/playlist_player.h"
#include "playlist/position_text.h"
#include "playlist/status_line.h"
#include "resources/strings.h"
#include "support/scoped_state.h"
#include "zldecoder/media.h"

using platform::audio::FakeBackend;
using platform::audio::FakePlaybackStream;
using playlist::FormatPositionText;
using playlist::PlaylistItem;
namespace audio = platform::audio;
using controls::BitmapSlider;

namespace {

struct TestHost : playlist::PlayerHost {
    TestHost() { status.SetWindow(&statusLabel); }

    bool IsLoopPlaying() const override { return loop; }
    void ShowStatus(const QString& title) override
    {
        ++statusCalls;
        status.ShowStatus(title);
    }
    void ShowPlayError(resources::StringId stringId) override { errors.push_back(stringId); }
    void InvalidateList() override { ++invalidations; }
    QString ItemTitle(const PlaylistItem& item) const override { return QFileInfo(item.FilePath()).completeBaseName(); }
    // Items here are not the list's: they never change and are never reloaded.
    bool FileChanged(const PlaylistItem&) const override { return false; }
    bool ReloadItem(PlaylistItem&) override { return false; }

    QString StatusText() const { return statusLabel.text(); }

    bool loop = false;
    std::vector<int> errors;
    int invalidations = 0;
    int statusCalls = 0;

    QLabel statusLabel;
    playlist::StatusLine status;
};

// Items as the loader leaves them: waiting, loaded (with an open stream) or failed.
std::unique_ptr<PlaylistItem> WaitingItem(const QString& path)
{
    auto item = std::make_unique<PlaylistItem>();
    item->path = QFile::encodeName(path).toStdString();
    return item;
}
std::unique_ptr<PlaylistItem> LoadedItem(const QString& path)
{
    auto item = WaitingItem(path);
    EXPECT_EQ(item->stream.Open(path), 0u) << path.toStdString();
    item->length = item->stream.Length();
    item->format = item->stream.Format();
    EXPECT_GT(item->length, 0u);
    EXPECT_NE(item->format, nullptr);
    return item;
}
std::unique_ptr<PlaylistItem> FailedItem(const QString& path, uint32_t code)
{
    auto item = WaitingItem(path);
    item->length = code;
    return item;
}

// The whole item decoded afresh: what the device must receive.
QByteArray DecodedPcm(const QString& path) { return media::OpenStream(path).DecodeAll(); }

constexpr int kPiece = 6144;
const QString kReady = QStringLiteral("就绪");

// A player with its slider, position text and host on the fake back end.
struct PlayerTest : ::testing::Test {
    void SetUp() override
    {
        slider->LoadBitmaps(137, 134, 135, 138);
        slider->setGeometry(0, 0, 217, 12);
        window.show();
        player = std::make_unique<playlist::PlaylistPlayer>(host);
        player->SetSlider(slider);
        player->SetPositionText(positionText);
    }

    // A WAVE file of noise, `frames` long, loaded as an item.
    PlaylistItem* Wave(const QString& name, int frames, int rate = 44100, int channels = 2, int bits = 16)
    {
        // 8-bit WAVE is unsigned; signed 8-bit would be widened to 16 bits.
        const QString path = media::MakeWave(dir.filePath(name + ".wav"), rate, channels, bits, frames,
                                             bits == 8 ? "unsigned-integer" : "signed-integer");
        items.push_back(LoadedItem(path));
        return items.back().get();
    }
    static void Deliver() { FakeBackend::ProcessCallbacks(); }
    // The device plays its `n` oldest pieces.
    static void Play(FakePlaybackStream* device, int n = 1)
    {
        for (int i = 0; i < n && device->CompleteNext(); ++i)
            Deliver();
    }
    // Plays the current device until the item ends (or `limit` pieces).
    void PlayToTheEnd(int limit = 100000)
    {
        for (int i = 0; i < limit && fake.LastPlaybackStream(); ++i)
            if (!fake.LastPlaybackStream()->CompleteNext())
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
        const int closes = fake.PlaybackCloseCount();
        while (device->CompleteNext()) {
            heard = {device->PlayedBytes(), device->WrittenBytes(), device->WriteCount()};
            Deliver();
            if (fake.PlaybackCloseCount() != closes)
                break;
        }
        return heard;
    }
    FakePlaybackStream* Device(size_t i = 0) const
    {
        const auto all = fake.PlaybackStreams();
        return i < all.size() ? all[i] : nullptr;
    }
    const playlist::PlaySlot& Current() const { return *player->PlayingSlot(); }
    // Nothing plays or waits: every device closed, no item queued, the texts cleared.
    void ExpectIdle()
    {
        EXPECT_TRUE(player->PlaySlots().empty());
        EXPECT_TRUE(player->Queue().IsEmpty());
        EXPECT_EQ(fake.PlaybackCloseCount(), fake.PlaybackOpenCount());
        EXPECT_EQ(host.StatusText(), kReady);
        EXPECT_EQ(positionText->text(), QString());
        for (const auto& item : items)
            EXPECT_EQ(item->queued, 0) << item->FilePath().toStdString();
    }

    FakeBackend fake;
    testsupport::ScopedBackend scope{fake};
    QTemporaryDir dir;
    TestHost host;
    std::vector<std::unique_ptr<PlaylistItem>> items;  // outlive the player
    QWidget window;
    controls::BitmapSlider* slider = new controls::BitmapSlider(&window);
    QLabel* positionText = new QLabel(&window);
    std::unique_ptr<playlist::PlaylistPlayer> player;
};

// 8-bit mono WAVE whose data chunk announces `frames` bytes, sparse on disk.
QString SparseWave(const QString& path, uint32_t frames)
{
    QFile file(media::MakeWave(path, 44100, 1, 8, 1, "unsigned-integer"));
    EXPECT_TRUE(file.open(QIODevice::ReadWrite));
    for (const auto& [at, size] : {std::pair{4, 36 + frames}, std::pair{40, frames}}) {
        const quint32 bytes = qToLittleEndian(size);
        EXPECT_TRUE(file.seek(at) && file.write(reinterpret_cast<const char*>(&bytes), 4) == 4);
    }
    EXPECT_TRUE(file.resize(44 + qint64(frames)));
    return path;
}

// A back end whose every device refuses all writes: the server went away
// just after opening it.
struct RefusingBackend : audio::AudioBackend {
    std::vector<audio::InputDevice> InputDevices() override { return {}; }
    std::unique_ptr<audio::CaptureStream> OpenCapture(int, const audio::PcmFormat&, audio::CaptureCallbacks,
                                                      QString*) override
    {
        return nullptr;
    }
    std::unique_ptr<audio::PlaybackStream> OpenPlayback(const audio::PcmFormat& format,
                                                        audio::PlaybackCallbacks callbacks, QString* error) override
    {
        auto stream = fake->OpenPlayback(format, std::move(callbacks), error);
        static_cast<FakePlaybackStream*>(stream.get())->SetWriteFails(true);
        return stream;
    }
    std::unique_ptr<audio::InputMixer> OpenMixer(int, audio::MixerCallbacks) override { return nullptr; }

    FakeBackend* fake = nullptr;  // that opens the devices
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
        // A title that looks like a format is shown as it is.
        PlaylistItem* item = Wave(QString("%1% of %s").arg(c.rate), frames, c.rate, c.channels, c.bits);
        const QByteArray pcm = DecodedPcm(item->FilePath());
        ASSERT_EQ(pcm.size(), qsizetype(frames) * frameBytes);

        player->PlaySelected({item});
        FakePlaybackStream* device = fake.LastPlaybackStream();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->Format(),
                  (platform::audio::PcmFormat{uint32_t(c.rate), uint16_t(c.bits), uint16_t(c.channels)}));
        EXPECT_EQ(device->QueuedBufferCount(), c.pieces);
        EXPECT_EQ(device->WrittenBytes(), pcm.left(c.pieces * c.piece));
        EXPECT_EQ(slider->GetMax(), frames);
        EXPECT_EQ(host.StatusText(), QStringLiteral("正在播放： %1% of %s").arg(c.rate));

        Play(device, 3);
        EXPECT_EQ(device->WriteCount(), c.pieces + 3) << "one new piece for each one back";
        EXPECT_EQ(device->QueuedBufferCount(), c.pieces);
        EXPECT_EQ(Current().position, uint32_t(3 * c.piece / frameBytes));
        EXPECT_EQ(slider->GetPos(), 3 * c.piece / frameBytes);
        EXPECT_EQ(positionText->text(), FormatPositionText(3 * c.piece / frameBytes, frames, c.rate));

        const Heard heard = PlayOut(device);
        EXPECT_EQ(heard.played, pcm) << "every frame once, in order";
        EXPECT_EQ(heard.written, pcm);
        EXPECT_EQ(heard.writes, (pcm.size() + c.piece - 1) / c.piece);
        ExpectIdle();
    }
    EXPECT_TRUE(host.errors.empty());
    EXPECT_EQ(player->Pool().KeptCount(), 17u) << "pieces are reused, not piled up";
}

// The loop box is read at each item's end: on, the selection repeats; turned
// off, the queue ends after the item that plays and the status says ready.
TEST_F(PlayerTest, WithLoopTwoItemsAlternateAndWithoutItTheQueueEndsAfterTheLastThatCannotBePausedAtItsEnd)
{
    PlaylistItem* a = Wave("a", 3000);
    PlaylistItem* b = Wave("b", 5000);
    const QByteArray pcmA = DecodedPcm(a->FilePath());
    const QByteArray pcmB = DecodedPcm(b->FilePath());

    host.loop = true;
    player->PlaySelected({a, b});
    for (int turn = 0; turn < 3; ++turn) {
        for (PlaylistItem* expected : {a, b}) {
            SCOPED_TRACE(testing::Message() << "turn " << turn << " item " << expected->FilePath().toStdString());
            ASSERT_EQ(player->PlaySlots().size(), 1u);
            EXPECT_EQ(Current().item, expected);
            EXPECT_EQ(host.StatusText(),
                      QStringLiteral("正在播放： ") + QFileInfo(expected->FilePath()).completeBaseName());
            EXPECT_EQ(a->queued, 1);
            EXPECT_EQ(b->queued, 1);
            FakePlaybackStream* device = fake.LastPlaybackStream();
            EXPECT_EQ(device->WrittenBytes(), expected == a ? pcmA : pcmB);
            Play(device, device->QueuedBufferCount());
        }
    }
    EXPECT_EQ(fake.PlaybackOpenCount(), 7);

    host.loop = false;  // a plays now; after it b, then the end
    EXPECT_EQ(Current().item, a);
    PlayToTheEnd();
    EXPECT_EQ(fake.PlaybackOpenCount(), 8);
    ExpectIdle();
    EXPECT_TRUE(host.errors.empty());

    // Without loop from the start: a then b once. b is all at the device at
    // once: pausing at its end does nothing, and the slider ends at its end.
    player->PlaySelected({a, b});
    Play(fake.LastPlaybackStream(), 2);
    EXPECT_EQ(a->queued, 0) << "a is done and leaves the queue";
    EXPECT_EQ(Current().item, b);
    player->TogglePause();
    EXPECT_FALSE(player->IsPaused());
    PlayToTheEnd();
    EXPECT_EQ(slider->GetPos(), 5000);
    EXPECT_EQ(fake.PlaybackOpenCount(), 10);
    ExpectIdle();
}

// The slider is left alone while dragged; at the release the device is reset,
// the pieces from before come back without moving anything, and everything
// played afterwards starts at the slider's position.
TEST_F(PlayerTest, ASeekAtTheReleasePlaysFromTheSliderPositionAndNothingFromBeforeEvenPast2To31Frames)
{
    const int frames = 200000;  // 4.5 s
    PlaylistItem* item = Wave("seek", frames);
    const QByteArray pcm = DecodedPcm(item->FilePath());
    player->PlaySelected({item});
    FakePlaybackStream* device = fake.LastPlaybackStream();
    Play(device, 2);
    const int before = slider->GetPos();
    ASSERT_EQ(before, 2 * 1536);

    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(150, 6));
    EXPECT_TRUE(player->IsDragging());
    const int dragged = slider->GetPos();
    EXPECT_NE(dragged, before);
    const QString textWhileDragging = positionText->text();
    Play(device, 2);
    EXPECT_EQ(slider->GetPos(), dragged) << "the thumb stays under the mouse";
    EXPECT_EQ(positionText->text(), textWhileDragging);

    const qsizetype playedBeforeSeek = device->PlayedBytes().size();
    const qsizetype writtenBeforeSeek = device->WrittenBytes().size();
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(150, 6));
    const uint32_t target = uint32_t(slider->GetPos());
    EXPECT_FALSE(player->IsDragging());
    EXPECT_EQ(device->ResetCount(), 1);
    EXPECT_EQ(positionText->text(), FormatPositionText(target, frames, 44100));
    EXPECT_EQ(Current().stale, 16);

    Deliver();  // the sixteen stale pieces come back and make room
    EXPECT_EQ(Current().stale, 0);
    EXPECT_EQ(Current().position, target) << "stale pieces move nothing";
    EXPECT_EQ(device->WrittenBytes().mid(writtenBeforeSeek), pcm.mid(qsizetype(target) * 4, 16 * kPiece));
    EXPECT_EQ(positionText->text(), FormatPositionText(target, frames, 44100));

    Play(device);
    EXPECT_EQ(slider->GetPos(), int(target) + 1536) << "the first fresh piece moves the slider on";
    EXPECT_EQ(PlayOut(device).played.mid(playedBeforeSeek), pcm.mid(qsizetype(target) * 4));

    // An item of 2^31 frames and more (13.5 hours at 44.1 kHz), a sparse WAVE
    // file read by the real library: the slider spans it whole and a seek
    // lands where the thumb was let go.
    const uint32_t night = (1u << 31) + 44100 * 60;
    items.push_back(LoadedItem(SparseWave(dir.filePath("night.wav"), night)));
    ASSERT_EQ(items.back()->length, night);
    player->PlaySelected({items.back().get()});
    ASSERT_TRUE(host.errors.empty());
    EXPECT_EQ(slider->GetMax(), night);

    const int middle = 217 / 2;
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(middle, 6));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(middle, 6));
    const qint64 spot = slider->GetPos();
    EXPECT_NEAR(double(spot), night / 2.0, night / 150.0);
    EXPECT_EQ(Current().position, uint32_t(spot)) << "not restarted at 0";
    EXPECT_NEAR(slider->ThumbCentre(), middle, 1);

    // The stale pieces come back; the first fresh one moves on from there.
    Deliver();
    Play(Device());
    EXPECT_EQ(Current().position, uint32_t(spot) + 6144);
    EXPECT_EQ(slider->GetPos(), spot + 6144);
    EXPECT_NEAR(slider->ThumbCentre(), middle, 1);
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

// Errors are for plays the user asked for; the queue's own next item that
// cannot start simply ends the queue.
TEST_F(PlayerTest, PlayErrorsAreShownForTheUsersPlaysAFailingNextItemEndsTheQueueAndSoDoesABrokenOutput)
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
    RefusingBackend refusing;
    refusing.fake = &fake;
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

    // The output breaks: the item and its queue end and the user is told
    // once; the next item does not start. A device the user had already left
    // for another item ends without a word.
    PlaylistItem* a = Wave("a", 40 * 1536);
    PlaylistItem* b = Wave("b", 40 * 1536);
    const int opens = fake.PlaybackOpenCount();
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
    EXPECT_EQ(fake.PlaybackOpenCount(), opens + 2) << "a was not started after b";
    ExpectIdle();
}

TEST(PositionText, MinutesUnderAnHourAndHoursFromAnHourInWholeTenths)
{
    EXPECT_EQ(FormatPositionText(0, 44100 * 65 + 22050, 44100), "00:00.0/01:05.5");
    EXPECT_EQ(FormatPositionText(8000 * 59 + 7999, 8000 * 3599 + 7999, 8000), "00:59.9/59:59.9");
    EXPECT_EQ(FormatPositionText(48000 * 3661 + 24000, 48000 * 7200, 48000), "1:01:01.5/2:00:00.0");
    EXPECT_EQ(FormatPositionText(0, 11025 * 3600, 11025), "0:00:00.0/1:00:00.0");
    EXPECT_EQ(FormatPositionText(5, 10, 0), "");
}

// A row removed from the list leaves the queue: the turn stays with the item
// that had it, and passes from a removed current item to its successor.
TEST(PlayQueue, RemovalKeepsTheTurnWithItsItem)
{
    PlaylistItem a, b, c;
    playlist::PlayQueue queue;
    queue.Build({&a, &b, &c});
    queue.StepAround();
    queue.Remove(&a);
    EXPECT_EQ(queue.Current(), &b) << "an earlier node leaving does not move the turn";
    EXPECT_EQ(a.queued, 0);
    queue.Remove(&b);
    EXPECT_EQ(queue.Current(), &c);
    queue.Remove(&c);
    EXPECT_EQ(queue.Current(), nullptr);
    EXPECT_TRUE(queue.IsEmpty());
}
