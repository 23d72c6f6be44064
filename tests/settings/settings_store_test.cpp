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

TEST(SettingsStore, MaskedValuesDefaultsForGarbageSilentlyLostChangesAndEveryFolderHistorySlotUnderItsKey)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Quillon.conf");
    {
        QSettings qs(path, QSettings::IniFormat);
        qs.setValue("Settings/RecordQuality", 25);
        qs.setValue("Settings/EncodeMethod", 2);
        qs.setValue("Settings/AskForRenaming", "yes please");
        qs.setValue("History/OfflineRecFmt", "x");
    }
    {
        QSettings qs(path, QSettings::IniFormat);
        SettingsStore store(&qs);
        const RecorderSettings s = store.ReadSettings();
        EXPECT_EQ(s.recordQuality, 9);   // 25 & 15
        EXPECT_EQ(s.encodeMethod, 0);    // 2 & 1
        EXPECT_FALSE(s.askForRenaming);  // unreadable: default
        EXPECT_EQ(store.ReadInputHistory().format, 9);
    }
    ASSERT_TRUE(testsupport::WriteFile(path, QByteArray("\x00\xff[Settings\nRecordQuality=\x01\x02", 30)));
    {
        QSettings qs(path, QSettings::IniFormat);
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

    // The window's tests cover the settings' round trip; the folder history has no control.
    FolderHistory folders;
    for (int i = 0; i < kFolderHistorySlots; ++i)
        folders[i] = QString("/folder/%1").arg(i);
    {
        QSettings qs(path, QSettings::IniFormat);
        SettingsStore(&qs).WriteFolderHistory(folders);
    }
    QSettings stored(path, QSettings::IniFormat);
    const FolderHistory back = SettingsStore(&stored).ReadFolderHistory("/nowhere");
    for (int i = 0; i < kFolderHistorySlots; ++i)
        EXPECT_EQ(back[i], folders[i]) << kFolderHistoryKeys[i];
    // The slots land under their own keys, whatever the order of writing.
    EXPECT_EQ(stored.value("History/CurDirAddDir").toString(), "/folder/2");
    EXPECT_EQ(stored.value("History/CurDirExportAudio").toString(), "/folder/7");
}

}  // namespace
