#include "playlist/loader.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

namespace playlist {

// Everything the thread touches; shared with the thread so that a thread
// let go at StopLoader still finds it alive.
struct Loader::Block {
    Block(Deliver d, DecoderCalls c)
        : deliver(std::move(d))
        , calls(std::move(c))
    {
    }

    const Deliver deliver;
    const DecoderCalls calls;
    std::mutex lock;
    std::condition_variable work;
    std::condition_variable finishedSignal;
    // Guarded by lock.
    bool started = false;
    bool finished = false;
    bool quit = false;
    std::deque<std::pair<uint64_t, std::string>> queue;
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

void Loader::StartLoader()
{
    m_thread = std::thread(&Loader::LoaderThread, m_block);
    std::unique_lock guard(m_block->lock);
    m_block->work.wait(guard, [this] { return m_block->started; });
}

void Loader::EnqueueForLoading(uint64_t id, std::string path)
{
    Block& b = *m_block;
    std::lock_guard guard(b.lock);
    b.queue.emplace_back(id, std::move(path));
    b.work.notify_all();
}

void Loader::Forget(uint64_t id)
{
    Block& b = *m_block;
    std::lock_guard guard(b.lock);
    std::erase_if(b.queue, [id](const auto& request) { return request.first == id; });
}

bool Loader::StopLoader(std::chrono::milliseconds bound)
{
    if (!m_thread.joinable())
        return true;
    Block& b = *m_block;
    std::unique_lock guard(b.lock);
    b.quit = true;
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
        b.work.wait(guard, [&b] { return b.quit || !b.queue.empty(); });
        // Files still queued at the stop are dropped without a result.
        if (b.quit) {
            b.queue.clear();
            b.finished = true;
            b.finishedSignal.notify_all();
            return;
        }
        auto [id, path] = std::move(b.queue.front());
        b.queue.pop_front();
        LoadResult started;
        started.id = id;
        b.deliver(started);
        guard.unlock();

        LoadResult done;
        done.id = id;
        done.kind = LoadEvent::Done;
        done.stamp = FileStamp::Of(path);
        uint32_t code = b.calls.open(&done.stream, path.c_str());
        if (code == ZLDEC_OK) {
            uint32_t frames = 0;
            if (b.calls.length(done.stream, &frames) != ZLDEC_OK || frames == 0) {
                b.calls.close(done.stream);
                done.stream = 0;
                code = kEmptyStream;
            }
        } else {
            done.stream = 0;
            code = OpenFailureCode(code);
        }
        done.code = code;

        guard.lock();
        if (b.quit) {
            // Nobody takes the stream any more.
            if (done.stream)
                b.calls.close(done.stream);
            continue;
        }
        b.deliver(std::move(done));
    }
}

FileStamp FileStamp::Of(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {true,
            uint64_t(st.st_dev),
            uint64_t(st.st_ino),
            int64_t(st.st_size),
            int64_t(st.st_mtim.tv_sec),
            int64_t(st.st_mtim.tv_nsec)};
}

uint32_t OpenFailureCode(uint32_t libraryCode)
{
    // An empty file holds no stream at all: the list shows it as an empty
    // stream ("unknown error").
    return libraryCode == ZLDEC_ERR_EMPTY ? kEmptyStream : libraryCode;
}

}  // namespace playlist
