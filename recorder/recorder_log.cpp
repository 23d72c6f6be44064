#include "recorder/recorder_log.h"

Q_LOGGING_CATEGORY(lcRecorder, "quillon.recorder", QtCriticalMsg)
