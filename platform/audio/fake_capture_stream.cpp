#include "platform/audio/fake_capture_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/audio/fake_registry.h"

namespace platform::audio {

FakeCaptureStream::FakeCaptureStream(std::shared_ptr<FakeRegistry> registry, int device, const PcmFormat& format,
                                     CaptureCallbacks callbacks)
    : m_registry(std::move(registry))
    , m_device(device)
    , m_format(format)
    , m_callbacks(std::move(callbacks))
    , m_tone(format, 0.0, 0.0)
{
    m_registry->captures.push_back(this);
}

FakeCaptureStream::~FakeCaptureStream()
{
    Close();
    std::erase(m_registry->captures, this);
}

bool FakeCaptureStream::AddBuffer(AudioBuffer* buffer)
{
    if (m_addBufferFails || !buffer || !buffer->data || buffer->length == 0)
        return false;
    if (m_state == State::Closed || m_state == State::Broken)
        return false;
    buffer->bytesRecorded = 0;
    m_queue.push_back(buffer);
    if (m_state == State::Running || m_state == State::Stopping)
        FillQueuedBlocks();
    if (m_state == State::Stopping)
        FinishStopWhenDrained();
    return true;
}

bool FakeCaptureStream::Start()
{
    if (m_state == State::Running)
        return true;
    if (m_state != State::Idle)
        return false;  // closed, broken, or a stop still waiting for blocks
    ++m_startCount;
    m_state = State::Running;
    return true;
}

bool FakeCaptureStream::Stop()
{
    if (m_state == State::Closed || m_state == State::Broken)
        return false;
    if (m_state != State::Running)
        return true;  // nothing is being captured: nothing to report
    ++m_stopCount;
    m_state = State::Stopping;
    FinishStopWhenDrained();
    return true;
}

void FakeCaptureStream::Reset()
{
    if (m_state == State::Closed || m_state == State::Broken)
        return;
    ++m_resetCount;
    const bool stopPending = m_state == State::Stopping;
    m_waiting.clear();
    GiveBackAll();
    m_state = State::Idle;
    if (stopPending && m_callbacks.stopped)
        m_calls.Post(m_callbacks.stopped);
}

void FakeCaptureStream::Close()
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    m_calls.Close();
    m_queue.clear();
    m_waiting.clear();
    ++m_registry->captureCloses;
}

bool FakeCaptureStream::Deliver(const QByteArray& bytes)
{
    if (m_state != State::Running)
        return false;
    m_waiting.append(bytes);
    FillQueuedBlocks();
    return true;
}

bool FakeCaptureStream::DeliverTone(double frequency, double amplitude, uint32_t frames)
{
    if (frequency != m_toneFrequency || amplitude != m_toneAmplitude) {
        m_tone = ToneGenerator(m_format, frequency, amplitude);
        m_toneFrequency = frequency;
        m_toneAmplitude = amplitude;
    }
    if (m_state != State::Running)
        return false;
    return Deliver(m_tone.Next(frames));
}

bool FakeCaptureStream::DeliverSilence(uint32_t frames)
{
    const char silence = m_format.bitsPerSample == 8 ? char(0x80) : char(0);
    return Deliver(QByteArray(qsizetype(frames) * m_format.BlockAlign(), silence));
}

void FakeCaptureStream::BreakStream(const QString& reason)
{
    if (m_state == State::Closed || m_state == State::Broken)
        return;
    m_waiting.clear();
    GiveBackAll();
    m_state = State::Broken;
    if (m_callbacks.failed)
        m_calls.Post([failed = m_callbacks.failed, reason] { failed(reason); });
}

void FakeCaptureStream::MoveTo(const QString& from, const QString& to)
{
    if (m_callbacks.moved && m_state != State::Closed)
        m_calls.Post([moved = m_callbacks.moved, from, to] { moved(from, to); });
}

void FakeCaptureStream::FillQueuedBlocks()
{
    qsizetype taken = 0;
    while (!m_queue.empty() && taken < m_waiting.size()) {
        AudioBuffer* block = m_queue.front();
        const auto n = std::min<qsizetype>(block->length - block->bytesRecorded, m_waiting.size() - taken);
        std::memcpy(block->data + block->bytesRecorded, m_waiting.constData() + taken, size_t(n));
        block->bytesRecorded += uint32_t(n);
        m_filled += uint64_t(n);
        taken += n;
        if (block->bytesRecorded == block->length) {
            m_queue.pop_front();
            GiveBack(block);
        }
    }
    m_waiting.remove(0, taken);
}

void FakeCaptureStream::FinishStopWhenDrained()
{
    if (!m_waiting.isEmpty())
        return;  // the rest waits for blocks added later
    if (!m_queue.empty() && m_queue.front()->bytesRecorded > 0) {
        AudioBuffer* partial = m_queue.front();
        m_queue.pop_front();
        GiveBack(partial);
    }
    m_state = State::Idle;
    if (m_callbacks.stopped)
        m_calls.Post(m_callbacks.stopped);
}

void FakeCaptureStream::GiveBack(AudioBuffer* buffer)
{
    if (m_callbacks.bufferDone)
        m_calls.Post([done = m_callbacks.bufferDone, buffer] { done(buffer); });
}

void FakeCaptureStream::GiveBackAll()
{
    while (!m_queue.empty()) {
        GiveBack(m_queue.front());
        m_queue.pop_front();
    }
}

}  // namespace platform::audio
