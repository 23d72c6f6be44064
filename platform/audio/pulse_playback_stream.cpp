#include "platform/audio/pulse_playback_stream.h"

#include <algorithm>

#include <pulse/timeval.h>

#include "platform/audio/audio_log.h"
#include "platform/audio/pulse_format.h"

namespace platform::audio {

namespace {
constexpr int kConnectTimeoutMs = 2000;
// Room at the server: about what a writer keeps queued, so that the server
// asks for more rarely. Asking only when this much is free also keeps the
// sink's own share of the latency small (the server gives the sink about
// half of what is left after two requests), and with it the error of
// "played" while the stream runs dry.
constexpr uint32_t kServerLatencyMs = 500;
constexpr uint32_t kRequestMs = 200;
// Each question about the played position costs a round trip on both sides,
// so it is asked when a block is due rather than on a fixed beat; while much
// is queued it waits until only this much is left to play, returning blocks
// in batches. Less queued than this: each block comes back when played.
constexpr uint32_t kSlackMs = 200;
// Until the server first answered, and the least wait between questions.
constexpr int kFirstPollMs = 20;
constexpr int kMinPollMs = 10;
}  // namespace

std::unique_ptr<PulsePlaybackStream> PulsePlaybackStream::Open(std::shared_ptr<PulseContext> pulse,
                                                               const PcmFormat& format, PlaybackCallbacks callbacks,
                                                               QString* error)
{
    std::unique_ptr<PulsePlaybackStream> stream(
        new PulsePlaybackStream(std::move(pulse), format, std::move(callbacks)));
    PulseContext::Lock lock(*stream->m_pulse);
    if (!stream->Connect(error, true))
        return nullptr;
    return stream;
}

PulsePlaybackStream::PulsePlaybackStream(std::shared_ptr<PulseContext> pulse, const PcmFormat& format,
                                         PlaybackCallbacks callbacks)
    : m_pulse(std::move(pulse))
    , m_format(format)
    , m_callbacks(std::move(callbacks))
    // PipeWire 0.3 fills the gaps of 8-bit streams with zero bytes, full
    // scale for unsigned samples: a thump at every start, pause and end.
    // Such audio goes out widened to 16 bits, whose silence is zero.
    , m_wideness(format.bitsPerSample == 8 ? 2 : 1)
{
}

PulsePlaybackStream::~PulsePlaybackStream()
{
    Close();
    PulseContext::Lock lock(*m_pulse);
    m_pulse->FreeTimer(m_poll);
}

bool PulsePlaybackStream::Connect(QString* error, bool wait)
{
    pa_sample_spec sampleSpec = ToSampleSpec(m_format);
    if (m_wideness > 1)
        sampleSpec.format = PA_SAMPLE_S16LE;
    m_stream = pa_stream_new(m_pulse->Context(), "Playback", &sampleSpec, nullptr);
    if (!m_stream) {
        if (error)
            *error = m_pulse->ErrorText();
        return false;
    }
    pa_stream_set_state_callback(m_stream, &OnStateChanged, this);
    pa_stream_set_write_callback(m_stream, &OnWritable, this);
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = BytesForMilliseconds(m_format, kServerLatencyMs) * m_wideness;
    // Start as soon as there is any audio, and after running dry wait for
    // the next block instead of skipping ahead: short clips play, nothing is lost.
    attr.prebuf = m_format.BlockAlign() * m_wideness;
    attr.minreq = BytesForMilliseconds(m_format, kRequestMs) * m_wideness;
    attr.fragsize = uint32_t(-1);
    m_queuedEnd = m_sent = m_played = m_drainEnd = 0;
    m_timingAsked = m_draining = m_timingKnown = m_paused = false;
    pa_stream* s = m_stream;
    // The played position between two answers of the server is estimated
    // from the clock.
    const auto flags =
        pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(s, nullptr, &attr, flags, nullptr, nullptr) < 0) {
        if (error)
            *error = m_pulse->ErrorText();
        Disconnect();
        return false;
    }
    if (!wait)
        return true;
    if (!m_pulse->WaitForStreamReady(s, kConnectTimeoutMs, error)) {
        Disconnect();
        return false;
    }
    return true;
}

void PulsePlaybackStream::ArmPoll()
{
    if (m_pollArmed || m_timingAsked)
        return;
    if (!m_poll)
        m_poll = m_pulse->NewTimer(&OnPoll, this);
    m_pulse->ArmTimer(m_poll, NextPollMs());
    m_pollArmed = true;
}

