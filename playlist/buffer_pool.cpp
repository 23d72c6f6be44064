#include "playlist/buffer_pool.h"

#include <new>

namespace playlist {

BufferPool::BufferPool() { m_kept.reserve(kMaxKept); }

std::unique_ptr<WaveBuffer> BufferPool::GetBuffer()
{
    std::unique_ptr<WaveBuffer> buffer;
    if (!m_kept.empty()) {
        buffer = std::move(m_kept.back());
        m_kept.pop_back();
    } else {
        buffer.reset(new (std::nothrow) WaveBuffer);
        if (!buffer)
            return nullptr;
    }
    buffer->header = platform::audio::AudioBuffer{};
    buffer->header.data = buffer->data;
    buffer->header.length = WaveBuffer::kDataSize;
    return buffer;
}

void BufferPool::PutBuffer(std::unique_ptr<WaveBuffer> buffer)
{
    if (buffer && m_kept.size() < kMaxKept)
        m_kept.push_back(std::move(buffer));
}

}  // namespace playlist
