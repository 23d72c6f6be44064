// The send-mail dialog driven through its controls, with a hand-over that
// records what it is given.
#include <optional>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>

#include "mail_test_support.h"
#include "resources/strings.h"
#include "mail/mail_dialog.h"

using namespace mail;
using mailtest::Recorded;
using mailtest::RecordingHandOver;
using widgettest::MessageBoxCatcher;

namespace {

struct DialogRun {
    mailtest::ScratchSettings settings;
    Recorded recorded;
    QTemporaryDir home;
    std::unique_ptr<MailDialog> dialog;

    void Open()
    {
        dialog =
            std::make_unique<MailDialog>(&settings.store, std::make_unique<RecordingHandOver>(recorded), home.path());
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
    void ClickSend() { QTest::mouseClick(Control<QPushButton>(MailDialog::IdSend), Qt::LeftButton); }
    void Close()
    {
        dialog->reject();
        dialog.reset();
    }
    // One Thunderbird profile with the given account names, in order.
    void Accounts(const QStringList& names)
    {
        QList<std::pair<QString, QString>> servers;
        QStringList order;
        for (const QString& name : names) {
            servers.append({name, "imap"});
            order << QString("account%1").arg(servers.size());
        }
        ASSERT_TRUE(testsupport::WriteFile(home.filePath(".thunderbird/profiles.ini"),
                                           "[Profile0]\nPath=p\nIsRelative=1\nDefault=1\n"));
        ASSERT_TRUE(testsupport::WriteFile(home.filePath(".thunderbird/p/prefs.js"),
                                           mailtest::ThunderbirdPrefs(servers, order.join(','))));
    }
};

QString Addresses(int n)
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QString("u%1@x.cn").arg(i);  // short enough for 51 within the field's limit
    return list.join(';');
}

}  // namespace

TEST(MailDialog, FieldsStartFromTheHistoryAndTheDefaults)
{
    DialogRun run;
    run.settings.store.WriteHistoryString("MailTargets", "a@x.org;");
    run.settings.store.WriteHistoryString("MailSubject", "Takes");
    run.Open();
    EXPECT_EQ(run.dialog->windowTitle(), "发送邮件");
    EXPECT_EQ(run.Control<QLineEdit>(mail::MailDialog::IdRecipients)->text(), "a@x.org;");
    EXPECT_EQ(run.Control<QLineEdit>(mail::MailDialog::IdSubject)->text(), "Takes");
    EXPECT_TRUE(run.Control<QCheckBox>(mail::MailDialog::IdWithSignature)->isChecked());
    EXPECT_EQ(run.Control<QPlainTextEdit>(mail::MailDialog::IdSignature)->toPlainText(),
              resources::Text(resources::IDS_MAIL_SIGNATURE).replace("\r\n", "\n"));
    EXPECT_TRUE(run.Control<QPushButton>(1)->isDefault());

    run.dialog->AddAttachment("/music/one.wav");
    run.dialog->AddAttachment("/music/two.mp3");
    EXPECT_EQ(run.Control<QPlainTextEdit>(mail::MailDialog::IdAttachments)->toPlainText(),
              "/music/one.wav\n/music/two.mp3\n");

    // The hint sits on the tooltip colour.
    const QRect hint = run.dialog->Control(mail::MailDialog::IdHint)->geometry();
    EXPECT_EQ(widgettest::Px(widgettest::Shot(*run.dialog), hint.left() + 2, hint.top() + 2),
              run.dialog->palette().color(QPalette::ToolTipBase).rgb());
}

