#include "playlist/play_when_loaded.h"

#include "playlist/playlist_model.h"

namespace playlist {

PlayWhenLoaded::PlayWhenLoaded(PlaylistModel& model, std::function<void(int)> play)
    : m_model(model)
    , m_play(std::move(play))
{
    connect(&m_model, &PlaylistModel::dataChanged, this, &PlayWhenLoaded::Check);
    // A removed item is forgotten before its record goes.
    connect(&m_model, &PlaylistModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        const int row = m_item ? m_model.IndexOf(m_item) : -1;
        if (row >= first && row <= last)
            m_item = nullptr;
    });
    connect(&m_model, &PlaylistModel::modelAboutToBeReset, this, [this] { m_item = nullptr; });
}

void PlayWhenLoaded::Watch(const PlaylistItem* item)
{
    m_item = item;
    Check();
}

void PlayWhenLoaded::Check()
{
    if (!m_item || (!m_item->IsLoaded() && !m_item->IsFailed()))
        return;
    const int row = m_model.IndexOf(m_item);
    m_item = nullptr;
    if (row >= 0)
        m_play(row);
}

}  // namespace playlist
