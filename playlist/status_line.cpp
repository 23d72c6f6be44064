#include "playlist/status_line.h"

#include "resources/strings.h"

namespace playlist {

namespace {
}  // namespace

void StatusLine::ShowStatus(const QString& title)
{
    if (!m_window)
        return;
    m_window->setText(title.isEmpty()
                          ? resources::Text(resources::IDS_STATUS_READY)
                          : resources::Text(resources::IDS_STATUS_PLAYING).replace(QStringLiteral("%s"), title));
}

}  // namespace playlist
