#include "mpeg_encoder/stream_table.h"

#include <algorithm>

namespace mpeg_encoder {

StreamTable& StreamTable::Instance()
{
    static StreamTable table;
    return table;
}

BE_ERR StreamTable::Open(std::unique_ptr<EncoderStream> stream, HBE_STREAM& handle)
{
    std::lock_guard lock(m_lock);
    if (m_open.size() >= kMostOpenStreams)
        return BE_ERR_NO_MORE_HANDLES;
    auto entry = std::make_shared<Entry>();
    entry->stream = std::move(stream);
    handle = NextFreeHandle();
    m_open.emplace(handle, std::move(entry));
    return BE_ERR_SUCCESSFUL;
}

BE_ERR StreamTable::WithStream(HBE_STREAM handle, const std::function<BE_ERR(EncoderStream&)>& work)
{
    const std::shared_ptr<Entry> entry = Find(handle);
    if (!entry)
        return BE_ERR_INVALID_HANDLE;
    std::lock_guard lock(entry->lock);
    // A close may have released the stream between the look-up and the lock.
    if (!entry->stream)
        return BE_ERR_INVALID_HANDLE;
    return work(*entry->stream);
}

BE_ERR StreamTable::Close(HBE_STREAM handle)
{
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard lock(m_lock);
        const auto it = m_open.find(handle);
        if (it == m_open.end())
            return BE_ERR_INVALID_HANDLE;
        entry = std::move(it->second);
        m_open.erase(it);
        if (auto tag = m_tagsOfOpenStreams.extract(handle))
            KeepClosedTag(handle, std::move(tag.mapped()));
    }
    // Waits for a call still running on the stream, then frees LAME's state.
    std::lock_guard lock(entry->lock);
    entry->stream.reset();
    return BE_ERR_SUCCESSFUL;
}

void StreamTable::KeepTag(HBE_STREAM handle, FinishedTag tag)
{
    std::lock_guard lock(m_lock);
    if (m_open.contains(handle))
        m_tagsOfOpenStreams.insert_or_assign(handle, std::move(tag));
    else  // closed while it was finishing
        KeepClosedTag(handle, std::move(tag));
}

std::optional<FinishedTag> StreamTable::TagOf(HBE_STREAM handle)
{
    std::lock_guard lock(m_lock);
    if (const auto it = m_tagsOfOpenStreams.find(handle); it != m_tagsOfOpenStreams.end())
        return it->second;
    for (const auto& [closed, tag] : m_tagsOfClosedStreams)
        if (closed == handle)
            return tag;
    return std::nullopt;
}

std::vector<std::pair<HBE_STREAM, FinishedTag>> StreamTable::ClosedTagsNewestFirst()
{
    std::lock_guard lock(m_lock);
    return {m_tagsOfClosedStreams.rbegin(), m_tagsOfClosedStreams.rend()};
}

void StreamTable::ForgetTag(HBE_STREAM handle)
{
    std::lock_guard lock(m_lock);
    m_tagsOfOpenStreams.erase(handle);
    std::erase_if(m_tagsOfClosedStreams, [handle](const auto& closed) { return closed.first == handle; });
}

std::shared_ptr<StreamTable::Entry> StreamTable::Find(HBE_STREAM handle)
{
    std::lock_guard lock(m_lock);
    const auto it = m_open.find(handle);
    return it == m_open.end() ? nullptr : it->second;
}

void StreamTable::KeepClosedTag(HBE_STREAM handle, FinishedTag tag)
{
    m_tagsOfClosedStreams.emplace_back(handle, std::move(tag));
    while (m_tagsOfClosedStreams.size() > kMostKeptTags)
        m_tagsOfClosedStreams.pop_front();
}

bool StreamTable::IsNamed(HBE_STREAM handle) const
{
    return handle == 0 || m_open.contains(handle) ||
        std::any_of(m_tagsOfClosedStreams.begin(), m_tagsOfClosedStreams.end(),
                    [handle](const auto& closed) { return closed.first == handle; });
}

HBE_STREAM StreamTable::NextFreeHandle()
{
    // A handle is not given again while a stream or a kept frame answers to it.
    do
        ++m_lastHandle;
    while (IsNamed(m_lastHandle));
    return m_lastHandle;
}

}  // namespace mpeg_encoder
