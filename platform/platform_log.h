#pragma once
// The platform layer's logging category ("quillon.platform"),
// off unless QT_LOGGING_RULES turns it on.

#include <QLoggingCategory>

namespace platform {
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
}
