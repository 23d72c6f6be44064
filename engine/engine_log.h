#pragma once
// The engine's logging category ("quillon.engine"),
// off unless QT_LOGGING_RULES turns it on.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcEngine)
