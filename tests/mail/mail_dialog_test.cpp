// The send-mail dialog driven through its controls, with a hand-over that
// records what it is given or refuses it as told; and the mail accounts it
// offers, read from Thunderbird profiles that the tests write.
#include <optional>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>

#include "mail_test_support.h"
#include "resources/strings.h"
#include "mail/mail_accounts.h"
#include "mail/mail_dialog.h"

using namespace mail;
using mailtest::DialogRun;
using mailtest::ThunderbirdPrefs;
using testsupport::WriteFile;
using widgettest::MessageBoxCatcher;

namespace {

QString Addresses(int n)
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QString("u%1@x.cn").arg(i);  // short enough for 51 within the field's limit
    return list.join(';');
}

}  // namespace

TEST(MailDialog, LimitsAreCheckedInOrderBeforeAnyLogon)
{
    struct Case {
        QString recipients;
        int attachments;
        std::optional<resources::StringId> message;  // none: sent
    };
    const Case cases[] = {
        {Addresses(51), 51, resources::IDS_MAIL_TOO_MANY_RECIPIENTS},
        {"  ;  ; ", 0, resources::IDS_MAIL_NO_RECIPIENT},
        {"", 60, resources::IDS_MAIL_NO_RECIPIENT},
        {Addresses(50), 51, resources::IDS_MAIL_TOO_MANY_ATTACHMENTS},
        {Addresses(50), 50, std::nullopt},
        {"a@x.org\nBcc: evil@x.org", 0, resources::IDS_MAIL_LINE_BREAK},
    };
    for (const Case& c : cases) {
        DialogRun run;
        run.Open();
        QStringList paths;
        for (int i = 0; i < c.attachments; ++i)
            paths << QString("/music/%1.wav").arg(i);
        run.Control<QLineEdit>(mail::MailDialog::IdRecipients)->setText(c.recipients);
        run.SetPlain(mail::MailDialog::IdAttachments, paths.join('\n'));
        MessageBoxCatcher catcher;
        run.ClickSend();
        widgettest::WaitUntil([&] { return !c.message || catcher.count > 0; }, 2000);
        if (!c.message) {
            EXPECT_EQ(catcher.count, 0);
            ASSERT_EQ(run.recorded.delivered.size(), 1u);
            EXPECT_EQ(run.recorded.delivered[0].recipients.size(), 50);
            EXPECT_EQ(run.recorded.delivered[0].attachments.size(), 50);
            EXPECT_TRUE(run.recorded.delivered[0].noteText.startsWith("\r\n---"))
                << "an empty body keeps the signature";
            continue;
        }
        EXPECT_EQ(catcher.text, resources::Text(*c.message)) << c.recipients.left(20).toStdString();
        EXPECT_EQ(catcher.icon, QMessageBox::Critical);
        EXPECT_TRUE(run.recorded.delivered.empty());
        EXPECT_EQ(run.dialog->Mapi().Session(), 0u) << "no log-on for a refused message";
        EXPECT_TRUE(run.dialog->isVisible());
        EXPECT_EQ(run.Control<QLineEdit>(mail::MailDialog::IdRecipients)->text(), c.recipients)
            << "the field keeps what was typed";
    }
}

