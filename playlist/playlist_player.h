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
    virtual void ShowPlayError(resources::StringId stringId) = 0;
    // The queued marks of rows changed.
    virtual void InvalidateList() = 0;
    // The item's title as its row shows it.
    virtual QString ItemTitle(const PlaylistItem& item) const = 0;
    // The file of a loaded or failed item is no longer the one it was
    // loaded from.
    virtual bool FileChanged(const PlaylistItem& item) const = 0;
    // Sends the item back to the loader; the player's OnItemLoaded follows
    // when its load ends. False when it cannot go.
    virtual bool ReloadItem(PlaylistItem& item) = 0;
};

// One open output with the item it plays.
struct PlaySlot {
    std::unique_ptr<platform::audio::PlaybackStream> device;
    uint64_t deviceId = 0;      // names the device in its callbacks
    uint16_t stale = 0;         // pieces at the device from before the last reset
    uint16_t inFlight = 0;      // pieces written and not yet back
    uint32_t position = 0;      // frame reached by the pieces played
    uint32_t queuedFrames = 0;  // frames written and not yet played
    PlaylistItem* item = nullptr;
    // The item's frame size and length when it started: a slot still
    // draining may outlive the version of the item it played.
    uint32_t frameBytes = 0;
    uint32_t length = 0;
    std::deque<std::unique_ptr<WaveBuffer>> atDevice;  // in the order written
};

class PlaylistPlayer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxSlots = 10;
    static constexpr uint16_t kMaxPiecesAtDevice = 16;

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
    // Continues the current item from `frame`, as releasing the slider there does.
    void SeekTo(uint32_t frame);

    // --- Steps, public for the playlist control ---
    // Starts the item; one whose file changed since it was loaded is loaded
    // again first and starts once loaded (true: it plays or will).
    bool StartItem(PlaylistItem* item, bool showErrors);
    // An item's load ended: one waiting to start after its reload starts now.
    void OnItemLoaded(PlaylistItem* item);
    void FillBuffers();
    void OnBufferDone(uint64_t deviceId, platform::audio::AudioBuffer* buffer);
    void OnDeviceFailed(uint64_t deviceId, const QString& reason);
    void StopCurrent();
    void AdvanceQueue();
    // Drops every node and mark of the play queue.
    void EmptyQueue();
    // A row is removed: its node leaves the queue.
    void RemoveFromQueue(PlaylistItem* item);

    // --- State ---
    bool IsPlaying(const PlaylistItem* item) const;
    bool IsPaused() const { return m_paused; }
    bool IsDragging() const { return m_dragging; }
    const std::vector<PlaySlot>& PlaySlots() const { return m_slots; }
    const PlaySlot* PlayingSlot() const;
    // The item being fed (playing or paused), or null.
    const PlaylistItem* CurrentItem() const;
    // The frame the current item's played pieces reached (0 without one).
    uint32_t CurrentPosition() const;
    const PlayQueue& Queue() const { return m_queue; }
    // The item that starts once its reload ends, or null.
    const PlaylistItem* AwaitedItem() const { return m_awaited; }
    const BufferPool& Pool() const { return m_pool; }

signals:
    // The current item changed, or it paused or resumed.
    void PlaybackChanged();
    // The current item continues from `frame` after a seek.
    void Seeked(uint32_t frame);

private:
    bool Start(PlaylistItem* item, bool showErrors, bool followChanges);
    bool AwaitReload(PlaylistItem* item, bool showErrors);
    // Emits playbackChanged when the current item or the pause differ from
    // what was last reported.
    void ReportPlayback();
    PlaySlot* FindSlot(uint64_t deviceId);
    PlaySlot* CurrentSlot();
    void ShowPosition(const PlaySlot& slot, uint32_t position);
    void ClearPositionText();
    // Closes the slot's device and forgets the slot; its pieces go back.
    void CloseSlot(uint64_t deviceId);
    void CloseAllSlots();

    PlayerHost& m_host;
    std::vector<PlaySlot> m_slots;
    uint64_t m_currentDevice = 0;  // 0: none
    uint64_t m_lastDeviceId = 0;
    bool m_paused = false;
    bool m_dragging = false;
    // Reloading because its file changed; starts when loaded.
    PlaylistItem* m_awaited = nullptr;
    bool m_awaitedShowsErrors = false;
    const PlaylistItem* m_reportedItem = nullptr;
    bool m_reportedPaused = false;
    BufferPool m_pool;
    PlayQueue m_queue;
    QPointer<controls::BitmapSlider> m_slider;
    QPointer<QLabel> m_positionText;
};

}  // namespace playlist
