#!/usr/bin/env bash
# Fails when a C++ source of the project is not laid out as .clang-format says.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
# Outside a git checkout (an unpacked tarball), every source below the top.
if files=$(git ls-files '*.cpp' '*.h' 2>/dev/null) && [ -n "$files" ]; then
  printf '%s\n' "$files"
else
  find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print
fi | tr '\n' '\0' | xargs -0 clang-format --dry-run --Werror
