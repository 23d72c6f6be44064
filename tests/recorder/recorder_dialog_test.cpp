// The recorder window: its template, the data exchange with the settings,
// the input lists, the playlist panel and closing.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QApplication>
#include <QTest>

#include "controls/about_dialog.h"
#include "controls/bitmap_button.h"
#include "controls/browse_for_folder.h"
#include "controls/hyperlink_label.h"
#include "platform/shell.h"
#include "resources/strings.h"
#include <QTimer>
#include "platform/audio/fake_backend.h"
#include "recorder/dialog_template.h"
#include "recorder/recorder_dialog.h"
#include "support/recording_shell.h"
#include "support/test_support.h"

namespace {

using platform::audio::FakeBackend;

class RecorderDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        backend.addInputDevice("Built-in Microphone");
        backend.addInputDevice("USB Headset");
        backend.addInputDevice("Monitor of Speakers", true);
        platform::audio::setBackendForTesting(&backend);
    }
    void TearDown() override { platform::audio::setBackendForTesting(nullptr); }

    QString settingsPath() const { return dir.filePath("Quillon.conf"); }

    QTemporaryDir dir;
    FakeBackend backend;
};

TEST_F(RecorderDialogTest, FirstRunShowsTheDefaultsAndWritesBothSectionsAtClose)
{
    {
        QSettings qs(settingsPath(), QSettings::IniFormat);
        SettingsStore store(&qs);
        RecorderDialog w(store);
        EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Quillon 2.5 中文版"));
        EXPECT_EQ(w.controlAs<QComboBox>(1217)->currentText(), QString::fromUtf8("16000 Hz 16位 单声道"));
        EXPECT_EQ(w.controlAs<QComboBox>(1266)->currentText(), "Built-in Microphone");
        EXPECT_EQ(w.controlAs<QSlider>(1004)->value(), 9);
        EXPECT_EQ(w.controlAs<QLabel>(1017)->text(), "112 kbps");
        EXPECT_EQ(w.controlAs<QComboBox>(1003)->currentIndex(), 0);
        EXPECT_EQ(w.controlAs<QComboBox>(1003)->currentText(), QString::fromUtf8("压缩为MP3格式 (.mp3 文件)"));
        EXPECT_TRUE(w.controlAs<QLineEdit>(1001)->text().isEmpty());
        EXPECT_FALSE(w.controlAs<QCheckBox>(1024)->isChecked());
        EXPECT_TRUE(w.playlistPanelShown());
    }
    QSettings qs(settingsPath(), QSettings::IniFormat);
    EXPECT_EQ(qs.value("History/OfflineRecDev").toInt(), 0);
    EXPECT_EQ(qs.value("History/OfflineRecFmt").toInt(), 9);
    EXPECT_EQ(qs.value("Settings/EncodeMethod").toInt(), 0);
    EXPECT_EQ(qs.value("Settings/RecordQuality").toInt(), 9);
    EXPECT_EQ(qs.value("Settings/ShowRightPanel").toInt(), 1);
    EXPECT_EQ(qs.value("Settings/AskForRenaming").toInt(), 0);
    EXPECT_EQ(qs.value("Settings/LooplyPlaying").toInt(), 0);
    EXPECT_TRUE(qs.contains("Settings/RecordFolder"));
}

TEST_F(RecorderDialogTest, ChangesMadeInTheWindowAreRestoredAtTheNextStart)
{
    {
        QSettings qs(settingsPath(), QSettings::IniFormat);
        SettingsStore store(&qs);
        RecorderDialog w(store);
        w.controlAs<QComboBox>(1266)->setCurrentIndex(2);
        w.controlAs<QComboBox>(1217)->setCurrentIndex(27);
        w.controlAs<QSlider>(1004)->setValue(15);
        EXPECT_EQ(w.controlAs<QLabel>(1017)->text(), "320 kbps");
        w.controlAs<QComboBox>(1003)->setCurrentIndex(1);
        w.controlAs<QLineEdit>(1001)->setText("/srv/recordings///");
        QTest::mouseClick(w.controlAs<QCheckBox>(1024), Qt::LeftButton);
        QTest::mouseClick(w.controlAs<QCheckBox>(1025), Qt::LeftButton);
        EXPECT_TRUE(w.IsLoopPlaying());
        QTest::mouseClick(w.controlAs<QPushButton>(1007), Qt::LeftButton);
        EXPECT_FALSE(w.playlistPanelShown());
    }
    QSettings qs(settingsPath(), QSettings::IniFormat);
    SettingsStore store(&qs);
    RecorderDialog w(store);
    EXPECT_EQ(w.controlAs<QComboBox>(1266)->currentText(), "Monitor of Speakers");
    EXPECT_EQ(w.controlAs<QComboBox>(1217)->currentIndex(), 27);
    EXPECT_EQ(w.controlAs<QSlider>(1004)->value(), 15);
    EXPECT_EQ(w.controlAs<QComboBox>(1003)->currentIndex(), 1);
    EXPECT_EQ(w.controlAs<QLineEdit>(1001)->text(), "/srv/recordings");
    EXPECT_TRUE(w.controlAs<QCheckBox>(1024)->isChecked());
    EXPECT_TRUE(w.controlAs<QCheckBox>(1025)->isChecked());
    EXPECT_FALSE(w.playlistPanelShown());
    EXPECT_FALSE(w.control(1011)->isVisibleTo(&w));
}

