#include "mail/xdg_email_hand_over.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include "mail/mail_log.h"
#include "mail/mailto_handler.h"
#include "mail/thunderbird_compose.h"

namespace mail {

XdgEmailHandOver::XdgEmailHandOver(QString program)
    : m_program(std::move(program))
{
}

QString XdgEmailHandOver::Program() const
{
    return m_program.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("xdg-email")) : m_program;
}

bool XdgEmailHandOver::IsInstalled()
{
    if (Program().isEmpty())
        return false;
    // xdg-email honours $MAILER before any desktop setting.
    if (!qEnvironmentVariableIsEmpty("MAILER"))
        return true;
    return !MailtoHandlerEntry().isEmpty();
}

QStringList XdgEmailHandOver::Arguments(const MailMessage& message)
{
    // The link is encoded here and handed over whole: the tool's own encoder
    // passes each value through the shell's echo, which turns backslashes
    // into control characters and cuts a value at "\c" (an attachment
    // "a\cb.wav" would arrive as "a"). A link is also never an option,
    // whatever an address or a path begins with.
    const auto encode = [](const QString& value) { return QString::fromLatin1(QUrl::toPercentEncoding(value, "@/")); };
    QStringList fields;
    // An empty subject or body is left out rather than sent empty.
    if (!message.subject.isEmpty())
        fields << QStringLiteral("subject=") + encode(message.subject);
    // Every line ends in CR LF, as a message's lines do.
    if (!message.noteText.isEmpty())
        fields << QStringLiteral("body=") +
                encode(QString(message.noteText)
                           .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                           .replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    for (const QString& path : message.attachments)
        fields << QStringLiteral("attach=") + encode(QFileInfo(path).absoluteFilePath());
    for (const QString& address : message.recipients)
        fields << QStringLiteral("to=") + encode(address);
    return {QStringLiteral("mailto:?") + fields.join(QLatin1Char('&'))};
}

// xdg-email's exit codes (its manual) as Simple MAPI codes.
MapiResult XdgEmailHandOver::CodeForExit(int exitCode)
{
    switch (exitCode) {
    case 0:
        return kSuccess;  // handed to the mail program
    case 1:
        return kInvalidRecips;  // syntax: an address it refuses
    case 2:
        return kAttachmentNotFound;  // a file that does not exist
    case 3:
        return kNotSupported;  // no mail program or a required tool missing
    case 5:
        return kAttachmentOpenFailure;  // no permission to read a file
    default:
        return kFailure;  // 4 (the action failed) and anything else
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
    // Thunderbird gets the message from us: xdg-email would hand it all
    // attachments in one comma-separated value.
    const QString thunderbird = ThunderbirdMailtoHandler();
    const QString tool = thunderbird.isEmpty() ? Program() : thunderbird;
    if (tool.isEmpty())
        return kNotSupported;
    const QStringList arguments = thunderbird.isEmpty()
        ? Arguments(message)
        : QStringList{QStringLiteral("-compose"), ThunderbirdComposeArgument(message)};

    // The message travels as one argument to the mail program; the kernel
    // refuses a longer one, which would otherwise read as "no mail program".
    if (arguments.constLast().toUtf8().size() >= kMaxArgumentBytes)
        return kTextTooLarge;

    const HandOverRun run = RunHandOver(tool, arguments);
    switch (run.outcome) {
    case HandOverRun::NotStarted:
        qCWarning(lcMail) << "cannot start" << tool;
        return kNotSupported;
    case HandOverRun::StillRunning:
        return kSuccess;
    case HandOverRun::Crashed:
        qCWarning(lcMail) << tool << "crashed while taking the message";
        return kFailure;
    case HandOverRun::Exited:
        break;
    }
    if (run.exitCode != 0)
        qCWarning(lcMail) << tool << "refused the message, exit code" << run.exitCode;
    // Thunderbird says only whether it took the message.
    if (!thunderbird.isEmpty())
        return run.exitCode == 0 ? kSuccess : kFailure;
    return CodeForExit(run.exitCode);
}

XdgEmailHandOver::HandOverRun XdgEmailHandOver::RunHandOver(const QString& tool, const QStringList& arguments)
{
    auto* process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(tool, arguments);
    if (!process->waitForStarted(5000)) {
        delete process;
        return {HandOverRun::NotStarted, 0};
    }
    // Waiting in an event loop lets recording, playback and painting go on;
    // the user's input waits until the hand-over is done.
    QEventLoop wait;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
    QObject::connect(process, &QProcess::finished, &wait, &QEventLoop::quit);
    limit.start(kWaitMs);
    if (process->state() != QProcess::NotRunning)
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    if (process->state() != QProcess::NotRunning) {
        // Still running: the mail program took the message and holds the
        // tool open. Let it finish on its own.
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        if (auto* app = QCoreApplication::instance())
            process->setParent(app);
        return {HandOverRun::StillRunning, 0};
    }
    const HandOverRun run{process->exitStatus() == QProcess::NormalExit ? HandOverRun::Exited : HandOverRun::Crashed,
                          process->exitCode()};
    delete process;
    return run;
}

}  // namespace mail
