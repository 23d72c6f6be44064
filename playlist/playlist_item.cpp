#include "playlist/playlist_item.h"

#include <QFile>

namespace playlist {

QString PlaylistItem::filePath() const { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace playlist
