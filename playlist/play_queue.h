#pragma once
// The items of one play command, in list order, and the one playing now.
// Every item in the queue carries its `queued` mark, so the rows can show it.

#include <cstddef>
#include <vector>

namespace playlist {

struct PlaylistItem;

class PlayQueue {
public:
    PlayQueue() = default;
    PlayQueue(const PlayQueue&) = delete;
    PlayQueue& operator=(const PlayQueue&) = delete;
    ~PlayQueue() { Empty(); }

    // Replaces the queue; the head becomes current.
    void Build(const std::vector<PlaylistItem*>& items);
    // Clears every mark; no current node.
    void Empty();

    PlaylistItem* Current() const;
    // Looping: the successor of the current node, or the head after the last.
    void StepAround();
    // Not looping: the nodes up to the current one are done and leave; the
    // successor becomes head and current (none after the last).
    void DropPlayed();
    // A row goes away: its node leaves; a current node passes to its successor.
    void Remove(PlaylistItem* item);

    bool IsEmpty() const { return m_items.empty(); }
    const std::vector<PlaylistItem*>& Items() const { return m_items; }

private:
    static constexpr size_t kNone = size_t(-1);

    std::vector<PlaylistItem*> m_items;
    size_t m_current = kNone;
};

}  // namespace playlist
