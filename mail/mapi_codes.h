#pragma once
// The Simple MAPI result codes and statuses the mail subsystem speaks in, so
// that whatever carries the message, its outcome shows through one table.

#include <cstdint>

#include "resources/strings.h"

namespace mail {

using MapiResult = std::uint32_t;

enum MapiCode : MapiResult {
    kSuccess = 0,
    kUserAbort = 1,
    kFailure = 2,
    kLoginFailure = 3,
    kInsufficientMemory = 5,
    kTooManyFiles = 9,
    kTooManyRecipients = 10,
    kAttachmentNotFound = 11,
    kAttachmentOpenFailure = 12,
    kUnknownRecipient = 14,
    kBadRecipType = 15,
    kTextTooLarge = 18,
    kInvalidSession = 19,
    kAmbiguousRecipient = 21,
    kInvalidRecips = 25,
    kNotSupported = 26,
};

inline constexpr MapiResult kEFail = 0x80004005u;
inline constexpr MapiResult kEOutOfMemory = 0x8007000Eu;

// The string id of the message shown for `code`; every code not in the table
// (E_FAIL included) gives the unknown-type message.
resources::StringId MapiErrorMessageId(MapiResult code);

}  // namespace mail
