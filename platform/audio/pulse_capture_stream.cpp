#include "platform/audio/pulse_capture_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/audio/audio_log.h"
#include "platform/audio/pulse_format.h"

namespace platform::audio {

namespace {
constexpr int kConnectTimeoutMs = 2000;
// Audio the stream keeps while the owner thread holds every block. The
// server caps a stream's queue at 4 MiB (about 21 s of 48 kHz 16-bit stereo).
constexpr uint32_t kBacklogMs = 12000;
constexpr uint32_t kMaxQueueBytes = 4u << 20;
// How often the server hands us audio: short, so blocks return promptly.
constexpr uint32_t kFragmentMs = 20;
constexpr int kStopWatchMs = 100;
// A stop gives up on audio the server announced but that never came.
constexpr int kStopQuietWatches = 5;
constexpr int kStopMaxWatches = 30;

// How far the server has captured, counted like `taken`: all we took plus
// what it captured and we have not taken yet; failing an answer, all that
// reached us. Only the indices' difference counts: after a stall PipeWire
// moves both past the audio it dropped, which never reaches us.
uint64_t ServerPosition(pa_stream* s, int success, uint64_t taken, uint64_t arrived)
{
    const pa_timing_info* timing = success ? pa_stream_get_timing_info(s) : nullptr;
    if (!timing || timing->read_index_corrupt || timing->write_index_corrupt ||
        timing->write_index < timing->read_index)
        return arrived;
    return taken + uint64_t(timing->write_index - timing->read_index);
}
}  // namespace

std::unique_ptr<PulseCaptureStream> PulseCaptureStream::Open(std::shared_ptr<PulseContext> pulse,
                                                             const QByteArray& source, const PcmFormat& format,
                                                             CaptureCallbacks callbacks, QString* error)
{
    std::unique_ptr<PulseCaptureStream> stream(
        new PulseCaptureStream(std::move(pulse), source, format, std::move(callbacks)));
    PulseContext::Lock lock(*stream->m_pulse);
    if (!stream->Connect(true, error))
        return nullptr;
    return stream;
}

PulseCaptureStream::PulseCaptureStream(std::shared_ptr<PulseContext> pulse, const QByteArray& source,
                                       const PcmFormat& format, CaptureCallbacks callbacks)
    : m_pulse(std::move(pulse))
    , m_source(source)
    , m_format(format)
    , m_callbacks(std::move(callbacks))
    , m_follower(*m_pulse,
                 [this](const QString& from, const QString& to) {
                     if (m_callbacks.moved)
                         m_calls.Post([moved = m_callbacks.moved, from, to] { moved(from, to); });
                 })
    , m_pacer(format.BytesPerSecond(), BytesForMilliseconds(format, kFragmentMs))
{
}

PulseCaptureStream::~PulseCaptureStream()
{
    Close();
    PulseContext::Lock lock(*m_pulse);
    m_pulse->FreeTimer(m_stopWatch);
}

bool PulseCaptureStream::Connect(bool corked, QString* error)
{
    const pa_sample_spec sampleSpec = ToSampleSpec(m_format);
    m_stream = pa_stream_new(m_pulse->Context(), "Recording", &sampleSpec, nullptr);
    if (!m_stream) {
        if (error)
            *error = m_pulse->ErrorText();
        return false;
    }
    pa_stream_set_state_callback(m_stream, &OnStateChanged, this);
    pa_stream_set_read_callback(m_stream, &OnReadable, this);
    pa_buffer_attr attr;
    attr.maxlength = std::min(BytesForMilliseconds(m_format, kBacklogMs),
                              kMaxQueueBytes / m_format.BlockAlign() * m_format.BlockAlign());
    attr.fragsize = BytesForMilliseconds(m_format, kFragmentMs);
    attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
    const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | (corked ? PA_STREAM_START_CORKED : 0));
    m_taken = 0;
    m_stopPosition.reset();
    m_discardUntil.reset();
    pa_stream* s = m_stream;
    const bool ready =
        pa_stream_connect_record(s, m_source.isEmpty() ? nullptr : m_source.constData(), &attr, flags) == 0 &&
        m_pulse->WaitForStreamReady(s, kConnectTimeoutMs, error);
    if (!ready) {
        Disconnect();
        return false;
    }
    m_follower.Follow(s);
    return true;
}

