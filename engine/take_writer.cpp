#include "engine/take_writer.h"

#include <algorithm>
#include <QMetaObject>

#include "engine/take_writer_worker.h"

using platform::audio::PcmFormat;

TakeWriter::TakeWriter(RecordingFile& file, Listener listener)
    : m_worker(std::make_unique<Worker>(*this, file))
    , m_listener(std::move(listener))
{
    m_thread.setObjectName(QStringLiteral("take writer"));
}

TakeWriter::~TakeWriter() { Close(); }

void TakeWriter::StartThread()
{
    if (m_context)
        return;
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

void TakeWriter::StopThread()
{
    if (!m_context)
        return;
    // The stream's own receivers go with the thread's last events.
    m_thread.quit();
    m_thread.wait();
    delete m_context;
    m_context = nullptr;
}

uint32_t TakeWriter::BlockBytes(const PcmFormat& format)
{
    const uint32_t frames = std::max<uint32_t>(1, format.sampleRate * kBlockMs / 1000);
    return frames * format.BlockAlign();
}

void TakeWriter::RunOnWriterThread(const std::function<void()>& call)
{
    // Without a device there is no thread, and nothing runs concurrently.
    if (!m_context || QThread::currentThread() == &m_thread) {
        call();
        return;
    }
    QMetaObject::invokeMethod(
        m_context, [&call] { call(); }, Qt::BlockingQueuedConnection);
}

void TakeWriter::Post(uint64_t generation, std::function<void()> call)
{
    QMetaObject::invokeMethod(
        this,
        [this, generation, call = std::move(call)] {
            if (generation == m_generation)
                call();
        },
        Qt::QueuedConnection);
}

bool TakeWriter::Open(int device, const PcmFormat& format)
{
    const uint64_t generation = ++m_generation;
    StartThread();
    bool opened = false;
    RunOnWriterThread([&] { opened = m_worker->Open(generation, device, format); });
    m_open = opened;
    if (!opened)
        StopThread();
    return opened;
}

bool TakeWriter::Start(uint64_t dataOffset, Mp3Side& mp3)
{
    bool started = false;
    RunOnWriterThread([&] { started = m_worker->Start(dataOffset, mp3); });
    return started;
}

void TakeWriter::Stop()
{
    if (!m_context)
        return;
    QMetaObject::invokeMethod(
        m_context, [this] { m_worker->Stop(); }, Qt::QueuedConnection);
}

void TakeWriter::Close()
{
    ++m_generation;  // nothing reported before this reaches the owner
    RunOnWriterThread([this] { m_worker->Close(); });
    StopThread();
    m_open = false;
}

void TakeWriter::SetClock(TickClock clock)
{
    RunOnWriterThread([&] { m_worker->clock = std::move(clock); });
}

void TakeWriter::SetMaxDataBytes(uint64_t bytes)
{
    RunOnWriterThread([&] { m_worker->maxDataBytes = bytes; });
}

void TakeWriter::SetSyncObserver(std::function<void(const TakeSync&)> observer)
{
    RunOnWriterThread([&] { m_worker->syncObserver = std::move(observer); });
}

void TakeWriter::SetSyncsEnabled(bool enabled)
{
    RunOnWriterThread([&] { m_worker->syncsEnabled = enabled; });
}
