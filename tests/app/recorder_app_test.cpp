// The whole start-up and shutdown of the program, with the window closed as
// soon as it is up: welcome page once, salvage, folder history at exit.

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <vector>
#include <QFile>

#include <QApplication>
#include <QMouseEvent>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include "app/recorder_app.h"
#include "listed_paths.h"
#include "platform/audio/fake_backend.h"
#include "platform/shell.h"
#include "playlist/list_file.h"
#include "playlist/playlist_box.h"
#include "recorder/recorder_dialog.h"
#include "playlist/playlist_model.h"
#include "support/recording_shell.h"
#include "support/scoped_state.h"
#include "support/test_support.h"

namespace {

using testsupport::RecordingShell;

class RecorderAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", home.filePath(".config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", home.filePath(".local/share").toLocal8Bit());
        qputenv("XDG_STATE_HOME", home.filePath(".local/state").toLocal8Bit());
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        // Qt keeps the first settings folder it saw; each test has its own home.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath(".config"));
        QApplication::setOrganizationName("tessaly");
        QApplication::setApplicationName("Quillon");
        platform::setShellForTesting(&shell);
        playlist::PlaylistModel::setDefaultListFileForTesting(listFile());
    }
    void TearDown() override { platform::setShellForTesting(nullptr); }

    // Runs the program until its window is up, then closes the window.
    void runOnce()
    {
        // Start-up may run event loops before the window stands (the
        // session bus is asked first): close whatever modal window comes.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
        closer.start(50);
        RecorderApp app;
        EXPECT_EQ(app.InitInstance(), 0);
        salvaged = app.salvagedRecordings();
    }

    QString listFile() const { return home.filePath("Quillon.lst"); }

    QTemporaryDir home, temp;
    RecordingShell shell;
    platform::audio::FakeBackend backend;
    testsupport::ScopedBackend scope{backend};
    QStringList salvaged;
};

TEST_F(RecorderAppTest, WelcomesOnceWritesTheHistoryAndSalvagesLeftoverRecordingsOfBothFolders)
{
    // Crashed runs' recordings: header as written at record start, then data;
    // one where takes in progress live, one where earlier versions kept them.
    QByteArray header(44, '\0');
    memcpy(header.data(),
           "RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0data\0\0\0\0", 44);
    const QString inState = home.filePath(".local/state/tessaly/Quillon/quillon_temp_777.wav");
    ASSERT_TRUE(testsupport::writeFile(inState, header + QByteArray(4000, '\x80')));
    ASSERT_TRUE(testsupport::writeFile(temp.filePath("quillon_temp_12345.wav"), header + QByteArray(8000, '\x80')));

    runOnce();
    EXPECT_EQ(shell.opened.size(), 1);
    ASSERT_EQ(salvaged.size(), 2);
    for (const QString& path : salvaged)
        EXPECT_TRUE(path.startsWith(home.filePath(".local/share/tessaly/Quillon/recovered/"))) << path.toStdString();
    EXPECT_EQ(QFile(salvaged[0]).size(), 44 + 4000) << "the state folder's first";
    EXPECT_EQ(QFile(salvaged[1]).size(), 44 + 8000);
    EXPECT_FALSE(QFile::exists(inState));
    EXPECT_FALSE(QFile::exists(temp.filePath("quillon_temp_12345.wav")));
    // The salvaged recordings joined the playlist and its list file.
    EXPECT_EQ(listedPaths(listFile()).size(), 2u);

    QSettings qs(home.filePath(".config/tessaly/Quillon.conf"), QSettings::IniFormat);
    EXPECT_EQ(qs.value("History/CurDirAddFiles").toString(), QDir::homePath());
    EXPECT_EQ(qs.value("History/CurDirUploadFiles").toString(), QDir::homePath());
    EXPECT_EQ(qs.value("Settings/RecordQuality").toInt(), 9);

    const QByteArray list = testsupport::readFile(listFile());
    runOnce();
    EXPECT_EQ(shell.opened.size(), 1);  // the welcome page opens once per user
    EXPECT_TRUE(salvaged.isEmpty());
    EXPECT_EQ(testsupport::readFile(listFile()), list);  // read back, nothing new: not rewritten
}

}  // namespace

namespace {

TEST_F(RecorderAppTest, TheSessionEndingWritesWhatTheUserSetBeforeTheProgramGoes)
{
    // The desktop's session manager asks the program to end while its window
    // is up: it ends normally and nothing the user set is lost.
    QTimer::singleShot(100, [] { ::raise(SIGTERM); });
    RecorderApp app;
    EXPECT_EQ(app.InitInstance(), 0);
    QSettings written(home.filePath(".config/tessaly/Quillon.conf"), QSettings::IniFormat);
    EXPECT_TRUE(written.childGroups().contains("Settings")) << written.fileName().toStdString();
    EXPECT_TRUE(written.childGroups().contains("History"));
}

TEST_F(RecorderAppTest, TheSessionEndingAlsoEndsTheProgramWhileAMenuOrDialogIsOpenOverTheWindow)
{
    // Each of these runs its own event loop over the window's.
    const std::vector<std::function<void(RecorderDialog&)>> openers = {
        [](RecorderDialog& w) {  // the list's menu, as a right click opens it
            QWidget* list = w.playlistBox().viewport();
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent event(type, QPointF(5, 5), list->mapToGlobal(QPointF(5, 5)), Qt::RightButton,
                                  type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton, {});
                QCoreApplication::sendEvent(list, &event);
            }
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
        QTimer::singleShot(50, [&] {
            auto* window = qobject_cast<RecorderDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            QTimer::singleShot(100, [window] {
                // What was opened is still open when the signal comes.
                EXPECT_TRUE(QApplication::activePopupWidget() || QApplication::activeModalWidget() != window);
                ::raise(SIGTERM);
            });
            watchdog.start(5000);
            openers[i](*window);
        });
        RecorderApp app;
        EXPECT_EQ(app.InitInstance(), 0);
        EXPECT_FALSE(stillUp);
    }
}

}  // namespace
