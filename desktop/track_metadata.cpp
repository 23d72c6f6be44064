#include "desktop/track_metadata.h"

#include <QCryptographicHash>
#include <QDir>
#include <QImage>
#include <QStandardPaths>
#include <QUrl>

#include "desktop/desktop_log.h"
#include "playlist/playlist_item.h"

namespace desktop {

QDBusObjectPath TrackId(const playlist::PlaylistItem& item)
{
    return QDBusObjectPath(QStringLiteral("/org/quillon/track/%1").arg(quintptr(&item), 0, 16));
}

QString WriteArt(const playlist::PlaylistItem& item)
{
    if (!item.IsLoaded() || item.stream.Images().empty())
        return {};
    const QImage picture = item.stream.Image(0);
    if (picture.isNull())
        return {};
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/art");
    // One file per audio file: the same file playing again replaces its picture.
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(item.FilePath().toUtf8(), QCryptographicHash::Sha1).toHex());
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!QDir().mkpath(folder) || !picture.save(path, "PNG")) {
        qCWarning(lcDesktop) << "cannot write the picture of" << item.FilePath() << "to" << path;
        return {};
    }
    return QUrl::fromLocalFile(path).toString();
}

QVariantMap TrackMetadata(const playlist::PlaylistItem& item, const QString& title, qint64 lengthUs)
{
    QVariantMap map{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId(item))},
        {QStringLiteral("xesam:title"), title},
        {QStringLiteral("xesam:url"), QUrl::fromLocalFile(item.FilePath()).toString()},
        {QStringLiteral("mpris:length"), lengthUs},
    };
    if (const QString art = WriteArt(item); !art.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"), art);
    return map;
}

}  // namespace desktop
