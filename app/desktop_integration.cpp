#include "app/desktop_integration.h"

#include "desktop/mpris_service.h"
#include "desktop/sleep_inhibitor.h"
#include "playlist/playlist_panel.h"
#include "playlist/playlist_player.h"
#include "recorder/recorder_dialog.h"
#include "resources/strings.h"

DesktopIntegration::DesktopIntegration(RecorderDialog& window)
    : m_mediaControls(std::make_unique<desktop::MprisService>(window, window.PlaylistPanel()))
    , m_whileRecording(std::make_unique<desktop::SleepInhibitor>(resources::Text(resources::IDS_INHIBIT_RECORDING)))
    , m_whilePlaying(std::make_unique<desktop::SleepInhibitor>(resources::Text(resources::IDS_INHIBIT_PLAYING)))
{
    m_mediaControls->Register();
    QObject::connect(&window, &RecorderDialog::RecordingChanged, m_whileRecording.get(),
                     &desktop::SleepInhibitor::SetActive);
    playlist::PlaylistPlayer& player = window.PlaylistPanel().Player();
    QObject::connect(&player, &playlist::PlaylistPlayer::PlaybackChanged, m_whilePlaying.get(),
                     [this, &player] { m_whilePlaying->SetActive(player.CurrentItem() && !player.IsPaused()); });
}

DesktopIntegration::~DesktopIntegration() = default;
