// Playback of the recording on the fake output: up to fourteen blocks in
// turn, draining, seeking, the position slider and the heard position.
#include "engine_fixture.h"

#include <QTest>

using namespace enginetest;

class PlaybackTest : public EngineTest {
protected:
    QByteArray recorded;
    // The engine's position and the one the window was last told.
    std::pair<uint32_t, uint32_t> Positions() const { return {engine->Position(), view.position}; }
    static std::pair<uint32_t, uint32_t> Both(uint32_t frame) { return {frame, frame}; }
    void Record(int bytes, int row = kRow8000Mono8)
    {
        view.formatRow = row;
        recorded = Pattern(bytes, bytes);
        RecordAndStop(recorded);
    }
    void CompleteOne()
    {
        ASSERT_TRUE(Speaker() && Speaker()->CompleteNext());
        Settle();
    }
};

TEST_F(PlaybackTest, RecordingsPlayFourteenBlocksAtATimeUntilEveryByteWasPlayedAndCloseWithTheLast)
{
    // Shorter than one block, exactly one, exactly three, longer than fourteen.
    for (int bytes : {1000, kBlock, kBlock * 3, kBlock * 20 + 100}) {
        SCOPED_TRACE(bytes);
        Restart();
        Record(bytes, kRow48000Stereo16);
        const int blocks = (bytes + kBlock - 1) / kBlock;
        engine->Play();
        FakePlaybackStream* speaker = Speaker();
        ASSERT_TRUE(speaker);
        EXPECT_EQ(speaker->Format(), (PcmFormat{48000, 16, 2}));
        EXPECT_EQ(speaker->WriteCount(), std::min(blocks, 14));
        int completions = 0;
        while (engine->IsPlaying()) {
            // Every returned block goes straight back until the end is queued.
            ASSERT_EQ(speaker->QueuedBufferCount(), std::min(14, blocks - completions)) << completions;
            EXPECT_EQ(engine->Position(), uint32_t(completions * kBlock / 4)) << "what has played";
            EXPECT_EQ(engine->State(), EngineState::Playing);
            ASSERT_TRUE(speaker->CompleteNext());
            // What has played, read before the engine closes the stream with the last.
            EXPECT_EQ(speaker->PlayedBytes(), recorded.left(++completions * kBlock));
            Settle();
        }
        EXPECT_EQ(completions, blocks) << "the device closes with the last block";
        EXPECT_EQ(Speaker(), nullptr);
        EXPECT_EQ(engine->Position(), uint32_t(bytes / 4)) << "at the natural end the position stays at the end";
        EXPECT_EQ(engine->State(), EngineState::Stopped);
    }
    EXPECT_EQ(fake.PlaybackOpenCount(), 4);
    EXPECT_EQ(fake.PlaybackCloseCount(), 4);
}

// At 8000 Hz 8-bit mono fourteen whole blocks would be ten seconds: about
// half a second waits at the device, in pieces of 1120 bytes, whatever the
// format. The position is what the device has played (also within a piece),
// and Stop keeps it: a partial clear then keeps what was heard. The
// waveform shows the piece that played, at most once in 100 ms.
TEST_F(PlaybackTest, AtLowRatesHalfASecondWaitsAndThePositionAndWaveformAreWhatWasHeard)
{
    Record(80000);  // ten seconds
    view.wave.refreshes = 0;
    uint32_t now = 1000;
    engine->SetTickClock([&] { return now; });
    engine->Play();
    FakePlaybackStream* speaker = Speaker();
    EXPECT_EQ(speaker->QueuedBufferCount(), 4);
    EXPECT_EQ(speaker->WrittenBytes(), recorded.left(4 * 1120));
    EXPECT_EQ(Positions(), Both(0u));

    CompleteOne();
    EXPECT_EQ(speaker->WrittenBytes(), recorded.left(5 * 1120)) << "one piece for each one back";
    EXPECT_EQ(engine->Position(), 1120u);
    ASSERT_EQ(view.wave.refreshes, 1);
    for (int i : {0, 1, 99})
        EXPECT_EQ(view.wave.data[size_t(i)], int16_t(uint8_t(recorded[2 * i]) - 127)) << i;
    speaker->HearPartOfNext(500);
    // The position follows the device between pieces too, on a timer.
    QTest::qWait(3 * RecordingPlayback::kPositionIntervalMs);
    EXPECT_EQ(Positions(), Both(1620u));

    // << plays what waits, then goes on from the start; the position shows
    // what is heard all along.
    engine->MoveTo(0);
    EXPECT_EQ(speaker->QueuedBufferCount(), 4);
    now = 1050;
    CompleteOne();
    EXPECT_EQ(view.wave.refreshes, 1);
    EXPECT_EQ(engine->Position(), 2240u);
    EXPECT_EQ(speaker->WrittenBytes().mid(5 * 1120), recorded.left(1120));
    for (int i = 0; i < 3; ++i)
        CompleteOne();
    speaker->HearPartOfNext(300);
    engine->Stop();
    EXPECT_EQ(Positions(), Both(300u)) << "Stop keeps what was heard, not what was queued";
    Settle();
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_EQ(Positions(), Both(300u));
}

