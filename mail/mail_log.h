#pragma once
// The mail subsystem's logging category, "quillon.mail".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcMail)
