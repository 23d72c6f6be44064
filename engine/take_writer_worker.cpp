#include "engine/take_writer_worker.h"

#include <algorithm>
#include <QMetaObject>

#include "engine/engine_log.h"
#include "engine/mp3_side.h"

using platform::audio::AudioBuffer;
using platform::audio::PcmFormat;

uint32_t TakeWriter::Worker::Now()
{
    // One reading per event: the clock of a test moves on every call.
    const uint32_t tick = clock();
    m_nowMs += uint32_t(tick - m_lastTick);
    m_lastTick = tick;
    return tick;
}

bool TakeWriter::Worker::Open(uint64_t generation, int device, const PcmFormat& format)
{
    Close();
    m_generation = generation;
    m_device = device;
    m_format = format;
    m_blocks = std::make_unique<AudioBlocks>(kBlockCount, BlockBytes(format));
    m_stream = OpenStream();
    m_deviceLost = false;
    return m_stream != nullptr;
}

std::unique_ptr<platform::audio::CaptureStream> TakeWriter::Worker::OpenStream()
{
    platform::audio::CaptureCallbacks callbacks;
    const uint64_t generation = ++m_streamGeneration;
    m_bytesReturned = 0;
    callbacks.bufferDone = [this, generation](AudioBuffer* buffer) {
        if (generation == m_streamGeneration)
            OnBlock(buffer);
    };
    callbacks.stopped = [this, generation] {
        if (generation == m_streamGeneration)
            OnStopped();
    };
    callbacks.failed = [this, generation](const QString& reason) {
        if (generation != m_streamGeneration)
            return;
        qCWarning(lcEngine) << "capture device broke:" << reason;
        OnFailed();
    };
    callbacks.moved = [this, generation](const QString& from, const QString& to) {
        if (generation != m_streamGeneration)
            return;
        qCInfo(lcEngine) << "capture moved from" << from << "to" << to;
        if (m_recording)
            m_loss.StreamMoved();
        m_owner.Post(m_generation, [this, from, to] {
            if (m_owner.m_listener.moved)
                m_owner.m_listener.moved(from, to);
        });
    };
    QString error;
    auto stream = platform::audio::Backend().OpenCapture(m_device, m_format, std::move(callbacks), &error);
    if (!stream)
        qCWarning(lcEngine) << "cannot open the capture device" << m_device << ":" << error;
    return stream;
}

bool TakeWriter::Worker::Start(uint64_t dataOffset, Mp3Side& mp3)
{
    if (!m_blocks || m_recording)
        return false;
    if (m_deviceLost || !m_stream) {
        // Same device, same format: the file goes on where it stands.
        auto reopened = OpenStream();
        if (!reopened)
            return false;
        m_stream = std::move(reopened);  // what the broken one still reports is given up
        m_deviceLost = false;
        m_blocks->SetAllReturned();
    }
    m_mp3 = &mp3;
    m_file.SeekToData(dataOffset);
    m_recording = true;
    m_stopping = false;
    m_pending = TakeProgress{};
    m_levels.Begin(m_format);
    Now();
    m_loss.Start(m_nowMs, m_format.sampleRate, m_format.BlockAlign());
    m_lastSyncMs = m_lastReportMs = m_nowMs;
    QueueBlocks();
    if (!m_stream->Start()) {
        qCWarning(lcEngine) << "the capture device" << m_device << "did not start";
        m_recording = false;
        m_deviceLost = true;
        return false;
    }
    return true;
}

void TakeWriter::Worker::QueueBlocks()
{
    for (int i = 0; i < m_blocks->Count(); ++i) {
        if (m_blocks->IsWithStream(i))
            continue;  // still on its way back from the last stop
        m_blocks->ResetHeader((*m_blocks)[i]);
        AddBlock(i);
    }
}

void TakeWriter::Worker::AddBlock(int index)
{
    m_blocks->SetWithStream(index, true);
    if (!m_stream->AddBuffer(&(*m_blocks)[index]))
        m_blocks->SetWithStream(index, false);
}

void TakeWriter::Worker::OnBlock(AudioBuffer* buffer)
{
    const int index = m_blocks ? m_blocks->IndexOf(buffer) : -1;
    if (index < 0)
        return;
    m_blocks->SetWithStream(index, false);
    m_bytesReturned += buffer->bytesRecorded;
    if (!m_recording)
        return;  // blocks handed back after the take ended carry nothing of it

    Now();
    std::optional<TakeFault> fault;
    const uint32_t align = m_format.BlockAlign();
    const uint32_t bytes = std::min(buffer->bytesRecorded, buffer->length) / align * align;
    if (bytes > 0) {
        // The connection may take in audio only every so often; what it took
        // beyond this block tells how current the block is.
        const uint64_t filled = m_stream ? m_stream->BytesFilled() : 0;
        const uint64_t ahead = filled > m_bytesReturned ? (filled - m_bytesReturned) / align : 0;
        if (!m_loss.BlockArrived(m_nowMs, buffer->data, bytes, ahead))
            fault = Store(buffer->data, bytes);
        if (!fault)
            fault = WritePieces(m_loss.TakeWritable());
        m_levels.Add(buffer->data, bytes);
        m_pending.newAudio = true;
        m_pending.snapshot = QByteArray(reinterpret_cast<const char*>(buffer->data),
                                        qsizetype(std::min(buffer->length, kSnapshotBytes)));
    }
    if (fault) {
        EndWithFault(*fault);
        return;
    }
    if (m_nowMs - m_lastSyncMs >= kSyncIntervalMs) {
        Sync(false);
        m_lastSyncMs = m_nowMs;
    }
    if (m_nowMs - m_lastReportMs > kReportIntervalMs || m_pending.lostFrames > 0) {
        Report();
        m_lastReportMs = m_nowMs;
    }
    m_blocks->ResetHeader(*buffer);
    if (m_stream && !m_deviceLost)
        AddBlock(index);
}

