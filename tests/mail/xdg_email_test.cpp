// The real hand-over: xdg-email delivers the message to a stand-in mail
// program registered as the mailto handler in a private XDG configuration.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include "controls/widget_test_helpers.h"
#include "mail/mail_dialog.h"
#include "mail/mapi_session.h"
#include "mail/xdg_email_hand_over.h"
#include "mail_test_support.h"
#include "resources/strings.h"
#include "support/test_support.h"

using namespace mail;
using testsupport::runTool;
using testsupport::writeFile;

namespace {

// A desktop whose mail program is a script that writes the link it is given.
class StandInDesktop {
public:
    StandInDesktop() { mailtest::useDesktopIn(m_dir); }
    bool registerHandler()
    {
        return mailtest::registerMailtoHandler(m_dir, m_dir.filePath("stand-in-mail"),
                                               "#!/bin/sh\nprintf '%s' \"$1\" > '" + received().toUtf8() + "'\n");
    }
    QString received() const { return m_dir.filePath("received-link"); }
    QString dir() const { return m_dir.path(); }

    // The link's fields, decoded; "to" holds every address in order.
    QMultiMap<QString, QString> fields() const
    {
        QMultiMap<QString, QString> out;
        const QByteArray link = testsupport::readFile(received());
        EXPECT_TRUE(link.startsWith("mailto:")) << link.constData();
        const QByteArray query = link.mid(link.indexOf('?') + 1);
        for (const QByteArray& pair : query.split('&')) {
            const qsizetype eq = pair.indexOf('=');
            out.insert(QString::fromUtf8(pair.left(eq)),
                       QString::fromUtf8(QByteArray::fromPercentEncoding(pair.mid(eq + 1))));
        }
        return out;
    }

private:
    QTemporaryDir m_dir;
};

QStringList valuesInOrder(const QMultiMap<QString, QString>& fields, const QString& key)
{
    QStringList values = fields.values(key);
    std::reverse(values.begin(), values.end());  // QMultiMap gives the latest first
    return values;
}

// A registered mail program and a session logged on to it.
class XdgSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(desktop.registerHandler());
        session.Load();
        ASSERT_TRUE(session.IsLoaded());
        ASSERT_EQ(session.Logon(nullptr, "acct"), kSuccess);
    }
    MapiResult send(const QStringList& to, const QString& subject, const QString& body, const QStringList& files = {})
    {
        return session.Send(nullptr, to, subject, body, false, "", files);
    }
    StandInDesktop desktop;
    MapiSession session;
};

}  // namespace

TEST(XdgEmailHandOver, TheRegisteredMailProgramReceivesTheWholeMessage)
{
    StandInDesktop desktop;
    XdgEmailHandOver handOver;
    EXPECT_FALSE(handOver.IsInstalled()) << "no mailto handler yet";
    ASSERT_TRUE(desktop.registerHandler());
    EXPECT_TRUE(handOver.IsInstalled());

    const QString first = desktop.dir() + "/take one.wav";
    const QString second = desktop.dir() + "/-dash & more%.mp3";
    ASSERT_TRUE(writeFile(first, "RIFF"));
    ASSERT_TRUE(writeFile(second, "ID3"));

    EXPECT_EQ(mailtest::sendThroughDialog({first, second}, " -lead@example.org ; 张三@example.cn;", "今天的录音 & more",
                                          "Hello,\n\nTwo takes."),
              QDialog::Accepted);

    const auto fields = desktop.fields();
    EXPECT_EQ(valuesInOrder(fields, "to"), (QStringList{"-lead@example.org", "张三@example.cn"}));
    EXPECT_EQ(fields.value("subject"), "今天的录音 & more");
    EXPECT_EQ(fields.value("body"),
              "Hello,\r\n\r\nTwo takes.\r\n------------------------------------\r\n" + resources::text(443));
    EXPECT_EQ(valuesInOrder(fields, "attach"), (QStringList{first, second}));
}

