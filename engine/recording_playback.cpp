#include "engine/recording_playback.h"

#include <algorithm>

using platform::audio::AudioBuffer;

RecordingPlayback::RecordingPlayback(RecordingFile& recording, const platform::audio::PcmFormat& format,
                                     uint32_t& position)
    : m_recording(recording), m_format(format), m_position(position)
{
}

RecordingPlayback::~RecordingPlayback() { Close(); }

RecordingPlayback::StartResult RecordingPlayback::Start()
{
    platform::audio::PlaybackCallbacks callbacks;
    const uint64_t generation = ++m_streamGeneration;
    callbacks.bufferDone = [this, generation](AudioBuffer* buffer) {
        if (generation == m_streamGeneration)
            OnWaveOutDone(buffer);
    };
    callbacks.failed = [this, generation](const QString&) {
        if (generation == m_streamGeneration)
            OnWaveOutFailed();
    };
    m_waveOut = platform::audio::backend().openPlayback(m_format, std::move(callbacks));
    if (!m_waveOut)
        return StartResult::DeviceFailed;

    const uint32_t align = m_format.blockAlign();
    if (uint64_t(m_position) * align == m_recording.GetDataLength())
        m_position = 0;

    for (int i = 0; i < m_playBuffers.count(); ++i) {
        const uint32_t n = BytesToFill();
        if (n == 0 || !FillAndWrite(m_playBuffers[i], n))
            break;
        m_playing = true;
        if (n < AudioBlocks::kBlockSize)
            break;
    }
    // The rewind and the first blocks moved the position: what the window
    // shows is what a partial clear keeps.
    if (onPositionAdvanced)
        onPositionAdvanced();
    if (m_queuedPlayBuffers == 0) {
        // Nothing could be handed to the device: it is as good as unusable.
        m_playing = false;
        CloseDevice();
        return takeReadFailure() ? StartResult::ReadFailed : StartResult::DeviceFailed;
    }
    return StartResult::Started;
}

void RecordingPlayback::Stop()
{
    if (!m_playing)
        return;
    m_playing = false;
    if (m_waveOut)
        m_waveOut->reset();
}

void RecordingPlayback::Restart()
{
    if (m_waveOut)
        m_waveOut->reset();
}

void RecordingPlayback::Close()
{
    m_playing = false;
    if (m_waveOut)
        m_waveOut->reset();
    CloseDevice();
}

void RecordingPlayback::OnWaveOutDone(AudioBuffer* buffer)
{
    if (m_playBuffers.indexOf(buffer) < 0)
        return;
    if (onBufferPlayed)
        onBufferPlayed(*buffer);
    if (m_queuedPlayBuffers > 0)
        --m_queuedPlayBuffers;

    const uint32_t n = BytesToFill();
    if (m_playing && n > 0 && m_waveOut && FillAndWrite(*buffer, n)) {
        if (onPositionAdvanced)
            onPositionAdvanced();
        return;
    }
    if (m_queuedPlayBuffers > 0)
        return;  // draining: the device closes with the last block
    m_playing = false;
    CloseDevice();
    if (onClosed)
        onClosed();
}

void RecordingPlayback::OnWaveOutFailed()
{
    // The sound server went away: the blocks it held are given up with it.
    m_playing = false;
    m_queuedPlayBuffers = 0;
    CloseDevice();
    if (onClosed)
        onClosed();
}

uint32_t RecordingPlayback::BytesToFill() const
{
    const uint32_t align = m_format.blockAlign();
    if (align == 0)
        return 0;
    const uint32_t frames = m_recording.GetDataLength() / align;
    if (m_position >= frames)
        return 0;
    const uint64_t remaining = uint64_t(frames - m_position) * align;
    return uint32_t(std::min<uint64_t>(remaining, AudioBlocks::kBlockSize));
}

bool RecordingPlayback::FillAndWrite(AudioBuffer& buffer, uint32_t bytes)
{
    const uint32_t align = m_format.blockAlign();
    const int64_t read = m_recording.ReadAt(uint64_t(m_position) * align, buffer.data, bytes);
    if (read < 0) {
        // What is queued still plays; nothing more is read.
        m_readFailed = true;
        m_playing = false;
        return false;
    }
    const uint32_t n = uint32_t(uint64_t(read) / align * align);
    if (n == 0)
        return false;
    buffer.length = n;
    buffer.bytesRecorded = 0;
    if (!m_waveOut->write(&buffer))
        return false;
    ++m_queuedPlayBuffers;
    m_position += n / align;
    return true;
}

void RecordingPlayback::CloseDevice()
{
    if (!m_waveOut)
        return;
    // Closing drops whatever the stream has not delivered yet; the audio layer
    // keeps a running callback alive, so this may happen inside one.
    ++m_streamGeneration;
    m_waveOut->close();
    m_waveOut.reset();
    m_queuedPlayBuffers = 0;
}
