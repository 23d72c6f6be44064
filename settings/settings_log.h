#pragma once
// The stored settings' logging category ("quillon.settings"),
// off unless QT_LOGGING_RULES turns it on.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcSettings)
