#pragma once
// A hand-over that records what reaches it, a private settings store, and
// a private desktop with a mail program of the test's own.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <list>
#include <vector>

#include "controls/widget_test_helpers.h"
#include "mail/mail_dialog.h"
#include "mail/mail_hand_over.h"
#include "settings/settings_store.h"
#include "support/scoped_state.h"
#include "support/test_support.h"

namespace mailtest {

struct Recorded {
    bool installed = true;
    std::vector<mail::MapiResult> answers;  // one per delivery; success once used up
    std::vector<mail::MailMessage> delivered;
};

class RecordingHandOver : public mail::MailHandOver {
public:
    explicit RecordingHandOver(Recorded& r)
        : m_r(r)
    {
    }
    bool IsInstalled() override { return m_r.installed; }
    mail::MapiResult Deliver(const mail::MailMessage& message) override
    {
        m_r.delivered.push_back(message);
        const size_t n = m_r.delivered.size();
        return n <= m_r.answers.size() ? m_r.answers[n - 1] : mail::kSuccess;
    }

private:
    Recorded& m_r;
};

// Settings in a scratch file, so every test starts from its own history.
struct ScratchSettings {
    QTemporaryDir dir;
    QSettings settings{dir.filePath("Quillon.conf"), QSettings::IniFormat};
    SettingsStore store{&settings};
    QString History(const char* key) { return store.ReadHistoryString(QString::fromLatin1(key), "<unset>"); }
};

// A Thunderbird profile's preferences: the servers (name, type) as accounts
// 1, 2, ... in the account manager's `order`.
inline QByteArray ThunderbirdPrefs(const QList<std::pair<QString, QString>>& servers, const QString& order)
{
    QByteArray out = "// Mozilla User Preferences\nuser_pref(\"mail.preferences.version\", 3);\n";
    out += "user_pref(\"mail.accountmanager.accounts\", \"" + order.toUtf8() + "\");\n";
    int n = 1;
    for (const auto& [name, type] : servers) {
        const QByteArray i = QByteArray::number(n++);
        out += "user_pref(\"mail.account.account" + i + ".server\", \"server" + i + "\");\n";
        out += "user_pref(\"mail.server.server" + i + ".name\", \"" + name.toUtf8() + "\");\n";
        out += "user_pref(\"mail.server.server" + i + ".type\", \"" + type.toUtf8() + "\");\n";
    }
    return out;
}

// A private desktop in a graphical session of no known kind, as xdg-email
// expects before it looks for the mailto handler, put back when it goes.
// Its mail program, once registered, writes down the arguments it gets and
// ends with the status set by ExitWith().
class StandInMailProgram {
public:
    // `name` is the program's path in the desktop's folder: xdg-email hands
    // a program named like Thunderbird the message its own way.
    explicit StandInMailProgram(const QString& name = "stand-in-mail")
        : m_program(m_dir.filePath(name))
    {
        QDir().mkpath(m_dir.filePath("config"));
        m_env.emplace_back("XDG_CONFIG_HOME", m_dir.filePath("config"));
        m_env.emplace_back("XDG_DATA_HOME", m_dir.filePath("data"));
        m_env.emplace_back("DISPLAY", ":97");
        for (const char* unset : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                  "GNOME_DESKTOP_SESSION_ID", "MAILER", "BROWSER"})
            m_env.emplace_back(unset, QString());
    }
    bool RegisterHandler()
    {
        const QByteArray script = "#!/bin/sh\n: > '" + Arguments().toUtf8() +
            "'\nfor a in \"$@\"; do printf '%s\\0' \"$a\" >> '" + Arguments().toUtf8() + "'; done\nexit $(cat '" +
            m_dir.filePath("exit-code").toUtf8() + "' 2>/dev/null || echo 0)\n";
        testsupport::WriteFile(m_program, script);
        QFile::setPermissions(m_program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        testsupport::WriteFile(m_dir.filePath("data/applications/stand-in-mail.desktop"),
                               "[Desktop Entry]\nType=Application\nName=Stand-in mail\nExec=" + m_program.toUtf8() +
                                   " %u\nMimeType=x-scheme-handler/mailto;\n");
        return testsupport::RunTool("xdg-mime", {"default", "stand-in-mail.desktop", "x-scheme-handler/mailto"})
                   .exitCode == 0;
    }
    QString Program() const { return m_program; }
    QString Dir() const { return m_dir.path(); }
    QString Arguments() const { return m_dir.filePath("arguments"); }
    void ExitWith(int code) { testsupport::WriteFile(m_dir.filePath("exit-code"), QByteArray::number(code)); }
    QStringList Received() const
    {
        QStringList out;
        for (const QByteArray& a : testsupport::ReadFile(Arguments()).split('\0'))
            out << QString::fromUtf8(a);
        out.removeLast();  // after the last terminator
        return out;
    }

private:
    QTemporaryDir m_dir;
    QString m_program;
    std::list<testsupport::ScopedEnv> m_env;
};

// Sends through the dialog with the desktop's real hand-over, as a user
// types it; the dialog's result, or -1 when a message box came up.
inline int SendThroughDialog(const QStringList& files, const QString& to, const QString& subject, const QString& body)
{
    ScratchSettings settings;
    QTemporaryDir home;
    mail::MailDialog dialog(&settings.store, nullptr, home.path());
    dialog.show();
    for (const QString& f : files)
        dialog.AddAttachment(f);
    qobject_cast<QLineEdit*>(dialog.Control(mail::MailDialog::IdRecipients))->setText(to);
    qobject_cast<QLineEdit*>(dialog.Control(mail::MailDialog::IdSubject))->setText(subject);
    qobject_cast<QPlainTextEdit*>(dialog.Control(mail::MailDialog::IdBody))->setPlainText(body);
    widgettest::MessageBoxCatcher catcher;
    QTest::mouseClick(qobject_cast<QPushButton*>(dialog.Control(1)), Qt::LeftButton);
    EXPECT_EQ(catcher.count, 0) << catcher.text.toStdString();
    return catcher.count ? -1 : dialog.result();
}

}  // namespace mailtest
