#include "desktop/playlist_transport.h"

#include <QItemSelectionModel>
#include <algorithm>

#include "playlist/playlist_box.h"
#include "playlist/playlist_panel.h"
#include "playlist/playlist_item.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_player.h"

namespace desktop {

using playlist::PlaylistItem;

namespace {

constexpr int64_t kUsPerSecond = 1000000;

uint32_t RateOf(const PlaylistItem& item) { return item.format ? item.format->samplesPerSec : 0; }

}  // namespace

PlaylistTransport::PlaylistTransport(playlist::PlaylistPanel& panel, QObject* parent)
    : QObject(parent)
    , m_panel(panel)
{
    connect(&panel.Player(), &playlist::PlaylistPlayer::PlaybackChanged, this, &PlaylistTransport::Changed);
    connect(&panel.Player(), &playlist::PlaylistPlayer::Seeked, this, [this](uint32_t frame) {
        if (const PlaylistItem* item = CurrentItem())
            emit Seeked(FramesToUs(*item, frame));
    });
    // Rows come and go, finish loading, or the selection moves: the
    // commands that are possible change with them.
    auto& model = panel.Model();
    connect(&model, &QAbstractItemModel::rowsInserted, this, &PlaylistTransport::Changed);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, &PlaylistTransport::Changed);
    connect(&model, &QAbstractItemModel::modelReset, this, &PlaylistTransport::Changed);
    connect(panel.View().selectionModel(), &QItemSelectionModel::selectionChanged, this, &PlaylistTransport::Changed);
}

const PlaylistItem* PlaylistTransport::CurrentItem() const { return m_panel.Player().CurrentItem(); }

QString PlaylistTransport::Title(const PlaylistItem& item) const { return m_panel.ItemTitle(item); }

PlaylistTransport::Status PlaylistTransport::GetStatus() const
{
    if (!CurrentItem())
        return Status::Stopped;
    return m_panel.Player().IsPaused() ? Status::Paused : Status::Playing;
}

int64_t PlaylistTransport::FramesToUs(const PlaylistItem& item, int64_t frames) const
{
    const uint32_t rate = RateOf(item);
    return rate ? frames * kUsPerSecond / rate : 0;
}

int64_t PlaylistTransport::PositionUs() const
{
    const PlaylistItem* item = CurrentItem();
    return item ? FramesToUs(*item, m_panel.Player().CurrentPosition()) : 0;
}

int64_t PlaylistTransport::LengthUs(const PlaylistItem& item)
{
    const uint32_t rate = RateOf(item);
    return item.IsLoaded() && rate ? int64_t(item.length) * kUsPerSecond / rate : 0;
}

bool PlaylistTransport::CanPlay() const { return m_panel.Model().Count() > 0; }

bool PlaylistTransport::CanGoNext() const
{
    const int row = ReferenceRow();
    return row >= 0 && row + 1 < m_panel.Model().Count();
}

bool PlaylistTransport::CanGoPrevious() const { return ReferenceRow() > 0; }

int PlaylistTransport::ReferenceRow() const
{
    if (const PlaylistItem* item = CurrentItem())
        return m_panel.Model().IndexOf(item);
    return m_panel.View().GetFirstSelected();
}

void PlaylistTransport::Play()
{
    if (CurrentItem()) {
        if (m_panel.Player().IsPaused())
            m_panel.TogglePause();
        return;
    }
    if (m_panel.View().GetFirstSelected() < 0 && m_panel.Model().Count() > 0)
        m_panel.View().SelectOnly(0);
    m_panel.PlaySelected();
}

void PlaylistTransport::Pause()
{
    if (CurrentItem() && !m_panel.Player().IsPaused())
        m_panel.TogglePause();
}

void PlaylistTransport::PlayPause()
{
    if (CurrentItem())
        m_panel.TogglePause();
    else
        Play();
}

void PlaylistTransport::Stop() { m_panel.StopPlaying(); }

void PlaylistTransport::PlayRow(int row)
{
    if (row < 0 || row >= m_panel.Model().Count())
        return;
    m_panel.View().SelectOnly(row);
    m_panel.PlaySelected();
}

void PlaylistTransport::Next()
{
    if (CanGoNext())
        PlayRow(ReferenceRow() + 1);
}

void PlaylistTransport::Previous()
{
    if (CanGoPrevious())
        PlayRow(ReferenceRow() - 1);
}

void PlaylistTransport::SeekBy(int64_t offsetUs)
{
    const PlaylistItem* item = CurrentItem();
    if (!item)
        return;
    const int64_t target = std::max<int64_t>(PositionUs() + offsetUs, 0);
    if (target >= LengthUs(*item)) {
        Next();
        return;
    }
    m_panel.Player().SeekTo(uint32_t(target * RateOf(*item) / kUsPerSecond));
}

void PlaylistTransport::SetPosition(const PlaylistItem* item, int64_t us)
{
    if (!item || item != CurrentItem() || us < 0 || us >= LengthUs(*item))
        return;
    m_panel.Player().SeekTo(uint32_t(us * RateOf(*item) / kUsPerSecond));
}

void PlaylistTransport::OpenFile(const QString& path) { m_panel.OpenAndPlay(path); }

}  // namespace desktop
