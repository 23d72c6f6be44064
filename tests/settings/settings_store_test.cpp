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
    QString path() const { return dir.filePath("Quillon.conf"); }
};

TEST_F(SettingsStoreTest, OutOfRangeValuesAreMaskedAndGarbageGivesDefaults)
{
    {
        QSettings qs(path(), QSettings::IniFormat);
        qs.setValue("Settings/RecordQuality", 25);
        qs.setValue("Settings/EncodeMethod", 2);
        qs.setValue("Settings/AskForRenaming", "yes please");
        qs.setValue("History/OfflineRecFmt", "x");
    }
    QSettings qs(path(), QSettings::IniFormat);
    SettingsStore store(&qs);
    const RecorderSettings s = store.readSettings();
    EXPECT_EQ(s.recordQuality, 9);   // 25 & 15
    EXPECT_EQ(s.encodeMethod, 0);    // 2 & 1
    EXPECT_FALSE(s.askForRenaming);  // unreadable: default
    EXPECT_EQ(store.readInputHistory().format, 9);
}

TEST(RecordFolder, LosesTrailingSeparatorsButTheRootStays)
{
    EXPECT_EQ(withoutTrailingSeparators("/home/a/rec//"), "/home/a/rec");
    EXPECT_EQ(withoutTrailingSeparators("/home/a/rec"), "/home/a/rec");
    EXPECT_EQ(withoutTrailingSeparators("///"), "/");
    EXPECT_EQ(withoutTrailingSeparators(""), "");
}

// The window's tests cover the settings' round trip; the folder history has no control.
TEST_F(SettingsStoreTest, EveryFolderHistorySlotReadsBackFromItsOwnKey)
{
    FolderHistory folders;
    for (int i = 0; i < kFolderHistorySlots; ++i)
        folders[i] = QString("/folder/%1").arg(i);
    {
        QSettings qs(path(), QSettings::IniFormat);
        SettingsStore(&qs).writeFolderHistory(folders);
    }
    QSettings qs(path(), QSettings::IniFormat);
    const FolderHistory back = SettingsStore(&qs).readFolderHistory("/nowhere");
    for (int i = 0; i < kFolderHistorySlots; ++i)
        EXPECT_EQ(back[i], folders[i]) << kFolderHistoryKeys[i];
    // The slots land under their own keys, whatever the order of writing.
    EXPECT_EQ(qs.value("History/CurDirAddDir").toString(), "/folder/2");
    EXPECT_EQ(qs.value("History/CurDirExportAudio").toString(), "/folder/7");
}

TEST_F(SettingsStoreTest, CorruptFileGivesDefaultsAndUnwritableFolderLosesChangesSilently)
{
    ASSERT_TRUE(testsupport::writeFile(path(), QByteArray("\x00\xff[Settings\nRecordQuality=\x01\x02", 30)));
    {
        QSettings qs(path(), QSettings::IniFormat);
        SettingsStore store(&qs);
        EXPECT_EQ(store.readSettings().recordQuality, 9);
    }
    // A folder that cannot be made (a file stands where it would be): even as root.
    const QString blocker = dir.filePath("blocker");
    ASSERT_TRUE(testsupport::writeFile(blocker, "not a folder"));
    const QString unreachable = blocker + "/sub/Quillon.conf";
    QSettings qs(unreachable, QSettings::IniFormat);
    SettingsStore store(&qs);
    RecorderSettings s;
    s.recordQuality = 3;
    store.writeSettings({}, s);
    EXPECT_EQ(qs.status(), QSettings::AccessError);
    EXPECT_FALSE(QFile::exists(unreachable));
}

}  // namespace
