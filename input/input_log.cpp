#include "input/input_log.h"

Q_LOGGING_CATEGORY(lcInput, "quillon.input", QtCriticalMsg)
