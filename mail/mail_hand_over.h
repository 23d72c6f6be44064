#pragma once
// What carries a finished message to the user's mail program. The session
// talks to it only through this seam, so the dialog's logic can be tested
// without a desktop.

#include "mail/mail_message.h"
#include "mail/mapi_codes.h"

namespace mail {

class MailHandOver {
public:
    virtual ~MailHandOver() = default;
    // Whether a mail program can be reached at all.
    virtual bool IsInstalled() = 0;
    // Hands `message` over; the result is a Simple MAPI code.
    virtual MapiResult Deliver(const MailMessage& message) = 0;
};

}  // namespace mail
