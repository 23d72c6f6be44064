#pragma once
// The logging category of the desktop services ("quillon.desktop").

#include <QLoggingCategory>

namespace desktop {
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)
}