TEST_F(RecorderDialogTest, EveryTemplateControlExistsWithItsIdAndInitialState)
{
    QSettings qs(settingsPath(), QSettings::IniFormat);
    SettingsStore store(&qs);
    RecorderDialog w(store);
    for (const ControlTemplate& t : RecorderTemplate::controls()) {
        if (t.id == 0)
            continue;
        QWidget* c = w.control(t.id);
        ASSERT_NE(c, nullptr) << t.id;
        EXPECT_EQ(c->property("controlId").toInt(), t.id);
        EXPECT_EQ(c->isEnabled(), !t.disabled) << t.id;
        EXPECT_EQ(c->isVisibleTo(&w), !t.hidden) << t.id;
    }
    // The layout keeps the template's proportions: the playlist starts right
    // of the recorder half, and the window is 465 x 377 units.
    EXPECT_GT(w.control(1011)->x(), w.control(1127)->geometry().right());
    const controls::DialogUnits units(controls::dialogFont());
    EXPECT_EQ(w.size(), QSize(units.x(465), units.y(377)));
    EXPECT_EQ(w.control(1084)->geometry(), units.rect(55, 138, 112, 27));
    // The playlist slider is stretched to 10 pixels short of the right edge.
    EXPECT_EQ(w.control(1015)->geometry().right() + 1, w.width() - 10);
    EXPECT_EQ(w.control(1015)->x(), units.x(284));
    EXPECT_EQ(w.controlAs<QLineEdit>(1001)->maxLength(), 256);
}

TEST_F(RecorderDialogTest, PlaylistPanelHidesToJustRightOfItsButtonAndComesBack)
{
    QSettings qs(settingsPath(), QSettings::IniFormat);
    SettingsStore store(&qs);
    RecorderDialog w(store);
    w.show();
    const QSize full = w.size();
    const QString hideTip = w.controlAs<controls::BitmapButton>(1007)->TipText();
    EXPECT_EQ(hideTip, QString::fromUtf8("隐藏播放列表"));
    w.move(300, 200);
    QTest::mouseClick(w.controlAs<QPushButton>(1007), Qt::LeftButton);
    EXPECT_EQ(w.width(), w.control(1011)->x() + 4);
    EXPECT_GT(w.width(), w.control(1007)->geometry().right());
    EXPECT_EQ(w.height(), full.height());
    EXPECT_EQ(w.controlAs<controls::BitmapButton>(1007)->TipText(), QString::fromUtf8("显示播放列表"));
    for (int id : {1011, 104, 1023, 1021, 1015})
        EXPECT_FALSE(w.control(id)->isVisible()) << id;
    w.move(10, 10);
    QTest::mouseClick(w.controlAs<QPushButton>(1007), Qt::LeftButton);
    EXPECT_EQ(w.size(), full);
    EXPECT_TRUE(w.control(1011)->isVisible());
}

