// zla: packs audio, a title, a description and pictures into a ZLA file, and
// shows what a ZLA file holds.

#include "info_command.h"
#include "pack_command.h"
#include "usage.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "pack") == 0)
        return zla::RunPack(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "info") == 0)
        return zla::RunInfo(argc - 2, argv + 2);
    if (argc >= 2 && zla::IsHelp(argv[1])) {
        zla::PrintUsage(stdout);
        return 0;
    }
    zla::PrintUsage(stderr);
    return 1;
}
