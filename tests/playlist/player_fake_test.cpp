// The playlist player on the fake audio back end, piece by piece: what
// reaches each device and what the slider, the position text and the status
// line show while items play, loop, pause and seek, for items made from real
// files. Also the small parts its own tests cannot reach: the position
// text's hours and the play queue's removals.
#include <gtest/gtest.h>

#include <QTest>
#include <QtEndian>

#include "player_fixture.h"
#include "playlist/play_queue.h"
#include "playlist/position_text.h"

using namespace playertest;
using playlist::FormatPositionText;

namespace {

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
TEST_F(PlayerTest, ASeekAtTheReleasePlaysFromTheSliderPositionAndNothingFromBefore)
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
}

// An item of 2^31 frames and more (13.5 hours at 44.1 kHz), a sparse WAVE
// file read by the real library: the slider spans it whole and a seek lands
// where the thumb was let go.
TEST_F(PlayerTest, TheSliderSpansAnItemOfMoreThan2To31FramesAndASeekLandsUnderTheThumb)
{
    const uint32_t frames = (1u << 31) + 44100 * 60;
    items.push_back(LoadedItem(SparseWave(dir.filePath("night.wav"), frames)));
    ASSERT_EQ(items.back()->length, frames);
    player->PlaySelected({items.back().get()});
    ASSERT_TRUE(host.errors.empty());
    EXPECT_EQ(slider->GetMax(), frames);

    const int middle = 217 / 2;
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(middle, 6));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(middle, 6));
    const qint64 target = slider->GetPos();
    EXPECT_NEAR(double(target), frames / 2.0, frames / 150.0);
    EXPECT_EQ(Current().position, uint32_t(target)) << "not restarted at 0";
    EXPECT_NEAR(slider->ThumbCentre(), middle, 1);

    // The stale pieces come back; the first fresh one moves on from there.
    Deliver();
    Play(Device());
    EXPECT_EQ(Current().position, uint32_t(target) + 6144);
    EXPECT_EQ(slider->GetPos(), target + 6144);
    EXPECT_NEAR(slider->ThumbCentre(), middle, 1);
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
