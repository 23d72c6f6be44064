#pragma once
// A recording engine on the fake audio back end, with a listener that
// remembers what the engine reported, and a temporary folder of its own.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "engine/record_formats.h"
#include "engine/recording_engine.h"
#include "engine/wave_header.h"
#include "platform/audio/fake_backend.h"
#include "platform/paths.h"
#include "support/scoped_state.h"
#include "support/test_support.h"

namespace enginetest {

using platform::audio::FakeBackend;
using platform::audio::FakeCaptureStream;
using platform::audio::FakePlaybackStream;
using platform::audio::PcmFormat;

// Rows of the format list used by the tests.
inline constexpr int kRow8000Mono8 = 0;
inline constexpr int kRow16000Mono16 = 9;
inline constexpr int kRow48000Stereo16 = 27;
inline constexpr int kBlock = 6144;

struct FakeWaveform : WaveformTarget {
    explicit FakeWaveform(int points = 100, int16_t fill = 0)
        : data(size_t(points), fill)
    {
    }
    std::vector<int16_t> data;
    int refreshes = 0;
    int PointCount() const override { return int(data.size()); }
    int16_t* Points() override { return data.data(); }
    void SetFullScale(int16_t) override {}
    void Refresh() override { ++refreshes; }
};

// What the engine reported, as the window would hear it; and the input the
// window would hand to Record.
struct EngineReports {
    int device = 0, formatRow = kRow16000Mono16;
    uint32_t position = 0, length = 0;
    std::vector<EngineError> errors;
    std::vector<double> lost;  // seconds of audio the server dropped, as told
    FakeWaveform wave;

    void Listen(RecordingEngine& engine)
    {
        QObject::connect(&engine, &RecordingEngine::PositionChanged, [this](uint32_t p) { position = p; });
        QObject::connect(&engine, &RecordingEngine::LengthChanged, [this](uint32_t l) { length = l; });
        QObject::connect(&engine, &RecordingEngine::Failed, [this](EngineError e) { errors.push_back(e); });
        QObject::connect(&engine, &RecordingEngine::AudioLost, [this](double s) { lost.push_back(s); });
        QObject::connect(&engine, &RecordingEngine::WaveformBlock, [this, &engine](const QByteArray& block) {
            TakeWaveformSnapshot(wave, reinterpret_cast<const uint8_t*>(block.constData()), uint32_t(block.size()),
                                 engine.Format().bitsPerSample);
        });
    }
};

// Distinct bytes, so that a misplaced or lost block shows.
inline QByteArray Pattern(int bytes, int seed)
{
    QByteArray b(bytes, 0);
    for (int i = 0; i < bytes; ++i)
        b[i] = char((i * 7 + seed * 31 + (i >> 8)) & 0xff);
    return b;
}

inline WaveHeader HeaderOf(const QByteArray& file)
{
    WaveHeader h;
    h.riffSize = h.dataSize = 0xdeadbeef;
    WaveHeader::Parse(reinterpret_cast<const uint8_t*>(file.constData()), int(file.size()), h);
    return h;
}

// From now on every read of the open file at `path` fails in the kernel
// (EBADF), while its length, seeks and writes still work: the descriptor that
// holds it is swapped for a write-only one of the same file.
inline bool BreakReadsOf(const QString& path)
{
    struct stat wanted {};
    if (::stat(QFile::encodeName(path).constData(), &wanted) != 0)
        return false;
    for (const QString& fd : QDir("/proc/self/fd").entryList(QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot)) {
        struct stat open {};
        if (::stat(QFile::encodeName("/proc/self/fd/" + fd).constData(), &open) != 0 || open.st_ino != wanted.st_ino ||
            open.st_dev != wanted.st_dev)
            continue;
        const int writeOnly = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
        const bool swapped = writeOnly >= 0 && ::dup3(writeOnly, fd.toInt(), O_CLOEXEC) >= 0;
        if (writeOnly >= 0)
            ::close(writeOnly);
        return swapped;
    }
    return false;
}

// Lets the writer thread and this thread handle everything pending: blocks,
// reports, the end of a take.
inline void Settle(RecordingEngine* engine)
{
    for (int i = 0; i < 6; ++i) {
        if (engine)
            engine->GetTakeWriter().RunOnWriterThread([] {});
        FakeBackend::ProcessCallbacks();
    }
}

// Temporary and state folders of the test's own, where the engine keeps the
// take in progress.
class TakeFolderTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    testsupport::ScopedEnv tmpDir{"TMPDIR", tmp.path()};
    testsupport::ScopedEnv stateHome{"XDG_STATE_HOME", tmp.path() + "/state"};

    QString TakesDir() const { return tmp.path() + "/state/tessaly/Quillon"; }
    QString WavPath() const
    {
        return TakesDir() + "/quillon_temp_" + QString::number(platform::CurrentThreadId()) + ".wav";
    }
};

class EngineTest : public TakeFolderTest {
protected:
    FakeBackend fake;
    testsupport::ScopedBackend scope{fake};
    EngineReports view;
    std::unique_ptr<RecordingEngine> engine;

    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        fake.AddInputDevice("Microphone");
        fake.AddInputDevice("Line in");
        Restart();
    }
    // A fresh engine, as after the program was started anew.
    void Restart()
    {
        engine.reset();
        view.errors.clear();
        view.lost.clear();
        engine = std::make_unique<RecordingEngine>();
        view.Listen(*engine);
    }
    // Record as the window starts it, with the view's device and format row.
    void StartRecording() { engine->Record(view.device, RecordFormats::Format(view.formatRow)); }

    // The capture block of the view's format: what the writer gets at once.
    int Block() const { return int(TakeWriter::BlockBytes(RecordFormats::Format(view.formatRow))); }
    QByteArray FileBytes() const { return testsupport::ReadFile(WavPath()); }
    QByteArray FileData() const { return FileBytes().mid(WaveHeader::kSize); }
    WaveHeader FileHeader() const { return HeaderOf(FileBytes()); }
    // The header's sizes tell the truth about the file.
    bool HeaderMatchesFile() const
    {
        const qint64 length = FileBytes().size();
        const WaveHeader h = FileHeader();
        return h.riffSize == uint32_t(length - 8) && h.dataSize == uint32_t(length - 44);
    }

    FakeCaptureStream* Card() const { return fake.GetCaptureStream(); }
    FakePlaybackStream* Speaker() const { return fake.LastPlaybackStream(); }

    // The "sound card" captures `bytes`; it lives on the writer's thread.
    bool CardDelivers(const QByteArray& bytes)
    {
        bool delivered = false;
        engine->GetTakeWriter().RunOnWriterThread([&] { delivered = Card() && Card()->Deliver(bytes); });
        return delivered;
    }
    void OnCard(const std::function<void(FakeCaptureStream&)>& call)
    {
        engine->GetTakeWriter().RunOnWriterThread([&] {
            if (Card())
                call(*Card());
        });
    }
    void Deliver(const QByteArray& bytes)
    {
        ASSERT_TRUE(CardDelivers(bytes));
        Settle();
    }
    void Settle() { enginetest::Settle(engine.get()); }
    void StopAndSettle() { engine->Stop(), Settle(); }
    // Records `bytes` in the view's format and stops.
    void RecordAndStop(const QByteArray& bytes)
    {
        StartRecording();
        Deliver(bytes);
        StopAndSettle();
        ASSERT_FALSE(engine->IsRecording());
    }
};

}  // namespace enginetest
