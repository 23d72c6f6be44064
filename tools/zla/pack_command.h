#pragma once

namespace zla {

// zla pack [options] AUDIO: builds a ZLA file. Returns the exit status.
int RunPack(int argc, char** argv);

}  // namespace zla
