#include "platform/audio/fake_playback_stream.h"

#include <algorithm>

#include "platform/audio/fake_registry.h"

namespace platform::audio {

FakePlaybackStream::FakePlaybackStream(std::shared_ptr<FakeRegistry> registry, const PcmFormat& format,
                                       PlaybackCallbacks callbacks)
    : m_registry(std::move(registry))
    , m_format(format)
    , m_callbacks(std::move(callbacks))
{
    m_registry->playbacks.push_back(this);
}

FakePlaybackStream::~FakePlaybackStream()
{
    Close();
    std::erase(m_registry->playbacks, this);
}

bool FakePlaybackStream::Write(AudioBuffer* buffer)
{
    if (m_closed || m_broken || m_writeFails || !buffer || (!buffer->data && buffer->length > 0) ||
        buffer->length % m_format.BlockAlign() != 0)
        return false;
    const QByteArray bytes(reinterpret_cast<const char*>(buffer->data), qsizetype(buffer->length));
    m_written.append(bytes);
    m_queue.push_back(buffer);
    m_queuedBytes.push_back(bytes);
    ++m_writeCount;
    return true;
}

void FakePlaybackStream::Reset()
{
    if (m_closed || m_broken)
        return;
    ++m_resetCount;
    m_paused = false;
    m_playedSinceReset = 0;
    m_heardOfNext = 0;
    while (!m_queue.empty()) {
        GiveBack(m_queue.front());
        m_queue.pop_front();
    }
    m_queuedBytes.clear();
}

void FakePlaybackStream::Close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_calls.Close();
    m_queue.clear();
    m_queuedBytes.clear();
    ++m_registry->playbackCloses;
}

uint64_t FakePlaybackStream::PlayedFrames() const
{
    const uint64_t heard = m_queue.empty() ? 0 : std::min<uint64_t>(m_heardOfNext, m_queue.front()->length);
    return (m_playedSinceReset + heard) / m_format.BlockAlign();
}

bool FakePlaybackStream::CompleteNext()
{
    if (m_closed || m_paused || m_queue.empty())
        return false;
    m_playedSinceReset += m_queuedBytes.front().size();
    m_heardOfNext = 0;
    m_played.append(m_queuedBytes.front());
    m_queuedBytes.pop_front();
    GiveBack(m_queue.front());
    m_queue.pop_front();
    return true;
}

int FakePlaybackStream::CompleteAll()
{
    int n = 0;
    while (CompleteNext())
        ++n;
    return n;
}

void FakePlaybackStream::BreakStream(const QString& reason)
{
    if (m_closed || m_broken)
        return;
    m_broken = true;
    if (m_callbacks.failed)
        m_calls.Post([failed = m_callbacks.failed, reason] { failed(reason); });
    while (!m_queue.empty()) {
        GiveBack(m_queue.front());
        m_queue.pop_front();
    }
    m_queuedBytes.clear();
}

void FakePlaybackStream::GiveBack(AudioBuffer* buffer)
{
    if (m_callbacks.bufferDone)
        m_calls.Post([done = m_callbacks.bufferDone, buffer] { done(buffer); });
}

}  // namespace platform::audio
