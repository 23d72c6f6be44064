#pragma once

namespace zla {

// zla info FILE: prints what a ZLA (or any audio) file holds. Returns the exit status.
int RunInfo(int argc, char** argv);

}  // namespace zla