std::optional<TakeFault> TakeWriter::Worker::Store(const uint8_t* data, uint64_t bytes)
{
    const uint32_t align = m_format.BlockAlign();
    const uint64_t at = m_file.DataOffset();
    const uint64_t room = at < maxDataBytes ? (maxDataBytes - at) / align * align : 0;
    const uint64_t toStore = std::min(bytes, room);

    const uint64_t written = m_file.Write(data, toStore);
    if (written < toStore) {
        // Disk full, file too large for the system: keep the whole frames that made it.
        qCWarning(lcEngine) << "writing the take failed:" << m_file.ErrorString();
        m_file.TrimToWholeFrames();
        m_mp3->EncodeToMp3Temp(data, uint32_t(written / align * align));
        return TakeFault::WriteFailed;
    }
    m_mp3->EncodeToMp3Temp(data, uint32_t(written));
    // Stop before the 32-bit sizes of the header would overflow, not after.
    if (toStore < bytes || room - toStore < align)
        return TakeFault::SizeLimit;
    return std::nullopt;
}

std::optional<TakeFault> TakeWriter::Worker::WritePieces(const std::vector<CaptureLossDetector::Piece>& pieces)
{
    for (const auto& piece : pieces) {
        std::optional<TakeFault> fault;
        if (piece.silenceFrames > 0) {
            qCWarning(lcEngine) << "the server dropped" << piece.silenceFrames << "frames; filled with silence"
                                << (piece.atMove ? "(moving the stream)" : "");
            // The move has its own message.
            if (!piece.atMove)
                m_pending.lostFrames += piece.silenceFrames;
            fault = StoreSilence(piece.silenceFrames * m_format.BlockAlign());
        } else {
            fault = Store(reinterpret_cast<const uint8_t*>(piece.audio.constData()), uint64_t(piece.audio.size()));
        }
        if (fault)
            return fault;
    }
    return std::nullopt;
}

std::optional<TakeFault> TakeWriter::Worker::StoreSilence(uint64_t bytes)
{
    const QByteArray silence(qsizetype(std::min<uint64_t>(bytes, 1u << 16)),
                             m_format.bitsPerSample == 8 ? char(0x80) : char(0));
    while (bytes > 0) {
        const uint64_t n = std::min<uint64_t>(bytes, uint64_t(silence.size()));
        if (auto fault = Store(reinterpret_cast<const uint8_t*>(silence.constData()), n))
            return fault;
        bytes -= n;
    }
    return std::nullopt;
}

void TakeWriter::Worker::Sync(bool last)
{
    if (!syncsEnabled)
        return;
    // The header's sizes first, so that the file plays as it is after a cut.
    if (!m_file.SyncToDisk())
        qCWarning(lcEngine) << "making the take durable failed:" << m_file.ErrorString();
    if (m_mp3)
        m_mp3->SyncMp3Temp();
    if (syncObserver)
        syncObserver(TakeSync{platform::CurrentThreadId(), m_lastTick, m_file.GetDataLength(), last});
}

void TakeWriter::Worker::Report()
{
    m_pending.dataBytes = m_file.GetDataLength();
    m_pending.levels = m_levels.Take();
    m_owner.Post(m_generation, [progress = std::exchange(m_pending, TakeProgress{}), this] {
        if (m_owner.m_listener.progress)
            m_owner.m_listener.progress(progress);
    });
}

void TakeWriter::Worker::Stop()
{
    if (!m_recording || m_stopping)
        return;
    // Everything captured up to this moment still arrives, block by block,
    // and `stopped` follows; the take ends there.
    m_stopping = true;
    if (!m_stream->Stop())
        OnStopped();
}

void TakeWriter::Worker::OnStopped()
{
    if (!m_recording || !m_stopping)
        return;
    m_recording = m_stopping = false;
    // The empty blocks come back and wait for the next start.
    if (!m_deviceLost)
        m_stream->Reset();
    const bool written = Finish();
    m_owner.Post(m_generation, [this, written] {
        if (m_owner.m_listener.stopped)
            m_owner.m_listener.stopped(written);
    });
}

void TakeWriter::Worker::OnFailed()
{
    // The stream is gone; the blocks it held came back before this call.
    m_deviceLost = true;
    if (m_recording)
        EndWithFault(TakeFault::DeviceLost);
}

void TakeWriter::Worker::EndWithFault(TakeFault fault)
{
    m_recording = m_stopping = false;
    if (m_stream && !m_deviceLost)
        m_stream->Reset();
    Finish();
    m_owner.Post(m_generation, [this, fault] {
        if (m_owner.m_listener.failed)
            m_owner.m_listener.failed(fault);
    });
}

bool TakeWriter::Worker::Finish()
{
    // Blocks held back while a stall was being measured still belong to the take.
    WritePieces(m_loss.Flush());
    const bool headerWritten = m_file.UpdateHeaderSizes();
    m_mp3->FinishMp3Temp();
    Sync(true);
    Report();
    return headerWritten;
}

void TakeWriter::Worker::Close()
{
    ++m_streamGeneration;
    if (m_stream) {
        if (!m_deviceLost)
            m_stream->Reset();
        m_stream->Close();
        m_stream.reset();
    }
    if (m_blocks)
        m_blocks->SetAllReturned();
    m_recording = m_stopping = m_deviceLost = false;
    m_mp3 = nullptr;
}
