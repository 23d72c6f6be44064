#include "mail/thunderbird_compose.h"

#include <QFileInfo>
#include <QUrl>

namespace mail {

namespace {

QString Encoded(const QString& text) { return QString::fromLatin1(QUrl::toPercentEncoding(text, "@")); }

}  // namespace

QString EncodedFileUrl(const QString& path)
{
    return QStringLiteral("file://") + QString::fromLatin1(QUrl::toPercentEncoding(path, "/"));
}

QString ThunderbirdComposeArgument(const MailMessage& message)
{
    QStringList fields;
    fields << QStringLiteral("to=") + Encoded(message.recipients.join(QLatin1Char(',')));
    if (!message.subject.isEmpty())
        fields << QStringLiteral("subject=") + Encoded(message.subject);
    // Every line ends in CR LF, as a message's lines do.
    if (!message.noteText.isEmpty())
        fields << QStringLiteral("body=") +
                Encoded(QString(message.noteText)
                            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                            .replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    if (!message.attachments.isEmpty()) {
        QStringList urls;
        for (const QString& path : message.attachments)
            urls << EncodedFileUrl(QFileInfo(path).absoluteFilePath());
        fields << QStringLiteral("attachment='") + urls.join(QLatin1Char(',')) + QLatin1Char('\'');
    }
    return fields.join(QLatin1Char(','));
}

}  // namespace mail
