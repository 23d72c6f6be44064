#pragma once
// org.mpris.MediaPlayer2.Player over the playlist's transport. Commands are
// carried out after the call returns, since they may open a message box.

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

namespace desktop {

class PlaylistTransport;

class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(double Volume READ Volume)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    MprisPlayer(PlaylistTransport& transport, QObject* parent);

    QString PlaybackStatus() const;
    double Rate() const { return 1.0; }
    double Volume() const { return 1.0; }
    QVariantMap Metadata() const;
    qlonglong Position() const;
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;
    bool CanControl() const { return true; }

    // The properties that announce their changes, by name.
    QVariantMap ChangingProperties() const;

public slots:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    void OpenUri(const QString& Uri);

signals:
    void Seeked(qlonglong Position);

private:
    template <typename F>
    void Later(F command);

    PlaylistTransport& m_transport;
    // The metadata of the last current item, so its picture is written once.
    mutable const void* m_metadataItem = nullptr;
    mutable QVariantMap m_metadata;
};

}  // namespace desktop
