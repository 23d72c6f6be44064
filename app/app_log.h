#pragma once
// The application's logging category ("quillon.app"),
// off unless QT_LOGGING_RULES turns it on.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApp)
