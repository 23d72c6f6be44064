#include "playlist/playlist_player.h"

#include <algorithm>
#include <utility>

#include "platform/audio/queue_budget.h"
#include "playlist/playlist_log.h"
#include "playlist/playlist_item.h"
#include "playlist/position_text.h"

using platform::audio::AudioBuffer;

namespace playlist {

namespace {

// The decoded PCM is exactly the stream's format.
platform::audio::PcmFormat PcmFormatOf(const PlaylistItem& item)
{
    return {item.format->samplesPerSec, item.format->bitsPerSample, item.format->channels};
}

uint32_t FrameBytes(const PlaylistItem& item)
{
    return uint32_t(item.format->bitsPerSample / 8) * item.format->channels;
}

}  // namespace

PlaylistPlayer::PlaylistPlayer(PlayerHost& host, QObject* parent)
    : QObject(parent)
    , m_host(host)
{
    m_slots.reserve(kMaxSlots);
}

PlaylistPlayer::~PlaylistPlayer()
{
    // Listeners may already be half gone with the window.
    blockSignals(true);
    if (m_currentDevice)
        StopCurrent();
    EmptyQueue();
    CloseAllSlots();
}

bool PlaylistPlayer::StartItem(PlaylistItem* item, bool showErrors) { return Start(item, showErrors, true); }

bool PlaylistPlayer::AwaitReload(PlaylistItem* item, bool showErrors)
{
    if (!m_host.ReloadItem(*item)) {
        qCWarning(lcPlaylist) << "cannot load again" << QString::fromStdString(item->path);
        return false;
    }
    m_awaited = item;
    m_awaitedShowsErrors = showErrors;
    return true;
}

void PlaylistPlayer::OnItemLoaded(PlaylistItem* item)
{
    if (!item || item != m_awaited)
        return;
    m_awaited = nullptr;
    // A file that changed again meanwhile is not followed a second time.
    if (!Start(item, std::exchange(m_awaitedShowsErrors, false), false))
        EmptyQueue();
    m_host.InvalidateList();
}

bool PlaylistPlayer::Start(PlaylistItem* item, bool showErrors, bool followChanges)
{
    const auto refuse = [&](resources::StringId stringId) {
        qCWarning(lcPlaylist) << "cannot play" << (item ? QString::fromStdString(item->path) : QString()) << "- message"
                              << stringId;
        if (showErrors)
            m_host.ShowPlayError(stringId);
        return false;
    };
    // What the row shows is no longer what the file holds: load it again
    // and play what it holds now.
    if (followChanges && item && m_host.FileChanged(*item) && AwaitReload(item, showErrors))
        return true;
    if (!item || !item->IsLoaded() || !item->format)
        return refuse(item && item->IsFailed() ? resources::IDS_PLAY_ITEM_FAILED : resources::IDS_PLAY_ITEM_LOADING);
    if (m_slots.size() >= size_t(kMaxSlots))
        return refuse(resources::IDS_PLAY_TOO_MANY);

    PlaySlot slot;
    slot.deviceId = ++m_lastDeviceId;
    slot.item = item;
    slot.frameBytes = FrameBytes(*item);
    slot.length = item->length;
    platform::audio::PlaybackCallbacks callbacks;
    // Closing a device drops its pending callbacks, so `this` outlives every call.
    callbacks.bufferDone = [this, id = slot.deviceId](AudioBuffer* buffer) { OnBufferDone(id, buffer); };
    callbacks.failed = [this, id = slot.deviceId](const QString& reason) { OnDeviceFailed(id, reason); };
    slot.device = platform::audio::Backend().OpenPlayback(PcmFormatOf(*item), std::move(callbacks));
    if (!slot.device)
        return refuse(resources::IDS_PLAY_DEVICE_NOT_OPENED);
    uint32_t code = ZLDEC_OK;
    if (!item->stream.BeginDecoding(&code)) {
        qCWarning(lcPlaylist) << "cannot decode" << QString::fromStdString(item->path) << "decoder code" << code;
        slot.device->Close();
        if (code == ZLDEC_ERR_CHANGED && followChanges && AwaitReload(item, showErrors))
            return true;
        return refuse(resources::IDS_PLAY_FAILED);
    }
    // A slot that stops being current is never fed again.
    if (PlaySlot* previous = CurrentSlot(); previous && previous->item != item)
        previous->item->stream.EndDecoding();
    m_slots.push_back(std::move(slot));
    m_currentDevice = m_slots.back().deviceId;
    m_paused = false;
    FillBuffers();

    // Nothing reached the device (the first piece did not decode or was
    // refused): no piece would ever come back to end the item, so it fails now.
    if (const PlaySlot* started = PlayingSlot(); started && started->inFlight == 0) {
        item->stream.EndDecoding();
        CloseSlot(m_currentDevice);
        m_currentDevice = 0;
        return refuse(resources::IDS_PLAY_FAILED);
    }

    if (m_slider)
        m_slider->SetRange(0, item->length);
    m_host.ShowStatus(m_host.ItemTitle(*item));
    ReportPlayback();
    return true;
}

void PlaylistPlayer::FillBuffers()
{
    PlaySlot* slot = CurrentSlot();
    if (!slot)
        return;
    PlaylistItem& item = *slot->item;
    const uint32_t frameBytes = FrameBytes(item);
    if (frameBytes == 0)
        return;
    const uint32_t length = item.length;
    uint32_t next = slot->position + slot->queuedFrames;
    const auto budget = platform::audio::QueueBudgetFor(PcmFormatOf(item), WaveBuffer::kDataSize, kMaxPiecesAtDevice);
    const uint32_t want = budget.pieceBytes / frameBytes;
    while (slot->inFlight < budget.pieces && next < length) {
        std::unique_ptr<WaveBuffer> buffer = m_pool.GetBuffer();
        if (!buffer)
            return;
        const uint32_t got = item.stream.Decode(next, want, buffer->data);
        if (got == 0) {
            m_pool.PutBuffer(std::move(buffer));
            return;
        }
        buffer->header.length = got * frameBytes;
        if (!slot->device->Write(&buffer->header)) {
            m_pool.PutBuffer(std::move(buffer));
            return;
        }
        next += got;
        slot->atDevice.push_back(std::move(buffer));
        ++slot->inFlight;
        slot->queuedFrames += got;
        if (got < want)
            return;
    }
}

void PlaylistPlayer::OnBufferDone(uint64_t deviceId, AudioBuffer* header)
{
    PlaySlot* slot = FindSlot(deviceId);
    if (!slot)
        return;  // its pieces went back to the pool when the device closed
    std::unique_ptr<WaveBuffer> buffer;
    const auto it = std::find_if(slot->atDevice.begin(), slot->atDevice.end(),
                                 [header](const auto& b) { return &b->header == header; });
    if (it != slot->atDevice.end()) {
        buffer = std::move(*it);
        slot->atDevice.erase(it);
    }

    PlaylistItem& item = *slot->item;
    const uint32_t frameBytes = slot->frameBytes;
    const uint32_t frames = frameBytes ? header->length / frameBytes : 0;
    const bool fresh = slot->stale == 0;
    if (fresh && m_slider && !m_dragging) {
        m_slider->SetPos(qint64(slot->position) + frames);
        if (m_positionText && m_positionText->isVisible())
            ShowPosition(*slot, slot->position + frames);
    }
    if (slot->inFlight > 0)
        --slot->inFlight;
    if (fresh) {
        slot->position = uint32_t((uint64_t(slot->position) + frames) % slot->length);
        slot->queuedFrames -= std::min(slot->queuedFrames, frames);
    }

    bool advance = false;
    const bool isCurrent = deviceId == m_currentDevice;
    if (slot->inFlight == 0 && !(m_paused && isCurrent)) {
        if (isCurrent) {
            item.stream.EndDecoding();
            m_currentDevice = 0;
            m_host.ShowStatus(QString());
        }
        CloseSlot(deviceId);
        slot = nullptr;
        ClearPositionText();
        if (fresh) {
            if (m_queue.Current())
                advance = true;
            else
                m_host.InvalidateList();
        }
    }
    if (slot) {
        if (slot->stale > 0)
            --slot->stale;
        if (isCurrent && !m_paused)
            FillBuffers();
    }
    m_pool.PutBuffer(std::move(buffer));
    if (advance)
        AdvanceQueue();
    ReportPlayback();
}

void PlaylistPlayer::OnDeviceFailed(uint64_t deviceId, const QString& reason)
{
    PlaySlot* slot = FindSlot(deviceId);
    if (!slot)
        return;
    qCWarning(lcPlaylist) << "playback output lost:" << reason;
    // Its pieces come back after this call: closing now gives them up, so
    // that they neither look played nor start the next item.
    if (deviceId != m_currentDevice) {
        CloseSlot(deviceId);  // a stopped item, draining: nothing is lost
        return;
    }
    slot->item->stream.EndDecoding();
    CloseSlot(deviceId);
    m_currentDevice = 0;
    m_paused = false;
    EmptyQueue();
    m_host.ShowStatus(QString());
    ClearPositionText();
    m_host.InvalidateList();
    m_host.ShowPlayError(resources::IDS_PLAYBACK_DEVICE_LOST);
}

void PlaylistPlayer::StopCurrent()
{
    bool decodingEnded = false;
    if (m_paused) {
        if (PlaySlot* slot = CurrentSlot()) {
            slot->item->stream.EndDecoding();
            decodingEnded = true;
            if (slot->inFlight == 0) {
                slot->device->Reset();
                CloseSlot(m_currentDevice);
                m_currentDevice = 0;
            }
        }
        m_paused = false;
    }
    if (PlaySlot* slot = CurrentSlot()) {
        slot->stale = slot->inFlight;
        slot->device->Reset();
        if (!decodingEnded)
            slot->item->stream.EndDecoding();
    }
    m_currentDevice = 0;
    m_host.ShowStatus(QString());
    ClearPositionText();
    ReportPlayback();
}

bool PlaylistPlayer::IsPlaying(const PlaylistItem* item) const
{
    return std::any_of(m_slots.begin(), m_slots.end(), [item](const PlaySlot& s) { return s.item == item; });
}

const PlaySlot* PlaylistPlayer::PlayingSlot() const { return const_cast<PlaylistPlayer*>(this)->CurrentSlot(); }

const PlaylistItem* PlaylistPlayer::CurrentItem() const
{
    const PlaySlot* slot = PlayingSlot();
    return slot ? slot->item : nullptr;
}

uint32_t PlaylistPlayer::CurrentPosition() const
{
    const PlaySlot* slot = PlayingSlot();
    return slot ? slot->position : 0;
}

void PlaylistPlayer::ReportPlayback()
{
    const PlaylistItem* item = CurrentItem();
    const bool paused = item && m_paused;
    if (item == m_reportedItem && paused == m_reportedPaused)
        return;
    m_reportedItem = item;
    m_reportedPaused = paused;
    emit PlaybackChanged();
}

PlaySlot* PlaylistPlayer::FindSlot(uint64_t deviceId)
{
    if (deviceId == 0)
        return nullptr;
    const auto it =
        std::find_if(m_slots.begin(), m_slots.end(), [deviceId](const PlaySlot& s) { return s.deviceId == deviceId; });
    return it == m_slots.end() ? nullptr : &*it;
}

PlaySlot* PlaylistPlayer::CurrentSlot() { return FindSlot(m_currentDevice); }

void PlaylistPlayer::ShowPosition(const PlaySlot& slot, uint32_t position)
{
    if (m_positionText)
        m_positionText->setText(FormatPositionText(position, slot.item->length, PcmFormatOf(*slot.item).sampleRate));
}

void PlaylistPlayer::ClearPositionText()
{
    if (m_positionText)
        m_positionText->clear();
}

void PlaylistPlayer::CloseSlot(uint64_t deviceId)
{
    const auto it =
        std::find_if(m_slots.begin(), m_slots.end(), [deviceId](const PlaySlot& s) { return s.deviceId == deviceId; });
    if (it == m_slots.end())
        return;
    // The device may close inside one of its own callbacks; the audio layer
    // keeps that call alive and drops the rest.
    it->device->Close();
    for (auto& buffer : it->atDevice)
        m_pool.PutBuffer(std::move(buffer));
    m_slots.erase(it);
}

void PlaylistPlayer::CloseAllSlots()
{
    while (!m_slots.empty())
        CloseSlot(m_slots.front().deviceId);
}

}  // namespace playlist
