#pragma once
// The window's desktop services: media controls for the playlist player, and
// no sleep while a take is recorded or the playlist plays.

#include <memory>

class RecorderDialog;

namespace desktop {
class MprisService;
class SleepInhibitor;
}  // namespace desktop

class DesktopIntegration {
public:
    // `window` must outlive this object.
    explicit DesktopIntegration(RecorderDialog& window);
    ~DesktopIntegration();

    desktop::MprisService& MediaControls() { return *m_mediaControls; }

private:
    std::unique_ptr<desktop::MprisService> m_mediaControls;
    std::unique_ptr<desktop::SleepInhibitor> m_whileRecording;
    std::unique_ptr<desktop::SleepInhibitor> m_whilePlaying;
};