void PulseCaptureStream::Disconnect()
{
    m_operations.CancelAll();
    m_follower.Stop();
    m_pulse->DisarmTimer(m_stopWatch);
    if (m_stream) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        ReleaseStream(m_stream);
        m_stream = nullptr;
    }
    // Cancelled operations never answer.
    m_stopQueries = m_stopAnswers = m_stopWanted = m_corks = m_corkAnswers = 0;
    m_taken = 0;
    m_stopPosition.reset();
    m_discardUntil.reset();
}

bool PulseCaptureStream::AddBuffer(AudioBuffer* buffer)
{
    if (!buffer || !buffer->data || buffer->length == 0)
        return false;
    PulseContext::Lock lock(*m_pulse);
    if (m_state == State::Closed || m_state == State::Broken)
        return false;
    buffer->bytesRecorded = 0;
    m_queue.push_back(buffer);
    Pump();
    return true;
}

bool PulseCaptureStream::Start()
{
    PulseContext::Lock lock(*m_pulse);
    if (m_state == State::Running)
        return true;
    if (m_state != State::Idle)
        return false;
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
        // The same stream goes on: a new one would start with a moment of
        // silence on some servers. What it captured before is discarded.
        m_operations.Add(pa_stream_cork(m_stream, 0, nullptr, nullptr));
    } else {
        Disconnect();
        if (!m_pulse->IsReady() || !Connect(false, nullptr))
            return false;
    }
    m_stopPosition.reset();
    SetState(State::Running);
    Pump();
    return true;
}

bool PulseCaptureStream::Stop()
{
    PulseContext::Lock lock(*m_pulse);
    if (m_state == State::Closed || m_state == State::Broken)
        return false;
    if (m_state != State::Running)
        return true;
    SetState(State::Stopping);
    // Ask how much the server has captured: everything up to that position
    // is delivered before `stopped`. The stream runs on meanwhile, as a
    // server may hold back a last partial fragment for as long as it is
    // paused.
    pa_operation* query = pa_stream_update_timing_info(m_stream, &OnStopPosition, this);
    if (query) {
        m_operations.Add(query);
        m_stopWanted = ++m_stopQueries;
    }
    m_lastArrived = ArrivedBytes();
    m_quietWatches = m_watches = 0;
    if (!m_stopWatch)
        m_stopWatch = m_pulse->NewTimer(&OnStopWatch, this);
    m_pulse->ArmTimer(m_stopWatch, kStopWatchMs);
    return true;
}

void PulseCaptureStream::Reset()
{
    PulseContext::Lock lock(*m_pulse);
    if (m_state == State::Closed || m_state == State::Broken)
        return;
    const bool stopPending = m_state == State::Stopping;
    if (m_state != State::Idle)
        Pause();
    m_carry.clear();
    GiveBackAll();
    SetState(State::Idle);
    if (stopPending && m_callbacks.stopped)
        m_calls.Post(m_callbacks.stopped);
}

void PulseCaptureStream::Close()
{
    PulseContext::Lock lock(*m_pulse);
    if (m_state == State::Closed)
        return;
    SetState(State::Closed);
    m_calls.Close();
    Disconnect();
    m_queue.clear();
    m_carry.clear();
}

void PulseCaptureStream::Pause()
{
    m_stopWanted = 0;
    m_stopPosition.reset();
    m_pulse->DisarmTimer(m_stopWatch);
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    // Whatever the server captured until the cork is stale for the next
    // start; its extent is known once the cork is done.
    m_discardUntil.reset();
    ++m_corks;
    m_operations.Add(pa_stream_cork(m_stream, 1, &OnCorked, this));
}

