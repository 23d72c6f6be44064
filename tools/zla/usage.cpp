#include "usage.h"

#include <cstring>

namespace zla {

bool IsHelp(const char* arg) { return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0; }

void PrintUsage(FILE* to)
{
    std::fputs("usage: zla pack -o OUT.zla [--title TEXT] [--description TEXT]\n"
               "                [--picture PNG]... [--not-loadable] AUDIO\n"
               "       zla info FILE\n"
               "AUDIO is a WAVE file or an MPEG audio file (layers 1 to 3).\n"
               "Exit status: 0 done, 1 wrong usage, 2 the files could not be used.\n",
               to);
}

}  // namespace zla
