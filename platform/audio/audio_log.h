#pragma once
// The audio layer's logging category ("quillon.audio"),
// off unless QT_LOGGING_RULES turns it on.

#include <QLoggingCategory>

namespace platform::audio {
Q_DECLARE_LOGGING_CATEGORY(lcAudio)
}
