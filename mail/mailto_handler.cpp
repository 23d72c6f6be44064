#include "mail/mailto_handler.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "mail/mail_log.h"

namespace mail {

QString MailtoHandlerEntry()
{
    const QString mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (mime.isEmpty()) {
        qCWarning(lcMail) << "xdg-mime is not installed";
        return {};
    }
    QProcess query;
    query.start(mime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/mailto")});
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished(1000);
        qCWarning(lcMail) << "xdg-mime did not answer which program handles mail links";
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

namespace {

// Where the entry lies: an applications folder of the XDG data folders, or,
// for "vendor-name.desktop", its "vendor/name.desktop".
QString LocateDesktopEntry(const QString& entry)
{
    const QString name = QFileInfo(entry).fileName();
    if (name.isEmpty())
        return {};
    QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, name);
    if (path.isEmpty() && name.contains(QLatin1Char('-'))) {
        const qsizetype dash = name.indexOf(QLatin1Char('-'));
        path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation,
                                      name.left(dash) + QLatin1Char('/') + name.mid(dash + 1));
    }
    return path;
}

}  // namespace

QString ProgramOfDesktopEntry(const QString& entry)
{
    QFile file(LocateDesktopEntry(entry));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression execLine(QStringLiteral(R"(^Exec(\[[^\]=]*\])?=(.*)$)"));
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QRegularExpressionMatch m = execLine.match(line);
        if (!m.hasMatch())
            continue;
        const QStringList words = QProcess::splitCommand(m.captured(2));
        if (words.isEmpty())
            return {};
        const QString program = QStandardPaths::findExecutable(words.first());
        return program.isEmpty() ? QString() : QFileInfo(program).canonicalFilePath();
    }
    return {};
}

QString ThunderbirdMailtoHandler()
{
    if (!qEnvironmentVariableIsEmpty("MAILER"))
        return {};
    const QString program = ProgramOfDesktopEntry(MailtoHandlerEntry());
    // xdg-email looks at the whole path, as here.
    static const QRegularExpression thunderbird(QStringLiteral("thunderbird|icedove"));
    return thunderbird.match(program).hasMatch() ? program : QString();
}

}  // namespace mail
