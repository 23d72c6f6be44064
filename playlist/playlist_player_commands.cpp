// The player's commands: what the user's play, stop, pause and slider do,
// and the queue they leave behind.
#include "playlist/playlist_player.h"

#include <algorithm>

#include "playlist/playlist_item.h"

namespace playlist {

void PlaylistPlayer::SetSlider(controls::BitmapSlider* slider)
{
    if (m_slider)
        disconnect(m_slider, nullptr, this, nullptr);
    m_slider = slider;
    if (slider)
        connect(slider, &controls::BitmapSlider::Scrolled, this, &PlaylistPlayer::OnSliderScroll);
}

void PlaylistPlayer::PlaySelected(const std::vector<PlaylistItem*>& selection)
{
    if (selection.empty()) {
        m_host.ShowPlayError(resources::IDS_NOTHING_SELECTED);
        return;
    }
    if (m_currentDevice)
        StopCurrent();
    EmptyQueue();
    if (StartItem(selection.front(), true)) {
        m_queue.Build(selection);
        m_host.InvalidateList();
    }
    ReportPlayback();
}

void PlaylistPlayer::AdvanceQueue()
{
    if (m_host.IsLoopPlaying())
        m_queue.StepAround();
    else
        m_queue.DropPlayed();
    PlaylistItem* next = m_queue.Current();
    if (!next || !StartItem(next, false))
        EmptyQueue();
    m_host.InvalidateList();
    ReportPlayback();
}

void PlaylistPlayer::StopPlaying()
{
    if (!m_currentDevice && !m_awaited)
        return;
    if (m_currentDevice)
        StopCurrent();
    EmptyQueue();
    if (m_slider)
        m_slider->SetPos(0);
    m_host.InvalidateList();
}

void PlaylistPlayer::TogglePause()
{
    const PlaySlot* slot = PlayingSlot();
    if (!slot || uint64_t(slot->position) + slot->queuedFrames >= slot->item->length)
        return;
    m_paused = !m_paused;
    // The device falls silent at once and keeps what it holds, to play on
    // from the first frame not yet heard.
    if (m_paused) {
        slot->device->Pause();
    } else {
        slot->device->Resume();
        FillBuffers();
    }
    ReportPlayback();
}

void PlaylistPlayer::OnSliderScroll(int code)
{
    if (code == controls::BitmapSlider::SB_THUMBTRACK) {
        m_dragging = true;
        return;
    }
    m_dragging = false;
    if (m_slider)
        SeekTo(uint32_t(std::max<qint64>(m_slider->GetPos(), 0)));
}

void PlaylistPlayer::SeekTo(uint32_t frame)
{
    PlaySlot* slot = CurrentSlot();
    if (!slot)
        return;
    slot->position = frame % slot->item->length;
    slot->queuedFrames = 0;
    slot->stale = slot->inFlight;
    slot->device->Reset();
    if (m_slider && !m_dragging)
        m_slider->SetPos(slot->position);
    ShowPosition(*slot, slot->position);
    emit Seeked(slot->position);
}

void PlaylistPlayer::EmptyQueue()
{
    m_awaited = nullptr;
    m_queue.Empty();
}

void PlaylistPlayer::RemoveFromQueue(PlaylistItem* item)
{
    m_queue.Remove(item);
    // The item the queue waited for is gone: nothing plays to go on from.
    if (item == m_awaited)
        EmptyQueue();
}

}  // namespace playlist
