#pragma once
// Puts a finished information frame into the file the stream was written to.
// The caller may still hold the file open for writing: the frame goes over
// the reserved frame at offset 0 through a descriptor of our own, so the
// caller's position and later writes are untouched.

#include "mpeg_encoder/encoder_stream.h"

#include <optional>

namespace mpeg_encoder {

class TagFile {
public:
    explicit TagFile(const char* path);
    ~TagFile();
    TagFile(const TagFile&) = delete;
    TagFile& operator=(const TagFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // Whether the file holds exactly the tag's stream: its length and its
    // checksum. The file is read once, and only for a stream of its length.
    bool HoldsStream(const FinishedTag& tag);
    // Writes the frame at offset 0 when the file holds the tag's stream.
    BE_ERR Write(const FinishedTag& tag);

private:
    int m_fd = -1;
    uint64_t m_size = 0;
    std::optional<uint32_t> m_crc;  // once read
    bool m_unreadable = false;
};

}  // namespace mpeg_encoder
