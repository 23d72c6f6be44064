#include "platform/audio/audio_log.h"

namespace platform::audio {
Q_LOGGING_CATEGORY(lcAudio, "quillon.audio", QtCriticalMsg)
}