TEST(MailDialog, SendHandsOverTheMessageAsTypedAndClosesOnSuccess)
{
    DialogRun run;
    run.Open();
    run.dialog->AddAttachment("/music/one.wav");
    run.dialog->AddAttachment("/music/two.mp3");
    run.Type(mail::MailDialog::IdRecipients, "  a@x.org ;   ; b@y.org;;");
    run.Type(mail::MailDialog::IdSubject, "  Takes  ");
    run.SetPlain(mail::MailDialog::IdBody, "Line one\nLine two");
    run.SetPlain(mail::MailDialog::IdAttachments, "/music/one.wav\n\n/music/two.mp3\n");
    run.ClickSend();
    ASSERT_EQ(run.recorded.delivered.size(), 1u);
    const MailMessage& m = run.recorded.delivered[0];
    EXPECT_EQ(m.recipients, (QStringList{"a@x.org", "b@y.org"}));
    EXPECT_EQ(m.subject, "  Takes  ");
    EXPECT_EQ(m.noteText,
              "Line one\r\nLine two\r\n------------------------------------\r\n" +
                  resources::Text(resources::IDS_MAIL_SIGNATURE));
    EXPECT_EQ(m.attachments, (QStringList{"/music/one.wav", "/music/two.mp3"}));
    EXPECT_EQ(run.dialog->result(), QDialog::Accepted);
    EXPECT_EQ(run.dialog->Mapi().Session(), 0u);  // logged off
    run.dialog.reset();
    EXPECT_EQ(run.settings.History("MailTargets"), "  a@x.org ;   ; b@y.org;;");
    EXPECT_EQ(run.settings.History("MailSubject"), "  Takes  ");

    // With the box off the note is the body alone.
    DialogRun plain;
    plain.Open();
    plain.Type(mail::MailDialog::IdRecipients, "c@z.org");
    plain.SetPlain(mail::MailDialog::IdBody, "Body");
    auto* box = plain.Control<QCheckBox>(mail::MailDialog::IdWithSignature);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    ASSERT_FALSE(box->isChecked());
    plain.ClickSend();
    ASSERT_EQ(plain.recorded.delivered.size(), 1u);
    EXPECT_EQ(plain.recorded.delivered[0].noteText, "Body");
    EXPECT_TRUE(plain.recorded.delivered[0].attachments.isEmpty());
}

TEST(MailDialog, LimitsAreCheckedInOrderBeforeAnyLogon)
{
    struct Case {
        QString recipients;
        int attachments;
        QString subject;
        std::optional<resources::StringId> message;  // none: sent
    };
    const Case cases[] = {
        {Addresses(51), 51, "", resources::IDS_MAIL_TOO_MANY_RECIPIENTS},
        {"  ;  ; ", 0, "", resources::IDS_MAIL_NO_RECIPIENT},
        {"", 60, "", resources::IDS_MAIL_NO_RECIPIENT},
        {Addresses(50), 51, "", resources::IDS_MAIL_TOO_MANY_ATTACHMENTS},
        {Addresses(50), 50, "", std::nullopt},
        {"a@x.org\nBcc: evil@x.org", 0, "", resources::IDS_MAIL_LINE_BREAK},
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

TEST(MailDialog, CancelRightAfterOpeningKeepsHistoryButStoresTheFirstAccount)
{
    {
        DialogRun run;
        run.settings.store.WriteHistoryString("MailTargets", "keep@x.org;");
        run.settings.store.WriteHistoryString("MailSubject", "Keep");
        run.Accounts({"First", "Second"});
        run.Open();
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

TEST(MailDialog, UnavailableMailDisablesSendWithMessage326)
{
    DialogRun run;
    run.recorded.installed = false;
    MessageBoxCatcher catcher;
    run.Open();
    ASSERT_TRUE(widgettest::WaitUntil([&] { return catcher.count == 1; }));
    EXPECT_EQ(catcher.text, resources::Text(resources::IDS_MAIL_NOT_LOADED));
    EXPECT_EQ(catcher.icon, QMessageBox::Critical);
    EXPECT_FALSE(run.Control<QPushButton>(1)->isEnabled());
    EXPECT_TRUE(run.Control<QPushButton>(2)->isEnabled());
    EXPECT_TRUE(run.dialog->isVisible());
}
