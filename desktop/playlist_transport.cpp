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
    connect(&panel.player(), &playlist::PlaylistPlayer::playbackChanged, this, &PlaylistTransport::changed);
    connect(&panel.player(), &playlist::PlaylistPlayer::seeked, this, [this](uint32_t frame) {
        if (const PlaylistItem* item = currentItem())
            emit seeked(FramesToUs(*item, frame));
    });
    // Rows come and go, finish loading, or the selection moves: the
    // commands that are possible change with them.
    auto& model = panel.model();
    connect(&model, &QAbstractItemModel::rowsInserted, this, &PlaylistTransport::changed);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, &PlaylistTransport::changed);
    connect(&model, &QAbstractItemModel::modelReset, this, &PlaylistTransport::changed);
    connect(panel.view().selectionModel(), &QItemSelectionModel::selectionChanged, this, &PlaylistTransport::changed);
}

const PlaylistItem* PlaylistTransport::currentItem() const { return m_panel.player().currentItem(); }

QString PlaylistTransport::title(const PlaylistItem& item) const { return m_panel.ItemTitle(item); }

PlaylistTransport::Status PlaylistTransport::status() const
{
    if (!currentItem())
        return Status::Stopped;
    return m_panel.player().isPaused() ? Status::Paused : Status::Playing;
}

int64_t PlaylistTransport::FramesToUs(const PlaylistItem& item, int64_t frames) const
{
    const uint32_t rate = RateOf(item);
    return rate ? frames * kUsPerSecond / rate : 0;
}

int64_t PlaylistTransport::positionUs() const
{
    const PlaylistItem* item = currentItem();
    return item ? FramesToUs(*item, m_panel.player().currentPosition()) : 0;
}

int64_t PlaylistTransport::lengthUs(const PlaylistItem& item)
{
    const uint32_t rate = RateOf(item);
    return item.isLoaded() && rate ? int64_t(item.length) * kUsPerSecond / rate : 0;
}

bool PlaylistTransport::canPlay() const { return m_panel.model().count() > 0; }

bool PlaylistTransport::canGoNext() const
{
    const int row = ReferenceRow();
    return row >= 0 && row + 1 < m_panel.model().count();
}

bool PlaylistTransport::canGoPrevious() const { return ReferenceRow() > 0; }

int PlaylistTransport::ReferenceRow() const
{
    if (const PlaylistItem* item = currentItem())
        return m_panel.model().indexOf(item);
    return m_panel.view().GetFirstSelected();
}

void PlaylistTransport::Play()
{
    if (currentItem()) {
        if (m_panel.player().isPaused())
            m_panel.TogglePause();
        return;
    }
    if (m_panel.view().GetFirstSelected() < 0 && m_panel.model().count() > 0)
        m_panel.view().SelectOnly(0);
    m_panel.PlaySelected();
}

void PlaylistTransport::Pause()
{
    if (currentItem() && !m_panel.player().isPaused())
        m_panel.TogglePause();
}

void PlaylistTransport::PlayPause()
{
    if (currentItem())
        m_panel.TogglePause();
    else
        Play();
}

void PlaylistTransport::Stop() { m_panel.StopPlaying(); }

void PlaylistTransport::PlayRow(int row)
{
    if (row < 0 || row >= m_panel.model().count())
        return;
    m_panel.view().SelectOnly(row);
    m_panel.PlaySelected();
}

void PlaylistTransport::Next()
{
    if (canGoNext())
        PlayRow(ReferenceRow() + 1);
}

void PlaylistTransport::Previous()
{
    if (canGoPrevious())
        PlayRow(ReferenceRow() - 1);
}

void PlaylistTransport::SeekBy(int64_t offsetUs)
{
    const PlaylistItem* item = currentItem();
    if (!item)
        return;
    const int64_t target = std::max<int64_t>(positionUs() + offsetUs, 0);
    if (target >= lengthUs(*item)) {
        Next();
        return;
    }
    m_panel.player().SeekTo(uint32_t(target * RateOf(*item) / kUsPerSecond));
}

void PlaylistTransport::SetPosition(const PlaylistItem* item, int64_t us)
{
    if (!item || item != currentItem() || us < 0 || us >= lengthUs(*item))
        return;
    m_panel.player().SeekTo(uint32_t(us * RateOf(*item) / kUsPerSecond));
}

void PlaylistTransport::OpenFile(const QString& path) { m_panel.OpenAndPlay(path); }

}  // namespace desktop
