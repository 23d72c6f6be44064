#include "desktop/desktop_log.h"

namespace desktop {
Q_LOGGING_CATEGORY(lcDesktop, "quillon.desktop", QtCriticalMsg)
}
