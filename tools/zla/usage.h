#pragma once

#include <cstdio>

namespace zla {

bool isHelp(const char* arg);  // -h or --help
void printUsage(FILE* to);

}  // namespace zla
