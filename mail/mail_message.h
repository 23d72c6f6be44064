#pragma once
// One message as the send-mail dialog hands it over, and the rules that turn
// the dialog's texts into it.

#include <QString>
#include <QStringList>

namespace mail {

inline constexpr int kMaxRecipients = 50;
inline constexpr int kMaxAttachments = 50;

struct MailMessage {
    QStringList recipients;   // trimmed addresses, in the order typed
    QString subject;          // exactly as typed
    QString noteText;         // the body, with the signature block when asked for
    QStringList attachments;  // trimmed paths, one per line, in order
};

// The body followed, when `withSignature` is set, by CR LF, 36 hyphens, CR LF
// and the signature (also for an empty body or signature).
QString ComposeNoteText(const QString& body, bool withSignature, const QString& signature);

// Trims `text` in place and ends it with ";" when it is not empty, as the
// dialog keeps it; returns the non-empty trimmed stretches between semicolons.
QStringList ParseRecipients(QString& text);

// Trims `text` in place and ends it with a carriage return when it is not
// empty; returns the non-empty trimmed lines. A bare line feed ends a line as
// well, since the text comes from an editor that may use either.
QStringList ParseAttachments(QString& text);

// True when `text` holds a carriage return or a line feed: such a subject or
// address would change the meaning of the message it is handed over in.
bool HasLineBreak(const QString& text);

}  // namespace mail
