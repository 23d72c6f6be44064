#include "playlist/buffer_pool.h"

#include <new>

namespace playlist {

BufferPool::BufferPool() { m_kept.reserve(kMaxKept); }

WaveBuffer* BufferPool::GetBuffer()
{
    WaveBuffer* buffer = nullptr;
    if (!m_kept.empty()) {
        buffer = m_kept.back().release();
        m_kept.pop_back();
    } else {
        buffer = new (std::nothrow) WaveBuffer;
        if (!buffer)
            return nullptr;
    }
    buffer->header = platform::audio::AudioBuffer{};
    buffer->header.data = buffer->data;
    buffer->header.length = WaveBuffer::kDataSize;
    buffer->header.user = buffer;
    return buffer;
}

void BufferPool::PutBuffer(WaveBuffer* buffer)
{
    if (!buffer)
        return;
    std::unique_ptr<WaveBuffer> owned(buffer);
    if (m_kept.size() < kMaxKept)
        m_kept.push_back(std::move(owned));
}

}  // namespace playlist
