#!/usr/bin/env bash
# Fails when a C++ source of the project is not laid out as .clang-format says.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
