#include "playlist/playlist_panel.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>

#include "playlist/play_when_loaded.h"
#include "playlist/playlist_actions.h"
#include "playlist/playlist_box.h"
#include "playlist/playlist_model.h"
#include "playlist/row_texts.h"
#include "resources/strings.h"

namespace playlist {

PlaylistPanel::PlaylistPanel(PlaylistBox& view, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_viewAlive(&view)
    , m_model(std::make_unique<PlaylistModel>())
    , m_player(std::make_unique<PlaylistPlayer>(*this))
    , m_adder(*m_model, [this](const PlaylistItem& item) { return m_player && m_player->IsPlaying(&item); })
    , m_actions(new PlaylistActions(*this))
    , m_playWhenLoaded(std::make_unique<PlayWhenLoaded>(*m_model, [this](int row) {
        m_view.SelectOnly(row);
        PlaySelected();
    }))
{
    m_view.SetPlaylist(m_model.get(), m_player.get());
    connect(m_model.get(), &PlaylistModel::LoadFinished, m_player.get(), &PlaylistPlayer::OnItemLoaded);
    connect(&m_view, &PlaylistBox::PlayRequested, this, &PlaylistPanel::PlayRows);
    connect(&m_view, &PlaylistBox::RemoveRequested, this, [this] { RemoveSelected(); });
    connect(&m_view, &PlaylistBox::MenuRequested, this, &PlaylistPanel::OpenMenu);
    connect(&m_view, &PlaylistBox::FilesDropped, this, &PlaylistPanel::AddDropped);
}

PlaylistPanel::~PlaylistPanel()
{
    Shutdown();
    if (m_viewAlive)
        m_view.SetPlaylist(nullptr, nullptr);
}

void PlaylistPanel::Shutdown()
{
    // The player stops, empties its queue and closes its devices before the
    // items it plays go; then the list is written and the loader stopped.
    if (m_viewAlive)
        m_view.SetPlaylist(m_model.get(), nullptr);
    m_player.reset();
    m_model->Shutdown();
}

void PlaylistPanel::Initialize(controls::BitmapSlider* slider, const QString& listFilePath)
{
    m_model->Initialize(listFilePath.isEmpty() ? PlaylistModel::DefaultListFilePath() : listFilePath);
    if (m_player)
        m_player->SetSlider(slider);
}

void PlaylistPanel::SetStatusWindow(QLabel* status) { m_status.SetWindow(status); }

void PlaylistPanel::SetPositionWindow(QLabel* position)
{
    if (m_player)
        m_player->SetPositionText(position);
}

SettingsStore& PlaylistPanel::Settings()
{
    if (!m_settings) {
        m_ownSettings = std::make_unique<SettingsStore>();
        m_settings = m_ownSettings.get();
    }
    return *m_settings;
}

// --- Commands ---

void PlaylistPanel::PlayRows(const std::vector<int>& rows)
{
    if (!m_player)
        return;
    std::vector<PlaylistItem*> items;
    for (int row : rows)
        items.push_back(m_model->Item(row));
    m_player->PlaySelected(items);
}

void PlaylistPanel::PlaySelected() { PlayRows(m_view.GetSelectedRows()); }

void PlaylistPanel::StopPlaying()
{
    if (m_player)
        m_player->StopPlaying();
}

void PlaylistPanel::TogglePause()
{
    if (m_player)
        m_player->TogglePause();
}

void PlaylistPanel::AddFiles() { m_actions->AddFiles(); }
void PlaylistPanel::AddDirectory() { m_actions->AddDirectory(); }
void PlaylistPanel::RemoveSelected() { m_actions->RemoveSelected(); }
void PlaylistPanel::MailSelected() { m_actions->MailSelected(); }

void PlaylistPanel::AddRecording(const QString& path, bool select)
{
    PlaylistAdder::Outcome outcome = m_adder.AddRecording(path);
    if (!select)
        outcome.select = -1;
    ShowOutcome(outcome);
}

void PlaylistPanel::AddDropped(const QStringList& paths)
{
    PlaylistAdder::Outcome outcome;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        outcome = m_adder.AddDropped(paths);
        QApplication::restoreOverrideCursor();
    }
    ShowOutcome(outcome);
}

void PlaylistPanel::OpenFiles(const QStringList& paths)
{
    const PlaylistAdder::Outcome outcome = m_adder.AddDropped(paths);
    ShowOutcome(outcome);
    if (outcome.first < 0)
        return;
    m_view.SelectOnly(outcome.first);
    m_playWhenLoaded->Watch(m_model->Item(outcome.first));
}

void PlaylistPanel::OpenAndPlay(const QString& path)
{
    PlaylistAdder::Outcome outcome = m_adder.AddFiles({path});
    const int added = std::exchange(outcome.select, -1);
    ShowOutcome(outcome);
    if (added < 0)
        return;
    m_view.SelectOnly(added);
    m_playWhenLoaded->Watch(m_model->Item(added));
}

void PlaylistPanel::OpenMenu(QPoint globalPos)
{
    std::unique_ptr<QMenu> menu = m_actions->CreatePopupMenu(&m_view);
    menu->exec(globalPos);
}

void PlaylistPanel::ShowError(resources::StringId stringId, const QString& arg)
{
    QString text = resources::Text(stringId);
    if (!arg.isEmpty())
        text.replace(QStringLiteral("%d"), arg);
    QMessageBox::critical(m_view.window(), m_view.window()->windowTitle(), text);
}

void PlaylistPanel::ShowOutcome(const PlaylistAdder::Outcome& outcome)
{
    for (int i = 0; i < outcome.listFull; ++i)
        ShowError(resources::IDS_LIST_FULL, QString::number(PlaylistModel::maxItems));
    if (outcome.select >= 0)
        m_view.SelectOnly(outcome.select);
    if (!outcome.refused.isEmpty())
        QMessageBox::critical(m_view.window(), m_view.window()->windowTitle(),
                              PlaylistModel::RefusedPathsMessage(outcome.refused));
}

// --- PlayerHost ---

bool PlaylistPanel::IsLoopPlaying() const { return m_isLoopPlaying && m_isLoopPlaying(); }

void PlaylistPanel::ShowStatus(const QString& title) { m_status.ShowStatus(title); }

void PlaylistPanel::ShowPlayError(resources::StringId stringId) { ShowError(stringId); }

void PlaylistPanel::InvalidateList()
{
    if (m_viewAlive)
        m_view.viewport()->update();
}

QString PlaylistPanel::ItemTitle(const PlaylistItem& item) const { return GetItemTitle(item); }

bool PlaylistPanel::FileChanged(const PlaylistItem& item) const { return m_model->FileChanged(item); }

bool PlaylistPanel::ReloadItem(PlaylistItem& item) { return m_model->Reload(&item); }

}  // namespace playlist
