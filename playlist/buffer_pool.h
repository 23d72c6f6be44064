#pragma once
// The player's pieces of audio. Each is one fixed block: the header the audio
// layer takes and 6144 bytes of PCM. Finished pieces are kept for reuse, so
// that playing allocates nothing once the first pieces exist.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/audio_types.h"

namespace playlist {

struct WaveBuffer {
    static constexpr uint32_t kDataSize = 6144;

    platform::audio::AudioBuffer header;
    uint8_t data[kDataSize];
};

class BufferPool {
public:
    static constexpr size_t kMaxKept = 100;

    BufferPool();
    BufferPool(const BufferPool&) = delete;
    BufferPool& operator=(const BufferPool&) = delete;

    // A kept piece, or a new one; null when memory runs out. The header is
    // reset to the whole data area.
    std::unique_ptr<WaveBuffer> GetBuffer();
    // Keeps the piece for reuse, or frees it when 100 are kept already.
    void PutBuffer(std::unique_ptr<WaveBuffer> buffer);

    size_t KeptCount() const { return m_kept.size(); }

private:
    std::vector<std::unique_ptr<WaveBuffer>> m_kept;
};

}  // namespace playlist
