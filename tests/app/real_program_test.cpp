// The real program, started from a folder of its own (its list file lies
// beside it), ended outright: killed (a crash, kill -9, a power cut) or with
// its X server gone, which makes Qt end the process on the spot. What it
// listed and what the user set must be on disk all the same, above all a
// recording salvaged at start-up, which no longer lies where the next start
// would find it.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "program_home.h"

namespace {

// The program and its libraries in program/, a private home and a TMPDIR
// holding a crashed run's leftover.
class RealProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        for (const char* sub : {"program", "home", "tmp"})
            ASSERT_TRUE(dir.mkpath(sub));
        for (const char* file : {"quillon", "libZLDecoder.so", "libmpeg_encoder.so"})
            ASSERT_TRUE(QFile::copy(testsupport::BinDir() + "/" + file, dir.filePath(QString("program/") + file)))
                << file;
        ASSERT_TRUE(testsupport::WriteFile(dir.filePath("tmp/quillon_temp_4242.wav"), LeftoverRecording(8000)));
        env.insert("HOME", dir.filePath("home"));
        env.insert("XDG_CONFIG_HOME", dir.filePath("home/.config"));
        env.insert("XDG_DATA_HOME", dir.filePath("home/.local/share"));
        env.insert("XDG_STATE_HOME", dir.filePath("home/.local/state"));
        env.insert("TMPDIR", dir.filePath("tmp"));
        env.insert("BROWSER", "true");  // the first start's welcome page goes nowhere
    }
    void Start()
    {
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(dir.filePath("program/quillon"));
        ASSERT_TRUE(program.waitForStarted(10000));
    }
    std::vector<std::string> Listed() const { return ListedPaths(dir.filePath("program/Quillon.lst")); }

    QTemporaryDir m_root;
    QDir dir{m_root.path()};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess program;
};

TEST_F(RealProgram, KilledTheListFileAlreadyHoldsTheRecordingSalvagedAtStartUp)
{
    env.insert("QT_QPA_PLATFORM", "offscreen");
    Start();
    const bool written = QTest::qWaitFor([&] { return Listed().size() == 1; }, 30000);
    program.kill();
    ASSERT_TRUE(program.waitForFinished(10000));
    ASSERT_TRUE(written) << "the list file was not written while the program ran";
    const auto paths = Listed();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_TRUE(QString::fromStdString(paths.front()).endsWith(" recovered.wav")) << paths.front();
    EXPECT_EQ(testsupport::ReadFile(QString::fromStdString(paths.front())).mid(44), LeftoverRecording(8000).mid(44));
}

TEST_F(RealProgram, TheSettingsAndTheChangedPlaylistAreWrittenWhenTheXServerDies)
{
    QProcess xserver;
    xserver.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    ASSERT_TRUE(xserver.waitForStarted(10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return xserver.canReadLine(); }, 20000)) << "Xvfb gave no display";
    env.insert("DISPLAY", ":" + QString::fromLatin1(xserver.readLine()).trimmed());
    env.insert("QT_QPA_PLATFORM", "xcb");
    Start();

    // On screen once the X server lists its window.
    const bool shown = QTest::qWaitFor(
        [&] {
            QProcess list;
            list.setProcessEnvironment(env);
            list.start("xwininfo", {"-root", "-tree"});
            return list.waitForFinished(5000) && list.readAllStandardOutput().contains("Quillon 2.5");
        },
        30000);
    xserver.kill();
    xserver.waitForFinished(5000);
    ASSERT_TRUE(shown) << "the window never came up";
    ASSERT_TRUE(program.waitForFinished(20000)) << "the program outlived its display";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);

    QSettings written(dir.filePath("home/.config/tessaly/Quillon.conf"), QSettings::IniFormat);
    EXPECT_EQ(written.value("Settings/RecordQuality").toInt(), 9);
    EXPECT_EQ(written.value("History/CurDirAddFiles").toString(), dir.filePath("home"));
    const auto paths = Listed();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(paths.front()))) << paths.front();
    EXPECT_TRUE(QDir(dir.filePath("tmp")).entryList(QDir::Files).isEmpty());
}

// The program's options as GNU programs answer them: help and version on
// standard output with status 0, a wrong option refused with a usage line
// and status 2 — all without a display.

testsupport::ToolResult Quillon(const QStringList& args)
{
    // No display at all: these answers must not need one.
    const testsupport::ScopedEnv noDisplay("DISPLAY", QString()), xcb("QT_QPA_PLATFORM", "xcb");
    return testsupport::RunTool(QDir(testsupport::BinDir()).filePath("quillon"), args, 20000);
}

TEST(CommandLine, HelpAndVersionAnswerOnStandardOutput)
{
    for (const QStringList& args : {QStringList{"--help"}, QStringList{"--he"}, QStringList{"a.wav", "--help"}}) {
        const auto r = Quillon(args);
        EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.startsWith("Usage: quillon [OPTION]... [FILE|FOLDER]...\n")) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains("--version")) << r.out.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
    const auto version = Quillon({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "quillon (Quillon) 2.5\n");
}

TEST(CommandLine, AWrongOptionIsRefusedWithAUsageLineAndStatusTwo)
{
    for (const QStringList& args : {QStringList{"--bogus"}, QStringList{"-x"}, QStringList{"--help=yes"},
                                    QStringList{"a.wav", "--frobnicate", "--version"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const auto r = Quillon(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains("Usage: quillon [OPTION]... [FILE|FOLDER]...\n")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("Try 'quillon --help' for more information.")) << r.err.toStdString();
    }
    // getopt names what it refused.
    EXPECT_TRUE(Quillon({"--bogus"}).err.contains("unrecognized option '--bogus'"));
}

}  // namespace
