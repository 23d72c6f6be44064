#pragma once
// The playlist player's media controls on the session bus, as
// org.mpris.MediaPlayer2.quillon (a second running window adds
// ".instance<pid>"), object /org/mpris/MediaPlayer2. Without a session bus
// the program runs without them and logs why once.

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

class QWidget;

namespace playlist {
class PlaylistPanel;
}

namespace desktop {

class MprisPlayer;
class PlaylistTransport;

class MprisService : public QObject {
    Q_OBJECT
public:
    // `window` and `panel` must outlive the service.
    MprisService(QWidget& window, playlist::PlaylistPanel& panel, QObject* parent = nullptr);
    ~MprisService() override;

    // Registers on `bus`; false (after logging why) when that fails.
    bool Register(QDBusConnection bus = QDBusConnection::sessionBus());
    QString ServiceName() const { return m_serviceName; }

private:
    // Sends PropertiesChanged for what differs from the last announcement.
    void AnnounceChanges();

    PlaylistTransport* m_transport;
    MprisPlayer* m_player;
    QDBusConnection m_bus;
    QString m_serviceName;
    QVariantMap m_announced;
    bool m_announcePending = false;
};

}  // namespace desktop