TEST(MailDialog, AFailedSendKeepsTheSessionAndTheFieldsAndIsRemembered)
{
    DialogRun run;
    run.settings.store.WriteHistoryString("MailTargets", "old@x.org;");
    run.settings.store.WriteHistoryString("MailSubject", "Old");
    run.recorded.answers = {kAttachmentNotFound, 4};
    run.Open();
    run.Type(mail::MailDialog::IdRecipients, " new@x.org ");
    run.Type(mail::MailDialog::IdSubject, "New");
    run.SetPlain(mail::MailDialog::IdAttachments, "/no/such/file.wav");
    {
        MessageBoxCatcher catcher;
        run.ClickSend();
        ASSERT_TRUE(widgettest::WaitUntil([&] { return catcher.count == 1; }));
        EXPECT_EQ(catcher.text, resources::Text(resources::IDS_MAIL_ATTACHMENT_NOT_FOUND));
        EXPECT_EQ(catcher.icon, QMessageBox::Critical);
    }
    const quint32 session = run.dialog->Mapi().Session();
    EXPECT_NE(session, 0u);
    {
        MessageBoxCatcher catcher;
        run.ClickSend();
        ASSERT_TRUE(widgettest::WaitUntil([&] { return catcher.count == 1; }));
        EXPECT_EQ(catcher.text, resources::Text(resources::IDS_MAIL_UNKNOWN_TYPE))
            << "a result of 4 is not in the table";
    }
    EXPECT_EQ(run.dialog->Mapi().Session(), session) << "the session is reused, not logged on again";
    EXPECT_EQ(run.recorded.delivered.size(), 2u);
    EXPECT_EQ(run.Control<QLineEdit>(mail::MailDialog::IdSubject)->text(), "New");
    // Cancel now remembers what the last press of Send read, recipients trimmed.
    run.Control<QLineEdit>(mail::MailDialog::IdSubject)->setText("Typed after the send");
    run.Close();
    EXPECT_EQ(run.settings.History("MailTargets"), "new@x.org;");
    EXPECT_EQ(run.settings.History("MailSubject"), "New");
}

TEST(MailDialog, FieldsStartFromTheHistoryAndCancelKeepsItButStoresTheFirstAccount)
{
    {
        DialogRun run;
        run.settings.store.WriteHistoryString("MailTargets", "keep@x.org;");
        run.settings.store.WriteHistoryString("MailSubject", "Keep");
        run.Accounts({"First", "Second"});
        run.Open();
        EXPECT_EQ(run.Control<QLineEdit>(mail::MailDialog::IdRecipients)->text(), "keep@x.org;");
        EXPECT_EQ(run.Control<QLineEdit>(mail::MailDialog::IdSubject)->text(), "Keep");
        EXPECT_TRUE(run.Control<QPushButton>(1)->isDefault());
        // The hint sits on the tooltip colour.
        const QRect hint = run.dialog->Control(mail::MailDialog::IdHint)->geometry();
        EXPECT_EQ(widgettest::Px(widgettest::Shot(*run.dialog), hint.left() + 2, hint.top() + 2),
                  run.dialog->palette().color(QPalette::ToolTipBase).rgb());
        EXPECT_EQ(run.Control<QComboBox>(mail::MailDialog::IdAccount)->count(), 2);
        EXPECT_EQ(run.Control<QComboBox>(mail::MailDialog::IdAccount)->currentIndex(), 0);
        run.Type(mail::MailDialog::IdRecipients, "changed@x.org");
        run.Close();
        EXPECT_EQ(run.settings.History("MailTargets"), "keep@x.org;");
        EXPECT_EQ(run.settings.History("MailSubject"), "Keep");
        EXPECT_EQ(run.settings.History("MailAccount"), "First");
    }
    {
        // Names equal but for case: the later one is selected.
        DialogRun run;
        run.settings.store.WriteHistoryString("MailAccount", "home");
        run.Accounts({"Home", "Work", "HOME"});
        run.Open();
        EXPECT_EQ(run.Control<QComboBox>(mail::MailDialog::IdAccount)->currentIndex(), 2);
        run.Close();
        EXPECT_EQ(run.settings.History("MailAccount"), "home");
    }
    {
        // An account that is no longer listed is still shown and used.
        DialogRun run;
        run.settings.store.WriteHistoryString("MailAccount", "Gone");
        run.Open();
        EXPECT_EQ(run.Control<QComboBox>(mail::MailDialog::IdAccount)->count(), 0);
        EXPECT_EQ(run.Control<QComboBox>(mail::MailDialog::IdAccount)->currentText(), "Gone");
        run.Type(mail::MailDialog::IdRecipients, "a@x.org");
        run.ClickSend();
        EXPECT_EQ(run.dialog->Mapi().ProfileName(), "Gone");
    }
}