TEST_F(PlaybackTest, SeeksWaitForTheQueuedBlocksRestartAtDropsThemAndStopDrains)
{
    Record(kBlock * 20, kRow48000Stereo16);  // positions count frames of four bytes
    // Play at the end starts from the beginning; << and >> let what is
    // queued play, then go on from there.
    engine->Play();
    EXPECT_EQ(Speaker()->WrittenBytes(), recorded.left(kBlock * 14));
    engine->MoveTo(0);
    EXPECT_EQ(Positions(), Both(0u));
    EXPECT_EQ(Speaker()->QueuedBufferCount(), 14) << "the queued blocks still play";
    CompleteOne();
    EXPECT_EQ(Speaker()->WrittenBytes().mid(kBlock * 14), recorded.left(kBlock));
    engine->MoveTo(engine->LengthFrames());
    EXPECT_EQ(Positions(), Both(uint32_t(kBlock * 20 / 4)));
    EXPECT_EQ(Speaker()->CompleteAll(), 14);
    Settle();
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_EQ(fake.PlaybackOpenCount(), 1);

    // Play in the middle starts there. Released at frame 10000: the queued
    // blocks come back at once and are refilled from there.
    engine->MoveTo(1000);
    engine->Play();
    EXPECT_EQ(Speaker()->WrittenBytes(), recorded.mid(1000 * 4, kBlock * 14));
    CompleteOne();
    const int writesBefore = Speaker()->WriteCount();
    engine->RestartAt(10000);
    EXPECT_EQ(view.position, 10000u);
    EXPECT_EQ(Speaker()->ResetCount(), 1);
    Settle();
    EXPECT_TRUE(engine->IsPlaying());
    EXPECT_EQ(Speaker()->WriteCount(), writesBefore + 14);
    EXPECT_EQ(Speaker()->WrittenBytes().mid(kBlock * 15, kBlock), recorded.mid(10000 * 4, kBlock));
    EXPECT_EQ(Speaker()->QueuedBufferCount(), 14);
    CompleteOne();
    EXPECT_EQ(Positions(), Both(uint32_t(10000 + kBlock / 4)));

    // Stop drains: the device closes only after the last buffer is back.
    engine->Stop();
    EXPECT_EQ(Speaker()->ResetCount(), 2);
    EXPECT_EQ(engine->State(), EngineState::Playing);
    engine->Stop();
    EXPECT_EQ(Speaker()->ResetCount(), 2) << "a second stop while draining does nothing";
    Settle();
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_EQ(fake.PlaybackCloseCount(), 2);
    EXPECT_EQ(engine->Position(), uint32_t(10000 + kBlock / 4)) << "the position stays at what had played";
    EXPECT_EQ(engine->State(), EngineState::Stopped);

    // Stopped, moves stay inside the take; while recording they are ignored.
    engine->RestartAt(16000);
    EXPECT_EQ(engine->Position(), 16000u);
    engine->MoveTo(kBlock * 10);
    EXPECT_EQ(Positions(), Both(uint32_t(kBlock * 5))) << "no further than the end";
    StartRecording();
    engine->MoveTo(0);
    engine->RestartAt(0);
    EXPECT_EQ(engine->Position(), uint32_t(kBlock * 5));
}

TEST_F(PlaybackTest, AnOutputThatFailsOrIsLostLeavesTheTakePlayableAndAReadErrorEndsPlaybackAfterWhatIsQueued)
{
    Record(kBlock * 20);
    engine->MoveTo(100);
    fake.SetPlaybackOpenError("no sink");
    engine->Play();
    EXPECT_EQ(view.errors, std::vector{EngineError::OutputNotOpened});
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_EQ(engine->Position(), 100u);
    EXPECT_EQ(engine->State(), EngineState::Stopped);

    // The server goes away while playing: the user is told, once, and the
    // position stays at what was heard.
    fake.SetPlaybackOpenError({});
    engine->Play();
    CompleteOne();
    Speaker()->BreakStream();
    Settle();
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_EQ(view.errors, (std::vector{EngineError::OutputNotOpened, EngineError::OutputLost}));
    EXPECT_EQ(engine->Position(), uint32_t(100 + 1120));
    EXPECT_EQ(engine->State(), EngineState::Stopped);
    engine->Play();
    EXPECT_TRUE(engine->IsPlaying());
    Restart();  // released while playing
    EXPECT_EQ(fake.PlaybackCloseCount(), 2);
    EXPECT_FALSE(QFile::exists(WavPath()));

    // A read error says so once, and ends playback after what is queued.
    Record(kBlock * 20, kRow48000Stereo16);
    engine->Play();
    CompleteOne();
    CompleteOne();
    ASSERT_TRUE(BreakReadsOf(WavPath()));
    const QByteArray queuedBefore = Speaker()->WrittenBytes();
    CompleteOne();  // its refill fails
    EXPECT_TRUE(view.errors.empty()) << "not before the queued blocks have played";
    EXPECT_EQ(Speaker()->WrittenBytes(), queuedBefore) << "nothing read after the error";
    while (Speaker())
        CompleteOne();
    EXPECT_EQ(view.errors, std::vector{EngineError::TakeReadFailed});
    EXPECT_EQ(engine->State(), EngineState::Stopped);

    // Unreadable from the start: the same failure, not the device's.
    engine->MoveTo(0);
    engine->Play();
    EXPECT_EQ(view.errors.back(), EngineError::TakeReadFailed);
    EXPECT_EQ(view.errors.size(), 2u);
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_EQ(engine->State(), EngineState::Stopped);
}
