// What the PulseAudio back end does when there is no server, or when the
// server goes away under a running stream. Uses servers of its own.
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "event_log.h"
#include "platform/audio/pulse_backend.h"
#include "support/pulse_test_support.h"

using namespace platform::audio;
using namespace audiotest;

TEST(PulseWithoutServer, EverythingFailsWithinTwoSecondsWithoutAServerOrWithOneThatNeverAnswers)
{
    // A listening socket nobody serves: connecting succeeds, then nothing.
    QTemporaryDir dir;
    const QString silent = QDir(dir.path()).filePath("silent");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, silent.toUtf8().constData(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 16), 0);

    for (const QByteArray& where : {QByteArray("unix:/nonexistent/quillon-no-server"), "unix:" + silent.toUtf8()}) {
        SCOPED_TRACE(where.toStdString());
        ServerAddress nowhere(where);
        QElapsedTimer clock;
        clock.start();
        PulseBackend pulse;
        EXPECT_TRUE(pulse.InputDevices().empty());
        EXPECT_LT(clock.elapsed(), 2000);
        QString captureError, playbackError;
        clock.restart();
        EXPECT_FALSE(pulse.OpenCapture(-1, PcmFormat{}, {}, &captureError));
        EXPECT_LT(clock.elapsed(), 2000);
        EXPECT_FALSE(pulse.OpenCapture(0, PcmFormat{}, {}, &captureError));
        EXPECT_FALSE(pulse.OpenPlayback(PcmFormat{}, {}, &playbackError));
        EXPECT_FALSE(pulse.OpenMixer(0, {}));
        EXPECT_LT(clock.elapsed(), 4 * 2000);
        EXPECT_FALSE(captureError.isEmpty());
        EXPECT_FALSE(playbackError.isEmpty());
    }
    ::close(listener);
}

// Capture hands over what it got before it reports; playback reports first,
// so that its owner can tell the blocks it gives back from blocks that played.
TEST(PulseServerGone, RunningStreamsGiveTheirBlocksBackAndReportTheFailure)
{
    PrivateServer server;
    ASSERT_EQ(server.Start(), "");
    ServerAddress address(server.Address());
    PulseBackend pulse;
    BufferPool captureBlocks(3, 96000), playBlocks(3, 96000);  // a second each: none fills before the server goes
    EventLog captureLog(&captureBlocks.headers), playbackLog(&playBlocks.headers);
    auto capture = pulse.OpenCapture(-1, PcmFormat{48000, 16, 1}, captureLog.CaptureCallbacks());
    auto playback = pulse.OpenPlayback(PcmFormat{48000, 16, 1}, playbackLog.PlaybackCallbacks());
    ASSERT_TRUE(capture);
    ASSERT_TRUE(playback);
    for (int i = 0; i < 3; ++i) {
        capture->AddBuffer(captureBlocks[i]);
        playback->Write(playBlocks[i]);
    }
    capture->Start();
    RunEventsFor(300);
    server.Kill();
    ASSERT_TRUE(RunEventsUntil([&] { return captureLog.events.size() == 4 && playbackLog.events.size() == 4; }, 3000));
    EXPECT_EQ(captureLog.buffers, (std::vector<AudioBuffer*>{captureBlocks[0], captureBlocks[1], captureBlocks[2]}));
    EXPECT_EQ(captureLog.events.back().substr(0, 7), "failed:");
    EXPECT_EQ(playbackLog.buffers, (std::vector<AudioBuffer*>{playBlocks[0], playBlocks[1], playBlocks[2]}));
    EXPECT_EQ(playbackLog.events.front().substr(0, 7), "failed:");
    EXPECT_FALSE(capture->AddBuffer(captureBlocks[0]));
    EXPECT_FALSE(capture->Start());
    EXPECT_FALSE(playback->Write(playBlocks[0]));

    // A server that is back is found again by the next open.
    ASSERT_EQ(server.Start(), "");
    QString error;
    EXPECT_TRUE(pulse.OpenCapture(-1, PcmFormat{}, {}, &error)) << error.toStdString();
    EXPECT_FALSE(pulse.InputDevices().empty());
}
