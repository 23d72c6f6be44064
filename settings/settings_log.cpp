#include "settings/settings_log.h"

Q_LOGGING_CATEGORY(lcSettings, "quillon.settings", QtCriticalMsg)
