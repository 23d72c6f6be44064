// Turning the dialog's texts into a message, and the message table.
#include <gtest/gtest.h>

#include "mail/mail_message.h"
#include "mail/mapi_codes.h"

using namespace mail;

TEST(MailMessage, RecipientsAreTrimmedStretchesInOrderAndTheTextEndsWithOneSemicolon)
{
    QString text = "  a@x.org ;   ; b@y.org;c@z.org ;  a@x.org;;  ";
    EXPECT_EQ(ParseRecipients(text), (QStringList{"a@x.org", "b@y.org", "c@z.org", "a@x.org"}));
    EXPECT_EQ(text, "a@x.org ;   ; b@y.org;c@z.org ;  a@x.org;;");

    QString single = " solo@x.org ";
    EXPECT_EQ(ParseRecipients(single), QStringList{"solo@x.org"});
    EXPECT_EQ(single, "solo@x.org;");

    QString blank = "   ";
    EXPECT_TRUE(ParseRecipients(blank).isEmpty());
    EXPECT_EQ(blank, "");
}

TEST(MailMessage, AttachmentLinesDropEmptyLinesAndLineEnds)
{
    QString text = "/music/one.wav\r\n\r\n  /music/two words.mp3  \r\n";
    EXPECT_EQ(ParseAttachments(text), (QStringList{"/music/one.wav", "/music/two words.mp3"}));
    EXPECT_TRUE(text.endsWith('\r'));

    QString lf = "/a.wav\n/b.wav";
    EXPECT_EQ(ParseAttachments(lf), (QStringList{"/a.wav", "/b.wav"}));
}

TEST(MailMessage, SignatureBlockFollowsTheBodyOnlyWhenAskedForEvenWhenEmpty)
{
    const QString sep = "\r\n------------------------------------\r\n";
    EXPECT_EQ(sep.count('-'), 36);
    EXPECT_EQ(ComposeNoteText("Hello", true, "Sig"), "Hello" + sep + "Sig");
    EXPECT_EQ(ComposeNoteText("", true, "Sig"), sep + "Sig");
    EXPECT_EQ(ComposeNoteText("Hello", true, ""), "Hello" + sep);
    EXPECT_EQ(ComposeNoteText("Hello", false, "Sig"), "Hello");
}

TEST(MailMessage, ResultCodesShowTheirMessageAndAnyOtherTheUnknownOne)
{
    const std::pair<MapiResult, int> table[] = {{1, 334}, {9, 442}, {11, 335}, {26, 333}};
    for (auto [code, id] : table)
        EXPECT_EQ(MapiErrorMessageId(code), id) << code;
    for (MapiResult code : {0u, 4u, 27u, kEFail, kEOutOfMemory})
        EXPECT_EQ(MapiErrorMessageId(code), 343) << code;
}
