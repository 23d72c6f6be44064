#pragma once
// The program's command line, read as GNU programs read theirs: --help and
// --version answer on standard output, an unknown option is refused on
// standard error with a usage line; everything else names files and
// folders to open.

#include <QStringList>

#include <optional>

struct CommandLine {
    QStringList paths;  // absolute, in the order given
};

// The command line, or nothing when it was answered already; then exitCode
// is 0 (after --help or --version) or 2 (a wrong option). Needs no display.
std::optional<CommandLine> ReadCommandLine(int argc, char** argv, int& exitCode);
