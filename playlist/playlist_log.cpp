#include "playlist/playlist_log.h"

namespace playlist {
Q_LOGGING_CATEGORY(lcPlaylist, "quillon.playlist", QtCriticalMsg)
}
