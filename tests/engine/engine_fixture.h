#pragma once
// A recording engine on the fake audio back end, with a window stand-in that
// remembers what the engine showed, and a temporary folder of its own.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
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

inline const std::set<int> kEmpty = {ControlId::Record, ControlId::DeviceList, ControlId::FormatList};
inline const std::set<int> kRecording = {ControlId::Stop};
inline const std::set<int> kPlaying = {ControlId::SeekStart, ControlId::SeekEnd, ControlId::PositionSlider,
                                       ControlId::Stop};
inline const std::set<int> kStoppedWithData = {ControlId::Record, ControlId::SeekStart, ControlId::SeekEnd,
                                               ControlId::PositionSlider, ControlId::Play,
                                               ControlId::ClearAfterPosition, ControlId::NewRecording,
                                               ControlId::Save};

struct FakeWaveform : WaveformTarget {
    std::vector<int16_t> data = std::vector<int16_t>(100, 0);
    int16_t fullScale = 25000;
    int refreshes = 0;
    int pointCount() const override { return int(data.size()); }
    int16_t* points() override { return data.data(); }
    void setFullScale(int16_t f) override { fullScale = f; }
    void refresh() override { ++refreshes; }
};

struct TestView : EngineView {
    int device = 0, formatRow = kRow16000Mono16, thumbMoves = 0;
    QString positionText, lengthText;
    uint32_t range = 0, thumb = 0;
    std::map<int, bool> enabled;
    std::vector<int> errors, questions;
    std::deque<Answer> answers;  // scripted replies to ask(); Cancel when none are left
    FakeWaveform wave;

    int selectedDevice() const override { return device; }
    int selectedFormatRow() const override { return formatRow; }
    void setPositionText(const QString& t) override { positionText = t; }
    void setLengthText(const QString& t) override { lengthText = t; }
    void setPositionRange(uint32_t m) override { range = m; }
    void setPositionThumb(uint32_t p) override { thumb = p, ++thumbMoves; }
    uint32_t positionThumb() const override { return thumb; }
    void setControlEnabled(int id, bool on) override { enabled[id] = on; }
    void showError(int id) override { errors.push_back(id); }
    WaveformTarget* waveform() override { return &wave; }
    Answer ask(int id) override
    {
        questions.push_back(id);
        const Answer a = answers.empty() ? Answer::Cancel : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return a;
    }
    std::set<int> enabledControls() const
    {
        std::set<int> on;
        for (auto [id, e] : enabled)
            if (e)
                on.insert(id);
        return on;
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
    WaveHeader::parse(reinterpret_cast<const uint8_t*>(file.constData()), int(file.size()), h);
    return h;
}

inline QString PositionText(const char* readout) { return QString::fromUtf8("\n位置:\n") + readout; }
inline QString LengthText(const char* readout) { return QString::fromUtf8("\n长度:\n") + readout; }

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
        if (::stat(QFile::encodeName("/proc/self/fd/" + fd).constData(), &open) != 0 || open.st_ino != wanted.st_ino
            || open.st_dev != wanted.st_dev)
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
            engine->takeWriter().RunOnWriterThread([] {});
        FakeBackend::processCallbacks();
    }
}

class EngineTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QByteArray savedTmpdir = qgetenv("TMPDIR");
    QByteArray savedStateHome = qgetenv("XDG_STATE_HOME");
    FakeBackend fake;
    TestView view;
    std::unique_ptr<RecordingEngine> engine;

    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        qputenv("TMPDIR", tmp.path().toLocal8Bit());
        qputenv("XDG_STATE_HOME", (tmp.path() + "/state").toLocal8Bit());
        fake.addInputDevice("Microphone");
        fake.addInputDevice("Line in");
        platform::audio::setBackendForTesting(&fake);
        Restart();
    }
    void TearDown() override
    {
        engine.reset();
        platform::audio::setBackendForTesting(nullptr);
        savedTmpdir.isNull() ? void(qunsetenv("TMPDIR")) : void(qputenv("TMPDIR", savedTmpdir));
        savedStateHome.isNull() ? void(qunsetenv("XDG_STATE_HOME")) : void(qputenv("XDG_STATE_HOME", savedStateHome));
    }
    // A fresh engine, as after the program was started anew.
    void Restart()
    {
        engine.reset();
        view.errors.clear();
        engine = std::make_unique<RecordingEngine>(view);
    }

    // Where takes in progress live for this test.
    QString TakesDir() const { return tmp.path() + "/state/tessaly/Quillon"; }
    QString WavPath() const
    {
        return TakesDir() + "/quillon_temp_" + QString::number(platform::currentThreadId()) + ".wav";
    }
    // The capture block of the view's format: what the writer gets at once.
    int Block() const { return int(TakeWriter::BlockBytes(RecordFormats::format(view.formatRow))); }
    QByteArray FileBytes() const
    {
        QFile f(WavPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray FileData() const { return FileBytes().mid(WaveHeader::kSize); }
    WaveHeader FileHeader() const { return HeaderOf(FileBytes()); }
    // The header's sizes tell the truth about the file.
    bool HeaderMatchesFile() const
    {
        const qint64 length = FileBytes().size();
        const WaveHeader h = FileHeader();
        return h.riffSize == uint32_t(length - 8) && h.dataSize == uint32_t(length - 44);
    }

    FakeCaptureStream* Card() const { return fake.captureStream(); }
    FakePlaybackStream* Speaker() const { return fake.lastPlaybackStream(); }

    // The "sound card" captures `bytes`; it lives on the writer's thread.
    bool CardDelivers(const QByteArray& bytes)
    {
        bool delivered = false;
        engine->takeWriter().RunOnWriterThread([&] { delivered = Card() && Card()->deliver(bytes); });
        return delivered;
    }
    void OnCard(const std::function<void(FakeCaptureStream&)>& call)
    {
        engine->takeWriter().RunOnWriterThread([&] {
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
    void StopAndSettle() { engine->OnStop(), Settle(); }
    // Records `bytes` in the view's format and stops.
    void RecordAndStop(const QByteArray& bytes)
    {
        engine->OnRecord();
        Deliver(bytes);
        StopAndSettle();
        ASSERT_FALSE(engine->IsRecording());
    }
};

}  // namespace enginetest
