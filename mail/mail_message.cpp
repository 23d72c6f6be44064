#include "mail/mail_message.h"

#include <QRegularExpression>

namespace mail {

QString ComposeNoteText(const QString& body, bool withSignature, const QString& signature)
{
    if (!withSignature)
        return body;
    return body + QStringLiteral("\r\n") + QString(36, QLatin1Char('-')) + QStringLiteral("\r\n") + signature;
}

namespace {

QStringList NonEmptyTrimmed(const QStringList& stretches)
{
    QStringList out;
    for (const QString& s : stretches) {
        const QString t = s.trimmed();
        if (!t.isEmpty())
            out.append(t);
    }
    return out;
}

}  // namespace

QStringList ParseRecipients(QString& text)
{
    text = text.trimmed();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char(';')))
        text.append(QLatin1Char(';'));
    return NonEmptyTrimmed(text.split(QLatin1Char(';')));
}

QStringList ParseAttachments(QString& text)
{
    text = text.trimmed();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\r')))
        text.append(QLatin1Char('\r'));
    static const QRegularExpression lineEnd(QStringLiteral("[\r\n]"));
    return NonEmptyTrimmed(text.split(lineEnd));
}

bool HasLineBreak(const QString& text) { return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')); }

}  // namespace mail
