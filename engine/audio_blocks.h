#pragma once
// A fixed set of equal audio blocks with their headers, allocated once and
// reused, and which of them a stream currently holds.

#include <cstdint>
#include <vector>

#include "platform/audio/audio_types.h"

class AudioBlocks {
public:
    static constexpr uint32_t kBlockSize = 6144;

    explicit AudioBlocks(int count, uint32_t blockSize = kBlockSize);
    AudioBlocks(const AudioBlocks&) = delete;
    AudioBlocks& operator=(const AudioBlocks&) = delete;

    int Count() const { return int(m_headers.size()); }
    uint32_t BlockSize() const { return m_blockSize; }
    platform::audio::AudioBuffer& operator[](int i) { return m_headers[size_t(i)]; }
    // The block of a header a stream handed back; -1 when it is not ours.
    int IndexOf(const platform::audio::AudioBuffer* buffer) const;

    // Header ready to be added again: whole block, nothing recorded.
    void ResetHeader(platform::audio::AudioBuffer& buffer) const;

    bool IsWithStream(int i) const { return m_withStream[size_t(i)]; }
    void SetWithStream(int i, bool with) { m_withStream[size_t(i)] = with; }
    void SetAllReturned();

private:
    uint32_t m_blockSize;
    std::vector<uint8_t> m_memory;
    std::vector<platform::audio::AudioBuffer> m_headers;
    std::vector<bool> m_withStream;
};
