#pragma once
// The input subsystem's logging category ("quillon.input"),
// off unless QT_LOGGING_RULES turns it on.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcInput)
