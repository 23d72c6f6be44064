#pragma once
// The message as the one argument that follows `thunderbird -compose`.
//
// Thunderbird reads it as "name=value" fields between commas. A value in
// single quotes is taken as it stands; any other is percent-decoded. xdg-email
// quotes all attachments together in one comma-separated value, so a file
// whose name holds a comma arrives split and one holding a quote cut off.
// Here every text is percent-encoded whole, so no comma or quote of its own
// is left, and the attachments are quoted file URLs whose names are
// percent-encoded: the commas between them are the only ones.

#include <QString>

#include "mail/mail_message.h"

namespace mail {

QString ThunderbirdComposeArgument(const MailMessage& message);

// The file URL of `path`, every byte but letters, digits, "-._~" and the
// slashes percent-encoded.
QString EncodedFileUrl(const QString& path);

}  // namespace mail
