#include "playlist/playlist_item.h"

#include <QFile>

namespace playlist {

QString PlaylistItem::FilePath() const { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace playlist
