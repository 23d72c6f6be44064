#include "engine/audio_blocks.h"

AudioBlocks::AudioBlocks(int count, uint32_t blockSize)
    : m_blockSize(blockSize)
    , m_memory(size_t(count) * blockSize)
    , m_headers(size_t(count))
    , m_withStream(size_t(count), false)
{
    for (int i = 0; i < count; ++i) {
        m_headers[size_t(i)].data = m_memory.data() + size_t(i) * blockSize;
        ResetHeader(m_headers[size_t(i)]);
    }
}

int AudioBlocks::IndexOf(const platform::audio::AudioBuffer* buffer) const
{
    if (m_headers.empty() || buffer < m_headers.data() || buffer >= m_headers.data() + m_headers.size())
        return -1;
    return int(buffer - m_headers.data());
}

void AudioBlocks::ResetHeader(platform::audio::AudioBuffer& buffer) const
{
    buffer.length = m_blockSize;
    buffer.bytesRecorded = 0;
}

void AudioBlocks::SetAllReturned() { m_withStream.assign(m_withStream.size(), false); }
