#pragma once
// The engine's logging category ("quillon.engine"), off unless turned on.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcEngine)
