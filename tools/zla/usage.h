#pragma once

#include <cstdio>

namespace zla {

bool IsHelp(const char* arg);  // -h or --help
void PrintUsage(FILE* to);

}  // namespace zla
