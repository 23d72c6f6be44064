// The whole start-up and shutdown of the program, with the window closed as
// soon as it is up: welcome page once, salvage, folder history at exit.

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <vector>

#include "app/recorder_app.h"
#include "controls/widget_test_helpers.h"
#include "platform/audio/fake_backend.h"
#include "playlist/playlist_box.h"
#include "program_home.h"
#include "recorder/recorder_dialog.h"

namespace {

class RecorderAppTest : public ProgramHomeTest {
protected:
    // Runs the program until its window is up, then closes the window.
    void RunOnce()
    {
        // Start-up may run event loops before the window stands (the
        // session bus is asked first): close whatever modal window comes.
        widgettest::ModalAnswer<QWidget> closer([](QWidget& w) { w.close(); });
        RecorderApp app;
        EXPECT_EQ(app.InitInstance(), 0);
        salvaged = app.SalvagedRecordings();
    }

    platform::audio::FakeBackend backend;
    testsupport::ScopedBackend scope{backend};
    QStringList salvaged;
};

TEST_F(RecorderAppTest, WelcomesOnceWritesTheHistoryAndSalvagesLeftoverRecordingsOfBothFolders)
{
    // Crashed runs' recordings: one where takes in progress live, one where
    // earlier versions kept them.
    const QString inState = home.filePath(".local/state/tessaly/Quillon/quillon_temp_777.wav");
    ASSERT_TRUE(testsupport::WriteFile(inState, LeftoverRecording(4000)));
    ASSERT_TRUE(testsupport::WriteFile(temp.filePath("quillon_temp_12345.wav"), LeftoverRecording(8000)));

    RunOnce();
    EXPECT_EQ(shell.opened.size(), 1);
    ASSERT_EQ(salvaged.size(), 2);
    for (const QString& path : salvaged)
        EXPECT_TRUE(path.startsWith(home.filePath(".local/share/tessaly/Quillon/recovered/"))) << path.toStdString();
    EXPECT_EQ(QFile(salvaged[0]).size(), 44 + 4000) << "the state folder's first";
    EXPECT_EQ(QFile(salvaged[1]).size(), 44 + 8000);
    EXPECT_FALSE(QFile::exists(inState));
    EXPECT_FALSE(QFile::exists(temp.filePath("quillon_temp_12345.wav")));
    // The salvaged recordings joined the playlist and its list file.
    EXPECT_EQ(ListedPaths(ListFile()).size(), 2u);

    QSettings qs(SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(qs.value("History/CurDirAddFiles").toString(), QDir::homePath());
    EXPECT_EQ(qs.value("History/CurDirUploadFiles").toString(), QDir::homePath());
    EXPECT_EQ(qs.value("Settings/RecordQuality").toInt(), 9);

    const QByteArray list = testsupport::ReadFile(ListFile());
    RunOnce();
    EXPECT_EQ(shell.opened.size(), 1);  // the welcome page opens once per user
    EXPECT_TRUE(salvaged.isEmpty());
    EXPECT_EQ(testsupport::ReadFile(ListFile()), list);  // read back, nothing new: not rewritten
}

// The desktop's session manager asks the program to end while its window is
// up, alone or under a menu or dialog that runs its own event loop: it ends
// normally and nothing the user set is lost.
TEST_F(RecorderAppTest, TheSessionEndingEndsTheProgramAndWritesWhatTheUserSet)
{
    const std::vector<std::function<void(RecorderDialog&)>> openers = {
        [](RecorderDialog&) {},  // nothing over the window
        [](RecorderDialog& w) {  // the list's menu, as a right click opens it
            QTest::mouseClick(w.PlaylistBox().viewport(), Qt::RightButton, {}, QPoint(5, 5));
        },
        [](RecorderDialog& w) { w.OnSysCommand(16); },  // the about box
    };
    for (size_t i = 0; i < openers.size(); ++i) {
        SCOPED_TRACE(i);
        // Had the program outlived the session, this would be what ends it.
        bool stillUp = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            stillUp = true;
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        watchdog.start(30000);  // also when the window never comes up
        bool up = false;
        widgettest::ModalAnswer<RecorderDialog> windowUp([&](RecorderDialog& window) {
            if (std::exchange(up, true))
                return;
            QTimer::singleShot(100, [&window, i] {
                // What was opened is still open when the signal comes.
                EXPECT_TRUE(i == 0 || QApplication::activePopupWidget() ||
                            QApplication::activeModalWidget() != &window);
                ::raise(SIGTERM);
            });
            watchdog.start(5000);
            openers[i](window);
        });
        RecorderApp app;
        EXPECT_EQ(app.InitInstance(), 0);
        EXPECT_FALSE(stillUp);
        QSettings written(SettingsFile(), QSettings::IniFormat);
        EXPECT_TRUE(written.childGroups().contains("Settings") && written.childGroups().contains("History"));
        QFile::remove(SettingsFile());
    }
}

}  // namespace
