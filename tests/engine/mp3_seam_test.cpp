// The MP3 side is told about a recording at exactly the points where the MP3
// temporary file has to start, grow, finish and be thrown away.
#include "engine_fixture.h"

using namespace enginetest;

namespace {

struct Mp3Log {
    std::vector<std::string> calls;
    QString beganPath;
    PcmFormat beganFormat;
    QByteArray encoded;
};

struct LoggingMp3Side : Mp3Side {
    explicit LoggingMp3Side(Mp3Log& log) : log(log) {}
    QString mp3TempPath() const override { return {}; }
    void BeginMp3Temp(const QString& path, const PcmFormat& format) override
    {
        log.calls.push_back("begin");
        log.beganPath = path;
        log.beganFormat = format;
    }
    void EncodeToMp3Temp(const uint8_t* data, uint32_t bytes) override
    {
        log.encoded.append(reinterpret_cast<const char*>(data), bytes);
    }
    void FinishMp3Temp() override { log.calls.push_back("finish"); }
    void DiscardMp3Temp() override { log.calls.push_back("discard"); }
    Mp3Log& log;
};

}  // namespace

TEST_F(EngineTest, TheMp3SideFollowsTheRecordingFromStartToRelease)
{
    Mp3Log log;
    engine->SetMp3Side(std::make_unique<LoggingMp3Side>(log));
    view.formatRow = kRow16000Mono16;

    engine->OnRecord();
    EXPECT_EQ(log.calls, (std::vector<std::string>{"discard", "begin"}));
    EXPECT_EQ(log.beganPath,
              tmp.path() + "/quillon_temp_" + QString::number(platform::currentThreadId()) + ".mp3");
    EXPECT_EQ(log.beganFormat, (PcmFormat{16000, 16, 1}));

    const QByteArray a = Pattern(kBlock + 10, 30);
    Deliver(a);
    StopAndSettle();
    EXPECT_EQ(log.encoded, a) << "every stored byte, the partial block included";
    EXPECT_EQ(log.calls.back(), "finish");

    // Resuming changes the recording: the finished file is thrown away and
    // not started again; so do New recording and the release.
    const std::vector<std::string> discard = {"discard"};
    log.calls.clear();
    engine->OnRecord();
    EXPECT_EQ(log.calls, discard);
    StopAndSettle();
    log.calls.clear();
    view.answers = {Answer::No};
    engine->OnNewRecording();
    EXPECT_EQ(log.calls, discard);
    log.calls.clear();
    engine.reset();
    EXPECT_EQ(log.calls, discard);
}
