#include "mail/mapi_codes.h"

namespace mail {

resources::StringId MapiErrorMessageId(MapiResult code)
{
    switch (code) {
    case kUserAbort:
        return resources::IDS_MAIL_CANCELLED;
    case kFailure:
        return resources::IDS_MAIL_FAILED;
    case kLoginFailure:
        return resources::IDS_MAIL_LOGIN_FAILED;
    case kInsufficientMemory:
        return resources::IDS_MAIL_NO_MEMORY;
    case kTooManyFiles:
        return resources::IDS_MAIL_TOO_MANY_ATTACHMENTS;
    case kTooManyRecipients:
        return resources::IDS_MAIL_TOO_MANY_RECIPIENTS;
    case kAttachmentNotFound:
        return resources::IDS_MAIL_ATTACHMENT_NOT_FOUND;
    case kAttachmentOpenFailure:
        return resources::IDS_MAIL_ATTACHMENT_OPEN_FAILED;
    case kUnknownRecipient:
        return resources::IDS_MAIL_UNKNOWN_RECIPIENT;
    case kBadRecipType:
        return resources::IDS_MAIL_BAD_RECIPIENT_TYPE;
    case kTextTooLarge:
        return resources::IDS_MAIL_TEXT_TOO_LONG;
    case kInvalidSession:
        return resources::IDS_MAIL_INVALID_SESSION;
    case kAmbiguousRecipient:
        return resources::IDS_MAIL_AMBIGUOUS_RECIPIENT;
    case kInvalidRecips:
        return resources::IDS_MAIL_INVALID_RECIPIENT;
    case kNotSupported:
        return resources::IDS_MAIL_NOT_SUPPORTED;
    default:
        return resources::IDS_MAIL_UNKNOWN_TYPE;
    }
}

}  // namespace mail
