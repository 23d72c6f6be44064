#include "desktop/mpris_root.h"

#include <QMetaObject>

namespace desktop {

MprisRoot::MprisRoot(QWidget& window, QObject* parent)
    : QDBusAbstractAdaptor(parent)
    , m_window(&window)
{
}

QStringList MprisRoot::SupportedMimeTypes() const
{
    return {QStringLiteral("audio/x-wav"), QStringLiteral("audio/wav"), QStringLiteral("audio/mpeg")};
}

// Both run after the call has been answered: the window may ask a question
// first, and the caller must not wait for the user.
void MprisRoot::Raise()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_window)
                return;
            m_window->show();
            m_window->raise();
            m_window->activateWindow();
        },
        Qt::QueuedConnection);
}

void MprisRoot::Quit()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_window)
                m_window->close();
        },
        Qt::QueuedConnection);
}

}  // namespace desktop
