#pragma once
// The playlist's logging category ("quillon.playlist"), off unless turned on.

#include <QLoggingCategory>

namespace playlist {
Q_DECLARE_LOGGING_CATEGORY(lcPlaylist)
}
