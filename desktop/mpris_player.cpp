#include "desktop/mpris_player.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMetaObject>
#include <QPointer>
#include <QUrl>

#include "desktop/desktop_log.h"
#include "desktop/playlist_transport.h"
#include "desktop/track_metadata.h"
#include "playlist/playlist_item.h"

namespace desktop {

MprisPlayer::MprisPlayer(PlaylistTransport& transport, QObject* parent)
    : QDBusAbstractAdaptor(parent)
    , m_transport(transport)
{
    connect(&transport, &PlaylistTransport::Seeked, this, [this](int64_t us) { emit Seeked(us); });
}

QString MprisPlayer::PlaybackStatus() const
{
    switch (m_transport.GetStatus()) {
    case PlaylistTransport::Status::Playing:
        return QStringLiteral("Playing");
    case PlaylistTransport::Status::Paused:
        return QStringLiteral("Paused");
    case PlaylistTransport::Status::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisPlayer::Metadata() const
{
    const playlist::PlaylistItem* item = m_transport.CurrentItem();
    if (item != m_metadataItem) {
        m_metadataItem = item;
        m_metadata =
            item ? TrackMetadata(*item, m_transport.Title(*item), PlaylistTransport::LengthUs(*item)) : QVariantMap();
    }
    return m_metadata;
}

qlonglong MprisPlayer::Position() const { return m_transport.PositionUs(); }
bool MprisPlayer::CanGoNext() const { return m_transport.CanGoNext(); }
bool MprisPlayer::CanGoPrevious() const { return m_transport.CanGoPrevious(); }
bool MprisPlayer::CanPlay() const { return m_transport.CanPlay(); }
bool MprisPlayer::CanPause() const { return m_transport.CanPause(); }
bool MprisPlayer::CanSeek() const { return m_transport.CanSeek(); }

QVariantMap MprisPlayer::ChangingProperties() const
{
    return {
        {QStringLiteral("PlaybackStatus"), PlaybackStatus()},
        {QStringLiteral("Metadata"), Metadata()},
        {QStringLiteral("CanGoNext"), CanGoNext()},
        {QStringLiteral("CanGoPrevious"), CanGoPrevious()},
        {QStringLiteral("CanPlay"), CanPlay()},
        {QStringLiteral("CanPause"), CanPause()},
        {QStringLiteral("CanSeek"), CanSeek()},
    };
}

template <typename F>
void MprisPlayer::Later(F command)
{
    QMetaObject::invokeMethod(
        this,
        [transport = QPointer<PlaylistTransport>(&m_transport), command] {
            if (transport)
                command(*transport);
        },
        Qt::QueuedConnection);
}

void MprisPlayer::Play()
{
    Later([](PlaylistTransport& t) { t.Play(); });
}
void MprisPlayer::Pause()
{
    Later([](PlaylistTransport& t) { t.Pause(); });
}
void MprisPlayer::PlayPause()
{
    Later([](PlaylistTransport& t) { t.PlayPause(); });
}
void MprisPlayer::Stop()
{
    Later([](PlaylistTransport& t) { t.Stop(); });
}
void MprisPlayer::Next()
{
    Later([](PlaylistTransport& t) { t.Next(); });
}
void MprisPlayer::Previous()
{
    Later([](PlaylistTransport& t) { t.Previous(); });
}
void MprisPlayer::Seek(qlonglong offset)
{
    Later([offset](PlaylistTransport& t) { t.SeekBy(offset); });
}

void MprisPlayer::SetPosition(const QDBusObjectPath& trackId, qlonglong position)
{
    Later([trackId, position](PlaylistTransport& t) {
        const playlist::PlaylistItem* item = t.CurrentItem();
        if (item && TrackId(*item) == trackId)
            t.SetPosition(item, position);
    });
}

void MprisPlayer::OpenUri(const QString& uri)
{
    const QUrl url(uri);
    if (!url.isLocalFile()) {
        qCWarning(lcDesktop) << "OpenUri refused, not a local file:" << uri;
        return;
    }
    Later([path = url.toLocalFile()](PlaylistTransport& t) { t.OpenFile(path); });
}

}  // namespace desktop
