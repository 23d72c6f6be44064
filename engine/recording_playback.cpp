#include "engine/recording_playback.h"

#include <algorithm>

#include "engine/engine_log.h"

using platform::audio::AudioBuffer;

RecordingPlayback::RecordingPlayback(RecordingFile& recording, const platform::audio::PcmFormat& format,
                                     uint32_t& position)
    : m_recording(recording)
    , m_format(format)
    , m_position(position)
{
    m_positionTimer.setInterval(kPositionIntervalMs);
    m_positionTimer.callOnTimeout([this] { FollowHeardPosition(); });
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
    callbacks.failed = [this, generation](const QString& reason) {
        if (generation != m_streamGeneration)
            return;
        qCWarning(lcEngine) << "playback output lost:" << reason;
        OnWaveOutFailed();
    };
    m_waveOut = platform::audio::Backend().OpenPlayback(m_format, std::move(callbacks));
    if (!m_waveOut)
        return StartResult::DeviceFailed;

    const uint32_t align = m_format.BlockAlign();
    if (uint64_t(m_position) * align == m_recording.GetDataLength())
        m_position = 0;

    m_budget = platform::audio::QueueBudgetFor(m_format, AudioBlocks::kBlockSize, m_playBuffers.Count());
    m_playBuffers.SetAllReturned();
    m_queuedPlayBuffers = 0;
    ForgetQueue(m_position);
    m_playing = true;
    TopUp();
    if (onPositionAdvanced)
        onPositionAdvanced();
    if (m_queuedPlayBuffers == 0) {
        // Nothing could be handed to the device: it is as good as unusable.
        m_playing = false;
        CloseDevice();
        return TakeReadFailure() ? StartResult::ReadFailed : StartResult::DeviceFailed;
    }
    m_positionTimer.start();
    return StartResult::Started;
}

void RecordingPlayback::Stop()
{
    if (!m_playing)
        return;
    // What is heard is what a partial clear keeps, not what was queued.
    const uint32_t heard = HeardFrame();
    m_playing = false;
    if (m_waveOut)
        m_waveOut->Reset();
    ForgetQueue(heard);
    if (onPositionAdvanced)
        onPositionAdvanced();
}

void RecordingPlayback::Restart()
{
    if (!m_waveOut)
        return;
    m_waveOut->Reset();
    ForgetQueue(m_position);
}

void RecordingPlayback::ContinueFromPosition()
{
    if (!m_waveOut)
        return;
    m_next = m_position;
    if (m_playing)
        TopUp();
}

void RecordingPlayback::Close()
{
    m_playing = false;
    if (m_waveOut)
        m_waveOut->Reset();
    CloseDevice();
}

void RecordingPlayback::OnWaveOutDone(AudioBuffer* buffer)
{
    const int index = m_playBuffers.IndexOf(buffer);
    if (index < 0)
        return;
    m_playBuffers.SetWithStream(index, false);
    if (!m_pieces.empty() && m_pieces.front().buffer == buffer) {
        m_piecesStart += m_pieces.front().frames;
        m_pieces.pop_front();
    }
    if (onBufferPlayed)
        onBufferPlayed(*buffer);
    if (m_queuedPlayBuffers > 0)
        --m_queuedPlayBuffers;

    if (m_playing && m_waveOut)
        TopUp();
    if (m_queuedPlayBuffers > 0) {
        FollowHeardPosition();
        return;  // playing, or draining: the device closes with the last block
    }
    m_playing = false;
    CloseDevice();
    m_position = m_next;
    if (onPositionAdvanced)
        onPositionAdvanced();
    if (onClosed)
        onClosed();
}

void RecordingPlayback::OnWaveOutFailed()
{
    // The sound server went away: the blocks it held are given up with it,
    // and the position stays at what was last heard.
    m_deviceLost = m_playing;
    m_playing = false;
    CloseDevice();
    ForgetQueue(m_position);
    if (onClosed)
        onClosed();
}

void RecordingPlayback::TopUp()
{
    for (int i = 0; i < m_playBuffers.Count() && m_queuedPlayBuffers < uint32_t(m_budget.pieces); ++i) {
        if (m_playBuffers.IsWithStream(i))
            continue;
        const uint32_t n = BytesToFill();
        if (n == 0 || !FillAndWrite(i, n))
            return;
    }
}

uint32_t RecordingPlayback::BytesToFill() const
{
    const uint32_t align = m_format.BlockAlign();
    if (align == 0)
        return 0;
    const uint32_t frames = m_recording.GetDataLength() / align;
    if (m_next >= frames)
        return 0;
    const uint64_t remaining = uint64_t(frames - m_next) * align;
    return uint32_t(std::min<uint64_t>(remaining, m_budget.pieceBytes));
}

bool RecordingPlayback::FillAndWrite(int block, uint32_t bytes)
{
    AudioBuffer& buffer = m_playBuffers[block];
    const uint32_t align = m_format.BlockAlign();
    const int64_t read = m_recording.ReadAt(uint64_t(m_next) * align, buffer.data, bytes);
    if (read < 0) {
        qCWarning(lcEngine) << "cannot read the take to play it";
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
    if (!m_waveOut->Write(&buffer))
        return false;
    m_playBuffers.SetWithStream(block, true);
    ++m_queuedPlayBuffers;
    m_pieces.push_back(Piece{&buffer, m_next, n / align});
    m_next += n / align;
    return true;
}

uint32_t RecordingPlayback::HeardFrame() const
{
    if (!m_waveOut)
        return m_next;
    const uint64_t played = m_waveOut->PlayedFrames();
    uint64_t at = m_piecesStart;
    for (const Piece& piece : m_pieces) {
        if (played < at + piece.frames)
            return piece.frame + uint32_t(played > at ? played - at : 0);
        at += piece.frames;
    }
    return m_next;
}

void RecordingPlayback::FollowHeardPosition()
{
    if (!m_waveOut)
        return;
    m_position = HeardFrame();
    if (onPositionAdvanced)
        onPositionAdvanced();
}

void RecordingPlayback::ForgetQueue(uint32_t frame)
{
    m_pieces.clear();
    m_piecesStart = 0;
    m_next = frame;
    m_position = frame;
}

void RecordingPlayback::CloseDevice()
{
    m_positionTimer.stop();
    if (!m_waveOut)
        return;
    // Closing drops whatever the stream has not delivered yet; the audio layer
    // keeps a running callback alive, so this may happen inside one.
    ++m_streamGeneration;
    m_waveOut->Close();
    m_waveOut.reset();
    m_queuedPlayBuffers = 0;
    m_playBuffers.SetAllReturned();
}
