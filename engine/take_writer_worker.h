#pragma once
// The writer's thread side of TakeWriter: owns the capture stream while a
// take runs and alone touches the file and the MP3 side meanwhile.

#include <memory>
#include <optional>
#include <vector>

#include "engine/audio_blocks.h"
#include "engine/capture_loss.h"
#include "engine/recording_file.h"
#include "engine/take_levels.h"
#include "engine/take_writer.h"
#include "platform/audio/audio_backend.h"
#include "platform/paths.h"

class TakeWriter::Worker {
public:
    Worker(TakeWriter& owner, RecordingFile& file)
        : m_owner(owner)
        , m_file(file)
    {
    }

    bool Open(uint64_t generation, int device, const platform::audio::PcmFormat& format);
    bool Start(uint64_t dataOffset, Mp3Side& mp3);
    void Stop();
    void Close();

    TickClock clock = MonotonicTickCount;
    uint64_t maxDataBytes = RecordingFile::kMaxDataBytes;
    std::function<void(const TakeSync&)> syncObserver;
    bool syncsEnabled = true;

private:
    std::unique_ptr<platform::audio::CaptureStream> OpenStream();
    void QueueBlocks();
    void AddBlock(int index);
    void OnBlock(platform::audio::AudioBuffer* buffer);
    void OnStopped();
    void OnFailed();
    // Stores audio at the file position and feeds the MP3 side; the fault
    // that ends the take, if any.
    std::optional<TakeFault> Store(const uint8_t* data, uint64_t bytes);
    std::optional<TakeFault> StoreSilence(uint64_t bytes);
    std::optional<TakeFault> WritePieces(const std::vector<CaptureLossDetector::Piece>& pieces);
    void Sync(bool last);
    void Report();
    // The take is over: header, MP3 side, a last sync and report.
    bool Finish();
    void EndWithFault(TakeFault fault);
    uint32_t Now();

    TakeWriter& m_owner;
    RecordingFile& m_file;
    Mp3Side* m_mp3 = nullptr;
    uint64_t m_generation = 0;
    int m_device = -1;
    platform::audio::PcmFormat m_format;
    std::unique_ptr<platform::audio::CaptureStream> m_stream;
    uint64_t m_streamGeneration = 0;
    uint64_t m_bytesReturned = 0;  // by the current stream, to set against what it filled
    std::unique_ptr<AudioBlocks> m_blocks;
    bool m_deviceLost = false;
    bool m_recording = false;
    bool m_stopping = false;

    CaptureLossDetector m_loss;
    uint32_t m_lastTick = 0;
    uint64_t m_nowMs = 0;
    uint64_t m_lastSyncMs = 0;
    uint64_t m_lastReportMs = 0;
    TakeProgress m_pending;
    TakeLevelMeter m_levels;
};
