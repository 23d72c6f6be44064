#include "byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace zldecoder {

int64_t FileSource::ReadAt(uint64_t offset, void* buffer, size_t n)
{
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(m_fd, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

int64_t MemorySource::ReadAt(uint64_t offset, void* buffer, size_t n)
{
    if (offset >= m_size)
        return 0;
    const size_t count = std::min<uint64_t>(n, m_size - offset);
    std::memcpy(buffer, m_data + offset, count);
    return static_cast<int64_t>(count);
}

int64_t ByteRange::Read(uint64_t at, void* buffer, size_t n) const
{
    if (at >= length)
        return 0;
    const size_t count = static_cast<size_t>(std::min<uint64_t>(n, length - at));
    return source->ReadAt(offset + at, buffer, count);
}

int64_t RangeCursor::Read(void* buffer, size_t n)
{
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < n) {
        if (m_position >= m_bufferStart && m_position < m_bufferStart + m_buffer.size()) {
            const size_t offset = size_t(m_position - m_bufferStart);
            const size_t count = std::min(n - done, m_buffer.size() - offset);
            std::memcpy(out + done, m_buffer.data() + offset, count);
            done += count;
            m_position += count;
            continue;
        }
        if (n - done >= kLargestReadAhead) {  // large reads go straight through
            const int64_t got = m_range.Read(m_position, out + done, n - done);
            if (got < 0) {
                m_failed = true;
                return -1;
            }
            done += size_t(got);
            m_position += uint64_t(got);
            break;
        }
        const bool sequential = !m_buffer.empty() && m_position == m_bufferStart + m_buffer.size();
        m_readAhead = sequential ? std::min(m_readAhead * 2, kLargestReadAhead) : kSmallestReadAhead;
        m_buffer.resize(m_readAhead);
        const int64_t got = m_range.Read(m_position, m_buffer.data(), m_readAhead);
        if (got < 0) {
            m_buffer.clear();
            m_failed = true;
            return -1;
        }
        m_buffer.resize(size_t(got));
        m_bufferStart = m_position;
        if (got == 0)
            break;  // the end of the window
    }
    return static_cast<int64_t>(done);
}

int64_t RangeCursor::Seek(int64_t offset, int whence)
{
    int64_t base = 0;
    switch (whence) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = static_cast<int64_t>(m_position);
        break;
    case SEEK_END:
        base = static_cast<int64_t>(m_range.length);
        break;
    default:
        return -1;
    }
    // Positions past the end are allowed, as with lseek; reads there give 0.
    if ((offset < 0 && base < -offset) || (offset > 0 && offset > INT64_MAX - base))
        return -1;
    m_position = static_cast<uint64_t>(base + offset);
    return static_cast<int64_t>(m_position);
}

}  // namespace zldecoder
