#include "mail/mapi_codes.h"

namespace mail {

int MapiErrorMessageId(MapiResult code)
{
    switch (code) {
    case kUserAbort:
        return 334;
    case kFailure:
        return 330;
    case kLoginFailure:
        return 332;
    case kInsufficientMemory:
        return 331;
    case kTooManyFiles:
        return 442;
    case kTooManyRecipients:
        return 341;
    case kAttachmentNotFound:
        return 335;
    case kAttachmentOpenFailure:
        return 336;
    case kUnknownRecipient:
        return 329;
    case kBadRecipType:
        return 337;
    case kTextTooLarge:
        return 339;
    case kInvalidSession:
        return 342;
    case kAmbiguousRecipient:
        return 328;
    case kInvalidRecips:
        return 338;
    case kNotSupported:
        return 333;
    default:
        return 343;
    }
}

}  // namespace mail