int PulsePlaybackStream::NextPollMs() const
{
    if (!m_timingKnown || m_blocks.empty())
        return kFirstPollMs;
    const auto msFor = [this](uint64_t bytes) {
        return bytes * 1000 / (uint64_t(m_format.sampleRate) * m_format.BlockAlign());
    };
    const uint64_t front = m_blocks.front().end > m_played ? msFor(m_blocks.front().end - m_played) : 0;
    const uint64_t all = m_queuedEnd > m_played ? msFor(m_queuedEnd - m_played) : 0;
    const uint64_t wait = std::max(front, all > kSlackMs ? all - kSlackMs : 0);
    return int(std::clamp<uint64_t>(wait, kMinPollMs, kServerLatencyMs));
}

void PulsePlaybackStream::Disconnect()
{
    m_operations.CancelAll();
    m_pulse->DisarmTimer(m_poll);
    m_pollArmed = false;
    m_timingAsked = m_draining = false;
    if (m_stream) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        ReleaseStream(m_stream);
        m_stream = nullptr;
    }
}

bool PulsePlaybackStream::Write(AudioBuffer* buffer)
{
    if (!buffer || (!buffer->data && buffer->length > 0) || buffer->length % m_format.BlockAlign() != 0)
        return false;
    PulseContext::Lock lock(*m_pulse);
    if (m_state != State::Open || !m_stream)
        return false;
    m_queuedEnd += buffer->length;
    m_blocks.push_back(Block{buffer, m_queuedEnd});
    Feed();
    ArmPoll();
    return true;
}

void PulsePlaybackStream::Reset()
{
    PulseContext::Lock lock(*m_pulse);
    if (m_state != State::Open)
        return;
    // Dropping the stream silences it at once; the next one starts empty.
    Disconnect();
    for (const Block& b : m_blocks)
        if (m_callbacks.bufferDone)
            m_calls.Post([done = m_callbacks.bufferDone, buffer = b.buffer] { done(buffer); });
    m_blocks.clear();
    QString error;
    if (!Connect(&error, false))
        Fail(error);
}

void PulsePlaybackStream::Pause()
{
    PulseContext::Lock lock(*m_pulse);
    if (m_state != State::Open || m_paused)
        return;
    m_paused = true;
    Cork(true);
}

void PulsePlaybackStream::Resume()
{
    PulseContext::Lock lock(*m_pulse);
    if (m_state != State::Open || !m_paused)
        return;
    m_paused = false;
    Cork(false);
}

void PulsePlaybackStream::Cork(bool on)
{
    // A stream still being set up is corked when it becomes ready.
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY)
        m_operations.Add(pa_stream_cork(m_stream, on ? 1 : 0, nullptr, nullptr));
}

uint64_t PulsePlaybackStream::PlayedFrames() const
{
    PulseContext::Lock lock(*m_pulse);
    uint64_t played = m_played;
    pa_usec_t usec = 0;
    if (m_state == State::Open && m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY &&
        pa_stream_get_time(m_stream, &usec) == 0)
        played = std::max(played, usec * m_format.sampleRate / PA_USEC_PER_SEC * m_format.BlockAlign());
    return std::min(played, m_sent) / m_format.BlockAlign();
}

void PulsePlaybackStream::Close()
{
    PulseContext::Lock lock(*m_pulse);
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    m_calls.Close();
    Disconnect();
    m_blocks.clear();
}

