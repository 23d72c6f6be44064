// The settings and history store: masks, damaged files, the folder history.

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "settings/settings_store.h"
#include "support/test_support.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path() const { return dir.filePath("Quillon.conf"); }
};

TEST_F(SettingsStoreTest, OutOfRangeValuesAreMaskedAndGarbageGivesDefaults)
{
    {
        QSettings qs(Path(), QSettings::IniFormat);
        qs.setValue("Settings/RecordQuality", 25);
        qs.setValue("Settings/EncodeMethod", 2);
        qs.setValue("Settings/AskForRenaming", "yes please");
        qs.setValue("History/OfflineRecFmt", "x");
    }
    QSettings qs(Path(), QSettings::IniFormat);
    SettingsStore store(&qs);
    const RecorderSettings s = store.ReadSettings();
    EXPECT_EQ(s.recordQuality, 9);   // 25 & 15
    EXPECT_EQ(s.encodeMethod, 0);    // 2 & 1
    EXPECT_FALSE(s.askForRenaming);  // unreadable: default
    EXPECT_EQ(store.ReadInputHistory().format, 9);
}

TEST(RecordFolder, LosesTrailingSeparatorsButTheRootStays)
{
    EXPECT_EQ(WithoutTrailingSeparators("/home/a/rec//"), "/home/a/rec");
    EXPECT_EQ(WithoutTrailingSeparators("/home/a/rec"), "/home/a/rec");
    EXPECT_EQ(WithoutTrailingSeparators("///"), "/");
    EXPECT_EQ(WithoutTrailingSeparators(""), "");
}

// The window's tests cover the settings' round trip; the folder history has no control.
TEST_F(SettingsStoreTest, EveryFolderHistorySlotReadsBackFromItsOwnKey)
{
    FolderHistory folders;
    for (int i = 0; i < kFolderHistorySlots; ++i)
        folders[i] = QString("/folder/%1").arg(i);
    {
        QSettings qs(Path(), QSettings::IniFormat);
        SettingsStore(&qs).WriteFolderHistory(folders);
    }
    QSettings qs(Path(), QSettings::IniFormat);
    const FolderHistory back = SettingsStore(&qs).ReadFolderHistory("/nowhere");
    for (int i = 0; i < kFolderHistorySlots; ++i)
        EXPECT_EQ(back[i], folders[i]) << kFolderHistoryKeys[i];
    // The slots land under their own keys, whatever the order of writing.
    EXPECT_EQ(qs.value("History/CurDirAddDir").toString(), "/folder/2");
    EXPECT_EQ(qs.value("History/CurDirExportAudio").toString(), "/folder/7");
}

// QSettings cannot carry bytes that are no UTF-8: it drops them when it reads
// the file, and with them when it writes the file back for any other value.
TEST_F(SettingsStoreTest, ARecordFolderThatIsNoTextOrLongerThanTheEditStaysByteForByteUntilReplaced)
{
    const QByteArray noText = "/srv/caf\xe9/takes";
    const QByteArray tooLong = "/" + QByteArray(298, 'l');
    for (const QByteArray& stored : {noText, tooLong}) {
        SCOPED_TRACE(stored.size());
        ASSERT_TRUE(testsupport::WriteFile(Path(), "[Settings]\nRecordFolder=" + stored + "\nRecordQuality=3\n"));
        {
            QSettings qs(Path(), QSettings::IniFormat);
            SettingsStore store(&qs);
            RecorderSettings s = store.ReadSettings();
            EXPECT_EQ(s.recordFolder, QString::fromUtf8(stored));
            EXPECT_EQ(s.recordFolderIntact, stored == tooLong);
            s.recordQuality = 5;
            store.WriteSettings({}, s);
            store.WriteHistoryString("CurDirAddFiles", "/music");
            store.WriteFolderHistory(store.ReadFolderHistory("/home"));
        }
        QByteArray written = testsupport::ReadFile(Path());
        EXPECT_TRUE(written.contains("\nRecordFolder=" + stored + "\n")) << written.toStdString();
        EXPECT_TRUE(written.contains("\nRecordQuality=5\n") && written.contains("CurDirAddFiles=/music"));

        // Another folder replaces it for good.
        {
            QSettings qs(Path(), QSettings::IniFormat);
            SettingsStore store(&qs);
            RecorderSettings s = store.ReadSettings();
            s.recordFolder = "/srv/new";
            store.WriteSettings({}, s);
            store.WriteHistoryInt("DeleteFileWhileRemoveItem", 1);
        }
        written = testsupport::ReadFile(Path());
        EXPECT_TRUE(written.contains("\nRecordFolder=/srv/new\n") && !written.contains(stored))
            << written.toStdString();
    }
}

TEST_F(SettingsStoreTest, CorruptFileGivesDefaultsAndUnwritableFolderLosesChangesSilently)
{
    ASSERT_TRUE(testsupport::WriteFile(Path(), QByteArray("\x00\xff[Settings\nRecordQuality=\x01\x02", 30)));
    {
        QSettings qs(Path(), QSettings::IniFormat);
        SettingsStore store(&qs);
        EXPECT_EQ(store.ReadSettings().recordQuality, 9);
    }
    // A folder that cannot be made (a file stands where it would be): even as root.
    const QString blocker = dir.filePath("blocker");
    ASSERT_TRUE(testsupport::WriteFile(blocker, "not a folder"));
    const QString unreachable = blocker + "/sub/Quillon.conf";
    QSettings qs(unreachable, QSettings::IniFormat);
    SettingsStore store(&qs);
    RecorderSettings s;
    s.recordQuality = 3;
    store.WriteSettings({}, s);
    EXPECT_EQ(qs.status(), QSettings::AccessError);
    EXPECT_FALSE(QFile::exists(unreachable));
}

}  // namespace
