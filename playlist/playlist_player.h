#pragma once
// Plays loaded playlist items through the default output, up to ten at once.
//
// Items are decoded on this thread in pieces of up to 6144 bytes as the
// device hands pieces back, at most 16 per item and about half a second at
// the device (shorter pieces at low rates), so a long file is never decoded
// far ahead and Pause, which silences the device at once, keeps little
// waiting. Only the most recently started item is fed (the current slot);
// older ones drain what they hold and close. A reset (stop or seek) leaves
// the pieces already at the device to come back as stale: they move nothing
// and only make room for data from the new position. A device that breaks
// (the sound server went away) ends its item; when it was the current one,
// the queue ends too and the user is told.

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include <QLabel>
#include <QObject>
#include <QPointer>

#include "controls/bitmap_slider.h"
#include "platform/audio/audio_backend.h"
#include "playlist/buffer_pool.h"
#include "playlist/play_queue.h"
#include "resources/strings.h"

namespace playlist {

struct PlaylistItem;

// What the player needs from the playlist control and the window around it.
class PlayerHost {
public:
    virtual ~PlayerHost() = default;
    // The window's loop check box, read at the end of every item.
    virtual bool IsLoopPlaying() const = 0;
    // The status line: the item's title while it plays, empty for "ready".
    virtual void ShowStatus(const QString& title) = 0;
    // A play the user asked for failed, or the output broke while playing:
    // a message box with string `stringId`.
    virtual void ShowPlayError(int stringId) = 0;
    // The queued marks of rows changed.
    virtual void InvalidateList() = 0;
    // The item's title as its row shows it.
    virtual QString ItemTitle(const PlaylistItem& item) const = 0;
};

// One open output with the item it plays.
struct PlaySlot {
    std::unique_ptr<platform::audio::PlaybackStream> device;
    uint64_t deviceId = 0;     // names the device in its callbacks
    uint16_t stale = 0;        // pieces at the device from before the last reset
    uint16_t inFlight = 0;     // pieces written and not yet back
    uint32_t position = 0;     // frame reached by the pieces played
    uint32_t queuedFrames = 0; // frames written and not yet played
    PlaylistItem* item = nullptr;
    std::deque<std::unique_ptr<WaveBuffer>> atDevice; // in the order written
};

class PlaylistPlayer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxSlots = 10;
    static constexpr uint16_t kMaxPiecesAtDevice = 16;

    // String ids of the play errors and of the empty selection.
    enum ErrorId {
        IDS_ITEM_LOADING = 388,
        IDS_ITEM_FAILED = 389,
        IDS_TOO_MANY_PLAYING = 390,
        IDS_DEVICE_OPEN_FAILED = 391,
        IDS_CANNOT_PLAY = 392,
        IDS_NOTHING_SELECTED = 393,
        IDS_OUTPUT_LOST = resources::IDS_PLAYBACK_DEVICE_LOST,
    };

    // The host must outlive the player: stopping at destruction still reports.
    explicit PlaylistPlayer(PlayerHost& host, QObject* parent = nullptr);
    // Stops, empties the queue and closes every device: nothing calls back.
    ~PlaylistPlayer() override;

    // The controls are handed over by the window once they exist.
    void SetSlider(controls::BitmapSlider* slider);
    void SetPositionText(QLabel* text) { m_positionText = text; }

    // --- Commands ---
    // Plays the first item of the selection (in list order) and queues all of it.
    void PlaySelected(const std::vector<PlaylistItem*>& selection);
    void StopPlaying();
    void TogglePause();
    // The slider's notification: dragging while SB_THUMBTRACK, a seek after.
    void OnSliderScroll(int code);

    // --- Steps, public for the playlist control ---
    bool StartItem(PlaylistItem* item, bool showErrors);
    void FillBuffers();
    void OnBufferDone(uint64_t deviceId, platform::audio::AudioBuffer* buffer);
    void OnDeviceFailed(uint64_t deviceId, const QString& reason);
    void StopCurrent();
    void AdvanceQueue();
    // Drops every node and mark of the play queue.
    void EmptyQueue();
    // A row is removed: its node leaves the queue.
    void RemoveFromQueue(PlaylistItem* item) { m_queue.Remove(item); }

    // --- State ---
    bool IsPlaying(const PlaylistItem* item) const;
    bool isPaused() const { return m_paused; }
    bool isDragging() const { return m_dragging; }
    const std::vector<PlaySlot>& playSlots() const { return m_slots; }
    const PlaySlot* currentSlot() const;
    const PlayQueue& queue() const { return m_queue; }
    const BufferPool& pool() const { return m_pool; }

private:
    PlaySlot* FindSlot(uint64_t deviceId);
    PlaySlot* CurrentSlot();
    void ShowPosition(const PlaySlot& slot, uint32_t position);
    void ClearPositionText();
    // Closes the slot's device and forgets the slot; its pieces go back.
    void CloseSlot(uint64_t deviceId);
    void CloseAllSlots();

    PlayerHost& m_host;
    std::vector<PlaySlot> m_slots;
    uint64_t m_currentDevice = 0; // 0: none
    uint64_t m_lastDeviceId = 0;
    bool m_paused = false;
    bool m_dragging = false;
    BufferPool m_pool;
    PlayQueue m_queue;
    QPointer<controls::BitmapSlider> m_slider;
    QPointer<QLabel> m_positionText;
};

}  // namespace playlist
