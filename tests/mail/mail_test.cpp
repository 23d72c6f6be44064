// The send-mail dialog driven through its controls, with a hand-over that
// records what it is given or refuses it as told; the mail accounts it
// offers, read from Thunderbird profiles that the tests write; and the real
// hand-over: xdg-email delivers the message to a stand-in mail program
// registered as the mailto handler in a private XDG configuration. A
// stand-in named `thunderbird` gets the message from us instead; what it
// receives is read back by Thunderbird's rules for `-compose`, so what
// arrives is what Thunderbird would put in its message.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QUrl>
#include <map>
#include <optional>

#include "mail/mail_accounts.h"
#include "mail/mail_dialog.h"
#include "mail/mapi_session.h"
#include "mail/mailto_handler.h"
#include "mail/xdg_email_hand_over.h"
#include "mail_test_support.h"
#include "resources/strings.h"

using namespace mail;
using mailtest::DialogRun;
using mailtest::ThunderbirdPrefs;
using testsupport::WriteFile;
using widgettest::MessageBoxCatcher;

namespace {

using mailtest::StandInMailProgram;

// The fields of the link the mail program was given, decoded, each with its
// values in order.
QMap<QString, QStringList> LinkFields(const StandInMailProgram& desktop)
{
    QMap<QString, QStringList> out;
    const QByteArray link = desktop.Received().value(0).toUtf8();
    EXPECT_TRUE(link.startsWith("mailto:")) << link.constData();
    for (const QByteArray& pair : link.mid(link.indexOf('?') + 1).split('&')) {
        const qsizetype eq = pair.indexOf('=');
        out[QString::fromUtf8(pair.left(eq))] << QString::fromUtf8(QByteArray::fromPercentEncoding(pair.mid(eq + 1)));
    }
    return out;
}

// Thunderbird's reading of a -compose argument: "name=value" fields between
// commas; a quote right after "=" opens a value that only the same quote
// followed by a comma or the end closes; a value in single quotes stands as
// it is, any other is percent-decoded.
std::map<QString, QString> ReadComposeFields(const QString& argument)
{
    QStringList pieces{QString()};
    QChar quote;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        const QChar c = argument[i];
        const QChar next = i + 1 < argument.size() ? argument[i + 1] : QChar();
        const QChar previous = i > 0 ? argument[i - 1] : QChar();
        if (!quote.isNull() && c == quote && (next == u',' || next.isNull()))
            quote = QChar();
        else if ((c == u'\'' || c == u'"') && previous == u'=' && quote.isNull())
            quote = c;
        else if (c == u',' && quote.isNull()) {
            pieces << QString();
            continue;
        }
        pieces.last() += c;
    }
    std::map<QString, QString> fields;
    for (const QString& piece : pieces) {
        const qsizetype eq = piece.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString value = piece.mid(eq + 1);
        fields[piece.left(eq)] = value.size() >= 2 && value.startsWith(u'\'') && value.endsWith(u'\'')
            ? value.mid(1, value.size() - 2)
            : QUrl::fromPercentEncoding(value.toUtf8());
    }
    return fields;
}

QString Addresses(int n)
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QString("u%1@x.cn").arg(i);  // short enough for 51 within the field's limit
    return list.join(';');
}

}  // namespace