// No mail program registered on the desktop.
TEST(MailDialog, UnavailableMailDisablesSendWithMessage326)
{
    mailtest::StandInMailProgram desktop;
    DialogRun run;
    MessageBoxCatcher catcher;
    run.Open(true);
    ASSERT_TRUE(widgettest::WaitUntil([&] { return catcher.count == 1; }));
    EXPECT_EQ(catcher.text, resources::Text(resources::IDS_MAIL_NOT_LOADED));
    EXPECT_EQ(catcher.icon, QMessageBox::Critical);
    EXPECT_FALSE(run.Control<QPushButton>(1)->isEnabled());
    EXPECT_TRUE(run.Control<QPushButton>(2)->isEnabled());
    EXPECT_TRUE(run.dialog->isVisible());
}

TEST(MailAccounts, DefaultProfileAccountsInAccountManagerOrderFromEveryPackagedLocation)
{
    QTemporaryDir home;
    EXPECT_TRUE(ListMailAccounts(home.path()).isEmpty());
    const QString root = home.filePath(".thunderbird");
    ASSERT_TRUE(WriteFile(root + "/profiles.ini",
                          "[General]\nStartWithLastProfile=1\n\n"
                          "[Profile1]\nName=old\nIsRelative=1\nPath=old.profile\n\n"
                          "[Profile0]\nName=default\nIsRelative=1\nPath=abc.default,with comma\nDefault=1\n"));
    // Accounts listed out of their numbering, one without a server, Local Folders.
    ASSERT_TRUE(WriteFile(
        root + "/abc.default,with comma/prefs.js",
        ThunderbirdPrefs({{"Work \\\"A\\\" \\u00e9", "imap"}, {"  工作邮箱 ", "pop3"}, {"Local Folders", "none"}},
                         "account2,account3,account9,account1")));
    ASSERT_TRUE(WriteFile(root + "/old.profile/prefs.js", ThunderbirdPrefs({{"Old", "imap"}}, "account1")));
    EXPECT_EQ(ListMailAccounts(home.path()), (QStringList{"工作邮箱", "Work \"A\" é"}));
    QFile::remove(root + "/abc.default,with comma/prefs.js");  // no preferences: no accounts
    EXPECT_TRUE(ListMailAccounts(home.path()).isEmpty());

    // The install section's profile wins; the packaged locations are found.
    QTemporaryDir flatpakHome;
    const QString flatpak = flatpakHome.filePath(".var/app/org.mozilla.Thunderbird/.thunderbird");
    ASSERT_TRUE(WriteFile(flatpak + "/profiles.ini",
                          "[Profile0]\nName=a\nIsRelative=1\nPath=a\nDefault=1\n\n"
                          "[InstallFDC34C9F024745EB]\nDefault=b\nLocked=1\n\n"
                          "[Profile1]\nName=b\nIsRelative=1\nPath=b\n"));
    ASSERT_TRUE(WriteFile(flatpak + "/a/prefs.js", ThunderbirdPrefs({{"From A", "imap"}}, "account1")));
    ASSERT_TRUE(WriteFile(flatpak + "/b/prefs.js", ThunderbirdPrefs({{"From B", "imap"}}, "account1")));
    EXPECT_EQ(ListMailAccounts(flatpakHome.path()), QStringList{"From B"});

    QTemporaryDir snapHome;
    const QString snap = snapHome.filePath("snap/thunderbird/common/.thunderbird");
    const QString absolute = snapHome.filePath("elsewhere");
    ASSERT_TRUE(
        WriteFile(snap + "/profiles.ini", "[Profile0]\nName=x\nIsRelative=0\nPath=" + absolute.toUtf8() + "\n"));
    ASSERT_TRUE(WriteFile(absolute + "/prefs.js", ThunderbirdPrefs({{"Snap", "imap"}}, "account1")));
    EXPECT_EQ(ListMailAccounts(snapHome.path()), QStringList{"Snap"});
}
