#include "app/desktop_integration.h"

#include "desktop/mpris_service.h"
#include "desktop/sleep_inhibitor.h"
#include "playlist/playlist_panel.h"
#include "playlist/playlist_player.h"
#include "recorder/recorder_dialog.h"
#include "resources/strings.h"

DesktopIntegration::DesktopIntegration(RecorderDialog& window)
    : m_mediaControls(std::make_unique<desktop::MprisService>(window, window.playlistPanel()))
    , m_whileRecording(std::make_unique<desktop::SleepInhibitor>(resources::text(resources::IDS_INHIBIT_RECORDING)))
    , m_whilePlaying(std::make_unique<desktop::SleepInhibitor>(resources::text(resources::IDS_INHIBIT_PLAYING)))
{
    m_mediaControls->Register();
    QObject::connect(&window, &RecorderDialog::recordingChanged, m_whileRecording.get(),
                     &desktop::SleepInhibitor::setActive);
    playlist::PlaylistPlayer& player = window.playlistPanel().player();
    QObject::connect(&player, &playlist::PlaylistPlayer::playbackChanged, m_whilePlaying.get(),
                     [this, &player] { m_whilePlaying->setActive(player.currentItem() && !player.isPaused()); });
}

DesktopIntegration::~DesktopIntegration() = default;
