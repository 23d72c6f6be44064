#include "handle_table.h"

namespace zldecoder {

uint32_t HandleTable::Add(std::shared_ptr<Stream> stream)
{
    std::lock_guard lock(m_lock);
    if (m_streams.size() >= m_capacity)
        return 0;
    while (m_next == 0 || m_streams.count(m_next))
        ++m_next;
    const uint32_t handle = m_next++;
    m_streams.emplace(handle, std::move(stream));
    return handle;
}

std::shared_ptr<Stream> HandleTable::Find(uint32_t handle) const
{
    std::lock_guard lock(m_lock);
    const auto it = m_streams.find(handle);
    return it == m_streams.end() ? nullptr : it->second;
}

std::shared_ptr<Stream> HandleTable::Remove(uint32_t handle)
{
    std::lock_guard lock(m_lock);
    const auto it = m_streams.find(handle);
    if (it == m_streams.end())
        return nullptr;
    auto stream = std::move(it->second);
    m_streams.erase(it);
    return stream;
}

}  // namespace zldecoder
