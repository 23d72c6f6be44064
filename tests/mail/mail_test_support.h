#pragma once
// A hand-over that records what reaches it, and a private settings store.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "controls/widget_test_helpers.h"
#include "mail/mail_dialog.h"
#include "mail/mail_hand_over.h"
#include "settings/settings_store.h"
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
    QString history(const char* key) { return store.readHistoryString(QString::fromLatin1(key), "<unset>"); }
};

// A private desktop under `dir` in a graphical session of no known kind, as
// xdg-email expects before it looks for the mailto handler.
inline void useDesktopIn(const QTemporaryDir& dir)
{
    QDir().mkpath(dir.filePath("config"));
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    qputenv("DISPLAY", ":97");
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                             "MAILER", "BROWSER"})
        qunsetenv(name);
}

// Makes `script` an executable program and the desktop's mailto handler.
inline bool registerMailtoHandler(const QTemporaryDir& dir, const QString& program, const QByteArray& script)
{
    testsupport::writeFile(program, script);
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    testsupport::writeFile(dir.filePath("data/applications/stand-in-mail.desktop"),
                           "[Desktop Entry]\nType=Application\nName=Stand-in mail\nExec=" + program.toUtf8() +
                               " %u\nMimeType=x-scheme-handler/mailto;\n");
    return testsupport::runTool("xdg-mime", {"default", "stand-in-mail.desktop", "x-scheme-handler/mailto"}).exitCode ==
        0;
}

// Sends through the dialog with the desktop's real hand-over, as a user
// types it; the dialog's result, or -1 when a message box came up.
inline int sendThroughDialog(const QStringList& files, const QString& to, const QString& subject, const QString& body)
{
    ScratchSettings settings;
    QTemporaryDir home;
    mail::MailDialog dialog(&settings.store, nullptr, home.path());
    dialog.show();
    for (const QString& f : files)
        dialog.AddAttachment(f);
    qobject_cast<QLineEdit*>(dialog.control(1244))->setText(to);
    qobject_cast<QLineEdit*>(dialog.control(1045))->setText(subject);
    qobject_cast<QPlainTextEdit*>(dialog.control(1242))->setPlainText(body);
    widgettest::MessageBoxCatcher catcher;
    QTest::mouseClick(qobject_cast<QPushButton*>(dialog.control(1)), Qt::LeftButton);
    EXPECT_EQ(catcher.count, 0) << catcher.text.toStdString();
    return catcher.count ? -1 : dialog.result();
}

}  // namespace mailtest
