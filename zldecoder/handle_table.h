#pragma once
// The handles of the open streams. Handles count up from 1 and are not
// reused while the counter has not wrapped, so a closed handle stays invalid.

#include "stream.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace zldecoder {

class HandleTable {
public:
    explicit HandleTable(size_t capacity)
        : m_capacity(capacity)
    {
    }

    // 0 when the table is full.
    uint32_t Add(std::shared_ptr<Stream> stream);
    std::shared_ptr<Stream> Find(uint32_t handle) const;
    std::shared_ptr<Stream> Remove(uint32_t handle);

private:
    const size_t m_capacity;
    mutable std::mutex m_lock;
    std::unordered_map<uint32_t, std::shared_ptr<Stream>> m_streams;
    uint32_t m_next = 1;
};

}  // namespace zldecoder
