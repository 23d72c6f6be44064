#pragma once
// Writes a ZLA file: the header, then the chunks in the order they were added.
// The audio payload is copied from its file, never held in memory.

#include <cstdint>
#include <string>
#include <vector>

namespace zla {

class ZlaWriter {
public:
    explicit ZlaWriter(uint32_t flags)
        : m_flags(flags)
    {
    }

    void AddChunk(uint32_t id, std::string bytes);
    void AddFileChunk(uint32_t id, std::string path, uint64_t size);

    // Writes to a temporary file beside `path` and renames it into place, so
    // that a failed pack never leaves half a file. Returns an error text or "".
    std::string WriteTo(const std::string& path) const;

private:
    struct Chunk {
        uint32_t id;
        std::string bytes;     // the payload, or
        std::string filePath;  // a file holding it
        uint64_t size;
    };

    std::string WriteChunks(int fd, const std::string& shownName) const;

    uint32_t m_flags;
    std::vector<Chunk> m_chunks;
};

}  // namespace zla
