// Thunderbird as the desktop's mail program: a stand-in `thunderbird`,
// registered as the mailto handler in a private XDG home, writes down the
// arguments it gets; they are read back by Thunderbird's rules for
// `-compose`, so what arrives is what Thunderbird would put in its message.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <map>

#include "controls/widget_test_helpers.h"
#include "mail/mail_dialog.h"
#include "mail/mapi_session.h"
#include "mail/mailto_handler.h"
#include "mail/xdg_email_hand_over.h"
#include "mail_test_support.h"
#include "support/test_support.h"

using namespace mail;
using testsupport::runTool;
using testsupport::writeFile;

namespace {

class StandInThunderbird {
public:
    StandInThunderbird()
    {
        mailtest::useDesktopIn(m_dir);
        QDir().mkpath(m_dir.filePath("bin"));
        m_registered =
            mailtest::registerMailtoHandler(m_dir, program(),
                                            "#!/bin/sh\n: > '" + arguments().toUtf8() +
                                                "'\n"
                                                "for a in \"$@\"; do printf '%s\\0' \"$a\" >> '" +
                                                arguments().toUtf8() +
                                                "'; done\n"
                                                "exit $(cat '" +
                                                m_dir.filePath("exit-code").toUtf8() + "' 2>/dev/null || echo 0)\n");
    }
    bool registered() const { return m_registered; }
    QString program() const { return m_dir.filePath("bin/thunderbird"); }
    QString dir() const { return m_dir.path(); }
    QString arguments() const { return m_dir.filePath("arguments"); }
    void exitWith(int code) { writeFile(m_dir.filePath("exit-code"), QByteArray::number(code)); }

    QStringList received() const
    {
        QStringList out;
        const QByteArray bytes = testsupport::readFile(arguments());
        for (const QByteArray& a : bytes.split('\0'))
            out << QString::fromUtf8(a);
        out.removeLast();  // after the last terminator
        return out;
    }

private:
    QTemporaryDir m_dir;
    bool m_registered = false;
};

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

// The files Thunderbird attaches: the value split at commas, each a URL.
QStringList AttachedFiles(const QString& value)
{
    QStringList files;
    for (const QString& url : value.split(u','))
        files << QUrl(url).toLocalFile();
    return files;
}

}  // namespace

TEST(ThunderbirdHandOver, NamesWithCommasQuotesSpacesAndChineseArriveWhole)
{
    StandInThunderbird thunderbird;
    ASSERT_TRUE(thunderbird.registered());
    EXPECT_EQ(ThunderbirdMailtoHandler(), QFileInfo(thunderbird.program()).canonicalFilePath());

    QStringList files;
    for (const char* name : {"take one, take two.wav", "it's mine.wav", "录音 \"终稿\",'b'.mp3", "50%2C off.wav"}) {
        files << thunderbird.dir() + "/" + QString::fromUtf8(name);
        ASSERT_TRUE(writeFile(files.last(), "RIFF"));
    }

    EXPECT_EQ(mailtest::sendThroughDialog(files, "lead@example.org; 张三@example.cn", "Takes, 'one' and \"two\"",
                                          "Hi,\nit's here',\n100% \"done\","),
              QDialog::Accepted);

    const QStringList arguments = thunderbird.received();
    ASSERT_EQ(arguments.size(), 2) << arguments.join(" | ").toStdString();
    EXPECT_EQ(arguments[0], "-compose");
    auto fields = ReadComposeFields(arguments[1]);
    EXPECT_EQ(fields["to"].toStdString(), "lead@example.org,张三@example.cn");
    EXPECT_EQ(fields["subject"].toStdString(), "Takes, 'one' and \"two\"");
    EXPECT_TRUE(fields["body"].startsWith("Hi,\r\nit's here',\r\n100% \"done\",\r\n---"))
        << fields["body"].toStdString();
    EXPECT_EQ(AttachedFiles(fields["attachment"]).join('\n').toStdString(), files.join('\n').toStdString());
}

TEST(ThunderbirdHandOver, AMessageThunderbirdRefusesIsNotReportedAsSent)
{
    StandInThunderbird thunderbird;
    ASSERT_TRUE(thunderbird.registered());
    const QString file = thunderbird.dir() + "/a, b.wav";
    ASSERT_TRUE(writeFile(file, "RIFF"));
    MapiSession session;
    session.Load();
    ASSERT_EQ(session.Logon(nullptr, "acct"), kSuccess);

    thunderbird.exitWith(1);
    EXPECT_EQ(session.Send(nullptr, {"a@x.org"}, "s", "b", false, "", {file}), kFailure);
    EXPECT_EQ(thunderbird.received().size(), 2);

    // Too long for one argument: refused before Thunderbird is started.
    QFile::remove(thunderbird.arguments());
    thunderbird.exitWith(0);
    EXPECT_EQ(
        session.Send(nullptr, {"a@x.org"}, "s", QString(XdgEmailHandOver::kMaxArgumentBytes, u'x'), false, "", {}),
        kTextTooLarge);
    EXPECT_FALSE(QFile::exists(thunderbird.arguments()));

    // Taken: sent.
    EXPECT_EQ(session.Send(nullptr, {"a@x.org"}, "s", "b", false, "", {file}), kSuccess);
    EXPECT_EQ(thunderbird.received().size(), 2);
    qputenv("MAILER", "true");
    EXPECT_TRUE(ThunderbirdMailtoHandler().isEmpty()) << "xdg-email runs $MAILER first";
    qunsetenv("MAILER");
}
