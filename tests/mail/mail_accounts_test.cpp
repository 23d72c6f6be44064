// Mail accounts read from Thunderbird profiles that the tests write.
#include <gtest/gtest.h>

#include <QFile>

#include "mail/mail_accounts.h"
#include "mail_test_support.h"

using namespace mail;
using testsupport::WriteFile;

using mailtest::ThunderbirdPrefs;

TEST(MailAccounts, DefaultProfileAccountsInAccountManagerOrder)
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
}

TEST(MailAccounts, InstallSectionWinsAndPackagedLocationsAreFound)
{
    QTemporaryDir home;
    const QString root = home.filePath(".var/app/org.mozilla.Thunderbird/.thunderbird");
    ASSERT_TRUE(WriteFile(root + "/profiles.ini",
                          "[Profile0]\nName=a\nIsRelative=1\nPath=a\nDefault=1\n\n"
                          "[InstallFDC34C9F024745EB]\nDefault=b\nLocked=1\n\n"
                          "[Profile1]\nName=b\nIsRelative=1\nPath=b\n"));
    ASSERT_TRUE(WriteFile(root + "/a/prefs.js", ThunderbirdPrefs({{"From A", "imap"}}, "account1")));
    ASSERT_TRUE(WriteFile(root + "/b/prefs.js", ThunderbirdPrefs({{"From B", "imap"}}, "account1")));
    EXPECT_EQ(ListMailAccounts(home.path()), QStringList{"From B"});

    QTemporaryDir snapHome;
    const QString snap = snapHome.filePath("snap/thunderbird/common/.thunderbird");
    const QString absolute = snapHome.filePath("elsewhere");
    ASSERT_TRUE(
        WriteFile(snap + "/profiles.ini", "[Profile0]\nName=x\nIsRelative=0\nPath=" + absolute.toUtf8() + "\n"));
    ASSERT_TRUE(WriteFile(absolute + "/prefs.js", ThunderbirdPrefs({{"Snap", "imap"}}, "account1")));
    EXPECT_EQ(ListMailAccounts(snapHome.path()), QStringList{"Snap"});
}
