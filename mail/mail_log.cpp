#include "mail/mail_log.h"

Q_LOGGING_CATEGORY(lcMail, "quillon.mail", QtCriticalMsg)
