#include "app/command_line.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <getopt.h>

namespace {

constexpr const char* kProgram = "quillon";

void PrintUsageLine(std::FILE* to) { std::fprintf(to, "Usage: %s [OPTION]... [FILE|FOLDER]...\n", kProgram); }

void PrintHelp(std::FILE* out)
{
    PrintUsageLine(out);
    std::fputs("Record sound, and play WAVE, MP3, FLAC, Ogg Vorbis, Opus and ZLA files from a playlist.\n"
               "\n"
               "Files and folders given are added to the playlist, and the first of them is played.\n"
               "When Quillon already runs, they are handed to its window.\n"
               "\n"
               "      --help     display this help and exit\n"
               "      --version  output version information and exit\n",
               out);
}

void PrintVersion(std::FILE* out) { std::fprintf(out, "%s (Quillon) %s\n", kProgram, QUILLON_VERSION); }

}  // namespace

std::optional<CommandLine> ReadCommandLine(int argc, char** argv, int& exitCode)
{
    enum { kHelp = 1, kVersion };
    static const option options[] = {
        {"help", no_argument, nullptr, kHelp}, {"version", no_argument, nullptr, kVersion}, {nullptr, 0, nullptr, 0}};
    // getopt_long names a wrong option on stderr itself, abbreviations of
    // the long options are taken, and "--" ends the options.
    opterr = 1;
    optind = 0;
    for (int c; (c = getopt_long(argc, argv, "", options, nullptr)) != -1;) {
        exitCode = 0;
        if (c == kHelp)
            PrintHelp(stdout);
        else if (c == kVersion)
            PrintVersion(stdout);
        else {
            PrintUsageLine(stderr);
            std::fprintf(stderr, "Try '%s --help' for more information.\n", kProgram);
            exitCode = 2;
        }
        return std::nullopt;
    }
    CommandLine line;
    for (int i = optind; i < argc; ++i)
        line.paths << QDir::cleanPath(QDir::current().absoluteFilePath(QFile::decodeName(argv[i])));
    return line;
}