void PulseCaptureStream::SetState(State state)
{
    const bool starting = state == State::Running && !IsCapturing();
    m_state = state;
    if (starting)
        m_pacer.Start(CaptureWakePacer::Clock::now(), ArrivedBytes(), m_taken);
    SpaceWakeups();
}

void PulseCaptureStream::SpaceWakeups()
{
    const bool spaced = IsCapturing() && m_pacer.MaySpace();
    if (spaced && !m_wakeupsSpaced)
        m_pulse->HoldWakeups(CaptureWakePacer::kWakeInterval);
    else if (!spaced && m_wakeupsSpaced)
        m_pulse->ReleaseWakeups();
    m_wakeupsSpaced = spaced;
}

uint64_t PulseCaptureStream::ArrivedBytes() const
{
    const size_t readable = m_stream ? pa_stream_readable_size(m_stream) : 0;
    return m_taken + (readable == size_t(-1) ? 0 : readable);
}

void PulseCaptureStream::Pump()
{
    if (m_state != State::Running && m_state != State::Stopping)
        return;
    if (m_corkAnswers < m_corks)
        return;  // where the stale audio ends is not known yet
    if (!m_carry.isEmpty()) {
        const QByteArray carry = std::exchange(m_carry, {});
        Place(reinterpret_cast<const uint8_t*>(carry.constData()), size_t(carry.size()));
    }
    while (m_stream && !m_queue.empty() && m_carry.isEmpty()) {
        if (m_stopPosition && m_taken >= *m_stopPosition)
            break;
        const void* data = nullptr;
        size_t size = 0;
        if (pa_stream_peek(m_stream, &data, &size) < 0 || size == 0)
            break;
        // Of this fragment: what is stale, and what lies beyond a stop.
        const uint64_t end = m_taken + size;
        const uint64_t from = std::clamp(m_discardUntil.value_or(m_taken), m_taken, end);
        const uint64_t to = m_stopPosition ? std::clamp(*m_stopPosition, from, end) : end;
        if (to > from) {
            const size_t offset = size_t(from - m_taken), n = size_t(to - from);
            if (data) {
                Place(static_cast<const uint8_t*>(data) + offset, n);
            } else {
                // A hole in the stream: keep the timeline with silence.
                const QByteArray silence(qsizetype(n), m_format.bitsPerSample == 8 ? char(0x80) : char(0));
                Place(reinterpret_cast<const uint8_t*>(silence.constData()), n);
            }
        }
        pa_stream_drop(m_stream);
        m_pacer.PieceTaken();
        m_taken = end;
        if (m_discardUntil && m_taken >= *m_discardUntil)
            m_discardUntil.reset();
    }
    // Asking the library what arrived costs a system call: only when due.
    if (const auto now = CaptureWakePacer::Clock::now(); IsCapturing() && m_pacer.IsDue(now)) {
        m_pacer.Look(now, ArrivedBytes(), m_taken);
        SpaceWakeups();
    }
    if (m_state == State::Stopping)
        FinishStopWhenDrained();
}

void PulseCaptureStream::Place(const uint8_t* data, size_t size)
{
    size_t done = 0;
    while (done < size && !m_queue.empty()) {
        AudioBuffer* block = m_queue.front();
        const size_t n = std::min<size_t>(block->length - block->bytesRecorded, size - done);
        std::memcpy(block->data + block->bytesRecorded, data + done, n);
        block->bytesRecorded += uint32_t(n);
        m_filled += n;
        done += n;
        if (block->bytesRecorded == block->length) {
            m_queue.pop_front();
            GiveBack(block);
        }
    }
    if (done < size)
        m_carry.append(reinterpret_cast<const char*>(data + done), qsizetype(size - done));
}

