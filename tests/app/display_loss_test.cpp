// The X server dies under the running program: Qt ends the process on the
// spot, and what the user set and listed must be on disk all the same. The
// real program runs from a folder of its own (its list file lies beside
// it) on a private Xvfb.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "listed_paths.h"
#include "support/test_support.h"

namespace {

// The leftover of a crashed run: a second of 8 kHz 8-bit mono audio.
QByteArray leftoverRecording()
{
    QByteArray header(44, '\0');
    memcpy(header.data(),
           "RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0data\0\0\0\0", 44);
    return header + QByteArray(8000, '\x80');
}

TEST(DisplayLoss, TheSettingsAndTheChangedPlaylistAreWrittenWhenTheXServerDies)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QDir dir(root.path());
    for (const char* sub : {"program", "home", "tmp"})
        ASSERT_TRUE(dir.mkpath(sub));
    for (const char* file : {"quillon", "libZLDecoder.so", "libmpeg_encoder.so"})
        ASSERT_TRUE(QFile::copy(testsupport::binDir() + "/" + file, dir.filePath(QString("program/") + file))) << file;
    // Salvaged at start-up, it joins the playlist: the list has changed.
    ASSERT_TRUE(testsupport::writeFile(dir.filePath("tmp/quillon_temp_4242.wav"), leftoverRecording()));

    QProcess xserver;
    xserver.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    ASSERT_TRUE(xserver.waitForStarted(10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return xserver.canReadLine(); }, 20000)) << "Xvfb gave no display";
    const QString display = ":" + QString::fromLatin1(xserver.readLine()).trimmed();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("HOME", dir.filePath("home"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("home/.config"));
    env.insert("XDG_DATA_HOME", dir.filePath("home/.local/share"));
    env.insert("TMPDIR", dir.filePath("tmp"));
    env.insert("BROWSER", "true");  // the first start's welcome page goes nowhere
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(dir.filePath("program/quillon"));
    ASSERT_TRUE(program.waitForStarted(10000));

    // On screen once the X server lists its window.
    const bool shown = QTest::qWaitFor([&] {
        QProcess list;
        QProcessEnvironment xenv = QProcessEnvironment::systemEnvironment();
        xenv.insert("DISPLAY", display);
        list.setProcessEnvironment(xenv);
        list.start("xwininfo", {"-root", "-tree"});
        return list.waitForFinished(5000) && list.readAllStandardOutput().contains("Quillon 2.5");
    }, 30000);
    xserver.kill();
    xserver.waitForFinished(5000);
    ASSERT_TRUE(shown) << "the window never came up";
    ASSERT_TRUE(program.waitForFinished(20000)) << "the program outlived its display";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);

    QSettings written(dir.filePath("home/.config/tessaly/Quillon.conf"), QSettings::IniFormat);
    EXPECT_EQ(written.value("Settings/RecordQuality").toInt(), 9);
    EXPECT_EQ(written.value("History/CurDirAddFiles").toString(), dir.filePath("home"));
    const auto listed = listedPaths(dir.filePath("program/Quillon.lst"));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(listed.front()))) << listed.front();
    EXPECT_TRUE(QDir(dir.filePath("tmp")).entryList(QDir::Files).isEmpty());
}

}  // namespace
