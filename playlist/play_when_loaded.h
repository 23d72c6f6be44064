#pragma once
// Plays one item as soon as the loader is done with it: the first of the
// files a start of the program was given has to wait for its loading.

#include <QObject>

#include <functional>

namespace playlist {

class PlaylistModel;
struct PlaylistItem;

class PlayWhenLoaded : public QObject {
    Q_OBJECT
public:
    // `play` gets the item's row once it is loaded or has failed (so that
    // the failure is told as a play attempt tells it).
    PlayWhenLoaded(PlaylistModel& model, std::function<void(int row)> play);

    // Replaces the item waited for; an item that is done plays at once.
    void Watch(const PlaylistItem* item);
    const PlaylistItem* Watched() const { return m_item; }

private:
    void Check();

    PlaylistModel& m_model;
    std::function<void(int)> m_play;
    const PlaylistItem* m_item = nullptr;
};

}  // namespace playlist