void PulseCaptureStream::FinishStopWhenDrained()
{
    if (!m_stopPosition || m_taken < *m_stopPosition || !m_carry.isEmpty())
        return;
    if (!m_queue.empty() && m_queue.front()->bytesRecorded > 0) {
        AudioBuffer* partial = m_queue.front();
        m_queue.pop_front();
        GiveBack(partial);
    }
    Pause();
    SetState(State::Idle);
    if (m_callbacks.stopped)
        m_calls.Post(m_callbacks.stopped);
}

void PulseCaptureStream::WatchStop()
{
    if (m_state != State::Stopping)
        return;
    const uint64_t arrived = ArrivedBytes();
    m_quietWatches = arrived == m_lastArrived ? m_quietWatches + 1 : 0;
    m_lastArrived = arrived;
    ++m_watches;
    const bool allArrived = m_stopPosition && arrived >= *m_stopPosition;
    if (!allArrived && (m_quietWatches >= kStopQuietWatches || m_watches >= kStopMaxWatches)) {
        // The server's answer or its last audio got lost: end with what came.
        m_stopPosition = arrived;
        Pump();
    }
    if (m_state == State::Stopping && !allArrived)
        m_pulse->ArmTimer(m_stopWatch, kStopWatchMs);
}

void PulseCaptureStream::Fail(const QString& reason)
{
    if (m_state == State::Closed || m_state == State::Broken)
        return;
    qCWarning(lcAudio) << "capture stream failed:" << reason;
    SetState(State::Broken);
    m_carry.clear();
    GiveBackAll();
    if (m_callbacks.failed)
        m_calls.Post([failed = m_callbacks.failed, reason] { failed(reason); });
}

void PulseCaptureStream::GiveBack(AudioBuffer* buffer)
{
    if (m_callbacks.bufferDone)
        m_calls.Post([done = m_callbacks.bufferDone, buffer] { done(buffer); });
}

void PulseCaptureStream::GiveBackAll()
{
    while (!m_queue.empty()) {
        GiveBack(m_queue.front());
        m_queue.pop_front();
    }
}

void PulseCaptureStream::OnStateChanged(pa_stream* s, void* self)
{
    auto* stream = static_cast<PulseCaptureStream*>(self);
    stream->m_pulse->WakeWaiters();
    const pa_stream_state_t state = pa_stream_get_state(s);
    if ((state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) &&
        (stream->m_state == State::Running || stream->m_state == State::Stopping))
        stream->Fail(stream->m_pulse->ErrorText());
}

void PulseCaptureStream::OnReadable(pa_stream*, size_t, void* self) { static_cast<PulseCaptureStream*>(self)->Pump(); }

void PulseCaptureStream::OnCorked(pa_stream* s, int, void* self)
{
    auto* stream = static_cast<PulseCaptureStream*>(self);
    // Asked only now, a round trip after the cork, so that the answer
    // covers all the server captured before it.
    pa_operation* query = pa_stream_update_timing_info(s, &OnDiscardPosition, self);
    if (query)
        stream->m_operations.Add(query);
    else
        OnDiscardPosition(s, 0, self);
}

void PulseCaptureStream::OnDiscardPosition(pa_stream* s, int success, void* self)
{
    auto* stream = static_cast<PulseCaptureStream*>(self);
    // Answers come in order; only the one to the latest cork counts.
    if (++stream->m_corkAnswers == stream->m_corks) {
        stream->m_discardUntil = ServerPosition(s, success, stream->m_taken, stream->ArrivedBytes());
        stream->Pump();
    }
}

void PulseCaptureStream::OnStopPosition(pa_stream* s, int success, void* self)
{
    auto* stream = static_cast<PulseCaptureStream*>(self);
    if (++stream->m_stopAnswers != stream->m_stopWanted || stream->m_state != State::Stopping)
        return;
    stream->m_stopPosition = ServerPosition(s, success, stream->m_taken, stream->ArrivedBytes());
    stream->Pump();
}

void PulseCaptureStream::OnStopWatch(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
{
    static_cast<PulseCaptureStream*>(self)->WatchStop();
}

}  // namespace platform::audio
