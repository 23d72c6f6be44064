// zla: packs audio, a title, a description and pictures into a ZLA file, and
// shows what a ZLA file holds.

#include "info_command.h"
#include "pack_command.h"

#include <cstdio>
#include <cstring>

namespace {

void printUsage(FILE* to)
{
    std::fputs("usage: zla pack -o OUT.zla [--title TEXT] [--description TEXT]\n"
               "                [--picture PNG]... [--not-loadable] AUDIO\n"
               "       zla info FILE\n"
               "AUDIO is a WAVE file or an MPEG audio file (layers 1 to 3).\n",
               to);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "pack") == 0)
        return zla::runPack(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "info") == 0)
        return zla::runInfo(argc - 2, argv + 2);
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(stdout);
        return 0;
    }
    printUsage(stderr);
    return 1;
}
