#pragma once
// A hand-over that records what reaches it, a private settings store, the
// dialog driven through its controls, and a private desktop with a mail
// program of the test's own.

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
    std::vector<mail::MapiResult> answers;  // one per delivery; success once used up
    std::vector<mail::MailMessage> delivered;
};

struct RecordingHandOver : mail::MailHandOver {
    explicit RecordingHandOver(Recorded& r)
        : m_r(r)
    {
    }
    bool IsInstalled() override { return true; }
    mail::MapiResult Deliver(const mail::MailMessage& message) override
    {
        m_r.delivered.push_back(message);
        const size_t n = m_r.delivered.size();
        return n <= m_r.answers.size() ? m_r.answers[n - 1] : mail::kSuccess;
    }

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
struct StandInMailProgram {
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

    QTemporaryDir m_dir;
    QString m_program;
    std::list<testsupport::ScopedEnv> m_env;
};

// The dialog with a recording hand-over, or the desktop's real one.
struct DialogRun {
    ScratchSettings settings;
    Recorded recorded;
    QTemporaryDir home;
    std::unique_ptr<mail::MailDialog> dialog;

    void Open(bool realHandOver = false)
    {
        dialog = std::make_unique<mail::MailDialog>(
            &settings.store, realHandOver ? nullptr : std::make_unique<RecordingHandOver>(recorded), home.path());
        dialog->show();
    }
    template <class W>
    W* Control(int id)
    {
        return qobject_cast<W*>(dialog->Control(id));
    }
    void Type(int id, const QString& text)
    {
        auto* edit = Control<QLineEdit>(id);
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    void SetPlain(int id, const QString& text) { Control<QPlainTextEdit>(id)->setPlainText(text); }
    void ClickSend() { QTest::mouseClick(Control<QPushButton>(mail::MailDialog::IdSend), Qt::LeftButton); }
    void Close()
    {
        dialog->reject();
        dialog.reset();
    }
    // One Thunderbird profile with the given account names (three at most), in order.
    void Accounts(const QStringList& names)
    {
        QList<std::pair<QString, QString>> servers;
        for (const QString& name : names)
            servers.append({name, "imap"});
        ASSERT_TRUE(testsupport::WriteFile(home.filePath(".thunderbird/profiles.ini"),
                                           "[Profile0]\nPath=p\nIsRelative=1\nDefault=1\n"));
        ASSERT_TRUE(testsupport::WriteFile(home.filePath(".thunderbird/p/prefs.js"),
                                           ThunderbirdPrefs(servers, "account1,account2,account3")));
    }
};

}  // namespace mailtest
