#include "mail/xdg_email_hand_over.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace mail {

XdgEmailHandOver::XdgEmailHandOver(QString program) : m_program(std::move(program)) {}

QString XdgEmailHandOver::program() const
{
    return m_program.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("xdg-email")) : m_program;
}

bool XdgEmailHandOver::IsInstalled()
{
    if (program().isEmpty())
        return false;
    // xdg-email honours $MAILER before any desktop setting.
    if (!qEnvironmentVariableIsEmpty("MAILER"))
        return true;
    const QString mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (mime.isEmpty())
        return false;
    QProcess query;
    query.start(mime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/mailto")});
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

QStringList XdgEmailHandOver::Arguments(const MailMessage& message)
{
    // Our texts are UTF-8 whatever the locale; without --utf8 the tool would
    // convert them from the locale's encoding.
    QStringList args{QStringLiteral("--utf8")};
    // The tool refuses empty values, so an empty subject or body is left out.
    if (!message.subject.isEmpty())
        args << QStringLiteral("--subject") << message.subject;
    // The tool writes every line feed as CR LF into the mailto link, so the
    // body goes over with bare line feeds to arrive with CR LF, not CR CR LF.
    if (!message.noteText.isEmpty())
        args << QStringLiteral("--body") << QString(message.noteText).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // An absolute path never begins with "-", so it cannot pass for an option.
    for (const QString& path : message.attachments)
        args << QStringLiteral("--attach") << QFileInfo(path).absoluteFilePath();
    // Each address as the value of --to: a bare address beginning with "-"
    // would be read as an option.
    for (const QString& address : message.recipients)
        args << QStringLiteral("--to") << address;
    return args;
}

// xdg-email's exit codes (its manual) as Simple MAPI codes.
MapiResult XdgEmailHandOver::CodeForExit(int exitCode)
{
    switch (exitCode) {
    case 0: return kSuccess;              // handed to the mail program
    case 1: return kInvalidRecips;        // syntax: an address it refuses
    case 2: return kAttachmentNotFound;   // a file that does not exist
    case 3: return kNotSupported;         // no mail program or a required tool missing
    case 5: return kAttachmentOpenFailure; // no permission to read a file
    default: return kFailure;             // 4 (the action failed) and anything else
    }
}

MapiResult XdgEmailHandOver::Deliver(const MailMessage& message)
{
    // Checked here because some mail programs drop a missing attachment
    // without a word.
    for (const QString& path : message.attachments) {
        const QFileInfo info(path);
        if (!info.exists() || !info.isFile())
            return kAttachmentNotFound;
        if (!info.isReadable())
            return kAttachmentOpenFailure;
    }
    // The tool itself refuses an address without "@" as a syntax error.
    for (const QString& address : message.recipients) {
        if (!address.contains(QLatin1Char('@')))
            return kInvalidRecips;
    }
    const QString tool = program();
    if (tool.isEmpty())
        return kNotSupported;

    auto* process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(tool, Arguments(message));
    if (!process->waitForStarted(5000)) {
        delete process;
        return kNotSupported;
    }
    if (!process->waitForFinished(kWaitMs)) {
        // Still running: the mail program took the message and holds the
        // tool open. Let it finish on its own.
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        if (auto* app = QCoreApplication::instance())
            process->setParent(app);
        return kSuccess;
    }
    const MapiResult result =
        process->exitStatus() == QProcess::NormalExit ? CodeForExit(process->exitCode()) : kFailure;
    delete process;
    return result;
}

}  // namespace mail
