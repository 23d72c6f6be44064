// The program's options as GNU programs answer them: help and version on
// standard output with status 0, a wrong option refused with a usage line
// and status 2 — all without a display.

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

testsupport::ToolResult Quillon(const QStringList& args)
{
    // No display at all: these answers must not need one.
    qunsetenv("DISPLAY");
    qputenv("QT_QPA_PLATFORM", "xcb");
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
