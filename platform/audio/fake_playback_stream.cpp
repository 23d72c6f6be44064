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
    close();
    std::erase(m_registry->playbacks, this);
}

bool FakePlaybackStream::write(AudioBuffer* buffer)
{
    if (m_closed || m_broken || m_writeFails || !buffer || (!buffer->data && buffer->length > 0) ||
        buffer->length % m_format.blockAlign() != 0)
        return false;
    const QByteArray bytes(reinterpret_cast<const char*>(buffer->data), qsizetype(buffer->length));
    m_written.append(bytes);
    m_queue.push_back(buffer);
    m_queuedBytes.push_back(bytes);
    ++m_writeCount;
    return true;
}

void FakePlaybackStream::reset()
{
    if (m_closed || m_broken)
        return;
    ++m_resetCount;
    m_paused = false;
    m_playedSinceReset = 0;
    m_heardOfNext = 0;
    while (!m_queue.empty()) {
        giveBack(m_queue.front());
        m_queue.pop_front();
    }
    m_queuedBytes.clear();
}

void FakePlaybackStream::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_calls.close();
    m_queue.clear();
    m_queuedBytes.clear();
    ++m_registry->playbackCloses;
}

uint64_t FakePlaybackStream::playedFrames() const
{
    const uint64_t heard = m_queue.empty() ? 0 : std::min<uint64_t>(m_heardOfNext, m_queue.front()->length);
    return (m_playedSinceReset + heard) / m_format.blockAlign();
}

bool FakePlaybackStream::completeNext()
{
    if (m_closed || m_paused || m_queue.empty())
        return false;
    m_playedSinceReset += m_queuedBytes.front().size();
    m_heardOfNext = 0;
    m_played.append(m_queuedBytes.front());
    m_queuedBytes.pop_front();
    giveBack(m_queue.front());
    m_queue.pop_front();
    return true;
}

int FakePlaybackStream::completeAll()
{
    int n = 0;
    while (completeNext())
        ++n;
    return n;
}

void FakePlaybackStream::breakStream(const QString& reason)
{
    if (m_closed || m_broken)
        return;
    m_broken = true;
    if (m_callbacks.failed)
        m_calls.post([failed = m_callbacks.failed, reason] { failed(reason); });
    while (!m_queue.empty()) {
        giveBack(m_queue.front());
        m_queue.pop_front();
    }
    m_queuedBytes.clear();
}

void FakePlaybackStream::giveBack(AudioBuffer* buffer)
{
    if (m_callbacks.bufferDone)
        m_calls.post([done = m_callbacks.bufferDone, buffer] { done(buffer); });
}

}  // namespace platform::audio