// Without a registered mail program the dialog says so and Send is disabled.
// Once there is one, what is sent through the dialog as typed arrives: the
// recipients split at ";" and trimmed, the subject as it stands, the
// signature under the body, texts that look like options or hold backslashes
// unchanged; the dialog closes, logs off and remembers the fields. Failures
// become mail codes.
TEST(XdgEmailHandOver, TheRegisteredMailProgramReceivesTheWholeMessageAndFailuresBecomeMailCodes)
{
    StandInMailProgram desktop;
    XdgEmailHandOver handOver;
    EXPECT_FALSE(handOver.IsInstalled()) << "no mailto handler yet";
    {
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
    ASSERT_TRUE(desktop.RegisterHandler());
    EXPECT_TRUE(handOver.IsInstalled());

    // "a\cb.wav" beside "a": a tool that cut the path at "\c" would attach the wrong file.
    const QString first = desktop.Dir() + "/a\\cb.wav", second = desktop.Dir() + "/-dash & more%.mp3";
    ASSERT_TRUE(WriteFile(desktop.Dir() + "/a", "other"));
    ASSERT_TRUE(WriteFile(first, "RIFF"));
    ASSERT_TRUE(WriteFile(second, "ID3"));
    mailtest::DialogRun run;
    run.Open(true);
    run.dialog->AddAttachment(first);
    run.dialog->AddAttachment(second);
    EXPECT_EQ(run.Control<QPlainTextEdit>(MailDialog::IdAttachments)->toPlainText(), first + "\n" + second + "\n");
    const QString to = " -n@example.org ;   ; 张三@example.cn;b+c@example.org;", subject = "-n 今天的录音 & more ";
    const QString body = "Saved under D:\\recordings\\new take\\c2.\nC:\\temp\\x + y = 100%";
    run.Control<QLineEdit>(MailDialog::IdRecipients)->setText(to);
    run.Control<QLineEdit>(MailDialog::IdSubject)->setText(subject);
    run.SetPlain(MailDialog::IdBody, body);
    widgettest::MessageBoxCatcher catcher;
    run.ClickSend();
    EXPECT_EQ(catcher.count, 0) << catcher.text.toStdString();
    EXPECT_EQ(run.dialog->result(), QDialog::Accepted);
    EXPECT_EQ(run.dialog->Mapi().Session(), 0u) << "logged off";
    run.dialog.reset();
    EXPECT_EQ(run.settings.History("MailTargets"), to);
    EXPECT_EQ(run.settings.History("MailSubject"), subject);

    const auto fields = LinkFields(desktop);
    EXPECT_EQ(fields["to"], (QStringList{"-n@example.org", "张三@example.cn", "b+c@example.org"}));
    EXPECT_EQ(fields["subject"], QStringList{subject});
    EXPECT_EQ(fields["body"],
              QStringList{QString(body).replace("\n", "\r\n") + "\r\n------------------------------------\r\n" +
                          resources::Text(resources::IDS_MAIL_SIGNATURE)});
    EXPECT_EQ(fields["attach"], (QStringList{first, second}));

    MapiSession session;
    session.Load();
    ASSERT_TRUE(session.IsLoaded());
    ASSERT_EQ(session.Logon(nullptr, "acct"), kSuccess);
    const auto send = [&](const QStringList& to, const QString& subject, const QString& body,
                          const QStringList& files = {}) {
        return session.Send(nullptr, to, subject, body, false, "", files);
    };
    QFile::remove(desktop.Arguments());

    // A missing attachment is caught before the mail program sees anything.
    EXPECT_EQ(send({"a@x.org"}, "s", "b", {first, desktop.Dir() + "/gone.wav"}), kAttachmentNotFound);
    EXPECT_EQ(send({"a@x.org"}, "s", "b", {desktop.Dir()}), kAttachmentNotFound);
    EXPECT_EQ(send({"not-an-address"}, "s", "b"), kInvalidRecips);
    EXPECT_EQ(send({"a@x.org\r\nBcc: b@x.org"}, "s", "b"), kInvalidRecips);
    EXPECT_FALSE(QFile::exists(desktop.Arguments()));

    // Empty subject and body are left out rather than refused by the tool.
    EXPECT_EQ(send({"a@x.org"}, "", ""), kSuccess);
    const auto bare = LinkFields(desktop);
    EXPECT_EQ(bare["to"], QStringList{"a@x.org"});
    EXPECT_FALSE(bare.contains("subject"));
    EXPECT_FALSE(bare.contains("body"));

    // No tool at all: mail is unavailable and a send says so.
    XdgEmailHandOver missing("/nonexistent/xdg-email");
    EXPECT_EQ(missing.Deliver(MailMessage{{"a@x.org"}, "s", "b", {}}), kNotSupported);

    // A body longer than one program argument can carry is a text too large,
    // not a missing mail program; just short enough arrives whole.
    QFile::remove(desktop.Arguments());
    EXPECT_EQ(send({"a@x.org"}, "s", QString(XdgEmailHandOver::kMaxArgumentBytes, QLatin1Char('x'))), kTextTooLarge);
    EXPECT_EQ(MapiErrorMessageId(kTextTooLarge), resources::IDS_MAIL_TEXT_TOO_LONG);
    EXPECT_FALSE(QFile::exists(desktop.Arguments()));
    const QString longest(XdgEmailHandOver::kMaxArgumentBytes - 200, QLatin1Char('y'));
    EXPECT_EQ(send({"a@x.org"}, "s", longest), kSuccess);
    EXPECT_EQ(LinkFields(desktop)["body"], QStringList{longest});
}

// A mail program started in the foreground keeps the tool waiting; the
// program around it (a recording, a playing list, its own painting) goes on
// meanwhile.
TEST(XdgEmailHandOver, WaitingForTheToolKeepsTheProgramRunning)
{
    QTemporaryDir dir;
    const QString tool = dir.filePath("slow-xdg-email");
    ASSERT_TRUE(WriteFile(tool, "#!/bin/sh\nsleep 1\nexit 0\n"));
    QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    int ticks = 0;
    QTimer program;
    QObject::connect(&program, &QTimer::timeout, [&] { ++ticks; });
    program.start(50);
    XdgEmailHandOver handOver(tool);
    EXPECT_EQ(handOver.Deliver(MailMessage{{"a@x.org"}, "s", "b", {}}), kSuccess);
    EXPECT_GE(ticks, 5) << "timers ran during the wait";
}

TEST(ThunderbirdHandOver, NamesWithCommasQuotesSpacesAndChineseArriveWholeAndARefusalIsNoSend)
{
    mailtest::StandInMailProgram thunderbird("bin/thunderbird");
    ASSERT_TRUE(thunderbird.RegisterHandler());
    EXPECT_EQ(ThunderbirdMailtoHandler(), QFileInfo(thunderbird.Program()).canonicalFilePath());

    QStringList files;
    for (const char* name : {"take one, take two.wav", "it's mine.wav", "录音 \"终稿\",'b'.mp3", "50%2C off.wav"}) {
        files << thunderbird.Dir() + "/" + QString::fromUtf8(name);
        ASSERT_TRUE(WriteFile(files.last(), "RIFF"));
    }

    // Without the signature the body is the note alone.
    mailtest::DialogRun run;
    run.Open(true);
    for (const QString& f : files)
        run.dialog->AddAttachment(f);
    run.Control<QLineEdit>(MailDialog::IdRecipients)->setText("lead@example.org; 张三@example.cn");
    run.Control<QLineEdit>(MailDialog::IdSubject)->setText("Takes, 'one' and \"two\"");
    run.SetPlain(MailDialog::IdBody, "Hi,\nit's here',\n100% \"done\",");
    auto* box = run.Control<QCheckBox>(MailDialog::IdWithSignature);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    ASSERT_FALSE(box->isChecked());
    run.ClickSend();
    EXPECT_EQ(run.dialog->result(), QDialog::Accepted);

    const QStringList arguments = thunderbird.Received();
    ASSERT_EQ(arguments.size(), 2) << arguments.join(" | ").toStdString();
    EXPECT_EQ(arguments[0], "-compose");
    auto fields = ReadComposeFields(arguments[1]);
    EXPECT_EQ(fields["to"].toStdString(), "lead@example.org,张三@example.cn");
    EXPECT_EQ(fields["subject"].toStdString(), "Takes, 'one' and \"two\"");
    EXPECT_EQ(fields["body"].toStdString(), "Hi,\r\nit's here',\r\n100% \"done\",");
    // The files Thunderbird attaches: the value split at commas, each a URL.
    QStringList attached;
    for (const QString& url : fields["attachment"].split(u','))
        attached << QUrl(url).toLocalFile();
    EXPECT_EQ(attached.join('\n').toStdString(), files.join('\n').toStdString());

    // A message Thunderbird refuses is not reported as sent.
    MapiSession session;
    session.Load();
    ASSERT_EQ(session.Logon(nullptr, "acct"), kSuccess);
    thunderbird.ExitWith(1);
    QFile::remove(thunderbird.Arguments());
    EXPECT_EQ(session.Send(nullptr, {"a@x.org"}, "s", "b", false, "", {files[0]}), kFailure);
    EXPECT_EQ(thunderbird.Received().size(), 2);
    thunderbird.ExitWith(0);
    QFile::remove(thunderbird.Arguments());
    EXPECT_EQ(session.Send(nullptr, {"a@x.org"}, "s", "b", false, "", {files[0]}), kSuccess);
    EXPECT_EQ(thunderbird.Received().size(), 2);
    qputenv("MAILER", "true");
    EXPECT_TRUE(ThunderbirdMailtoHandler().isEmpty()) << "xdg-email runs $MAILER first";
    qunsetenv("MAILER");
}

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
    // Send, and the one error it brings up.
    const auto refusal = [&] {
        MessageBoxCatcher catcher;
        run.ClickSend();
        EXPECT_TRUE(widgettest::WaitUntil([&] { return catcher.count == 1; }));
        EXPECT_EQ(catcher.icon, QMessageBox::Critical);
        return catcher.text;
    };
    EXPECT_EQ(refusal(), resources::Text(resources::IDS_MAIL_ATTACHMENT_NOT_FOUND));
    const quint32 session = run.dialog->Mapi().Session();
    EXPECT_NE(session, 0u);
    EXPECT_EQ(refusal(), resources::Text(resources::IDS_MAIL_UNKNOWN_TYPE)) << "a result of 4 is not in the table";
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
