#include "platform/platform_log.h"

namespace platform {
Q_LOGGING_CATEGORY(lcPlatform, "quillon.platform", QtCriticalMsg)
}
