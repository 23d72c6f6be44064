#include "playlist/play_queue.h"

#include <algorithm>

#include "playlist/playlist_item.h"

namespace playlist {

void PlayQueue::Build(const std::vector<PlaylistItem*>& items)
{
    Empty();
    m_items = items;
    for (PlaylistItem* item : m_items)
        item->queued = 1;
    m_current = m_items.empty() ? kNone : 0;
}

void PlayQueue::Empty()
{
    for (PlaylistItem* item : m_items)
        item->queued = 0;
    m_items.clear();
    m_current = kNone;
}

PlaylistItem* PlayQueue::Current() const { return m_current == kNone ? nullptr : m_items[m_current]; }

void PlayQueue::StepAround()
{
    if (m_current != kNone)
        m_current = m_current + 1 < m_items.size() ? m_current + 1 : 0;
}

void PlayQueue::DropPlayed()
{
    const size_t done = m_current == kNone ? m_items.size() : m_current + 1;
    for (size_t i = 0; i < done; ++i)
        m_items[i]->queued = 0;
    m_items.erase(m_items.begin(), m_items.begin() + ptrdiff_t(done));
    m_current = m_items.empty() ? kNone : 0;
}

void PlayQueue::Remove(PlaylistItem* item)
{
    const auto it = std::find(m_items.begin(), m_items.end(), item);
    if (it == m_items.end())
        return;
    const auto index = size_t(it - m_items.begin());
    item->queued = 0;
    m_items.erase(it);
    if (m_current == kNone || index > m_current)
        return;
    if (index < m_current)
        --m_current;
    else if (m_current >= m_items.size())
        m_current = kNone;  // the current node was the last: its successor is none
}

}  // namespace playlist
