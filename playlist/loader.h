#pragma once
// The playlist's one worker thread: opens and measures queued files through
// the decoder library, in the order they were queued, and hands each result
// by value to a callback. It shares nothing with the files' owner but its
// own queue. Plain C++ so that ThreadSanitizer can check it whole.

#include <zldecoder.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace playlist {

inline constexpr uint32_t kMaxItems = 5000;

// The result code beyond the library's open codes (1 to 6 and others).
inline constexpr uint32_t kEmptyStream = 16;

// Tells one version of a file from another: a file replaced, rewritten or
// only touched since it was loaded has another stamp.
struct FileStamp {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;

    bool operator==(const FileStamp&) const = default;
    // The file's stamp now (exists false when it cannot be looked at).
    static FileStamp Of(const std::string& path);
};

enum class LoadEvent { Started, Done };

// One result, handed over by value and named by the id it was queued with.
struct LoadResult {
    uint64_t id = 0;
    LoadEvent kind = LoadEvent::Started;
    // Done: 0 on success, else why the file could not be played.
    uint32_t code = 0;
    // Done: the opened stream, now the receiver's to close (0 on failure).
    ZLDEC_HANDLE stream = 0;
    // Done: the file's stamp taken just before it was opened, so that a
    // later change is never taken for the version loaded.
    FileStamp stamp;
};

// The three library calls the loader makes; tests may stand in for them.
struct DecoderCalls {
    std::function<uint32_t(ZLDEC_HANDLE*, const char*)> open = [](ZLDEC_HANDLE* stream, const char* path) {
        return ZLDec_OpenStream(stream, path, ZLDEC_INTERFACE_VERSION, ZLDEC_OPEN_PLAY);
    };
    std::function<uint32_t(ZLDEC_HANDLE, uint32_t*)> length = ZLDec_GetStreamLength;
    std::function<uint32_t(ZLDEC_HANDLE)> close = ZLDec_CloseStream;
};

class Loader {
public:
    // Called on the loader thread in the order of loading, under the
    // loader's lock, so that no result follows a stop: it must not call
    // the loader.
    using Deliver = std::function<void(LoadResult)>;

    explicit Loader(Deliver deliver, DecoderCalls calls = {});
    ~Loader();  // stops the thread within the bound if it still runs
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;

    // Returns once the thread runs.
    void StartLoader();
    void EnqueueForLoading(uint64_t id, std::string path);
    // The file's owner let it go: still queued, it is dropped without a
    // result; being opened, its result still comes (with a stream to close).
    void Forget(uint64_t id);
    // Asks the thread to quit and waits at most `bound`; true if it ended.
    // A thread still inside the decoder library is let go: it keeps its
    // own state alive, closes what it opened and reports nothing more.
    bool StopLoader(std::chrono::milliseconds bound = std::chrono::seconds(30));

private:
    struct Block;
    static void LoaderThread(std::shared_ptr<Block> block);

    std::shared_ptr<Block> m_block;
    std::thread m_thread;
};

// The result code of a failed open, in the one place that knows how the
// library reports an empty file.
uint32_t OpenFailureCode(uint32_t libraryCode);

}  // namespace playlist
