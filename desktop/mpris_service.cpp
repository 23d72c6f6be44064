#include "desktop/mpris_service.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTimer>
#include <utility>

#include "desktop/desktop_log.h"
#include "desktop/mpris_player.h"
#include "desktop/mpris_root.h"
#include "desktop/playlist_transport.h"

namespace desktop {

namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kServiceName = QStringLiteral("org.mpris.MediaPlayer2.quillon");

}  // namespace

MprisService::MprisService(QWidget& window, playlist::PlaylistPanel& panel, QObject* parent)
    : QObject(parent)
    , m_transport(new PlaylistTransport(panel, this))
    , m_player(new MprisPlayer(*m_transport, this))
    , m_bus(QString())
{
    new MprisRoot(window, this);
    // Several changes of one command make one announcement.
    connect(m_transport, &PlaylistTransport::Changed, this, [this] {
        if (std::exchange(m_announcePending, true))
            return;
        QTimer::singleShot(0, this, [this] {
            m_announcePending = false;
            AnnounceChanges();
        });
    });
}

MprisService::~MprisService()
{
    if (m_serviceName.isEmpty())
        return;
    m_bus.unregisterObject(kObjectPath);
    m_bus.unregisterService(m_serviceName);
}

bool MprisService::Register(QDBusConnection bus)
{
    if (!bus.isConnected()) {
        qCInfo(lcDesktop) << "no session bus, so no media controls:" << bus.lastError().message();
        return false;
    }
    if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) {
        qCWarning(lcDesktop) << "cannot register the media controls' object:" << bus.lastError().message();
        return false;
    }
    QString name = kServiceName;
    if (!bus.registerService(name)) {
        name = kServiceName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!bus.registerService(name)) {
            qCWarning(lcDesktop) << "cannot take the media controls' name:" << bus.lastError().message();
            bus.unregisterObject(kObjectPath);
            return false;
        }
    }
    m_bus = bus;
    m_serviceName = name;
    m_announced = m_player->ChangingProperties();
    return true;
}

void MprisService::AnnounceChanges()
{
    if (m_serviceName.isEmpty())
        return;
    const QVariantMap now = m_player->ChangingProperties();
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it) {
        if (m_announced.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_announced = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    m_bus.send(signal);
}

}  // namespace desktop
