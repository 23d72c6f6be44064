#pragma once
// What media controls show of a playlist item: its track id, title, file,
// length and, for a file that carries pictures, the first one as a file in
// the user's cache folder.

#include <QDBusObjectPath>
#include <QString>
#include <QVariantMap>

namespace playlist {
struct PlaylistItem;
}

namespace desktop {

// Stays the same for an item as long as it is in the list.
QDBusObjectPath TrackId(const playlist::PlaylistItem& item);

// The metadata map (mpris:trackid, xesam:title, xesam:url, mpris:length and,
// where the item has a picture, mpris:artUrl).
QVariantMap TrackMetadata(const playlist::PlaylistItem& item, const QString& title, qint64 lengthUs);

// Writes the item's first picture into the cache folder; the file's URL, or
// empty when it has none or it could not be written.
QString WriteArt(const playlist::PlaylistItem& item);

}  // namespace desktop
