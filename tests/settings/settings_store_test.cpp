// The settings and history store: masks, damaged files, the folder history.
// A stored record folder the window cannot show, kept byte for byte until
// replaced, is tried through the window (recorder_window_test.cpp).

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

TEST_F(SettingsStoreTest, OutOfRangeValuesAreMaskedGarbageGivesDefaultsAndAnUnwritableFolderLosesChangesSilently)
{
    {
        QSettings qs(Path(), QSettings::IniFormat);
        qs.setValue("Settings/RecordQuality", 25);
        qs.setValue("Settings/EncodeMethod", 2);
        qs.setValue("Settings/AskForRenaming", "yes please");
        qs.setValue("History/OfflineRecFmt", "x");
    }
    {
        QSettings qs(Path(), QSettings::IniFormat);
        SettingsStore store(&qs);
        const RecorderSettings s = store.ReadSettings();
        EXPECT_EQ(s.recordQuality, 9);   // 25 & 15
        EXPECT_EQ(s.encodeMethod, 0);    // 2 & 1
        EXPECT_FALSE(s.askForRenaming);  // unreadable: default
        EXPECT_EQ(store.ReadInputHistory().format, 9);
    }
    ASSERT_TRUE(testsupport::WriteFile(Path(), QByteArray("\x00\xff[Settings\nRecordQuality=\x01\x02", 30)));
    {
        QSettings qs(Path(), QSettings::IniFormat);
        EXPECT_EQ(SettingsStore(&qs).ReadSettings().recordQuality, 9);
    }
    // A folder that cannot be made (a file stands where it would be): even as root.
    const QString blocker = dir.filePath("blocker");
    ASSERT_TRUE(testsupport::WriteFile(blocker, "not a folder"));
    const QString unreachable = blocker + "/sub/Quillon.conf";
    QSettings qs(unreachable, QSettings::IniFormat);
    RecorderSettings s;
    s.recordQuality = 3;
    SettingsStore(&qs).WriteSettings({}, s);
    EXPECT_EQ(qs.status(), QSettings::AccessError);
    EXPECT_FALSE(QFile::exists(unreachable));
    // A folder typed with trailing separators is stored without them through the
    // window (recorder_window_test.cpp); the root keeps its own.
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

}  // namespace