void PulsePlaybackStream::Feed()
{
    if (m_state != State::Open || !m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    while (m_sent < m_queuedEnd) {
        const size_t serverWritable = pa_stream_writable_size(m_stream);
        if (serverWritable == size_t(-1))
            return;
        const size_t writable = serverWritable / m_wideness;
        if (writable == 0)
            return;
        // The first block not yet sent in full.
        const auto it =
            std::find_if(m_blocks.begin(), m_blocks.end(), [this](const Block& b) { return b.end > m_sent; });
        const uint64_t start = it->end - it->buffer->length;
        const size_t n = size_t(std::min<uint64_t>(writable, it->end - m_sent));
        const uint8_t* data = it->buffer->data + (m_sent - start);
        if (m_wideness > 1) {
            m_widened.resize(n);
            for (size_t i = 0; i < n; ++i)
                m_widened[i] = int16_t((int(data[i]) - 128) << 8);
            data = reinterpret_cast<const uint8_t*>(m_widened.data());
        }
        if (pa_stream_write(m_stream, data, n * m_wideness, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            Fail(m_pulse->ErrorText());
            return;
        }
        m_sent += n;
    }
    DrainWhenAllSent();
}

void PulsePlaybackStream::DrainWhenAllSent()
{
    // One drain at a time: blocks written meanwhile wait for the next one.
    // Draining does not stop the stream, so they play on without a break.
    if (m_draining || m_sent != m_queuedEnd || m_played >= m_sent)
        return;
    pa_operation* op = pa_stream_drain(m_stream, &OnDrained, this);
    if (!op)
        return;
    m_draining = true;
    m_drainEnd = m_sent;
    m_operations.Add(op);
}

void PulsePlaybackStream::UpdatePlayed(const pa_timing_info& timing)
{
    if (timing.read_index < 0)
        return;
    m_timingKnown = true;
    const auto consumed = uint64_t(timing.read_index) / m_wideness;
    uint64_t played;
    if (consumed >= m_sent && m_sent == m_queuedEnd) {
        played = m_sent;  // ran dry: all we had is in the sink, its tail playing now
    } else {
        const auto inSink =
            uint64_t(pa_usec_to_bytes(timing.sink_usec, pa_stream_get_sample_spec(m_stream))) / m_wideness;
        played = consumed > inSink ? consumed - inSink : 0;
    }
    m_played = std::max(m_played, std::min(played, m_sent));
}

void PulsePlaybackStream::GiveBackPlayed()
{
    std::vector<std::function<void()>> calls;
    while (!m_blocks.empty() && m_blocks.front().end <= m_played) {
        if (m_callbacks.bufferDone)
            calls.push_back([done = m_callbacks.bufferDone, buffer = m_blocks.front().buffer] { done(buffer); });
        m_blocks.pop_front();
    }
    m_calls.Post(std::move(calls));
}

void PulsePlaybackStream::Fail(const QString& reason)
{
    if (m_state != State::Open)
        return;
    qCWarning(lcAudio) << "playback stream failed:" << reason;
    m_state = State::Broken;
    m_pulse->DisarmTimer(m_poll);
    m_pollArmed = false;
    if (m_callbacks.failed)
        m_calls.Post([failed = m_callbacks.failed, reason] { failed(reason); });
    for (const Block& b : m_blocks)
        if (m_callbacks.bufferDone)
            m_calls.Post([done = m_callbacks.bufferDone, buffer = b.buffer] { done(buffer); });
    m_blocks.clear();
}

void PulsePlaybackStream::OnStateChanged(pa_stream* s, void* self)
{
    auto* stream = static_cast<PulsePlaybackStream*>(self);
    stream->m_pulse->WakeWaiters();
    switch (pa_stream_get_state(s)) {
    case PA_STREAM_READY:
        if (stream->m_paused)
            stream->Cork(true);
        stream->Feed();
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        stream->Fail(stream->m_pulse->ErrorText());
        break;
    default:
        break;
    }
}

void PulsePlaybackStream::OnWritable(pa_stream*, size_t, void* self)
{
    static_cast<PulsePlaybackStream*>(self)->Feed();
}

void PulsePlaybackStream::OnTiming(pa_stream* s, int success, void* self)
{
    auto* stream = static_cast<PulsePlaybackStream*>(self);
    stream->m_timingAsked = false;
    const pa_timing_info* timing = success ? pa_stream_get_timing_info(s) : nullptr;
    if (timing)
        stream->UpdatePlayed(*timing);
    stream->GiveBackPlayed();
    if (!stream->m_blocks.empty() && stream->m_state == State::Open)
        stream->ArmPoll();
}

void PulsePlaybackStream::OnDrained(pa_stream*, int success, void* self)
{
    auto* stream = static_cast<PulsePlaybackStream*>(self);
    stream->m_draining = false;
    if (stream->m_state != State::Open)
        return;
    if (success)
        stream->m_played = std::max(stream->m_played, stream->m_drainEnd);
    stream->GiveBackPlayed();
    stream->Feed();
}

void PulsePlaybackStream::OnPoll(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
{
    auto* stream = static_cast<PulsePlaybackStream*>(self);
    stream->m_pollArmed = false;
    if (stream->m_blocks.empty() || !stream->m_stream || stream->m_state != State::Open)
        return;
    if (pa_stream_get_state(stream->m_stream) != PA_STREAM_READY) {
        stream->ArmPoll();  // a stream made by reset() is still being set up
        return;
    }
    // Zero-length blocks and blocks already played need no answer from the server.
    stream->GiveBackPlayed();
    stream->m_timingAsked = true;
    stream->m_operations.Add(pa_stream_update_timing_info(stream->m_stream, &OnTiming, self));
}

}  // namespace platform::audio
