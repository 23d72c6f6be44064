#pragma once
// The playlist's one worker thread: opens and measures queued entries through
// the decoder library, in the order they were queued, and hands each result
// to a callback. Plain C++ so that ThreadSanitizer can check it whole.

#include <zldecoder.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace playlist {

inline constexpr uint32_t kMaxItems = 5000;

// Result codes beyond the library's open codes (1 to 6 and others).
inline constexpr uint32_t kRemovedWhileWaiting = 2;
inline constexpr uint32_t kEmptyStream = 16;

// `imageCount` of an entry removed while the loader still owes its result.
inline constexpr uint8_t kRemovedMark = 255;

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

// What the loader needs of an entry. The fields the lock guards are marked.
struct LoaderEntry {
    // The file system's bytes of the full path; fixed once queued.
    std::string path;
    // Guarded: the stream the loader opened, parked until the window thread
    // takes it on the load-done result (0 if opening failed).
    ZLDEC_HANDLE parked = 0;
    // Guarded, handed over with `parked`: the file's stamp taken just before
    // it was opened, so that a later change is never taken for the version loaded.
    FileStamp parkedStamp;
    // Guarded as the removal mark (kRemovedMark); otherwise the number of
    // row pictures, which only the window thread uses.
    uint8_t imageCount = 1;
};

enum class LoadEvent { Started, Done };

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
    // Called on the loader thread, never under the lock, in the order of
    // loading; `code` is 0 on success (Done only).
    using Deliver = std::function<void(LoaderEntry*, LoadEvent, uint32_t code)>;

    explicit Loader(Deliver deliver, DecoderCalls calls = {});
    ~Loader();  // stops the thread within the bound if it still runs
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;

    // Returns once the thread runs.
    void StartLoader();
    void EnqueueForLoading(LoaderEntry* entry);
    // Asks the thread to quit and waits at most `bound`; true if it ended.
    // A thread still inside the decoder library is let go: it keeps its
    // own state alive and touches no entry afterwards.
    bool StopLoader(std::chrono::milliseconds bound = std::chrono::seconds(30));

    // The lock shared with the window thread's removal of entries.
    std::mutex& lock();

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
