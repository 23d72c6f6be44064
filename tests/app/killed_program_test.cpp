// The real program killed outright (a crash, kill -9, a power cut): what it
// listed must already be in the list file, above all a recording it salvaged
// at start-up, which no longer lies where the next start would find it.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
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

TEST(KilledProgram, TheListFileAlreadyHoldsTheRecordingSalvagedAtStartUp)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QDir dir(root.path());
    for (const char* sub : {"program", "home", "tmp"})
        ASSERT_TRUE(dir.mkpath(sub));
    // The list file lies beside the program.
    for (const char* file : {"quillon", "libZLDecoder.so", "libmpeg_encoder.so"})
        ASSERT_TRUE(QFile::copy(testsupport::binDir() + "/" + file, dir.filePath(QString("program/") + file))) << file;
    ASSERT_TRUE(testsupport::writeFile(dir.filePath("tmp/quillon_temp_4242.wav"), leftoverRecording()));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", dir.filePath("home"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("home/.config"));
    env.insert("XDG_DATA_HOME", dir.filePath("home/.local/share"));
    env.insert("XDG_STATE_HOME", dir.filePath("home/.local/state"));
    env.insert("TMPDIR", dir.filePath("tmp"));
    env.insert("BROWSER", "true");  // the first start's welcome page goes nowhere
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(dir.filePath("program/quillon"));
    ASSERT_TRUE(program.waitForStarted(10000));

    const QString list = dir.filePath("program/Quillon.lst");
    const bool listed = QTest::qWaitFor([&] { return listedPaths(list).size() == 1; }, 30000);
    program.kill();
    ASSERT_TRUE(program.waitForFinished(10000));
    ASSERT_TRUE(listed) << "the list file was not written while the program ran";
    const auto paths = listedPaths(list);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_TRUE(QString::fromStdString(paths.front()).endsWith(" recovered.wav")) << paths.front();
    EXPECT_EQ(testsupport::readFile(QString::fromStdString(paths.front())).mid(44), leftoverRecording().mid(44));
}

}  // namespace
