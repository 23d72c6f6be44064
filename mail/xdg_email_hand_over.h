#pragma once
// Hands a message to the desktop's mail program through `xdg-email`, which
// opens it ready to send, as "send by e-mail" does in other programs. When
// that program is Thunderbird, it is started here with the message itself.

#include <QString>
#include <QStringList>

#include "mail/mail_hand_over.h"

namespace mail {

class XdgEmailHandOver : public MailHandOver {
public:
    // `program` is the xdg-email to run; empty looks it up on PATH.
    explicit XdgEmailHandOver(QString program = QString());

    bool IsInstalled() override;
    MapiResult Deliver(const MailMessage& message) override;

    // The arguments for `message`: one mailto link holding all of it.
    static QStringList Arguments(const MailMessage& message);
    // The tool's exit code as a Simple MAPI code.
    static MapiResult CodeForExit(int exitCode);

    // How long Deliver waits for the tool. A mail program that is not running
    // yet may be started in the foreground and keep the tool waiting while
    // its compose window is open; by then the message has been handed over.
    static constexpr int kWaitMs = 10000;
    // The longest single argument Linux passes to a program, its zero
    // included (MAX_ARG_STRLEN).
    static constexpr qsizetype kMaxArgumentBytes = 32 * 4096;

private:
    struct HandOverRun {
        enum Outcome { NotStarted, StillRunning, Exited, Crashed } outcome;
        int exitCode;
    };
    // Runs `tool` until it exits or kWaitMs pass.
    static HandOverRun RunHandOver(const QString& tool, const QStringList& arguments);
    QString Program() const;
    QString m_program;
};

}  // namespace mail
