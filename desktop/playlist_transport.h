#pragma once
// The playlist player as media controls see it: one current track, a status,
// and commands that take the same paths as the window's playlist buttons
// (same refusals, same messages).

#include <QObject>
#include <QString>

#include <cstdint>

namespace playlist {
class PlaylistPanel;
struct PlaylistItem;
}  // namespace playlist

namespace desktop {

class PlaylistTransport : public QObject {
    Q_OBJECT
public:
    enum class Status { Stopped, Playing, Paused };

    // `panel` must outlive the transport.
    explicit PlaylistTransport(playlist::PlaylistPanel& panel, QObject* parent = nullptr);

    // The item playing or paused, or null.
    const playlist::PlaylistItem* CurrentItem() const;
    QString Title(const playlist::PlaylistItem& item) const;
    Status GetStatus() const;
    // Microseconds into the current item (0 without one).
    int64_t PositionUs() const;
    static int64_t LengthUs(const playlist::PlaylistItem& item);

    bool CanPlay() const;
    bool CanPause() const { return CurrentItem() != nullptr; }
    bool CanSeek() const { return CurrentItem() != nullptr; }
    bool CanGoNext() const;
    bool CanGoPrevious() const;

    // Resumes a paused item; with nothing playing plays the selected rows,
    // or the first row when none is selected.
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    // The row after or before the current one (or the selection), in list order.
    void Next();
    void Previous();
    // Moves by `offsetUs`; past the end goes to the next row.
    void SeekBy(int64_t offsetUs);
    // Moves to `us` into `item` when it is the current one and `us` lies inside it.
    void SetPosition(const playlist::PlaylistItem* item, int64_t us);
    void OpenFile(const QString& path);

signals:
    // Something a property depends on may have changed.
    void Changed();
    // The current item continues from `us` after a seek.
    void Seeked(int64_t us);

private:
    // The current item's row, else the first selected row, else -1.
    int ReferenceRow() const;
    void PlayRow(int row);
    int64_t FramesToUs(const playlist::PlaylistItem& item, int64_t frames) const;

    playlist::PlaylistPanel& m_panel;
};

}  // namespace desktop
