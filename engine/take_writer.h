#pragma once
// Writes a take on a thread of its own: the capture device hands its blocks
// to that thread, which stores them in the WAVE file, feeds the MP3
// temporary file, makes both durable every two seconds and tells the owner
// about the take at the waveform's pace. The owner's thread never has to run
// for audio to reach the disk.
//
// The owner calls everything below from its own thread; reports come back to
// it as queued calls, in order. While a take runs the writer alone touches
// the file and the MP3 side; the owner takes them back once `stopped` or
// `failed` has been reported, or after Close().

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <QByteArray>
#include <QObject>
#include <QThread>

#include "engine/waveform_snapshot.h"
#include "platform/audio/audio_types.h"

class Mp3Side;
class RecordingFile;

// Loudness since the previous report, per channel (the second is 0 for mono):
// the largest distance from silence in sample units (16-bit: 0 … 32768,
// 8-bit: 0 … 128) and how many samples sat at full scale.
struct TakeLevels {
    int channels = 1;
    std::array<uint32_t, 2> peak{};
    std::array<uint32_t, 2> clipped{};
    uint32_t fullScale = 32768;  // what `peak` is measured against
    uint32_t clippedFrames = 0;  // frames with any channel at full scale
};

struct TakeProgress {
    uint64_t dataBytes = 0;  // the take's data in the file
    bool newAudio = false;   // audio arrived since the previous report
    QByteArray snapshot;     // the start of the latest block, for the waveform
    TakeLevels levels;
    uint64_t lostFrames = 0;  // filled with silence since the previous report
};

// Why a take ended by itself.
enum class TakeFault { WriteFailed, SizeLimit, DeviceLost };

// One moment the take was made durable; the writer's observation seam.
struct TakeSync {
    long threadId = 0;
    uint32_t tick = 0;       // the writer's clock
    uint64_t dataBytes = 0;  // what the file held
    bool last = false;       // the one at the end of a take
};

class TakeWriter : public QObject {
    Q_OBJECT
public:
    struct Listener {
        std::function<void(const TakeProgress&)> progress;
        // After Stop(): every frame captured up to it is in the file; false
        // when the header could not be written.
        std::function<void(bool headerWritten)> stopped;
        // The take ended by itself; the file holds what came before.
        std::function<void(TakeFault)> failed;
        // The server moved the capture to another source; the take goes on.
        std::function<void(const QString& from, const QString& to)> moved;
    };

    static constexpr int kBlockCount = 20;
    static constexpr uint32_t kBlockMs = 100;
    static constexpr uint32_t kReportIntervalMs = 100;
    static constexpr uint32_t kSyncIntervalMs = 2000;
    static constexpr uint32_t kSnapshotBytes = 6144;

    TakeWriter(RecordingFile& file, Listener listener);
    ~TakeWriter() override;

    // The capture block for `format`: a tenth of a second of whole frames.
    static uint32_t BlockBytes(const platform::audio::PcmFormat& format);

    // Opens the capture device; false when it cannot be opened.
    bool Open(int device, const platform::audio::PcmFormat& format);
    bool IsOpen() const { return m_open; }
    // Starts (or resumes) writing at `dataOffset`, feeding `mp3`; false when
    // the device could not start. A device that broke meanwhile is opened
    // again first.
    bool Start(uint64_t dataOffset, Mp3Side& mp3);
    // Everything captured up to now still reaches the file; `stopped` follows.
    void Stop();
    // Gives the device up at once and ends the thread; nothing more is reported.
    void Close();

    // Seams for tests and benchmarks: the writer's clock, a smaller data
    // limit than the WAVE format's, every sync as it happens (on the writer's
    // thread), no syncs at all (to measure what they cost), and running a
    // call there (blocking).
    void SetClock(TickClock clock);
    void SetMaxDataBytes(uint64_t bytes);
    void SetSyncObserver(std::function<void(const TakeSync&)> observer);
    void SetSyncsEnabled(bool enabled);
    void RunOnWriterThread(const std::function<void()>& call);

private:
    class Worker;
    // The thread runs while a device is open: an idle engine has none.
    void StartThread();
    void StopThread();
    void Post(uint64_t generation, std::function<void()> call);

    QThread m_thread;
    QObject* m_context = nullptr;  // lives on m_thread
    std::unique_ptr<Worker> m_worker;
    Listener m_listener;
    uint64_t m_generation = 0;
    bool m_open = false;
};
