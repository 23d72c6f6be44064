#pragma once
// The decoder interface's logging category ("quillon.decoder"),
// off unless QT_LOGGING_RULES turns it on.

#include <QLoggingCategory>

namespace decoder {
Q_DECLARE_LOGGING_CATEGORY(lcDecoder)
}
