#pragma once
// The process-wide table of open streams and of the information frames that
// finished streams leave for the tag calls. Safe for any thread; each
// stream's own calls are serialised by its lock.

#include "mpeg_encoder/encoder_stream.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace mpeg_encoder {

class StreamTable {
public:
    static constexpr size_t kMostOpenStreams = 64;
    // Frames of closed streams waiting for a tag call; beyond this the oldest goes.
    static constexpr size_t kMostKeptTags = 16;

    static StreamTable& Instance();

    BE_ERR Open(std::unique_ptr<EncoderStream> stream, HBE_STREAM& handle);
    // Runs `work` on an open stream under the stream's lock.
    BE_ERR WithStream(HBE_STREAM handle, const std::function<BE_ERR(EncoderStream&)>& work);
    // Removes the stream; its unwritten frame stays for the tag calls.
    BE_ERR Close(HBE_STREAM handle);

    // Keeps a finished stream's frame until it is written.
    void KeepTag(HBE_STREAM handle, FinishedTag tag);
    // The unwritten frame of a finished stream, open or closed.
    std::optional<FinishedTag> TagOf(HBE_STREAM handle);
    // Unwritten frames of closed streams, the most recently closed first.
    std::vector<std::pair<HBE_STREAM, FinishedTag>> ClosedTagsNewestFirst();
    // A frame is written once.
    void ForgetTag(HBE_STREAM handle);

private:
    struct Entry {
        std::mutex lock;
        std::unique_ptr<EncoderStream> stream;
    };

    std::shared_ptr<Entry> Find(HBE_STREAM handle);
    void KeepClosedTag(HBE_STREAM handle, FinishedTag tag);
    bool IsNamed(HBE_STREAM handle) const;
    HBE_STREAM NextFreeHandle();

    std::mutex m_lock;  // guards everything below; never held while waiting for a stream
    std::map<HBE_STREAM, std::shared_ptr<Entry>> m_open;
    std::map<HBE_STREAM, FinishedTag> m_tagsOfOpenStreams;
    std::deque<std::pair<HBE_STREAM, FinishedTag>> m_tagsOfClosedStreams;  // in closing order
    HBE_STREAM m_lastHandle = 0;
};

}  // namespace mpeg_encoder