TEST_F(XdgSession, FailuresBecomeMailCodes)
{
    const QString wav = desktop.dir() + "/a.wav";
    ASSERT_TRUE(writeFile(wav, "RIFF"));

    // A missing attachment is caught before the mail program sees anything.
    EXPECT_EQ(send({"a@x.org"}, "s", "b", {wav, desktop.dir() + "/gone.wav"}), kAttachmentNotFound);
    EXPECT_EQ(send({"a@x.org"}, "s", "b", {desktop.dir()}), kAttachmentNotFound);
    EXPECT_EQ(send({"not-an-address"}, "s", "b"), kInvalidRecips);
    EXPECT_EQ(send({"a@x.org\r\nBcc: b@x.org"}, "s", "b"), kInvalidRecips);
    EXPECT_FALSE(QFile::exists(desktop.received()));

    // Empty subject and body are left out rather than refused by the tool.
    EXPECT_EQ(send({"a@x.org"}, "", ""), kSuccess);
    const auto fields = desktop.fields();
    EXPECT_EQ(fields.value("to"), "a@x.org");
    EXPECT_FALSE(fields.contains("subject"));
    EXPECT_FALSE(fields.contains("body"));

    // No tool at all: mail is unavailable and a send says so.
    XdgEmailHandOver missing("/nonexistent/xdg-email");
    EXPECT_EQ(missing.Deliver(MailMessage{{"a@x.org"}, "s", "b", {}}), kNotSupported);
}

TEST(XdgEmailHandOver, NoMailProgramMeansMailIsUnavailable)
{
    StandInDesktop desktop;  // nothing registered
    MapiSession session;
    session.Load();
    EXPECT_FALSE(session.IsLoaded());
    EXPECT_EQ(session.CheckInstalled(), kEFail);
    EXPECT_EQ(session.Logon(nullptr, "x"), kEFail);
}

TEST_F(XdgSession, BackslashesAndOptionLikeTextsArriveAsTyped)
{
    // "a\cb.wav" beside "a": a tool that cut the path at "\c" would attach
    // the wrong file.
    const QString decoy = desktop.dir() + "/a";
    const QString take = desktop.dir() + "/a\\cb.wav";
    ASSERT_TRUE(writeFile(decoy, "other"));
    ASSERT_TRUE(writeFile(take, "RIFF"));
    const QString body = "Saved under D:\\recordings\\new take\\c2.\nC:\\temp\\x + y = 100%";
    EXPECT_EQ(send({"-n@example.org", "b+c@example.org"}, "-n", body, {take}), kSuccess);

    const auto fields = desktop.fields();
    EXPECT_EQ(valuesInOrder(fields, "to"), (QStringList{"-n@example.org", "b+c@example.org"}));
    EXPECT_EQ(fields.value("subject"), "-n");
    EXPECT_EQ(fields.value("body"), QString(body).replace("\n", "\r\n"));
    EXPECT_EQ(valuesInOrder(fields, "attach"), QStringList{take});
}

// A mail program started in the foreground keeps the tool waiting; the
// program around it (a recording, a playing list, its own painting) goes on
// meanwhile.
TEST(XdgEmailHandOver, WaitingForTheToolKeepsTheProgramRunning)
{
    QTemporaryDir dir;
    const QString tool = dir.filePath("slow-xdg-email");
    ASSERT_TRUE(writeFile(tool, "#!/bin/sh\nsleep 1\nexit 0\n"));
    QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    int ticks = 0;
    QTimer program;
    QObject::connect(&program, &QTimer::timeout, [&] { ++ticks; });
    program.start(50);
    XdgEmailHandOver handOver(tool);
    EXPECT_EQ(handOver.Deliver(MailMessage{{"a@x.org"}, "s", "b", {}}), kSuccess);
    EXPECT_GE(ticks, 5) << "timers ran during the wait";
}

// A body longer than one program argument can carry is a text too large,
// not a missing mail program.
TEST_F(XdgSession, ABodyTooLongToHandOverIsReportedAsSuch)
{
    EXPECT_EQ(send({"a@x.org"}, "s", QString(XdgEmailHandOver::kMaxArgumentBytes, QLatin1Char('x'))), kTextTooLarge);
    EXPECT_EQ(MapiErrorMessageId(kTextTooLarge), 339);
    EXPECT_FALSE(QFile::exists(desktop.received()));
    // Just short enough arrives whole.
    const QString body(XdgEmailHandOver::kMaxArgumentBytes - 200, QLatin1Char('y'));
    EXPECT_EQ(send({"a@x.org"}, "s", body), kSuccess);
    EXPECT_EQ(desktop.fields().value("body"), body);
}
