#pragma once
// Random access to the bytes of a file or of a memory block, and a window on
// part of them. The readers see only windows, so that an audio payload inside
// a ZLA file reads exactly like a file of its own.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zldecoder {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // Reads up to n bytes at offset; fewer only at the end. -1 on an I/O error.
    virtual int64_t ReadAt(uint64_t offset, void* buffer, size_t n) = 0;
};

// Borrows an open descriptor; never closes it.
class FileSource final : public ByteSource {
public:
    FileSource(int fd, uint64_t size)
        : m_fd(fd)
        , m_size(size)
    {
    }
    uint64_t size() const override { return m_size; }
    int64_t ReadAt(uint64_t offset, void* buffer, size_t n) override;

private:
    int m_fd;
    uint64_t m_size;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    uint64_t size() const override { return m_size; }
    int64_t ReadAt(uint64_t offset, void* buffer, size_t n) override;

private:
    const uint8_t* m_data;
    size_t m_size;
};

// The bytes [offset, offset + length) of a source.
struct ByteRange {
    ByteSource* source = nullptr;
    uint64_t offset = 0;
    uint64_t length = 0;

    static ByteRange Whole(ByteSource& source) { return {&source, 0, source.size()}; }
    ByteRange Sub(uint64_t at, uint64_t count) const { return {source, offset + at, count}; }

    // Reads up to n bytes at `at` (relative), clipped to the window; -1 on an I/O error.
    int64_t Read(uint64_t at, void* buffer, size_t n) const;
};

// A read position on a window, for the libraries that read like a file.
// Remembers an I/O error so that callers can tell "cannot read" from "damaged".
// libmpg123 reads a frame header and a frame body at a time: a read-ahead
// buffer, growing while the reads follow each other, turns those thousands
// of small reads into a few large ones without penalising scattered reads.
class RangeCursor {
public:
    explicit RangeCursor(ByteRange range)
        : m_range(range)
    {
    }

    int64_t Read(void* buffer, size_t n);
    // lseek semantics; -1 for a position outside the window.
    int64_t Seek(int64_t offset, int whence);
    int64_t Tell() const { return static_cast<int64_t>(m_position); }
    uint64_t Length() const { return m_range.length; }
    bool Failed() const { return m_failed; }

private:
    static constexpr size_t kSmallestReadAhead = 4 * 1024;
    static constexpr size_t kLargestReadAhead = 64 * 1024;

    ByteRange m_range;
    uint64_t m_position = 0;
    bool m_failed = false;
    std::vector<uint8_t> m_buffer;  // the bytes at [m_bufferStart, m_bufferStart + m_buffer.size())
    uint64_t m_bufferStart = 0;
    size_t m_readAhead = kSmallestReadAhead;
};

}  // namespace zldecoder
