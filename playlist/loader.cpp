#include "playlist/loader.h"

#include <sys/stat.h>

#include <utility>

namespace playlist {

// Everything the thread can touch besides the entries; shared with the
// thread so that a thread let go at StopLoader still finds it alive.
struct Loader::Block {
    Block(Deliver d, DecoderCalls c) : deliver(std::move(d)), calls(std::move(c)), ring(kMaxItems) {}

    const Deliver deliver;
    const DecoderCalls calls;
    std::mutex lock;
    std::condition_variable work;
    std::condition_variable finishedSignal;
    // Guarded by lock.
    bool started = false;
    bool finished = false;
    bool quit = false;
    bool workPending = false;
    uint32_t head = 0;
    uint32_t queued = 0;
    std::vector<LoaderEntry*> ring;
};

Loader::Loader(Deliver deliver, DecoderCalls calls)
    : m_block(std::make_shared<Block>(std::move(deliver), std::move(calls)))
{
}

Loader::~Loader()
{
    if (m_thread.joinable())
        StopLoader();
}

std::mutex& Loader::lock() { return m_block->lock; }

void Loader::StartLoader()
{
    m_thread = std::thread(&Loader::LoaderThread, m_block);
    std::unique_lock guard(m_block->lock);
    m_block->work.wait(guard, [this] { return m_block->started; });
}

void Loader::EnqueueForLoading(LoaderEntry* entry)
{
    Block& b = *m_block;
    std::lock_guard guard(b.lock);
    // The ring holds the whole list, but entries removed while queued keep
    // their places until the thread reaches them, and new ones may follow.
    if (b.queued == b.ring.size()) {
        std::vector<LoaderEntry*> larger(b.ring.size() * 2);
        for (uint32_t i = 0; i < b.queued; ++i)
            larger[i] = b.ring[(b.head + i) % b.ring.size()];
        b.ring.swap(larger);
        b.head = 0;
    }
    b.ring[(b.head + b.queued) % b.ring.size()] = entry;
    ++b.queued;
    b.workPending = true;
    b.work.notify_all();
}

bool Loader::StopLoader(std::chrono::milliseconds bound)
{
    if (!m_thread.joinable())
        return true;
    Block& b = *m_block;
    std::unique_lock guard(b.lock);
    b.quit = true;
    b.workPending = true;
    b.work.notify_all();
    const bool ended = b.finishedSignal.wait_for(guard, bound, [&b] { return b.finished; });
    guard.unlock();
    if (ended)
        m_thread.join();
    else
        m_thread.detach();
    return ended;
}

void Loader::LoaderThread(std::shared_ptr<Block> block)
{
    Block& b = *block;
    std::unique_lock guard(b.lock);
    b.started = true;
    b.work.notify_all();
    for (;;) {
        b.work.wait(guard, [&b] { return b.workPending; });
        b.workPending = false;
        while (b.queued != 0) {
            // Entries still queued at the stop are dropped without a result
            // and never touched: their owner may already have freed them.
            if (b.quit) {
                b.queued = 0;
                break;
            }
            LoaderEntry* entry = b.ring[b.head];
            b.head = (b.head + 1) % b.ring.size();
            --b.queued;
            entry->parked = 0;
            if (entry->imageCount == kRemovedMark) {
                guard.unlock();
                b.deliver(entry, LoadEvent::Done, kRemovedWhileWaiting);
                guard.lock();
                continue;
            }
            // The thread's own copy: the entry may be gone while the
            // library works if the window thread stops waiting for us.
            const std::string path = entry->path;
            guard.unlock();
            b.deliver(entry, LoadEvent::Started, 0);
            // Lets a removal the window thread is doing on this entry finish.
            guard.lock();
            guard.unlock();

            const FileStamp stamp = FileStamp::Of(path);
            ZLDEC_HANDLE stream = 0;
            uint32_t code = b.calls.open(&stream, path.c_str());
            if (code == ZLDEC_OK) {
                uint32_t frames = 0;
                if (b.calls.length(stream, &frames) != ZLDEC_OK || frames == 0) {
                    b.calls.close(stream);
                    stream = 0;
                    code = kEmptyStream;
                }
            } else {
                stream = 0;
                code = OpenFailureCode(code);
            }

            guard.lock();
            const bool quitting = b.quit;
            if (!quitting) {
                entry->parked = stream;
                entry->parkedStamp = stamp;
            }
            guard.unlock();
            if (quitting) {
                // Nobody takes the stream any more, and the entry may be gone.
                if (stream)
                    b.calls.close(stream);
            } else {
                b.deliver(entry, LoadEvent::Done, code);
            }
            guard.lock();
        }
        if (b.quit) {
            b.finished = true;
            b.finishedSignal.notify_all();
            return;
        }
    }
}

FileStamp FileStamp::Of(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {true, uint64_t(st.st_dev), uint64_t(st.st_ino), int64_t(st.st_size), int64_t(st.st_mtim.tv_sec),
            int64_t(st.st_mtim.tv_nsec)};
}

uint32_t OpenFailureCode(uint32_t libraryCode)
{
    // An empty file holds no stream at all: the list shows it as an empty
    // stream ("unknown error").
    return libraryCode == ZLDEC_ERR_EMPTY ? kEmptyStream : libraryCode;
}

}  // namespace playlist
