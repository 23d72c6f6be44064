#include "playlist/status_line.h"

#include "resources/strings.h"

namespace playlist {

namespace {
constexpr int kReady = 438;
constexpr int kPlaying = 439;
}  // namespace

void StatusLine::ShowStatus(const QString& title)
{
    if (!m_window)
        return;
    m_window->setText(title.isEmpty() ? resources::text(kReady)
                                      : resources::text(kPlaying).replace(QStringLiteral("%s"), title));
}

}  // namespace playlist