TEST_F(RecorderDialogTest, EscapeClosesAnEmptyWindowAndEnterDoesNot)
{
    QSettings qs(settingsPath(), QSettings::IniFormat);
    SettingsStore store(&qs);
    RecorderDialog w(store);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.controlAs<QComboBox>(1217)->setFocus();
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(RecorderDialogTest, WithoutAnyInputDeviceTheListIsEmptyAndTheWindowStillOpens)
{
    FakeBackend none;
    none.setServerAvailable(false);
    platform::audio::setBackendForTesting(&none);
    QSettings qs(settingsPath(), QSettings::IniFormat);
    SettingsStore store(&qs);
    RecorderDialog w(store);
    EXPECT_EQ(w.controlAs<QComboBox>(1266)->count(), 0);
    EXPECT_EQ(w.controlAs<QComboBox>(1217)->count(), 28);
}

using testsupport::RecordingShell;

TEST_F(RecorderDialogTest, AboutBoxOpensFromTheButtonAndFromTheWindowMenuCommand)
{
    QSettings qs(settingsPath(), QSettings::IniFormat);
    SettingsStore store(&qs);
    RecorderDialog w(store);
    w.show();
    for (int attempt = 0; attempt < 3; ++attempt) {
        QString seen;
        QTimer::singleShot(50, [&seen] {
            if (QWidget* m = QApplication::activeModalWidget()) {
                seen = m->metaObject()->className();
                m->close();
            }
        });
        if (attempt == 0)
            QTest::mouseClick(w.controlAs<QPushButton>(1013), Qt::LeftButton);
        else if (attempt == 1)
            w.OnSysCommand(16);
        else
            w.OnSysCommand(16 | 0x7);  // the low four bits do not count
        EXPECT_EQ(seen, "controls::AboutDialog") << attempt;
    }
    bool opened = false;
    QTimer::singleShot(50, [&opened] {
        if (QWidget* m = QApplication::activeModalWidget()) {
            opened = true;
            m->close();
        }
    });
    w.OnSysCommand(32);
    QTest::qWait(100);
    EXPECT_FALSE(opened);
}

TEST_F(RecorderDialogTest, OnlineHelpTooltipsAndTheFolderButton)
{
    RecordingShell shell;
    platform::setShellForTesting(&shell);
    controls::SetFolderChooserForTesting([](QWidget*, const QString&, const QString& start) {
        EXPECT_EQ(start, "/preset");
        return QString("/chosen/folder//");
    });
    QSettings qs(settingsPath(), QSettings::IniFormat);
    SettingsStore store(&qs);
    {
        RecorderDialog w(store);
        QTest::mouseClick(w.controlAs<QPushButton>(1091), Qt::LeftButton);
        ASSERT_EQ(shell.opened.size(), 1);
        EXPECT_TRUE(shell.opened[0].startsWith("https://")) << shell.opened[0].toStdString();

        EXPECT_EQ(w.control(1127)->toolTip(), resources::text(375));
        EXPECT_EQ(w.control(1010)->toolTip(), QString::fromUtf8("高亮度显示的线路的音量"));
        EXPECT_TRUE(w.control(1013)->toolTip().isEmpty());
        EXPECT_EQ(w.controlAs<controls::BitmapButton>(104)->TipText(), QString::fromUtf8("播放选择的条目"));
        EXPECT_EQ(w.controlAs<controls::BitmapButton>(1021)->TipText(), QString::fromUtf8("暂停/继续播放"));

        w.controlAs<QLineEdit>(1001)->setText("/preset");
        QTest::mouseClick(w.controlAs<QPushButton>(1002), Qt::LeftButton);
        EXPECT_EQ(w.controlAs<QLineEdit>(1001)->text(), "/chosen/folder");
    }
    EXPECT_EQ(QSettings(settingsPath(), QSettings::IniFormat).value("Settings/RecordFolder").toString(),
              "/chosen/folder");
    controls::SetFolderChooserForTesting({});
    platform::setShellForTesting(nullptr);
}

TEST_F(RecorderDialogTest, TipsLineRotatesThroughTheTenTipsWithTheirLinks)
{
    QSettings qs(settingsPath(), QSettings::IniFormat);
    SettingsStore store(&qs);
    RecorderDialog w(store);
    auto* tips = w.controlAs<controls::HyperlinkLabel>(1016);
    const int first = w.tipIndex();
    ASSERT_GE(first, 0);
    ASSERT_LT(first, 10);
    EXPECT_EQ(tips->text(), resources::text(445 + 2 * first));
    EXPECT_EQ(tips->Url(), resources::text(446 + 2 * first));
    for (int step = 1; step <= 10; ++step) {
        w.ShowNextTip();
        const int expected = (first + step) % 10;
        EXPECT_EQ(w.tipIndex(), expected);
        EXPECT_EQ(tips->text(), resources::text(445 + 2 * expected));
        EXPECT_EQ(tips->Url(), resources::text(446 + 2 * expected));
        const QColor c = tips->CurrentTextColour();
        EXPECT_TRUE(c == QColor(255, 0, 0) || c == QColor(0, 255, 0) || c == QColor(0, 0, 255));
    }
}

TEST_F(RecorderDialogTest, ScreenshotOfTheEmptyWindow)
{
    QSettings qs(settingsPath(), QSettings::IniFormat);
    SettingsStore store(&qs);
    RecorderDialog w(store);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QString file = testsupport::screenshotDir() + "/recorder_window_empty.png";
    EXPECT_TRUE(w.grab().save(file));
}

}  // namespace
